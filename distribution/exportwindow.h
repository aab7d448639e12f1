#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace koa::shell {
class EditorSet;
}

namespace koa::distribution {

// The export window ("export"): the target is chosen in a save dialog and the
// open course is exported there under the "Please wait" window. It stays
// open after a cancelled dialog or a refusal, and closes after an export.
class exportWindow : public QDialog {
    Q_OBJECT
public:
    exportWindow(shell::EditorSet& editors, QWidget* parent = nullptr);

    void cmdOK_Click();

    QLabel* lblFile = nullptr;
    QCheckBox* readonly = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The file label and the course's own read-only mark.
    void Form_Activate();

    shell::EditorSet& m_editors;
};

// "Export for the web..." ("webexport"): the author picks a folder for any
// browser or a SCORM package for a learning platform, then the target in a
// save dialog; the open course is exported there under the "Please wait"
// window and the author is told where it went, or why it did not. It stays
// open after a cancelled dialog or a refusal, and closes after an export.
class webExportWindow : public QDialog {
    Q_OBJECT
public:
    webExportWindow(shell::EditorSet& editors, QWidget* parent = nullptr);

    void cmdOK_Click();

    QRadioButton* optFolder = nullptr;
    QRadioButton* optScorm2004 = nullptr;
    QRadioButton* optScorm12 = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    shell::EditorSet& m_editors;
};

} // namespace koa::distribution
