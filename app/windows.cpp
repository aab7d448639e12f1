#include "windows.h"

#include "composer/composer.h"
#include "editors/header.h"
#include "objectpool/objectpool.h"
#include "render/browser.h"
#include "render/confinement.h"
#include "render/preview.h"
#include "store/coursefiles.h"

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
    return f;
}

} // namespace koa::app
