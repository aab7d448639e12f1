#include "updown.h"

#include <QToolButton>
#include <QVBoxLayout>

namespace koa::objectpool {

UpDown::UpDown(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto make = [this, layout](Qt::ArrowType arrow, int step) {
        auto* b = new QToolButton(this);
        b->setArrowType(arrow);
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus); // the field beside it takes the keys
        b->setFixedSize(18, 12);
        connect(b, &QToolButton::clicked, this, [this, step] { setValue(m_value + step); });
        connect(b, &QToolButton::released, this, &UpDown::released);
        layout->addWidget(b);
        return b;
    };
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_up = make(Qt::UpArrow, 1);
    m_down = make(Qt::DownArrow, -1);
}

void UpDown::setRange(int minimum, int maximum) {
    m_minimum = minimum;
    m_maximum = maximum;
    setValue(m_value);
}

void UpDown::setValue(int value) {
    value = std::clamp(value, m_minimum, m_maximum);
    if (value == m_value)
        return;
    m_value = value;
    emit valueChanged(value);
}

} // namespace koa::objectpool
