// koa: the authoring program. A thin main over the shell's anchor window.
#include "app/windows.h"
#include "shell/error.h"
#include "shell/fileselector.h"
#include "shell/realinteraction.h"
#include "store/errors.h"
#include "store/interaction.h"

#include <QApplication>
#include <QScopeGuard>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char* argv[]) {
    // The embedded browser shares its GL context with the windows.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"koa"_s);
    QApplication::setApplicationVersion(QStringLiteral(KOA_VERSION_TEXT));
    QApplication::setQuitOnLastWindowClosed(false);

    koa::shell::RealInteraction real;
    koa::setInteraction(&real);

    const koa::ProgramFolder folder = koa::ProgramFolder::forUser();
    // The shipped folder holds the Flash player; the per-user folder links to
    // it only once start-up has prepared it, after the probes.
    const koa::shell::Prerequisites probes =
        koa::shell::Prerequisites::ofThisSystem(folder.shipped());
    koa::shell::error errorWindow(probes);
    koa::setErrorSink([&errorWindow](const koa::ErrorReport& r) {
        errorWindow.errorDetected(r.number, r.description, r.location);
    });
    const auto noSinkAfterTheWindow = qScopeGuard([] { koa::setErrorSink({}); });

    koa::shell::fileselector anchor(folder, probes, koa::app::programWindows());
    if (!anchor.Form_Load(app.arguments().mid(1)))
        return 0;
    const int rc = app.exec();
    anchor.Form_Unload();
    koa::setInteraction(nullptr);
    return rc;
}
