#include "tests/support/childprocess.h"

#include <QMap>

using namespace Qt::Literals::StringLiterals;

namespace koa::test {

namespace {
QMap<QString, ChildMain>& children() {
    static QMap<QString, ChildMain> map;
    return map;
}
} // namespace

bool registerChild(const QString& name, ChildMain main) {
    children().insert(name, std::move(main));
    return true;
}

int runChildIfAsked(const QStringList& arguments) {
    const qsizetype at = arguments.indexOf(u"--child"_s);
    if (at < 0 || at + 1 >= arguments.size())
        return -1;
    const auto it = children().constFind(arguments[at + 1]);
    return it == children().constEnd() ? 3 : it.value()(arguments.mid(at + 2));
}

} // namespace koa::test
