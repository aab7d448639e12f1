// Merging two course packages: how long it takes next to unzip unpacking
// both and zip -0 packing the result. A report, not a gate: it fails only
// when something errors.
#include "bench/bench.h"
#include "distribution/merge.h"
#include "store/database.h"
#include "store/package.h"
#include "store/schema.h"

#include <QStandardPaths>

namespace koa::bench {
namespace {

// A course of `mb` MB of media, each row named as the object pool names it,
// placed on one page.
void makeCourse(const QString& folder, qint64 mb, unsigned seed) {
    schema::createBlankCourse(folder);
    Database db(folder + u"/koa.kod"_s);
    db.begin();
    writeMedia(folder, mb, seed, [&](int n, const QString& table) {
        const QString name = u"Object "_s + QString::number(n);
        const QVariant id =
            db.exec(u"INSERT INTO "_s + table + u" (name) VALUES (?)"_s, {name}).lastInsertId();
        const QString file = id.toString() + (table == u"movies" ? u".mp4"_s : u".jpg"_s);
        db.exec(u"UPDATE "_s + table + u" SET filename = ? WHERE id = ?"_s, {file, id});
        db.exec(u"INSERT INTO data (type, name, \"index\") VALUES (?, ?, ?)"_s,
                {table, name, n + 2});
        return file;
    });
    db.commit();
}

int run() {
    const QCommandLineParser& parser =
        parseOptions(u"Merging two course packages next to unzip and zip -0."_s,
                     {{u"dir"_s, u"Scratch folder inside FOLDER."_s, u"FOLDER"_s, QDir::tempPath()},
                      {u"runs"_s, u"Timed runs per side; the best counts."_s, u"N"_s, u"3"_s},
                      {u"size-mb"_s, u"Media in each course."_s, u"N"_s, u"150"_s}});
    const int runs = std::max(1, parser.value(u"runs"_s).toInt());
    const qint64 sizeMb = std::max<qint64>(1, parser.value(u"size-mb"_s).toLongLong());
    const QString zip = QStandardPaths::findExecutable(u"zip"_s);
    const QString unzip = QStandardPaths::findExecutable(u"unzip"_s);
    if (zip.isEmpty() || unzip.isEmpty())
        fail(u"zip and unzip are needed (apt-get install zip unzip)"_s);
    const Scratch dir(parser.value(u"dir"_s));
    const auto at = [&](const QString& name) {
        return dir.filePath(name);
    };

    std::printf("making two courses of %lld MB each\n", static_cast<long long>(sizeMb));
    QStringList packages;
    for (const QString& i : {u"1"_s, u"2"_s}) {
        makeCourse(at(u"course"_s + i), sizeMb, i.toUInt());
        packages.append(at(u"in"_s + i + u".kof"_s));
        package::packFolder(at(u"course"_s + i), packages.last());
        removePath(at(u"course"_s + i));
        writePlainZip(packages.last(), at(u"in"_s + i + u".zip"_s));
    }

    ProgramFolder program(at(u"program"_s), QCoreApplication::applicationDirPath());
    program.prepare();
    distribution::MergeHost host;
    std::vector<double> ours, theirs;
    for (int r = 0; r < runs; ++r) {
        ours.push_back(timedRun([&] { removePath(at(u"out.kof"_s)); },
                                [&] {
                                    distribution::CourseMerge merging(program, host);
                                    if (!merging.merge(packages, at(u"out.kof"_s)))
                                        fail(u"the merge failed"_s);
                                }));
        theirs.push_back(timedRun(
            [&] {
                removePath(at(u"out.zip"_s));
                removePath(at(u"unzipped"_s));
                QDir().mkpath(at(u"unzipped"_s));
            },
            [&] {
                for (const QString& i : {u"1"_s, u"2"_s})
                    runTool(unzip, {u"-q"_s, at(u"in"_s + i + u".zip"_s), u"-d"_s,
                                    at(u"unzipped/"_s + i)});
                runTool(zip, {u"-0"_s, u"-r"_s, u"-q"_s, at(u"out.zip"_s), u"."_s},
                        at(u"unzipped"_s));
            }));
    }
    reportRatio("merge", ours, "unzip x2 + zip -0", theirs, 1.5, "SLOW", "theirs");
    return 0;
}

} // namespace
} // namespace koa::bench

int main(int argc, char* argv[]) {
    return koa::bench::benchMain<QCoreApplication>(argc, argv, "koa.*=false", koa::bench::run);
}
