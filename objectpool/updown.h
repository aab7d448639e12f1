#pragma once

#include <QWidget>

class QToolButton;

namespace koa::objectpool {

// A pair of arrow buttons that step a whole number, the buddy of a number
// field: it changes the value on every step and reports the release of the
// mouse, when the other field follows a locked ratio.
class UpDown : public QWidget {
    Q_OBJECT
public:
    explicit UpDown(QWidget* parent = nullptr);

    int value() const { return m_value; }
    // Limited to the range; emits valueChanged only for a new value.
    void setValue(int value);
    void setRange(int minimum, int maximum);

signals:
    void valueChanged(int value);
    void released();

private:
    QToolButton* m_up = nullptr;
    QToolButton* m_down = nullptr;
    int m_value = 0;
    int m_minimum = 0;
    int m_maximum = 9999;
};

} // namespace koa::objectpool
