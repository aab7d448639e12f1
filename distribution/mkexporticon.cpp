// Build step: draws the export's icon, a few plain figures of our own, and
// writes it as an ICO file that holds one PNG picture.
#include <cstdio>

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QtEndian>

using namespace Qt::Literals::StringLiterals;

namespace {

QImage drawIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const qreal s = size;
    p.setBrush(QColor(0x2e, 0x6d, 0xb4));
    p.drawRoundedRect(QRectF(s * 0.04, s * 0.04, s * 0.92, s * 0.92), s * 0.16, s * 0.16);
    p.setBrush(QColor(0xf2, 0xb1, 0x34));
    p.drawEllipse(QRectF(s * 0.16, s * 0.18, s * 0.38, s * 0.38));
    p.setBrush(QColor(0xff, 0xff, 0xff));
    const QPointF triangle[] = {{s * 0.30, s * 0.84}, {s * 0.84, s * 0.84}, {s * 0.62, s * 0.40}};
    p.drawPolygon(triangle, 3);
    return image;
}

void put16(QByteArray& out, quint16 v) {
    v = qToLittleEndian(v);
    out.append(reinterpret_cast<const char*>(&v), 2);
}

void put32(QByteArray& out, quint32 v) {
    v = qToLittleEndian(v);
    out.append(reinterpret_cast<const char*>(&v), 4);
}

} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: koa-mkexporticon OUT.ico\n", stderr);
        return 2;
    }
    constexpr int Size = 64;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!drawIcon(Size).save(&buffer, "PNG"))
        return 1;
    QByteArray ico;
    put16(ico, 0); // reserved
    put16(ico, 1); // an icon
    put16(ico, 1); // one picture
    ico.append(char(Size));
    ico.append(char(Size));
    ico.append(char(0)); // no palette
    ico.append(char(0));
    put16(ico, 1);  // colour planes
    put16(ico, 32); // bits per pixel
    put32(ico, quint32(png.size()));
    put32(ico, 6 + 16);
    ico.append(png);
    QFile out(QString::fromLocal8Bit(argv[1]));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(ico) != ico.size() ||
        !out.flush()) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
