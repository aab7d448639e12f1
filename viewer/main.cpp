// koa_viewer: plays an exported course to a learner. A thin main over the
// store, the renderer and the browser; nothing of the authoring windows.
#include "render/browser.h"
#include "render/confinement.h"
#include "shell/prerequisites.h"
#include "store/errors.h"
#include "store/interaction.h"
#include "store/programfolder.h"
#include "viewer.h"
#include "viewerinteraction.h"

#include <exception>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>

using namespace Qt::Literals::StringLiterals;

namespace {

// The exported folder the viewer lies in, or the one named on the command
// line (a launcher, a test).
QString programFolder(const QStringList& arguments) {
    if (arguments.size() > 1)
        return QDir::cleanPath(QFileInfo(arguments[1]).absoluteFilePath());
    return QCoreApplication::applicationDirPath();
}

int play(QApplication& app, koa::viewer::ViewerInteraction& shown) {
    namespace probes = koa::shell;
    const QString folder = programFolder(app.arguments());
    if (probes::GetIEVersion() < probes::RequiredBrowser) {
        shown.message(probes::messages::BrowserMissing);
        return 1;
    }
    if (probes::GetWMPVersion() < probes::RequiredMediaPlayer) {
        shown.message(probes::messages::MediaPlayerMissing);
        return 1;
    }
    if (probes::GetFlashVersion(folder) < probes::RequiredFlash)
        shown.message(probes::messages::FlashWarning);
    if (!QFileInfo(folder + u"/temp/koa.kod"_s).isFile()) {
        shown.message(u"No course was found in "_s + folder + u"."_s);
        return 1;
    }

    const koa::ProgramFolder program(folder, folder);
    koa::render::Browser::setConfinement(koa::render::Confinement::forProgramFolder(program));
    koa::viewer::viewer window(folder);
    window.Form_Load();
    return app.exec();
}

} // namespace

int main(int argc, char* argv[]) {
    // The embedded browser shares its GL context with the windows.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"koa_viewer"_s);
    QApplication::setApplicationVersion(QStringLiteral(KOA_VERSION_TEXT));
    QApplication::setQuitOnLastWindowClosed(false);

    koa::viewer::ViewerInteraction shown;
    koa::setInteraction(&shown);
    // No error manager here: a failure the course cannot go on after ends
    // the program with a message that says what failed.
    koa::setErrorSink(
        [&shown](const koa::ErrorReport& r) { shown.fatal(r.description, r.location); });
    const auto restore = qScopeGuard([] {
        koa::setErrorSink({});
        koa::setInteraction(nullptr);
    });
    try {
        return play(app, shown);
    } catch (const koa::KoaError& e) {
        shown.fatal(e.description(), u"viewer / Form_Load()"_s);
    } catch (const std::exception& e) {
        shown.fatal(QString::fromLocal8Bit(e.what()), u"viewer / Form_Load()"_s);
    }
    return 1;
}
