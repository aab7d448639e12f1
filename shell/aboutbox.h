#pragma once

#include <QDialog>

class QPushButton;

namespace koa::shell {

// The content of the About window, shared by the authoring program and the
// viewer: the logo, the credits, "System Info..." and OK.
class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);

    QPushButton* cmdOK = nullptr;
    QPushButton* cmdSysInfo = nullptr;

protected:
    // Starts the desktop's system information program, or says there is none.
    static void showSystemInformation();
};

} // namespace koa::shell
