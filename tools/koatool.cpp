// koa-tool: the course store of KOA on the command line, for authors'
// scripts and for checks. See Commands::usage().
#include "commands.h"

#include <QCoreApplication>
#include <QLoggingCategory>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"koa-tool"_s);
    QCoreApplication::setApplicationVersion(QString::fromLatin1(KOA_VERSION_TEXT));
    // Only the tool's own lines reach stderr: the store's log lines stay out
    // and its error reports come once, through the tool's sink.
    // QT_LOGGING_RULES can bring the log lines back.
    QLoggingCategory::setFilterRules(u"koa.*=false"_s);
    koa::tool::Commands commands;
    return commands.run(app.arguments().mid(1));
}
