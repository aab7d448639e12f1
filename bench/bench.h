// What the benchmarks share: the command line, scratch folders, incompressible
// media, standard tools, timing and the report's figures.
#pragma once

#include "store/errors.h"

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
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcess>
#include <QTemporaryDir>

#include <unistd.h>

namespace koa::bench {

using namespace Qt::Literals::StringLiterals;
using Clock = std::chrono::steady_clock;
constexpr qint64 MiB = 1024 * 1024;

[[noreturn]] inline void fail(const QString& what) {
    throw std::runtime_error(what.toLocal8Bit().toStdString());
}

// The parsed command line; --help prints `options` and exits.
inline const QCommandLineParser& parseOptions(const QString& about,
                                              const QList<QCommandLineOption>& options) {
    static QCommandLineParser parser;
    parser.setApplicationDescription(about);
    parser.addHelpOption();
    parser.addOptions(options);
    parser.process(*QCoreApplication::instance());
    return parser;
}

// A new koa-bench-XXXXXX folder inside `parent`, gone at the end. Absolute,
// as the program always hands the code its paths.
class Scratch : public QTemporaryDir {
public:
    explicit Scratch(const QString& parent = QDir::tempPath())
        : QTemporaryDir(QFileInfo(parent).absoluteFilePath() + u"/koa-bench-XXXXXX"_s) {
        if (!isValid())
            fail(u"Cannot create a scratch folder in "_s + parent);
    }
};

// Writes `bytes` of random bytes: media that no archive can shrink, as real
// pictures and movies are.
inline void writeRandomFile(const QString& path, qint64 bytes, std::mt19937_64& random) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        fail(u"Cannot create "_s + path);
    QByteArray block(MiB, Qt::Uninitialized);
    for (qint64 left = bytes; left > 0; left -= block.size()) {
        auto* words = reinterpret_cast<quint64*>(block.data());
        for (qsizetype w = 0; w < block.size() / 8; ++w)
            words[w] = random();
        const qint64 n = std::min<qint64>(left, block.size());
        if (file.write(block.constData(), n) != n)
            fail(u"Cannot write "_s + path + u": "_s + file.errorString());
    }
}

// `mb` MB of movies of 8 MB and pictures of 1 MB, in turn, in the course's
// movies/ and pictures/; `name(n, folder)` names the n-th file in its folder.
inline void writeMedia(const QString& course, qint64 mb, unsigned seed,
                       const std::function<QString(int, const QString&)>& name) {
    std::mt19937_64 random(seed);
    for (int n = 0; mb > 0; ++n) {
        const bool movie = n % 2 == 0 && mb >= 8;
        const QString folder = movie ? u"movies"_s : u"pictures"_s;
        writeRandomFile(course + u'/' + folder + u'/' + name(n, folder), (movie ? 8 : 1) * MiB,
                        random);
        mb -= movie ? 8 : 1;
    }
}

// The same archive as a course package with its "PK" put back, for unzip.
inline void writePlainZip(const QString& package, const QString& zip) {
    QFile plain(zip);
    if (!QFile::copy(package, zip) || !plain.open(QIODevice::ReadWrite) ||
        plain.write("PK", 2) != 2)
        fail(u"Cannot write "_s + zip);
}

inline void runTool(const QString& program, const QStringList& args, const QString& dir = {}) {
    QProcess p;
    p.setWorkingDirectory(dir);
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(program, args);
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        fail(program + u' ' + args.join(u' ') + u" failed: "_s +
             (p.error() == QProcess::UnknownError ? u"exit code "_s + QString::number(p.exitCode())
                                                  : p.errorString()));
}

inline void removePath(const QString& path) {
    const QFileInfo info(path);
    if (info.isDir() ? !QDir(path).removeRecursively() : info.exists() && !QFile::remove(path))
        fail(u"Cannot delete "_s + path);
}

inline double secondsOf(const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Seconds of one run after `prepare` and a sync, so that no run pays for the
// write-back of the one before.
inline double timedRun(const std::function<void()>& prepare, const std::function<void()>& work) {
    prepare();
    ::sync();
    return secondsOf(work);
}

inline double best(const std::vector<double>& runs) {
    return *std::min_element(runs.begin(), runs.end());
}

inline QByteArray listed(const std::vector<double>& runs) {
    QByteArray out;
    for (double s : runs)
        out += ' ' + QByteArray::number(s, 'f', 3);
    return out;
}

inline const char* verdict(bool ok, const char* otherwise = "SLOW") {
    return ok ? "PASS" : otherwise;
}

// The median and the worst of `ms`, judged on the worst run or on the median.
inline void reportSpread(int width, const char* what, std::vector<double> ms, double limit,
                         bool byWorst) {
    std::sort(ms.begin(), ms.end());
    const double median = ms[ms.size() / 2];
    std::printf("%-*s median %8.2f ms   worst %8.2f ms   %s (limit %.0f ms)\n", width, what, median,
                ms.back(), verdict((byWorst ? ms.back() : median) <= limit), limit);
}

// Our best run against the standard tool's best, and every run of both.
inline void reportRatio(const char* what, const std::vector<double>& ours, const char* tool,
                        const std::vector<double>& theirs, double limit,
                        const char* otherwise = "SLOW", const char* theirRuns = nullptr) {
    const double ratio = best(ours) / best(theirs);
    std::printf("%-7s ours %7.3f s   %-9s %7.3f s   ratio %.2f  %s (limit %.2f)\n", what,
                best(ours), tool, best(theirs), ratio, verdict(ratio <= limit, otherwise), limit);
    std::printf("        runs: ours%s | %s%s\n", listed(ours).data(), theirRuns ? theirRuns : tool,
                listed(theirs).data());
}

// Runs `run` in an application of type App, with the notes that would break
// up the report filtered out by `logRules`; what it throws exits 1.
template <class App, class Run>
int benchMain(int argc, char** argv, const char* logRules, Run run) {
    App app(argc, argv);
    QLoggingCategory::setFilterRules(QString::fromLatin1(logRules));
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const QByteArray name = QCoreApplication::applicationName().toLocal8Bit();
    try {
        return run();
    } catch (const KoaError& e) {
        std::fprintf(stderr, "%s: %s (error %d)\n", name.data(), qUtf8Printable(e.description()),
                     e.number());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", name.data(), e.what());
    }
    return 1;
}

} // namespace koa::bench
