// Packing and unpacking course packages: how long they take next to the
// standard zip/unzip tools on the same course, and how much memory a 2 GB
// course needs. A report, not a gate: it fails only when something errors.
#include "store/errors.h"
#include "store/fileops.h"
#include "store/package.h"
#include "store/schema.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <stdexcept>
#include <vector>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace koa::bench {
namespace {

using Clock = std::chrono::steady_clock;

constexpr qint64 MiB = 1024 * 1024;
constexpr double RatioLimit = 1.25;
constexpr double PeakLimitMb = 100.0;

[[noreturn]] void fail(const QString& what) {
    throw std::runtime_error(what.toLocal8Bit().toStdString());
}

// Incompressible bytes, the same for the same seed (splitmix64).
class Noise {
public:
    explicit Noise(quint64 seed) : m_state(seed) {}
    void fill(char* data, qint64 len) {
        for (qint64 i = 0; i < len; i += 8) {
            const quint64 v = next();
            std::memcpy(data + i, &v, static_cast<size_t>(std::min<qint64>(8, len - i)));
        }
    }

private:
    quint64 next() {
        quint64 z = (m_state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    quint64 m_state;
};

// One kind of media: its share of the course and the sizes its files come in.
struct MediaKind {
    QString folder;
    QString stem;
    QString suffix;
    double share;
    qint64 minSize;
    qint64 maxSize;
};

struct CourseSize {
    int files = 0;
    qint64 bytes = 0;
};

void writeNoiseFile(const QString& path, qint64 size, Noise& noise, std::vector<char>& buffer) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        fail(u"Cannot create "_s + path);
    for (qint64 left = size; left > 0;) {
        const qint64 n = std::min<qint64>(left, static_cast<qint64>(buffer.size()));
        noise.fill(buffer.data(), n);
        if (f.write(buffer.data(), n) != n)
            fail(u"Cannot write "_s + path + u": "_s + f.errorString());
        left -= n;
    }
}

// A blank course plus `mediaBytes` of pictures, movies and sounds in the sizes
// real courses have: many pictures, a few long movies, sounds in between.
CourseSize makeCourse(const QString& folder, qint64 mediaBytes, quint64 seed) {
    schema::createBlankCourse(folder);
    const std::vector<MediaKind> kinds = {
        {u"movies"_s, u"movie"_s, u".mp4"_s, 0.4, 20 * MiB, 60 * MiB},
        {u"sounds"_s, u"sound"_s, u".mp3"_s, 0.2, 1 * MiB, 5 * MiB},
        {u"pictures"_s, u"picture"_s, u".jpg"_s, 0.4, 100 * 1024, 2 * MiB},
    };
    std::mt19937_64 random(seed);
    Noise noise(seed);
    std::vector<char> buffer(static_cast<size_t>(MiB));
    CourseSize made;
    qint64 planned = 0;
    for (size_t k = 0; k < kinds.size(); ++k) {
        const MediaKind& kind = kinds[k];
        // The last kind takes what is left, so the total comes out exact.
        qint64 budget = k + 1 == kinds.size()
                            ? mediaBytes - planned
                            : static_cast<qint64>(std::llround(kind.share * double(mediaBytes)));
        planned += budget;
        // Sizes spread evenly on a log scale: small files are the common ones.
        std::uniform_real_distribution<double> logSize(std::log(double(kind.minSize)),
                                                       std::log(double(kind.maxSize)));
        for (int n = 1; budget > 0; ++n) {
            qint64 size = std::min(budget, static_cast<qint64>(std::exp(logSize(random))));
            if (budget - size < kind.minSize)
                size = budget; // no runt file at the end
            const QString name =
                kind.stem + QString::number(n).rightJustified(4, u'0') + kind.suffix;
            writeNoiseFile(folder + u'/' + kind.folder + u'/' + name, size, noise, buffer);
            budget -= size;
            made.bytes += size;
            ++made.files;
        }
    }
    return made;
}

// Relative paths below `root`, folders ending in "/", sorted.
QStringList treeOf(const QString& root) {
    const QDir base(root);
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QString rel = base.relativeFilePath(it.filePath());
        entries.append(it.fileInfo().isDir() ? rel + u'/' : rel);
    }
    entries.sort();
    return entries;
}

bool sameBytes(const QString& a, const QString& b, std::vector<char>& bufA,
               std::vector<char>& bufB) {
    QFile fa(a);
    QFile fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly) || fa.size() != fb.size())
        return false;
    for (;;) {
        const qint64 na = fa.read(bufA.data(), static_cast<qint64>(bufA.size()));
        const qint64 nb = fb.read(bufB.data(), static_cast<qint64>(bufB.size()));
        if (na != nb || na < 0)
            return false;
        if (na == 0)
            return true;
        if (std::memcmp(bufA.data(), bufB.data(), static_cast<size_t>(na)) != 0)
            return false;
    }
}

