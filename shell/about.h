#pragma once

#include "aboutbox.h"

#include <QTimer>

namespace koa::shell {

// The About window; at start-up it doubles as the splash that hides itself
// when Timer1 fires.
class about : public AboutBox {
    Q_OBJECT
public:
    explicit about(QWidget* parent = nullptr);

    // Shown without buttons; hides itself after `milliseconds`.
    void showAsSplash(int milliseconds);

    QTimer Timer1;

private:
    void Timer1_Timer();
    void cmdSysInfo_Click();
};

} // namespace koa::shell
