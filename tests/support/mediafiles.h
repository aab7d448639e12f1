#pragma once

#include <QByteArray>
#include <QColor>
#include <QString>

namespace koa::test {

// Media files made at run time, each of a known size.
QByteArray gifOf(int width, int height);
QByteArray wavOf(int milliseconds);
// A Flash file's header: enough for the pool, which never plays it itself.
QByteArray swfHeader();
// A whole Flash movie of one frame: the stage in `background`, the middle
// half of it a rectangle in `shape`.
QByteArray swfOf(int width, int height, QRgb background, QRgb shape);
// Writes a JPEG of the given size; false when it could not be written.
bool writeJpeg(const QString& path, int width, int height);
// A short MJPEG movie in an AVI container, made by GStreamer's command-line tool.
bool writeMovie(const QString& path, int width, int height);

} // namespace koa::test
