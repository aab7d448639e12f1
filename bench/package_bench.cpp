// Packing and unpacking course packages: how long they take next to the
// standard zip/unzip tools on the same course, and how much memory a 2 GB
// course needs. A report, not a gate: it fails only when something errors.
#include "bench/bench.h"
#include "store/fileops.h"
#include "store/package.h"
#include "store/schema.h"

#include <cmath>

#include <QStandardPaths>

namespace koa::bench {
namespace {

constexpr double RatioLimit = 1.25;
constexpr double PeakLimitMb = 100.0;

// A blank course plus `mediaBytes` of movies, sounds and pictures in the sizes
// real courses have: many pictures, a few long movies, sounds in between. The
// same seed gives the same course. Returns the number of media files.
int makeCourse(const QString& folder, qint64 mediaBytes, quint64 seed) {
    schema::createBlankCourse(folder);
    const struct {
        QString folder, suffix;
        double share;
        qint64 minSize, maxSize;
    } kinds[] = {{u"movies"_s, u".mp4"_s, 0.4, 20 * MiB, 60 * MiB},
                 {u"sounds"_s, u".mp3"_s, 0.2, 1 * MiB, 5 * MiB},
                 {u"pictures"_s, u".jpg"_s, 0.4, 100 * 1024, 2 * MiB}};
    std::mt19937_64 sizes(seed);
    std::mt19937_64 noise(seed);
    int files = 0;
    qint64 planned = 0;
    for (const auto& kind : kinds) {
        // The last kind takes what is left, so the total comes out exact.
        qint64 budget = &kind == &kinds[2] ? mediaBytes - planned
                                           : std::llround(kind.share * double(mediaBytes));
        planned += budget;
        // Sizes spread evenly on a log scale: small files are the common ones.
        std::uniform_real_distribution<double> logSize(std::log(double(kind.minSize)),
                                                       std::log(double(kind.maxSize)));
        for (int n = 1; budget > 0; ++n, ++files) {
            qint64 size = std::min(budget, static_cast<qint64>(std::exp(logSize(sizes))));
            if (budget - size < kind.minSize)
                size = budget; // no runt file at the end
            writeRandomFile(folder + u'/' + kind.folder + u'/' + kind.folder.chopped(1) +
                                QString::number(n).rightJustified(4, u'0') + kind.suffix,
                            size, noise);
            budget -= size;
        }
    }
    return files;
}

// A timing of an unpack that lost or changed a file would mean nothing.
void checkSameTree(const QString& expected, const QString& actual, const QString& who) {
    if (QProcess::execute(u"diff"_s, {u"-r"_s, u"-q"_s, expected, actual}) != 0)
        fail(who + u" did not give back the course byte for byte"_s);
}

void compareWithStandardTools(const QString& scratch, qint64 mediaBytes, int runs) {
    const QString zip = QStandardPaths::findExecutable(u"zip"_s);
    const QString unzip = QStandardPaths::findExecutable(u"unzip"_s);
    if (zip.isEmpty() || unzip.isEmpty())
        fail(u"The comparison needs Info-ZIP's zip and unzip (apt-get install zip unzip)"_s);
    const qint64 needed = 5 * mediaBytes + 256 * MiB; // course, three archives, one unpack
    if (freeBytes(scratch) < needed)
        fail(u"Not enough free disk in "_s + scratch + u": "_s + QString::number(needed / MiB) +
             u" MB needed"_s);

    const QString course = scratch + u"/course"_s;
    const int files = makeCourse(course, mediaBytes, 1);
    std::printf("Course of %lld MB media (%d media files) and a blank koa.kod; best of %d runs, "
                "warm page cache, sync before each run.\n",
                mediaBytes / MiB, files, runs);

    // Each timed run starts alike: its output gone, no dirty pages of an
    // earlier run still being written back, its input in the page cache.
    const QString ourPackage = scratch + u"/course.kof"_s;
    const QString theirPackage = scratch + u"/course.zip"_s;
    const auto zipUp = [&] {
        runTool(zip, {u"-0"_s, u"-r"_s, u"-q"_s, theirPackage, u"."_s}, course);
    };
    const auto clearZip = [&] {
        removePath(theirPackage);
    };
    std::vector<double> ourPack, theirPack, theirDurablePack;
    for (int r = 0; r < runs; ++r) {
        ourPack.push_back(timedRun([&] { removePath(ourPackage); },
                                   [&] { package::packFolder(course, ourPackage); }));
        theirPack.push_back(timedRun(clearZip, zipUp));
        // Our package is on disk before it replaces the old one; zip never waits.
        theirDurablePack.push_back(timedRun(clearZip, [&] {
            zipUp();
            QFile f(theirPackage);
            if (!f.open(QIODevice::ReadOnly) || ::fsync(f.handle()) != 0)
                fail(u"Cannot sync "_s + theirPackage);
        }));
    }

    // Both sides unpack the same bytes: our package with "PK" put back for unzip.
    const QString plainPackage = scratch + u"/course-plain.zip"_s;
    writePlainZip(ourPackage, plainPackage);
    const QString ourOut = scratch + u"/unpacked-ours"_s;
    const QString theirOut = scratch + u"/unpacked-unzip"_s;
    const auto clearOut = [&] {
        removePath(ourOut);
        removePath(theirOut);
    };
    std::vector<double> ourUnpack, theirUnpack;
    for (int r = 0; r < runs; ++r) {
        ourUnpack.push_back(
            timedRun(clearOut, [&] { package::unpackPackage(ourPackage, ourOut); }));
        if (r == 0)
            checkSameTree(course, ourOut, u"KOA"_s);
        theirUnpack.push_back(timedRun(clearOut, [&] {
            runTool(unzip, {u"-q"_s, plainPackage, u"-d"_s, theirOut}, scratch);
        }));
        if (r == 0)
            checkSameTree(course, theirOut, u"unzip"_s);
    }

    std::printf("\n");
    reportRatio("pack", ourPack, "zip -0", theirPack, RatioLimit, "FAIL");
    std::printf("        for reference: zip -0 then fsync of its output %.3f s, ratio %.2f\n",
                best(theirDurablePack), best(ourPack) / best(theirDurablePack));
    reportRatio("unpack", ourUnpack, "unzip", theirUnpack, RatioLimit, "FAIL");
    std::printf("Package sizes: ours %lld bytes, zip -0 %lld bytes\n", QFileInfo(ourPackage).size(),
                QFileInfo(theirPackage).size());
    for (const QString& p : {course, ourPackage, theirPackage, plainPackage, ourOut, theirOut})
        removePath(p);
}

// Runs this program again for one operation, so the peak it reports belongs
// to that operation alone and not to what the parent has touched.
std::pair<double, double> runChild(const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QCoreApplication::applicationFilePath(), args);
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        fail(u"The measuring run "_s + args.join(u' ') + u" failed"_s);
    const QList<QByteArray> words = p.readAllStandardOutput().trimmed().split(' ');
    if (words.size() != 2 || !words[1].startsWith("peak_kb="))
        fail(u"The measuring run "_s + args.join(u' ') + u" reported no peak"_s);
    return {words[0].mid(8).toDouble(), words[1].mid(8).toDouble() / 1024.0};
}

void measureBigCourse(const QString& scratch, qint64 mediaBytes) {
    // Course, package and unpacked copy side by side, with room to spare.
    const qint64 needed = 3 * mediaBytes + 512 * MiB;
    const qint64 free = freeBytes(scratch);
    if (free < needed) {
        std::printf("\nSkipping the %lld MB course: %lld MB free in %s, %lld MB needed.\n",
                    mediaBytes / MiB, free / MiB, qUtf8Printable(scratch), needed / MiB);
        return;
    }
    const QString course = scratch + u"/big-course"_s;
    const QString package = scratch + u"/big-course.kof"_s;
    const QString out = scratch + u"/big-unpacked"_s;
    const int files = makeCourse(course, mediaBytes, 2);
    std::printf("\nCourse of %lld MB media (%d media files): peak resident memory per operation\n",
                mediaBytes / MiB, files);
    std::printf("%-7s peak %6.1f MB  (this program started, nothing done)\n", "start",
                runChild({u"idle-child"_s}).second);
    const std::pair<const char*, QStringList> operations[] = {
        {"pack", {u"pack-child"_s, course, package}},
        {"unpack", {u"unpack-child"_s, package, out}}};
    for (const auto& [what, args] : operations) {
        ::sync();
        const auto [seconds, peakMb] = runChild(args);
        std::printf("%-7s peak %6.1f MB  %7.2f s  %s (limit %.0f MB)\n", what, peakMb, seconds,
                    verdict(peakMb < PeakLimitMb, "FAIL"), PeakLimitMb);
    }
    checkSameTree(course, out, u"KOA"_s);
    for (const QString& p : {course, package, out})
        removePath(p);
}

// One operation, then its time and this process's resident high-water mark.
int childMain(const QStringList& args) {
    const double seconds = secondsOf([&] {
        if (args[1] == u"pack-child"_s && args.size() == 4)
            package::packFolder(args[2], args[3]);
        else if (args[1] == u"unpack-child"_s && args.size() == 4)
            package::unpackPackage(args[2], args[3]);
        else if (args[1] != u"idle-child"_s)
            fail(u"Unknown measuring run: "_s + args.mid(1).join(u' '));
    });
    QFile status(u"/proc/self/status"_s);
    const QByteArray text = status.open(QIODevice::ReadOnly) ? status.readAll() : QByteArray();
    if (!text.contains("VmHWM:"))
        fail(u"No VmHWM in /proc/self/status"_s);
    std::printf("seconds=%.6f peak_kb=%lld\n", seconds,
                text.mid(text.indexOf("VmHWM:") + 6).trimmed().split(' ').value(0).toLongLong());
    return 0;
}

int run() {
    const QCommandLineParser& parser = parseOptions(
        u"Times packing and unpacking a course package against zip/unzip, and measures the "
        "memory a 2 GB course needs."_s,
        {{u"big"_s, u"Also pack and unpack a 2 GB course and report peak memory."_s},
         {u"dir"_s, u"Scratch files go in a new folder inside <folder>."_s, u"folder"_s,
          QDir::tempPath()},
         {u"runs"_s, u"Timed runs per side (best counts)."_s, u"n"_s, u"3"_s},
         {u"size-mb"_s, u"Media in the timed course, in MB."_s, u"mb"_s, u"300"_s},
         {u"big-mb"_s, u"Media in the big course, in MB."_s, u"mb"_s, u"2048"_s}});
    const int runs = parser.value(u"runs"_s).toInt();
    const qint64 sizeMb = parser.value(u"size-mb"_s).toLongLong();
    const qint64 bigMb = parser.value(u"big-mb"_s).toLongLong();
    if (runs < 1 || sizeMb < 1 || bigMb < 1)
        fail(u"--runs, --size-mb and --big-mb take a positive number"_s);
    const Scratch scratch(parser.value(u"dir"_s));
    std::printf("Scratch folder: %s\n", qUtf8Printable(scratch.path()));
    compareWithStandardTools(scratch.path(), sizeMb * MiB, runs);
    if (parser.isSet(u"big"_s))
        measureBigCourse(scratch.path(), bigMb * MiB);
    return 0;
}

} // namespace
} // namespace koa::bench

int main(int argc, char* argv[]) {
    // The package's per-call notes would only break up the report.
    return koa::bench::benchMain<QCoreApplication>(argc, argv, "koa.package.debug=false", [] {
        const QStringList args = QCoreApplication::arguments();
        return args.size() > 1 && args[1].endsWith(u"-child") ? koa::bench::childMain(args)
                                                              : koa::bench::run();
    });
}
