#pragma once

#include <chrono>

#include <QSize>
#include <QString>

namespace koa::objectpool {

// The natural size of a picture file; invalid when it cannot be read.
QSize pictureSize(const QString& path);

// The size of a movie's video image as the media back end reports it,
// waiting at most `limit`; invalid when the file has no video or the back
// end gives no answer in time.
QSize videoSize(const QString& path,
                std::chrono::milliseconds limit = std::chrono::milliseconds(10000));

} // namespace koa::objectpool
