#include "windows.h"

#include "composer/composer.h"
#include "distribution/exportwindow.h"
#include "distribution/mergewindow.h"
#include "editors/header.h"
#include "objectpool/objectpool.h"
#include "online/account.h"
#include "online/view/koahelp.h"
#include "online/view/onlinesettings.h"
#include "online/view/uploadform.h"
#include "render/browser.h"
#include "render/confinement.h"
#include "render/preview.h"
#include "store/coursefiles.h"

#include <QPointer>

using namespace Qt::Literals::StringLiterals;

namespace koa::app {

namespace {
// The pages of the windows' browsers load what the program folder's courses need.
void confineBrowsers(shell::EditorSet& e) {
    render::Browser::setConfinement(render::Confinement::forProgramFolder(e.files().folder()));
}
} // namespace

shell::EditorFactories programWindows() {
    shell::EditorFactories f;
    f.header = [](shell::EditorSet& e) {
        return new editors::header(e);
    };
    f.objectpool = [](shell::EditorSet& e) {
        confineBrowsers(e);
        return new objectpool::objectpool(e);
    };
    f.composer = [](shell::EditorSet& e) {
        return new composer::composer(e);
    };
    f.preview = [](shell::EditorSet& e) {
        confineBrowsers(e);
        return new render::preview(e);
    };
    f.exportCourse = [](shell::EditorWindow& from) {
        // The calling window waits, disabled, until the export window closes.
        distribution::exportWindow window(from.editors(), &from);
        window.exec();
    };
    f.exportWeb = [](shell::EditorWindow& from) {
        distribution::webExportWindow window(from.editors(), &from);
        window.exec();
    };
    f.merge = [](shell::EditorWindow& from) {
        // One merge window; it lives as long as the file header window.
        static QPointer<distribution::merge> open;
        if (!open) {
            QWidget* owner = from.editors().loaded(shell::keys::Header);
            open = new distribution::merge(from.editors(), owner ? owner : &from);
            open->setAttribute(Qt::WA_DeleteOnClose);
        }
        open->show();
        open->raise();
        open->activateWindow();
    };
    f.onlineSettings = [] {
        online::onlineSettings window(ProgramFolder::forUser().settingsDatabase());
        window.exec();
    };
    f.upload = [](shell::EditorWindow& from) {
        shell::EditorSet& e = from.editors();
        const ProgramFolder& folder = e.files().folder();
        online::Upload::Settings settings{folder.workingFolder(), folder.path(u"upload"_s),
                                          e.files().displayName(),
                                          online::readAccount(folder.settingsDatabase())};
        // The course is copied while the editor windows take no input; what
        // they hold is written back first.
        auto lock = [&e](bool locked) {
            for (const QString& key : {shell::keys::Header, shell::keys::ObjectPool,
                                       shell::keys::Composer, shell::keys::Preview}) {
                if (shell::EditorWindow* w = e.loaded(key)) {
                    if (locked)
                        w->flush();
                    w->setEnabled(!locked);
                }
            }
        };
        auto* window = new online::uploadform(std::move(settings), lock, &from);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->open();
    };
    f.help = [](shell::EditorWindow& from, const QString& topic) {
        // One help window; it lives as long as the file header window.
        static QPointer<online::koahelp> open;
        if (!open) {
            confineBrowsers(from.editors());
            QWidget* owner = from.editors().loaded(shell::keys::Header);
            open = new online::koahelp(from.editors().files().folder(), owner ? owner : &from);
            open->setAttribute(Qt::WA_DeleteOnClose);
        }
        open->showSection(topic);
        open->show();
        open->raise();
        open->activateWindow();
    };
    return f;
}

} // namespace koa::app
