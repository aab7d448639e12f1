#pragma once

#include "online/upload.h"

#include <functional>
#include <memory>

#include <QDialog>
#include <QTimer>

class QCheckBox;
class QLabel;
class QPushButton;
class QTextEdit;

namespace koa::online {

class progress;

// "KOA upload": checks the FTP connection and the account, shows the server's
// terms of service, and starts the upload once the user agrees.
class uploadform : public QDialog {
    Q_OBJECT
public:
    uploadform(Upload::Settings settings, std::function<void(bool)> lockEditors,
               QWidget* parent = nullptr);
    ~uploadform() override;

    progress* progressWindow() const { return m_progress.get(); }

    QTextEdit* txtTos = nullptr;
    QCheckBox* chkConnection = nullptr;
    QCheckBox* chkUser = nullptr;
    QCheckBox* chkAgree = nullptr;
    QCheckBox* chkReadOnly = nullptr;
    QLabel* lblOK = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QTimer Timer1; // blinks the ticks of the checks still pending

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Form_Activate();
    void Timer1_Timer();
    void chkAgree_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    void setDone(QCheckBox* box);

    QString m_displayName;
    std::unique_ptr<progress> m_progress;
    bool m_activated = false;
};

} // namespace koa::online
