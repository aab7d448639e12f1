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
// An MJPEG movie at 5 frames a second in an AVI container, and a Windows
// Media sound, made by GStreamer's command-line tool (paths without blanks).
bool writeMovie(const QString& path, int width, int height, int frames = 5);
bool writeWindowsSound(const QString& path, int seconds);

} // namespace koa::test
