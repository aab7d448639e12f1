#include "keywords.h"

#include "store/database.h"

using namespace Qt::Literals::StringLiterals;

namespace koa::texteditor {

Markup::KeywordSink keywordAdder(const QString& databasePath) {
    return [databasePath](const QString& name) {
        Database course(databasePath);
        if (course.scalar(u"SELECT count(*) FROM keywords WHERE name = ?"_s, {name}).toInt() > 0)
            return;
        // The description stays empty until the author writes one.
        course.exec(u"INSERT INTO keywords (name) VALUES (?)"_s, {name});
    };
}

} // namespace koa::texteditor
