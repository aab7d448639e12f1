#include "composer.h"

using namespace Qt::Literals::StringLiterals;

namespace koa::composer {

composer::composer(shell::EditorSet& editors)
    : EditorWindow(editors,
                   {shell::keys::Composer, u"composer"_s, u"KOA Composer"_s, u"Composer"_s}) {}

} // namespace koa::composer
