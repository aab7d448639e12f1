#include "closepreview.h"

#include "shell/topmost.h"
#include "store/errors.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>

using namespace Qt::Literals::StringLiterals;

namespace koa::render {

namespace {

// The label takes clicks as the window does.
class ClickLabel : public QLabel {
public:
    ClickLabel(const QString& text, std::function<void()> clicked, QWidget* parent)
        : QLabel(text, parent), m_clicked(std::move(clicked)) {}

protected:
    void mousePressEvent(QMouseEvent* event) override {
        event->accept();
        m_clicked();
    }

private:
    std::function<void()> m_clicked;
};

} // namespace

closePreview::closePreview(std::function<void()> closeProperly, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint),
      m_closeProperly(std::move(closeProperly)) {
    trap(u"closePreview / Form_Load()"_s, [&] {
        setObjectName(u"closePreview"_s);
        setAttribute(Qt::WA_DeleteOnClose);
        setWindowTitle(u"Close"_s);
        setFocusPolicy(Qt::StrongFocus);
        setCursor(Qt::PointingHandCursor);
        setToolTip(u"Back to the editor (Esc)"_s);
        Label1 = new ClickLabel(
            u"Close"_s, [this] { Label1_Click(); }, this);
        Label1->setObjectName(u"Label1"_s);
        Label1->setAlignment(Qt::AlignCenter);
        QFont bold = Label1->font();
        bold.setBold(true);
        Label1->setFont(bold);
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(16, 6, 16, 6);
        layout->addWidget(Label1);
        setAutoFillBackground(true);
        adjustSize();
        // The top right corner, clear of the page and of the buttons below it.
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        move(screen.right() - width() + 1, screen.top());
        shell::SetTopMostWindow(this, true);
    });
}

void closePreview::Form_Click() {
    close_properly(u"Form_Click"_s);
}

void closePreview::Label1_Click() {
    close_properly(u"Label1_Click"_s);
}

void closePreview::mousePressEvent(QMouseEvent* event) {
    event->accept();
    Form_Click();
}

void closePreview::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return ||
        event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space) {
        Form_Click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void closePreview::close_properly(const QString& procedure) {
    trap(u"closePreview / "_s + procedure + u"()"_s, [&] {
        if (!m_closeProperly)
            return;
        // Cleared first: the preview closes this window on its way back.
        const std::function<void()> back = std::exchange(m_closeProperly, {});
        trap(u"closePreview / close_properly()"_s, back);
    });
}

} // namespace koa::render
