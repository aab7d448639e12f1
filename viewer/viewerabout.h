#pragma once

#include <QDialog>

class QPushButton;

namespace koa::viewer {

// The viewer's About window: the logo and credits of the program's own About
// window with its two buttons, but no timer, no splash and not kept on top.
class viewerAbout : public QDialog {
    Q_OBJECT
public:
    explicit viewerAbout(QWidget* parent = nullptr);

    QPushButton* cmdOK = nullptr;
    QPushButton* cmdSysInfo = nullptr;

private:
    void cmdSysInfo_Click();
};

} // namespace koa::viewer
