#include "windows.h"

#include "composer/composer.h"
#include "editors/header.h"
#include "objectpool/objectpool.h"
#include "render/preview.h"

namespace koa::app {

shell::EditorFactories programWindows() {
    shell::EditorFactories f;
    f.header = [](shell::EditorSet& e) {
        return new editors::header(e);
    };
    f.objectpool = [](shell::EditorSet& e) {
        return new objectpool::objectpool(e);
    };
    f.composer = [](shell::EditorSet& e) {
        return new composer::composer(e);
    };
    f.preview = [](shell::EditorSet& e) {
        return new render::preview(e);
    };
    return f;
}

} // namespace koa::app
