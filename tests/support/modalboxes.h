#pragma once

#include "shell/realinteraction.h"

#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QTimer>

namespace koa::test {

// The desktop's real message boxes while it lives, answered from inside
// their own event loop as a user would: each box is recorded and answered
// with the next queued button, or its default button when none is queued.
// What runs on timers during a box runs as it does for the user.
class AnsweredBoxes {
public:
    AnsweredBoxes();
    ~AnsweredBoxes();
    AnsweredBoxes(const AnsweredBoxes&) = delete;
    AnsweredBoxes& operator=(const AnsweredBoxes&) = delete;

    void queue(QMessageBox::StandardButton button) { m_answers.append(button); }
    // The texts of the boxes shown, in order.
    const QStringList& texts() const { return m_texts; }
    void clear() { m_texts.clear(); }

private:
    void answer();

    shell::RealInteraction m_real;
    Interaction* m_previous = nullptr;
    QTimer m_timer;
    QList<QMessageBox::StandardButton> m_answers;
    QStringList m_texts;
    QPointer<QMessageBox> m_answered;
};

} // namespace koa::test
