#include "mediameasure.h"

#include <QAudioOutput>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QImageReader>
#include <QMediaMetaData>
#include <QMediaPlayer>
#include <QTimer>
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
    QEventLoop loop;
    auto settle = [&](QSize found) {
        if (found.isValid() && !found.isEmpty()) {
            size = found;
            loop.quit();
        }
    };
    QObject::connect(&sink, &QVideoSink::videoFrameChanged, &loop,
                     [&](const QVideoFrame& frame) { settle(frame.size()); });
    QObject::connect(
        &mediaSize, &QMediaPlayer::mediaStatusChanged, &loop,
        [&](QMediaPlayer::MediaStatus status) {
            if (status == QMediaPlayer::LoadedMedia) {
                settle(mediaSize.metaData().value(QMediaMetaData::Resolution).toSize());
                if (!size.isValid())
                    mediaSize.play();
            } else if (status == QMediaPlayer::InvalidMedia || status == QMediaPlayer::EndOfMedia) {
                loop.quit();
            }
        });
    QObject::connect(&mediaSize, &QMediaPlayer::errorOccurred, &loop, [&] { loop.quit(); });
    QTimer::singleShot(limit, &loop, &QEventLoop::quit);
    mediaSize.setSource(QUrl::fromLocalFile(path));
    if (!size.isValid() && mediaSize.mediaStatus() != QMediaPlayer::InvalidMedia)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    mediaSize.stop();
    mediaSize.setSource(QUrl());
    return size;
}

} // namespace koa::objectpool
