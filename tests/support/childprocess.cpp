#include "tests/support/childprocess.h"

#include <QCoreApplication>
#include <QMap>
#include <QProcess>

#include <gtest/gtest.h>

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

bool startChild(QProcess& child, const QString& name, const QStringList& args) {
    child.start(QCoreApplication::applicationFilePath(), QStringList{u"--child"_s, name} + args);
    if (!child.waitForStarted(10000) || !child.waitForReadyRead(60000)) {
        ADD_FAILURE() << "the child did not start: " << child.readAllStandardError().toStdString();
        return false;
    }
    const QByteArray said = child.readAllStandardOutput().trimmed();
    if (said != "ready")
        ADD_FAILURE() << "the child said: " << said.toStdString();
    return said == "ready";
}

} // namespace koa::test
