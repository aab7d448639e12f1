#include "typeicons.h"

#include "drawnicon.h"
#include "store/objectkinds.h"

#include <optional>

#include <QHash>
#include <QPainter>
#include <QPainterPath>

using namespace Qt::Literals::StringLiterals;

namespace koa::shell {

namespace {

// The glyph of one key on a 16 x 16 unit square.
class TypeGlyph {
public:
    explicit TypeGlyph(QString key) : m_key(std::move(key)) {}

    void sheet(QPainter& p, const QColor& fill) const {
        QPainterPath page;
        page.moveTo(3, 1.5);
        page.lineTo(10, 1.5);
        page.lineTo(13, 4.5);
        page.lineTo(13, 14.5);
        page.lineTo(3, 14.5);
        page.closeSubpath();
        p.setPen(QPen(QColor(0x55, 0x5b, 0x66), 1));
        p.setBrush(fill);
        p.drawPath(page);
    }

    void lines(QPainter& p, int from, int count, const QColor& color) const {
        p.setPen(QPen(color, 1.2, Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i < count; ++i)
            p.drawLine(QPointF(5, from + 2.5 * i), QPointF(11, from + 2.5 * i));
    }

    void drawObject(QPainter& p, ObjectKind kind) const {
        const QColor ink(0x2e, 0x34, 0x40);
        switch (kind) {
        case ObjectKind::Picture:
            p.setPen(QPen(ink, 1));
            p.setBrush(QColor(0xd8, 0xee, 0xfb));
            p.drawRoundedRect(QRectF(1.5, 2.5, 13, 11), 1.5, 1.5);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0xf5, 0xb7, 0x00));
            p.drawEllipse(QPointF(11, 5.5), 1.6, 1.6);
            p.setBrush(QColor(0x3a, 0x9a, 0x4a));
            p.drawPolygon(QPolygonF({{2, 13}, {6.5, 7}, {9.5, 10.5}, {11, 9}, {14, 13}}));
            break;
        case ObjectKind::Movie:
            p.setPen(Qt::NoPen);
            p.setBrush(ink);
            p.drawRoundedRect(QRectF(1.5, 3, 13, 10), 1.5, 1.5);
            p.setBrush(Qt::white);
            for (int i = 0; i < 4; ++i) {
                p.drawRect(QRectF(2.5 + 3.2 * i, 4, 1.6, 1.2));
                p.drawRect(QRectF(2.5 + 3.2 * i, 10.8, 1.6, 1.2));
            }
            p.setBrush(QColor(0xe0, 0x4f, 0x39));
            p.drawPolygon(QPolygonF({{6.5, 6}, {10.5, 8}, {6.5, 10}}));
            break;
        case ObjectKind::Sound:
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0x35, 0x6a, 0xc3));
            p.drawPolygon(QPolygonF({{2, 6}, {5, 6}, {9, 2.5}, {9, 13.5}, {5, 10}, {2, 10}}));
            p.setPen(QPen(QColor(0x35, 0x6a, 0xc3), 1.3, Qt::SolidLine, Qt::RoundCap));
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(8, 5, 4, 6), -60 * 16, 120 * 16);
            p.drawArc(QRectF(8, 3, 7, 10), -60 * 16, 120 * 16);
            break;
        case ObjectKind::Flash:
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0xc6, 0x28, 0x28));
            p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 3, 3);
            p.setBrush(Qt::white);
            p.drawPolygon(
                QPolygonF({{9.5, 2.5}, {4.5, 9}, {7.8, 9}, {6.5, 13.5}, {11.5, 7}, {8.2, 7}}));
            break;
        case ObjectKind::Text:
            sheet(p, Qt::white);
            lines(p, 5, 4, ink);
            break;
        case ObjectKind::Keyword:
            p.setPen(QPen(QColor(0x8a, 0x5a, 0x00), 1));
            p.setBrush(QColor(0xf7, 0xd0, 0x5e));
            p.drawPolygon(QPolygonF({{1.5, 5}, {10, 5}, {14.5, 8}, {10, 11}, {1.5, 11}}));
            p.setBrush(Qt::white);
            p.drawEllipse(QPointF(10.3, 8), 1.1, 1.1);
            break;
        case ObjectKind::Document:
            sheet(p, QColor(0xe8, 0xf0, 0xfe));
            p.setPen(QPen(QColor(0x55, 0x5b, 0x66), 1));
            p.drawLine(QPointF(10, 1.5), QPointF(10, 4.5));
            p.drawLine(QPointF(10, 4.5), QPointF(13, 4.5));
            lines(p, 7, 3, QColor(0x35, 0x6a, 0xc3));
            break;
        case ObjectKind::Quiz:
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0x7b, 0x3f, 0xb5));
            p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
            p.setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(Qt::NoBrush);
            p.drawPolyline(QPolygonF({{4.8, 8.2}, {7, 10.5}, {11.2, 5.5}}));
            break;
        }
    }

    void draw(QPainter& p) const {
        if (const std::optional<ObjectKind> kind = kindOfTable(m_key)) {
            drawObject(p, *kind);
            return;
        }
        const QColor ink(0x2e, 0x34, 0x40);
        if (m_key == u"modules"_s) {
            p.setPen(QPen(QColor(0x8a, 0x5a, 0x00), 1));
            p.setBrush(QColor(0xf3, 0xc1, 0x4b));
            p.drawPolygon(
                QPolygonF({{1.5, 3}, {6, 3}, {7.5, 4.5}, {14.5, 4.5}, {14.5, 13.5}, {1.5, 13.5}}));
        } else if (m_key == u"pages"_s) {
            sheet(p, Qt::white);
            lines(p, 6, 3, QColor(0x88, 0x8e, 0x99));
        } else if (m_key == u"linebreak"_s) {
            p.setPen(QPen(ink, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(Qt::NoBrush);
            p.drawPolyline(QPolygonF({{13, 3}, {13, 10}, {3.5, 10}}));
            p.drawPolyline(QPolygonF({{6, 7.5}, {3.5, 10}, {6, 12.5}}));
        } else if (m_key == u"horizontalline"_s) {
            p.setPen(QPen(ink, 2, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(2, 8), QPointF(14, 8));
        } else {
            sheet(p, QColor(0xee, 0xee, 0xee));
        }
    }

    QString m_key;
};

} // namespace

QIcon typeIcon(const QString& key) {
    static QHash<QString, QIcon> icons;
    auto it = icons.find(key.toLower());
    if (it == icons.end())
        it = icons.insert(key.toLower(), drawnIcon(16, [glyph = TypeGlyph(key.toLower())](
                                                           QPainter& p) { glyph.draw(p); }));
    return *it;
}

} // namespace koa::shell
