#pragma once

#include "errorreport.h"
#include "prerequisites.h"
#include "store/errors.h"

#include <chrono>
#include <functional>

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace koa::shell {

// The error manager: shows the report of a trapped error and lets the user
// send it to the maker, go on working, or end the program at once.
class error : public QDialog {
    Q_OBJECT
public:
    // The probes give the browser and media player versions of the report.
    explicit error(Prerequisites probes, QWidget* parent = nullptr);

    // Shows the report of this error above all other windows; a report on
    // screen is replaced.
    void errorDetected(int number, const QString& description, const QString& location);

    // The maker's web address, where reports go.
    static QString makerAddress();
    static void setMakerAddress(const QString& address);

    void setSendTimeLimit(std::chrono::milliseconds limit) { m_sendLimit = limit; }
    // What "Exit KOA" runs with the exit code; by default the process ends
    // at once, without the orderly end, so the open course stays for rescue.
    void setExitAction(std::function<void(int)> action) { m_exit = std::move(action); }

    void reject() override;

    QLabel* introText = nullptr;
    QLabel* feedbackText = nullptr;
    QLabel* makerLink = nullptr;
    QPlainTextEdit* errorMessage = nullptr;
    QLabel* pleaseWait = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* ExitButton = nullptr;

private:
    void OKButton_Click();
    void CancelButton_Click();
    void ExitButton_Click();
    // The report box, or the "Please wait" text while sending.
    void showSending(bool sending);

    Prerequisites m_probes;
    ErrorReport m_report;
    SystemFacts m_facts;
    std::chrono::milliseconds m_sendLimit{15000};
    std::function<void(int)> m_exit;
    quint64 m_received = 0; // errors shown so far
    bool m_filling = false;
    bool m_sending = false;
};

} // namespace koa::shell
