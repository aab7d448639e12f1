#include "preview.h"

using namespace Qt::Literals::StringLiterals;

namespace koa::render {

preview::preview(shell::EditorSet& editors)
    : EditorWindow(editors, {shell::keys::Preview, u"preview"_s, u"KOA Preview"_s, u"Preview"_s}) {}

} // namespace koa::render
