#pragma once

#include "shell/editorset.h"

#include <QSize>
#include <QTimer>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace koa::editors {

// The file header window: edits the one `header` row of the open course and
// loads every course that is created, opened or imported into the editor windows.
class header : public shell::HeaderWindow {
    Q_OBJECT
public:
    explicit header(shell::EditorSet& editors);

    // The window's size for a screen `screenWidth` pixels wide.
    static QSize sizeForScreen(int screenWidth);

    void Timer1_Timer() override;
    bool readOnly() const override;
    void flush() override { save_data(); }

    void save_data();
    void skin_click();
    void ShowHeader_Click();

    // The skin shown since the course was loaded or the skin was changed.
    QString currentSkin() const { return m_currentSkin; }

    QLineEdit* course_name = nullptr;
    QLineEdit* author = nullptr;
    QPlainTextEdit* description = nullptr;
    QLineEdit* target_group = nullptr;
    QComboBox* skin = nullptr;
    QCheckBox* ScrollCheck = nullptr;
    QLabel* lblReadOnly = nullptr;
    QPushButton* ShowHeader = nullptr;
    QTimer Timer1;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void upload() override;

private:
    void Form_Load();
    void buildControls();
    void setInputsEnabled(bool enabled);
    void fillSkinList();
    shell::PreviewWindow* previewWindow();

    QString m_currentSkin;
};

} // namespace koa::editors
