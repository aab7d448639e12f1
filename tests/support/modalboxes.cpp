#include "tests/support/modalboxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>

namespace koa::test {

AnsweredBoxes::AnsweredBoxes() : m_previous(&interaction()) {
    setInteraction(&m_real);
    m_timer.setInterval(20);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { answer(); });
    m_timer.start();
}

AnsweredBoxes::~AnsweredBoxes() {
    setInteraction(m_previous);
}

void AnsweredBoxes::answer() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || box == m_answered || !box->isVisible())
        return;
    m_answered = box;
    m_texts.append(box->text());
    QAbstractButton* button = box->defaultButton();
    if (!m_answers.isEmpty())
        button = box->button(m_answers.takeFirst());
    if (!button)
        button = box->buttons().value(0);
    button->click();
}

} // namespace koa::test
