// Making the browser-playable copy of an older movie: how long a one-minute
// 640x480 MJPEG AVI with sound takes next to its playing time. A report, not a
// gate: it fails only when something errors, and says whether the copy kept
// up with real time.
#include "bench/bench.h"
#include "media/playablecopy.h"

namespace koa::bench {
namespace {

int run() {
    const QCommandLineParser& parser =
        parseOptions(u"Times the playable copy of an older movie."_s,
                     {{u"seconds"_s, u"Length of the movie (default 60)."_s, u"N"_s, u"60"_s}});
    const int seconds = std::max(1, parser.value(u"seconds"_s).toInt());
    const Scratch dir;
    // Test pictures and a tone, as a camera of the old days wrote them.
    const QString movie = dir.filePath(u"1.avi"_s);
    QStringList pipeline =
        u"-q videotestsrc pattern=ball num-buffers=%1 ! video/x-raw,width=640,height=480,"
        "framerate=25/1 ! jpegenc ! avimux name=mux ! filesink location=@ audiotestsrc "
        "num-buffers=%2 ! audioconvert ! mux."_s.arg(seconds * 25)
            .arg(seconds * 44100 / 1024)
            .split(u' ');
    pipeline.replaceInStrings(u"location=@"_s, u"location="_s + movie);
    runTool(u"gst-launch-1.0"_s, pipeline);
    media::CopyOutcome outcome;
    const double taken =
        secondsOf([&] { outcome = media::makePlayableCopy(movie, dir.filePath(u"1.avi.webm"_s)); });
    if (outcome.end != media::CopyEnd::Done)
        fail(u"the copy failed: "_s + outcome.error);
    const double ratio = taken / seconds;
    std::printf("playable copy of a %d s 640x480 movie: %.1f s, %.2f of real time (%s)\n", seconds,
                taken, ratio, ratio <= 1.0 ? "keeps up" : "SLOWER than real time");
    return 0;
}

} // namespace
} // namespace koa::bench

int main(int argc, char* argv[]) {
    return koa::bench::benchMain<QCoreApplication>(argc, argv, "", koa::bench::run);
}
