#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

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

// "Export for the web...": the target is chosen in a save dialog and the open
// course is exported there under the "Please wait" window; the author is
// told where it went, or why it did not.
void exportForWebCommand(shell::EditorSet& editors);

} // namespace koa::distribution