// A timing of an unpack that lost or changed a file would mean nothing.
void checkSameTree(const QString& expected, const QString& actual, const QString& who) {
    const QStringList want = treeOf(expected);
    if (treeOf(actual) != want)
        fail(who + u" unpacked other files than the course holds"_s);
    std::vector<char> bufA(static_cast<size_t>(MiB));
    std::vector<char> bufB(static_cast<size_t>(MiB));
    for (const QString& rel : want) {
        if (!rel.endsWith(u'/') &&
            !sameBytes(expected + u'/' + rel, actual + u'/' + rel, bufA, bufB))
            fail(who + u" unpacked "_s + rel + u" with other contents"_s);
    }
}

void removePath(const QString& path) {
    if (QFileInfo(path).isDir())
        removeFolder(path);
    else if (QFileInfo::exists(path) && !QFile::remove(path))
        fail(u"Cannot delete "_s + path);
}

// Each timed run starts alike: its output gone, no dirty pages of an earlier
// run still being written back, its input in the page cache.
void settle(const QString& output) {
    removePath(output);
    ::sync();
}

void syncToDisk(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || ::fsync(f.handle()) != 0)
        fail(u"Cannot sync "_s + path);
}

double timed(const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void runTool(const QString& program, const QStringList& args, const QString& workingDir) {
    QProcess p;
    p.setWorkingDirectory(workingDir);
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(program, args);
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        fail(program + u" "_s + args.join(u' ') + u" failed (exit code "_s +
             QString::number(p.exitCode()) + u")"_s);
}

QString secondsList(const std::vector<double>& runs) {
    QStringList parts;
    for (double s : runs)
        parts.append(QString::number(s, 'f', 3));
    return parts.join(u' ');
}

void reportRatio(const char* what, const char* standard, const std::vector<double>& ours,
                 const std::vector<double>& theirs) {
    const double bestOurs = *std::min_element(ours.begin(), ours.end());
    const double bestTheirs = *std::min_element(theirs.begin(), theirs.end());
    const double ratio = bestOurs / bestTheirs;
    std::printf("%-7s ours %7.3f s   %-9s %7.3f s   ratio %.2f  %s (limit %.2f)\n", what, bestOurs,
                standard, bestTheirs, ratio, ratio <= RatioLimit ? "PASS" : "FAIL", RatioLimit);
    std::printf("        runs: ours %s | %s %s\n", qUtf8Printable(secondsList(ours)), standard,
                qUtf8Printable(secondsList(theirs)));
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
    const CourseSize made = makeCourse(course, mediaBytes, 1);
    std::printf("Course of %lld MB media (%d media files) and a blank koa.kod; best of %d runs, "
                "warm page cache, sync before each run.\n",
                made.bytes / MiB, made.files, runs);

    const QString ourPackage = scratch + u"/course.kof"_s;
    const QString theirPackage = scratch + u"/course.zip"_s;
    std::vector<double> ourPack;
    std::vector<double> theirPack;
    std::vector<double> theirDurablePack;
    for (int r = 0; r < runs; ++r) {
        settle(ourPackage);
        ourPack.push_back(timed([&] { package::packFolder(course, ourPackage); }));
        settle(theirPackage);
        theirPack.push_back(timed([&] {
            runTool(zip, {u"-0"_s, u"-r"_s, u"-q"_s, theirPackage, u"."_s}, course);
        }));
        // Our package is on disk before it replaces the old one; zip never waits.
        settle(theirPackage);
        theirDurablePack.push_back(timed([&] {
            runTool(zip, {u"-0"_s, u"-r"_s, u"-q"_s, theirPackage, u"."_s}, course);
            syncToDisk(theirPackage);
        }));
    }

    // Both sides unpack the same bytes: our package with "PK" put back for unzip.
    const QString plainPackage = scratch + u"/course-plain.zip"_s;
    copyFileOver(ourPackage, plainPackage);
    {
        QFile plain(plainPackage);
        if (!plain.open(QIODevice::ReadWrite) || plain.write("PK", 2) != 2)
            fail(u"cannot write "_s + plainPackage);
    }
    const QString ourOut = scratch + u"/unpacked-ours"_s;
    const QString theirOut = scratch + u"/unpacked-unzip"_s;
    std::vector<double> ourUnpack;
    std::vector<double> theirUnpack;
    for (int r = 0; r < runs; ++r) {
        settle(ourOut);
        ourUnpack.push_back(timed([&] { package::unpackPackage(ourPackage, ourOut); }));
        if (r == 0)
            checkSameTree(course, ourOut, u"KOA"_s);
        removePath(ourOut);
        settle(theirOut);
        theirUnpack.push_back(timed([&] {
            runTool(unzip, {u"-q"_s, plainPackage, u"-d"_s, theirOut}, scratch);
        }));
        if (r == 0)
            checkSameTree(course, theirOut, u"unzip"_s);
        removePath(theirOut);
    }

    std::printf("\n");
    reportRatio("pack", "zip -0", ourPack, theirPack);
    const double bestDurable = *std::min_element(theirDurablePack.begin(), theirDurablePack.end());
    std::printf("        for reference: zip -0 then fsync of its output %.3f s, ratio %.2f\n",
                bestDurable, *std::min_element(ourPack.begin(), ourPack.end()) / bestDurable);
    reportRatio("unpack", "unzip", ourUnpack, theirUnpack);
    std::printf("Package sizes: ours %lld bytes, zip -0 %lld bytes\n", QFileInfo(ourPackage).size(),
                QFileInfo(theirPackage).size());

    for (const QString& p : {course, ourPackage, theirPackage, plainPackage})
        removePath(p);
}

struct ChildResult {
    double seconds = 0;
    double peakMb = 0;
};

// Runs this program again for one operation, so the peak it reports belongs
// to that operation alone and not to what the parent has touched.
ChildResult runChild(const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QCoreApplication::applicationFilePath(), args);
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        fail(u"The measuring run "_s + args.join(u' ') + u" failed"_s);
    ChildResult result;
    bool gotPeak = false;
    const QStringList words = QString::fromUtf8(p.readAllStandardOutput()).split(u' ');
    for (const QString& w : words) {
        if (w.startsWith(u"seconds="_s))
            result.seconds = w.mid(8).toDouble();
        if (w.startsWith(u"peak_kb="_s))
            result.peakMb = w.mid(8).trimmed().toDouble(&gotPeak) / 1024.0;
    }
    if (!gotPeak)
        fail(u"The measuring run "_s + args.join(u' ') + u" reported no peak"_s);
    return result;
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
    const CourseSize made = makeCourse(course, mediaBytes, 2);
    std::printf("\nCourse of %lld MB media (%d media files): peak resident memory per operation\n",
                made.bytes / MiB, made.files);

    const ChildResult idle = runChild({u"idle-child"_s});
    std::printf("%-7s peak %6.1f MB  (this program started, nothing done)\n", "start", idle.peakMb);
    ::sync();
    const ChildResult pack = runChild({u"pack-child"_s, course, package});
    std::printf("%-7s peak %6.1f MB  %7.2f s  %s (limit %.0f MB)\n", "pack", pack.peakMb,
                pack.seconds, pack.peakMb < PeakLimitMb ? "PASS" : "FAIL", PeakLimitMb);
    ::sync();
    const ChildResult unpack = runChild({u"unpack-child"_s, package, out});
    std::printf("%-7s peak %6.1f MB  %7.2f s  %s (limit %.0f MB)\n", "unpack", unpack.peakMb,
                unpack.seconds, unpack.peakMb < PeakLimitMb ? "PASS" : "FAIL", PeakLimitMb);
    checkSameTree(course, out, u"KOA"_s);

    for (const QString& p : {course, package, out})
        removePath(p);
}

