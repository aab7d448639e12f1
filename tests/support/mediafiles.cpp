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

namespace {

// SWF fields that are not whole bytes, most significant bit first.
class Bits {
public:
    void put(quint32 value, int count) {
        for (int i = count - 1; i >= 0; --i) {
            m_byte = quint8((m_byte << 1) | ((value >> i) & 1));
            if (++m_used == 8)
                flush();
        }
    }
    void putSigned(int value, int count) { put(quint32(value) & ((1u << count) - 1), count); }
    // Pads the last byte with zero bits.
    QByteArray bytes() {
        if (m_used > 0)
            put(0, 8 - m_used);
        return m_out;
    }

private:
    void flush() {
        m_out.append(char(m_byte));
        m_byte = 0;
        m_used = 0;
    }
    QByteArray m_out;
    quint8 m_byte = 0;
    int m_used = 0;
};

constexpr int Twips = 20;
constexpr int FieldBits = 16;

void rect(Bits& bits, int left, int top, int right, int bottom) {
    bits.put(FieldBits, 5);
    for (int v : {left, right, top, bottom})
        bits.putSigned(v * Twips, FieldBits);
}

QByteArray tag(int code, const QByteArray& body) {
    QByteArray out;
    if (body.size() < 0x3f) {
        le16(out, (code << 6) | int(body.size()));
    } else {
        le16(out, (code << 6) | 0x3f);
        le32(out, quint32(body.size()));
    }
    return out + body;
}

QByteArray rgb(QRgb colour) {
    return QByteArray(1, char(qRed(colour))) + char(qGreen(colour)) + char(qBlue(colour));
}

} // namespace

QByteArray swfOf(int width, int height, QRgb background, QRgb shape) {
    // DefineShape: one rectangle over the middle half of the stage.
    const int left = width / 4, top = height / 4, w = width / 2, h = height / 2;
    QByteArray define;
    le16(define, 1); // character id
    Bits bounds;
    rect(bounds, left, top, left + w, top + h);
    define += bounds.bytes();
    define += char(1) + QByteArray(1, '\0') + rgb(shape); // one solid fill
    define += '\0';                                       // no line styles
    Bits records;
    records.put(1, 4);        // fill style bits
    records.put(0, 4);        // line style bits
    records.put(0b000101, 6); // style change: fill style 1 and a move
    records.put(FieldBits, 5);
    records.putSigned(left * Twips, FieldBits);
    records.putSigned(top * Twips, FieldBits);
    records.put(1, 1); // fill style 1
    const int edges[4][2] = {{w, 0}, {0, h}, {-w, 0}, {0, -h}};
    for (const auto& edge : edges) {
        records.put(0b11, 2); // a straight edge
        records.put(FieldBits - 2, 4);
        records.put(0, 1); // along one axis
        records.put(edge[0] == 0 ? 1 : 0, 1);
        records.putSigned((edge[0] == 0 ? edge[1] : edge[0]) * Twips, FieldBits);
    }
    records.put(0, 6); // end of shape
    define += records.bytes();

    QByteArray place(1, char(0x02)); // a character, no matrix
    le16(place, 1);                  // depth
    le16(place, 1);                  // character id

    QByteArray body;
    Bits frame;
    rect(frame, 0, 0, width, height);
    body += frame.bytes();
    le16(body, 12 << 8); // 12 frames a second
    le16(body, 1);       // one frame
    body += tag(9, rgb(background)) + tag(2, define) + tag(26, place) + tag(1, {}) + tag(0, {});

    QByteArray swf("FWS");
    swf.append(char(6));
    le32(swf, quint32(8 + body.size()));
    return swf + body;
}

bool writeJpeg(const QString& path, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    return image.save(path, "JPG");
}

namespace {

// Runs one pipeline of GStreamer's command-line tool (elements separated by "!").
bool gstLaunch(const QString& pipeline) {
    QProcess gst;
    gst.start(QStringLiteral("gst-launch-1.0"),
              QStringList{QStringLiteral("-q")} + pipeline.split(u' ', Qt::SkipEmptyParts));
    return gst.waitForFinished(60000) && gst.exitStatus() == QProcess::NormalExit &&
           gst.exitCode() == 0;
}

} // namespace

bool writeMovie(const QString& path, int width, int height, int frames) {
    return gstLaunch(QStringLiteral("videotestsrc num-buffers=%1 ! "
                                    "video/x-raw,width=%2,height=%3,framerate=5/1 ! jpegenc ! "
                                    "avimux ! filesink location=%4")
                         .arg(frames)
                         .arg(width)
                         .arg(height)
                         .arg(path));
}

bool writeWindowsSound(const QString& path, int seconds) {
    // 1024 samples a buffer at 44.1 kHz
    return gstLaunch(QStringLiteral("audiotestsrc num-buffers=%1 ! audioconvert ! avenc_wmav2 ! "
                                    "asfmux ! filesink location=%2")
                         .arg(seconds * 44100 / 1024)
                         .arg(path));
}

} // namespace koa::test
