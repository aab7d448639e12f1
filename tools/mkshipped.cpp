// Build step: writes the blank course and the settings database from the
// schema in code, so no database is ever committed as a binary.
#include "store/errors.h"
#include "store/schema.h"

#include <cstdio>

#include <QCoreApplication>
#include <QStringList>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: koa-mkshipped BLANK_FOLDER SETTINGS_DB [SKIN...]\n");
        return 2;
    }
    try {
        koa::schema::createBlankCourse(args[1]);
        koa::schema::createSettingsDatabase(args[2], args.mid(3));
    } catch (const koa::KoaError& e) {
        std::fprintf(stderr, "koa-mkshipped: %s\n", e.what());
        return 1;
    }
    return 0;
}
