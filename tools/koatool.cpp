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
    // The store's progress notes stay out of the output, and its error reports
    // reach stderr once, through the tool's own sink. QT_LOGGING_RULES can
    // bring them back.
    QLoggingCategory::setFilterRules(u"koa.*.debug=false\nkoa.errors.warning=false"_s);
    koa::tool::Commands commands;
    return commands.run(app.arguments().mid(1));
}
