#include "tests/support/mediafiles.h"

#include <QImage>
#include <QProcess>
#include <QtEndian>

namespace koa::test {

namespace {

void le16(QByteArray& out, int value) {
    out.append(char(value & 0xff)).append(char((value >> 8) & 0xff));
}

void le32(QByteArray& out, quint32 value) {
    le16(out, int(value & 0xffff));
    le16(out, int(value >> 16));
}

} // namespace

QByteArray gifOf(int width, int height) {
    QByteArray gif("GIF89a");
    le16(gif, width);
    le16(gif, height);
    gif.append(char(0x80)).append('\0').append('\0'); // two-colour global table
    gif.append(QByteArray::fromHex("1f6fbfffffff"));
    gif.append(',');
    le16(gif, 0);
    le16(gif, 0);
    le16(gif, width);
    le16(gif, height);
    gif.append('\0');
    // Eight-bit codes with a clear code every 126 pixels: the code width
    // never grows, so every code is one byte.
    constexpr char minimumCodeSize = 7;
    constexpr char clear = char(128);
    constexpr char end = char(129);
    QByteArray codes;
    for (int left = width * height; left > 0; left -= 126) {
        codes.append(clear);
        codes.append(QByteArray(std::min(left, 126), '\0'));
    }
    codes.append(end);
    gif.append(minimumCodeSize);
    for (qsizetype i = 0; i < codes.size(); i += 255) {
        const QByteArray block = codes.mid(i, 255);
        gif.append(char(block.size())).append(block);
    }
    gif.append('\0').append(';');
    return gif;
}

QByteArray wavOf(int milliseconds) {
    constexpr int rate = 8000;
    const quint32 samples = quint32(rate * milliseconds / 1000);
    QByteArray wav("RIFF");
    le32(wav, 36 + samples);
    wav.append("WAVEfmt ");
    le32(wav, 16);
    le16(wav, 1); // PCM
    le16(wav, 1); // mono
    le32(wav, rate);
    le32(wav, rate); // bytes per second
    le16(wav, 1);
    le16(wav, 8);
    wav.append("data");
    le32(wav, samples);
    wav.append(QByteArray(qsizetype(samples), char(0x80)));
    return wav;
}

QByteArray swfHeader() {
    QByteArray swf("FWS");
    swf.append(char(6));
    le32(swf, 21);
    swf.append(QByteArray::fromHex("780005f000000fa000000c01004302ffffff"));
    return swf;
}

bool writeJpeg(const QString& path, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    return image.save(path, "JPG");
}

bool writeMovie(const QString& path, int width, int height) {
    QProcess gst;
    gst.start(
        QStringLiteral("gst-launch-1.0"),
        {QStringLiteral("-q"), QStringLiteral("videotestsrc"), QStringLiteral("num-buffers=5"),
         QStringLiteral("!"),
         QStringLiteral("video/x-raw,width=%1,height=%2,framerate=5/1").arg(width).arg(height),
         QStringLiteral("!"), QStringLiteral("jpegenc"), QStringLiteral("!"),
         QStringLiteral("avimux"), QStringLiteral("!"), QStringLiteral("filesink"),
         QStringLiteral("location=") + path});
    return gst.waitForFinished(30000) && gst.exitStatus() == QProcess::NormalExit &&
           gst.exitCode() == 0;
}

} // namespace koa::test