// The high-water mark of this process's resident memory, in kB.
qint64 peakResidentKb() {
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        fail(u"Cannot read /proc/self/status"_s);
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    fail(u"No VmHWM in /proc/self/status"_s);
}

int childMain(const QStringList& args) {
    const QString& command = args[1];
    const auto start = Clock::now();
    const auto absolute = [&](int i) {
        return QFileInfo(args.value(i)).absoluteFilePath();
    };
    if (command == u"pack-child"_s && args.size() == 4)
        package::packFolder(absolute(2), absolute(3));
    else if (command == u"unpack-child"_s && args.size() == 4)
        package::unpackPackage(absolute(2), absolute(3));
    else if (command != u"idle-child"_s)
        fail(u"Unknown measuring run: "_s + args.mid(1).join(u' '));
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("seconds=%.6f peak_kb=%lld\n", seconds, peakResidentKb());
    return 0;
}

int benchMain(const QCoreApplication& app) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Times packing and unpacking a course package against zip/unzip, and measures the "
        "memory a 2 GB course needs."_s);
    parser.addHelpOption();
    const QCommandLineOption bigOption(
        u"big"_s, u"Also pack and unpack a 2 GB course and report peak memory."_s);
    const QCommandLineOption dirOption(
        u"dir"_s, u"Scratch files go in a new folder inside <folder>."_s, u"folder"_s);
    const QCommandLineOption runsOption(u"runs"_s, u"Timed runs per side (best counts)."_s, u"n"_s,
                                        u"3"_s);
    const QCommandLineOption sizeOption(u"size-mb"_s, u"Media in the timed course, in MB."_s,
                                        u"mb"_s, u"300"_s);
    const QCommandLineOption bigSizeOption(u"big-mb"_s, u"Media in the big course, in MB."_s,
                                           u"mb"_s, u"2048"_s);
    parser.addOptions({bigOption, dirOption, runsOption, sizeOption, bigSizeOption});
    parser.process(app);

    const int runs = parser.value(runsOption).toInt();
    const qint64 sizeMb = parser.value(sizeOption).toLongLong();
    const qint64 bigMb = parser.value(bigSizeOption).toLongLong();
    if (runs < 1 || sizeMb < 1 || bigMb < 1)
        fail(u"--runs, --size-mb and --big-mb take a positive number"_s);

    // The program always hands the package code absolute paths; so does this.
    const QString parent =
        QFileInfo(parser.isSet(dirOption) ? parser.value(dirOption) : QDir::tempPath())
            .absoluteFilePath();
    if (!QFileInfo(parent).isDir())
        fail(u"No such folder: "_s + parent);
    QTemporaryDir scratch(QDir(parent).filePath(u"koa-bench-XXXXXX"_s));
    if (!scratch.isValid())
        fail(u"Cannot create a scratch folder in "_s + parent);
    std::printf("Scratch folder: %s\n", qUtf8Printable(scratch.path()));

    compareWithStandardTools(scratch.path(), sizeMb * MiB, runs);
    if (parser.isSet(bigOption))
        measureBigCourse(scratch.path(), bigMb * MiB);
    return 0;
}

} // namespace
} // namespace koa::bench

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    // The package's per-call notes would only break up the report.
    QLoggingCategory::setFilterRules(u"koa.package.debug=false"_s);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const QStringList args = app.arguments();
    try {
        if (args.size() > 1 && args[1].endsWith(u"-child"_s))
            return koa::bench::childMain(args);
        return koa::bench::benchMain(app);
    } catch (const koa::KoaError& e) {
        std::fprintf(stderr, "koa-bench-package: %s (error %d)\n", qUtf8Printable(e.description()),
                     e.number());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "koa-bench-package: %s\n", e.what());
    }
    return 1;
}
