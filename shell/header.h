#pragma once

#include <functional>

#include <QMainWindow>

class QLabel;

namespace koa::shell {

// The file header window: the first editor window the user sees.
class header : public QMainWindow {
    Q_OBJECT
public:
    explicit header(QWidget* parent = nullptr);

    // Loads the open course's header and titles the window.
    void load(const QString& databasePath, const QString& displayName);
    void setDisplayName(const QString& displayName);

    // Asked when the user closes the window; false keeps it open.
    std::function<bool()> closeRequested;
    bool closing = false;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* m_summary = nullptr;
};

} // namespace koa::shell
