#include "objectpool.h"

using namespace Qt::Literals::StringLiterals;

namespace koa::objectpool {

objectpool::objectpool(shell::EditorSet& editors)
    : EditorWindow(editors, {shell::keys::ObjectPool, u"Objectpool"_s, u"KOA Object Pool"_s,
                             u"Object Pool"_s}) {}

} // namespace koa::objectpool
