// Making the browser-playable copy of an older movie: how long a one-minute
// 640x480 MJPEG AVI with sound takes next to its playing time. A report, not a
// gate: it fails only when something errors, and says whether the copy kept
// up with real time.
#include "media/playablecopy.h"

#include <chrono>
#include <cstdio>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

using namespace Qt::Literals::StringLiterals;

namespace {

using Clock = std::chrono::steady_clock;

// Test pictures and a tone, as a camera of the old days wrote them.
bool writeOldMovie(const QString& path, int seconds) {
    const int frames = seconds * 25;
    const int soundBuffers = seconds * 44100 / 1024;
    QProcess gst;
    gst.start(u"gst-launch-1.0"_s, QStringList{u"-q"_s,
                                               u"videotestsrc"_s,
                                               u"pattern=ball"_s,
                                               u"num-buffers=%1"_s.arg(frames),
                                               u"!"_s,
                                               u"video/x-raw,width=640,height=480,framerate=25/1"_s,
                                               u"!"_s,
                                               u"jpegenc"_s,
                                               u"!"_s,
                                               u"avimux"_s,
                                               u"name=mux"_s,
                                               u"!"_s,
                                               u"filesink"_s,
                                               u"location="_s + path,
                                               u"audiotestsrc"_s,
                                               u"num-buffers=%1"_s.arg(soundBuffers),
                                               u"!"_s,
                                               u"audioconvert"_s,
                                               u"!"_s,
                                               u"mux."_s});
    return gst.waitForFinished(600000) && gst.exitStatus() == QProcess::NormalExit &&
           gst.exitCode() == 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(u"Times the playable copy of an older movie."_s);
    parser.addHelpOption();
    const QCommandLineOption secondsOption(u"seconds"_s, u"Length of the movie (default 60)."_s,
                                           u"N"_s, u"60"_s);
    parser.addOption(secondsOption);
    parser.process(app);
    const int seconds = qMax(1, parser.value(secondsOption).toInt());

    QTemporaryDir dir;
    const QString movie = dir.filePath(u"1.avi"_s);
    if (!dir.isValid() || !writeOldMovie(movie, seconds)) {
        std::fprintf(stderr, "cannot write the test movie (gst-launch-1.0 missing?)\n");
        return 1;
    }
    const auto start = Clock::now();
    const koa::media::CopyOutcome outcome =
        koa::media::makePlayableCopy(movie, dir.filePath(u"1.avi.webm"_s));
    const double taken = std::chrono::duration<double>(Clock::now() - start).count();
    if (outcome.end != koa::media::CopyEnd::Done) {
        std::fprintf(stderr, "the copy failed: %s\n", qPrintable(outcome.error));
        return 1;
    }
    const double ratio = taken / seconds;
    std::printf("playable copy of a %d s 640x480 movie: %.1f s, %.2f of real time (%s)\n", seconds,
                taken, ratio, ratio <= 1.0 ? "keeps up" : "SLOWER than real time");
    return 0;
}
