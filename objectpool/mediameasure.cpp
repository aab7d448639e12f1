#include "mediameasure.h"

#include "store/wait.h"

#include <QAudioOutput>
#include <QDeadlineTimer>
#include <QImageReader>
#include <QMediaMetaData>
#include <QMediaPlayer>
#include <QUrl>
#include <QVideoFrame>
#include <QVideoSink>

namespace koa::objectpool {

QSize pictureSize(const QString& path) {
    QImageReader reader(path);
    reader.setAutoTransform(false);
    QSize size = reader.size();
    if (!size.isValid())
        size = reader.read().size(); // formats that do not tell without decoding
    return size;
}

QSize videoSize(const QString& path, std::chrono::milliseconds limit) {
    // The hidden measuring player: it plays muted until the first frame
    // arrives, whose size is the video image's size.
    QMediaPlayer mediaSize;
    QAudioOutput silent;
    silent.setMuted(true);
    mediaSize.setAudioOutput(&silent);
    QVideoSink sink;
    mediaSize.setVideoSink(&sink);

    QSize size;
    bool ended = false;
    auto settle = [&](QSize found) {
        if (found.isValid() && !found.isEmpty())
            size = found;
    };
    QObject::connect(&sink, &QVideoSink::videoFrameChanged, &sink,
                     [&](const QVideoFrame& frame) { settle(frame.size()); });
    QObject::connect(
        &mediaSize, &QMediaPlayer::mediaStatusChanged, &mediaSize,
        [&](QMediaPlayer::MediaStatus status) {
            if (status == QMediaPlayer::LoadedMedia) {
                settle(mediaSize.metaData().value(QMediaMetaData::Resolution).toSize());
                if (!size.isValid())
                    mediaSize.play();
            } else if (status == QMediaPlayer::InvalidMedia || status == QMediaPlayer::EndOfMedia) {
                ended = true;
            }
        });
    QObject::connect(&mediaSize, &QMediaPlayer::errorOccurred, &mediaSize, [&] { ended = true; });
    mediaSize.setSource(QUrl::fromLocalFile(path));
    if (mediaSize.mediaStatus() != QMediaPlayer::InvalidMedia)
        waitUntil([&] { return ended || size.isValid(); }, {.deadline = QDeadlineTimer(limit)});
    mediaSize.stop();
    mediaSize.setSource(QUrl());
    return size;
}

} // namespace koa::objectpool
