#include "working.h"

#include "store/wait.h"
#include "topmost.h"

#include <QDeadlineTimer>
#include <QLabel>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace koa::shell {

working::working(QWidget* parent) : QWidget(parent, Qt::Tool) {
    setObjectName(u"working"_s);
    setWindowTitle(u"KOA"_s);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(u"Please wait..."_s, this));
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (m_over) {
            move(m_over->x() + m_over->width() / 2 - width() / 2,
                 m_over->y() + m_over->height() / 2 - height() / 2);
        }
        m_waiting = false;
    });
}

void working::startWait(QWidget* over) {
    m_over = over;
    m_waiting = true;
    SetTopMostWindow(this, true);
    show();
    m_timer.start(100);
    // No clicks during a file operation: they would start another one.
    if (waitUntil([this] { return !m_waiting; },
                  {.deadline = QDeadlineTimer(2000), .guard = this}) != WaitEnd::GuardGone)
        m_waiting = false;
}

} // namespace koa::shell
