#pragma once

#include <functional>

#include <QString>
#include <QStringList>

class QProcess;

namespace koa::test {

// A test can run part of itself in a child process (to hold a lock, or to be
// killed): the test binary is started again with "--child NAME ARGS...".
using ChildMain = std::function<int(const QStringList& args)>;
bool registerChild(const QString& name, ChildMain main);
// Runs the child named on the command line; -1 when this is not a child run.
int runChildIfAsked(const QStringList& arguments);
// Starts the child named `name` and waits until it prints "ready"; false,
// with the failure reported, when it does not.
[[nodiscard]] bool startChild(QProcess& child, const QString& name, const QStringList& args);

} // namespace koa::test
