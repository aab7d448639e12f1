// Merging two course packages: how long it takes next to unzip unpacking
// both and zip -0 packing the result. A report, not a gate: it fails only
// when something errors.
#include "bench/randomfile.h"
#include "distribution/merge.h"
#include "store/database.h"
#include "store/fileops.h"
#include "store/package.h"
#include "store/schema.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <stdexcept>
#include <vector>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace koa::bench {
namespace {

using Clock = std::chrono::steady_clock;
constexpr double RatioLimit = 1.5;

[[noreturn]] void fail(const QString& what) {
    throw std::runtime_error(what.toLocal8Bit().toStdString());
}

// A course of `mb` MB of incompressible media: movies of 8 MB, pictures of
// 1 MB, each row named as the object pool names it, placed on one page.
void makeCourse(const QString& folder, qint64 mb, unsigned seed) {
    schema::createBlankCourse(folder);
    std::mt19937_64 random(seed);
    Database db(folder + u"/koa.kod"_s);
    db.begin();
    qint64 left = mb;
    for (int n = 0; left > 0; ++n) {
        const bool movie = n % 2 == 0 && left >= 8;
        const QString table = movie ? u"movies"_s : u"pictures"_s;
        const qint64 size = movie ? 8 : 1;
        const QVariant id = db.exec(u"INSERT INTO "_s + table + u" (name) VALUES (?)"_s,
                                    {u"Object "_s + QString::number(n)})
                                .lastInsertId();
        const QString file = id.toString() + (movie ? u".mp4"_s : u".jpg"_s);
        db.exec(u"UPDATE "_s + table + u" SET filename = ? WHERE id = ?"_s, {file, id});
        db.exec(u"INSERT INTO data (type, name, \"index\") VALUES (?, ?, ?)"_s,
                {table, u"Object "_s + QString::number(n), n + 2});
        const QString out = folder + u"/"_s + table + u"/"_s + file;
        if (!bench::writeRandomFile(out, size, random))
            fail(u"cannot write "_s + out);
        left -= size;
    }
    db.commit();
}

void run(const QString& program, const QStringList& arguments, const QString& folder) {
    QProcess p;
    p.setWorkingDirectory(folder);
    p.start(program, arguments);
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        fail(program + u" "_s + arguments.join(u' ') + u" failed: "_s +
             QString::fromLocal8Bit(p.readAllStandardError()));
}

// Seconds of one run, after the write-back of the run before.
double timed(const std::function<void()>& prepare, const std::function<void()>& body) {
    prepare();
    ::sync();
    const auto start = Clock::now();
    body();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

int benchMain() {
    QCommandLineParser parser;
    parser.setApplicationDescription(u"Merging two course packages next to unzip and zip -0."_s);
    parser.addHelpOption();
    parser.addOption({u"dir"_s, u"Scratch folder inside FOLDER."_s, u"FOLDER"_s});
    parser.addOption({u"runs"_s, u"Timed runs per side; the best counts."_s, u"N"_s, u"3"_s});
    parser.addOption({u"size-mb"_s, u"Media in each course."_s, u"N"_s, u"150"_s});
    parser.process(*QCoreApplication::instance());
    const int runs = std::max(1, parser.value(u"runs"_s).toInt());
    const qint64 sizeMb = std::max<qint64>(1, parser.value(u"size-mb"_s).toLongLong());
    const QString zip = QStandardPaths::findExecutable(u"zip"_s);
    const QString unzip = QStandardPaths::findExecutable(u"unzip"_s);
    if (zip.isEmpty() || unzip.isEmpty())
        fail(u"zip and unzip are needed (apt-get install zip unzip)"_s);

    const QString base = parser.isSet(u"dir"_s) ? parser.value(u"dir"_s) : QDir::tempPath();
    QTemporaryDir dir(base + u"/koa-bench-XXXXXX"_s);
    if (!dir.isValid())
        fail(u"cannot create a scratch folder in "_s + base);
    const auto at = [&](const QString& name) {
        return dir.filePath(name);
    };

    std::printf("making two courses of %lld MB each\n", static_cast<long long>(sizeMb));
    QStringList packages;
    for (int i = 1; i <= 2; ++i) {
        const QString course = at(u"course"_s + QString::number(i));
        makeCourse(course, sizeMb, unsigned(i));
        const QString package = at(u"in"_s + QString::number(i) + u".kof"_s);
        package::packFolder(course, package);
        removeFolder(course);
        // The same archive for unzip, with its "PK" back.
        const QString zipped = at(u"in"_s + QString::number(i) + u".zip"_s);
        QFile::copy(package, zipped);
        QFile f(zipped);
        if (!f.open(QIODevice::ReadWrite) || f.write("PK", 2) != 2)
            fail(u"cannot mark "_s + zipped);
        packages.append(package);
    }

    ProgramFolder program(at(u"program"_s), QCoreApplication::applicationDirPath());
    program.prepare();
    distribution::MergeHost host;
    const QString out = at(u"out.kof"_s);
    const QString outZip = at(u"out.zip"_s);
    std::vector<double> ours;
    std::vector<double> theirs;
    for (int r = 0; r < runs; ++r) {
        ours.push_back(timed([&] { QFile::remove(out); },
                             [&] {
                                 distribution::CourseMerge merging(program, host);
                                 if (!merging.merge(packages, out))
                                     fail(u"the merge failed"_s);
                             }));
        theirs.push_back(timed(
            [&] {
                QFile::remove(outZip);
                removeFolder(at(u"unzipped"_s));
                QDir().mkpath(at(u"unzipped"_s));
            },
            [&] {
                for (int i = 1; i <= 2; ++i)
                    run(unzip,
                        {u"-q"_s, at(u"in"_s + QString::number(i) + u".zip"_s), u"-d"_s,
                         at(u"unzipped/"_s + QString::number(i))},
                        dir.path());
                run(zip, {u"-0"_s, u"-r"_s, u"-q"_s, outZip, u"."_s}, at(u"unzipped"_s));
            }));
    }
    const double best = *std::min_element(ours.begin(), ours.end());
    const double bestTheirs = *std::min_element(theirs.begin(), theirs.end());
    const double ratio = best / bestTheirs;
    std::printf("merge   ours %7.3f s   unzip x2 + zip -0 %7.3f s   ratio %.2f  %s (limit %.2f)\n",
                best, bestTheirs, ratio, ratio <= RatioLimit ? "PASS" : "SLOW", RatioLimit);
    std::printf("        runs: ours");
    for (double t : ours)
        std::printf(" %.3f", t);
    std::printf(" | theirs");
    for (double t : theirs)
        std::printf(" %.3f", t);
    std::printf("\n");
    return 0;
}

} // namespace
} // namespace koa::bench

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(u"koa.*=false"_s);
    try {
        return koa::bench::benchMain();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "koa-bench-merge: %s\n", e.what());
        return 1;
    }
}
