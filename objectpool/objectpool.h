#pragma once

#include "objectstore.h"
#include "shell/editorwindow.h"

#include <optional>

#include <QPointer>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace koa::render {
class Browser;
}

namespace koa::objectpool {

class MediaPreview;
class UpDown;

// The object pool window: the course's media objects (pictures, movies,
// sounds, Flash) and text objects (texts, keywords, documents, quizzes).
class objectpool : public shell::EditorWindow {
    Q_OBJECT
public:
    explicit objectpool(shell::EditorSet& editors);
    ~objectpool() override;

    void flush() override;
    void leave() override;
    bool mayLeave() override;

    void Create_objecttypes();
    void List_refresh(QListWidget* list, const QString& key);
    void set_controls(QComboBox* chooser, const QString& name);
    void write_media();
    void write_text();
    std::optional<double> GetAspectRatio();

    void mediacombo_Click();
    void textcombo_Click();
    void medialist_Click();
    void textlist_Click();
    void new_media_Click();
    void rename_media_Click();
    void delete_media_Click();
    void alignment_Click();
    void new_text_Click();
    void rename_text_Click();
    void delete_text_Click();
    void edit_text_Click();
    void cmdOriginalSize_Click();

    QString selectedMediaType() const { return m_mediaType; }
    QString selectedMediaObject() const { return m_mediaObject; }
    QString SelectedTextType;
    // The selected text object's name escaped by ParseText; the tables hold the plain name.
    QString SelectedTextObject;

    QComboBox* mediacombo = nullptr;
    QListWidget* medialist = nullptr;
    QPushButton* new_media = nullptr;
    QPushButton* rename_media = nullptr;
    QPushButton* delete_media = nullptr;
    QLineEdit* filesize = nullptr;
    QComboBox* alignment = nullptr;
    QLineEdit* width_field = nullptr;
    UpDown* UpDownWidth = nullptr;
    QLineEdit* height_field = nullptr;
    UpDown* UpDownHeight = nullptr;
    QPlainTextEdit* capt = nullptr;
    QCheckBox* chkFloat = nullptr;
    QCheckBox* chkRatio = nullptr;
    QPushButton* cmdOriginalSize = nullptr;
    QLabel* Image1 = nullptr;
    MediaPreview* MediaPlayer1 = nullptr;
    render::Browser* WebBrowser2 = nullptr;

    QComboBox* textcombo = nullptr;
    QListWidget* textlist = nullptr;
    QPushButton* new_text = nullptr;
    QPushButton* rename_text = nullptr;
    QPushButton* delete_text = nullptr;
    QPushButton* edit_text = nullptr;
    QLabel* lblDesc = nullptr;
    QPlainTextEdit* description = nullptr;
    render::Browser* WebBrowser1 = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    QWidget* buildMediaHalf();
    QWidget* buildTextHalf();
    void mediaIdle();
    void textIdle();
    void showMedia(const QString& key, const QString& name);
    void selectEntry(QListWidget* list, const QString& name);
    // The entry at `row`, or the last one when the list became shorter.
    void selectNear(QListWidget* list, int row);
    void renameObject(QListWidget* list, const QString& key, const QString& old);
    // A name typed for a new or renamed object; empty when cancelled or taken.
    QString askName(const QString& key, const QString& prompt, const QString& preset);
    QString mediaKey() const;
    QString textKey() const;
    void showText(const QString& key, const QString& name);
    // The text or quiz editor for the named object; the pool waits disabled.
    void openEditor(const QString& key, const QString& name);
    void editorClosed();
    QString workingFolder() const;
    // The other field of a locked ratio follows the one just edited.
    void keepRatio(bool heightEdited);
    void setDisplayField(QLineEdit* field, UpDown* buddy, int value);
    QSize naturalSize();

    ObjectStore m_store;
    QPointer<QWidget> m_editor; // the open text or quiz editor
    QString m_mediaType;
    QString m_mediaObject;
    QString m_textObject;                         // the shown text object's plain name
    std::optional<std::optional<double>> m_ratio; // measured once per shown object
};

} // namespace koa::objectpool
