#include "drawnicon.h"

#include <QIconEngine>
#include <QPainter>
#include <QPixmap>

namespace koa::shell {

namespace {

class DrawnIconEngine : public QIconEngine {
public:
    DrawnIconEngine(qreal units, std::function<void(QPainter&)> draw)
        : m_units(units), m_draw(std::move(draw)) {}

    QIconEngine* clone() const override { return new DrawnIconEngine(m_units, m_draw); }

    void paint(QPainter* p, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        p->save();
        p->setRenderHint(QPainter::Antialiasing);
        p->setRenderHint(QPainter::TextAntialiasing);
        p->translate(rect.topLeft());
        p->scale(rect.width() / m_units, rect.height() / m_units);
        if (mode == QIcon::Disabled)
            p->setOpacity(0.4);
        m_draw(*p);
        p->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pm(size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        paint(&p, QRect(QPoint(0, 0), size), mode, state);
        return pm;
    }

private:
    qreal m_units;
    std::function<void(QPainter&)> m_draw;
};

} // namespace

QIcon drawnIcon(qreal units, std::function<void(QPainter&)> draw) {
    return QIcon(new DrawnIconEngine(units, std::move(draw)));
}

} // namespace koa::shell
