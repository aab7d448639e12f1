#include "toolbaricons.h"

#include "charformat.h"
#include "shell/drawnicon.h"

#include <QPainter>
#include <QPainterPath>

using namespace Qt::Literals::StringLiterals;

namespace koa::texteditor {

namespace {

const QColor Ink(0x2e, 0x34, 0x40);

// The glyph of one key on a 20 x 20 unit square.
class ToolGlyph {
public:
    explicit ToolGlyph(QString key) : m_key(std::move(key)) {}

    static void letters(QPainter& p, const QString& text, const QColor& colour, int weight,
                        bool italic, double pixelSize, bool underline = false) {
        QFont font(u"sans-serif"_s);
        font.setPixelSize(int(pixelSize));
        font.setWeight(QFont::Weight(weight));
        font.setItalic(italic);
        p.setFont(font);
        p.setPen(colour);
        p.drawText(QRectF(0, 0, 20, underline ? 17 : 20), Qt::AlignCenter, text);
        if (underline) {
            p.setPen(QPen(colour, 1.6, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(4, 17.5), QPointF(16, 17.5));
        }
    }

    // Two chain links, the sign of a link, at (x, y).
    static void chain(QPainter& p, const QColor& colour, double x, double y) {
        p.setPen(QPen(colour, 1.8));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(x, y, 8, 4.5), 2.25, 2.25);
        p.drawRoundedRect(QRectF(x + 5, y + 2.5, 8, 4.5), 2.25, 2.25);
    }

    static void sheet(QPainter& p, const QRectF& r, const QColor& fill) {
        QPainterPath page;
        page.moveTo(r.left(), r.top());
        page.lineTo(r.right() - 3, r.top());
        page.lineTo(r.right(), r.top() + 3);
        page.lineTo(r.right(), r.bottom());
        page.lineTo(r.left(), r.bottom());
        page.closeSubpath();
        p.setPen(QPen(QColor(0x55, 0x5b, 0x66), 1));
        p.setBrush(fill);
        p.drawPath(page);
    }

    void draw(QPainter& p) const {
        if (m_key == u"h1"_s) {
            letters(p, u"H1"_s, Ink, QFont::Bold, false, 13);
        } else if (m_key == u"h2"_s) {
            letters(p, u"H2"_s, Ink, QFont::Bold, false, 10.5);
        } else if (m_key == u"b"_s) {
            letters(p, u"B"_s, Ink, QFont::Black, false, 15);
        } else if (m_key == u"i"_s) {
            letters(p, u"I"_s, Ink, QFont::Normal, true, 15);
        } else if (m_key == u"n"_s) {
            letters(p, u"N"_s, Ink, QFont::Normal, false, 14);
        } else if (m_key == u"k"_s) {
            letters(p, u"K"_s, colourFromValue(colour::Keyword), QFont::Bold, false, 13, true);
        } else if (m_key == u"il"_s) {
            sheet(p, QRectF(2.5, 2.5, 9, 11), Qt::white);
            chain(p, colourFromValue(colour::Internal), 5, 10);
        } else if (m_key == u"el"_s) {
            const QColor red = colourFromValue(colour::External);
            p.setPen(QPen(Ink, 1));
            p.setBrush(QColor(0xd8, 0xee, 0xfb));
            p.drawEllipse(QPointF(8, 8), 6, 6);
            p.drawLine(QPointF(2, 8), QPointF(14, 8));
            p.drawEllipse(QPointF(8, 8), 2.5, 6);
            chain(p, red, 5, 10.5);
        } else if (m_key == u"dl"_s) {
            sheet(p, QRectF(3, 1.5, 10, 13), QColor(0xe8, 0xee, 0xff));
            p.setPen(QPen(QColor(0x88, 0x90, 0xa0), 1));
            for (int i = 0; i < 3; ++i)
                p.drawLine(QPointF(5, 5 + 2.5 * i), QPointF(11, 5 + 2.5 * i));
            chain(p, colourFromValue(colour::Document), 5, 11);
        } else if (m_key == u"cut"_s) {
            p.setPen(QPen(Ink, 1.6, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(6, 2.5), QPointF(12.5, 12.5));
            p.drawLine(QPointF(14, 2.5), QPointF(7.5, 12.5));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QPointF(6, 15), 2.6, 2.6);
            p.drawEllipse(QPointF(14, 15), 2.6, 2.6);
        } else if (m_key == u"copy"_s) {
            sheet(p, QRectF(3, 2, 9.5, 12), Qt::white);
            sheet(p, QRectF(7.5, 6, 9.5, 12), QColor(0xf4, 0xf6, 0xfa));
        } else if (m_key == u"paste"_s) {
            p.setPen(QPen(Ink, 1));
            p.setBrush(QColor(0xc8, 0x9b, 0x5c));
            p.drawRoundedRect(QRectF(3, 3, 13, 15), 1.5, 1.5);
            p.setBrush(QColor(0x9a, 0xa0, 0xab));
            p.drawRoundedRect(QRectF(6.5, 1.5, 6, 3.5), 1, 1);
            sheet(p, QRectF(8, 8, 9, 10.5), Qt::white);
        } else if (m_key == u"undo"_s) {
            p.setPen(QPen(Ink, 1.8, Qt::SolidLine, Qt::RoundCap));
            p.setBrush(Qt::NoBrush);
            QPainterPath arc;
            arc.moveTo(5, 8);
            arc.cubicTo(QPointF(9, 4), QPointF(17, 5), QPointF(16, 11.5));
            arc.cubicTo(QPointF(15.5, 15), QPointF(12, 16.5), QPointF(9, 16.5));
            p.drawPath(arc);
            p.setPen(Qt::NoPen);
            p.setBrush(Ink);
            p.drawPolygon(QPolygonF({{2.5, 4}, {8.5, 4.5}, {3.5, 10}}));
        }
    }

    QString m_key;
};

} // namespace

QIcon toolIcon(const QString& key) {
    return shell::drawnIcon(20, [glyph = ToolGlyph(key)](QPainter& p) { glyph.draw(p); });
}

} // namespace koa::texteditor
