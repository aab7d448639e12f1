#pragma once

#include "markup.h"
#include "objectpool/objectstore.h"

#include <QPointer>
#include <QString>
#include <QTextCharFormat>
#include <QTimer>
#include <QWidget>

class QAction;
class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolBar;

namespace koa::texteditor {

class RichTextField;

// The text editor window: edits the formatted text of one text object and
// stores it as markup on OK. It does not block its opener: while it is open
// the object pool is disabled; on any close it enables and activates the pool
// again, emits closed() and deletes itself. Open it with
// `(new texteditor(...))->show()`; the text loads once the window is visible.
class texteditor : public QWidget {
    Q_OBJECT
public:
    // `textName` is the name as stored (not escaped). `objectPool` is not the
    // window's parent.
    texteditor(objectpool::ObjectStore store, QString textName, QWidget* objectPool);

    // True once the text has been loaded into rtText.
    bool isLoaded() const { return m_loaded; }
    // The toolbar button of a key ("h1", "b", "el", "cut", ...).
    QAction* button(const QString& key) const;
    const LinkTargets& linkTargets() const { return m_markup.targets(); }

    void Timer1_Timer();
    void tbToolBar_ButtonClick(const QString& key);
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdReset_Click();
    void cmbIlink_Click();
    void cmbDlink_Click();
    void txtLink_GotFocus();
    // The field's text changed by the author: the link's target follows.
    void txtLink_Change();
    void txtLink_LostFocus();
    // Extends the selection over the link around the caret and opens its
    // detail control; false when there is no link there.
    bool mark();
    void formatMode();
    void handleUndo();
    // The markup of rtText; false in `ok` when it must not be stored.
    QString rtf2html(bool& ok);
    void ShowMessage(const QString& text);

    RichTextField* rtText = nullptr;
    QToolBar* tbToolBar = nullptr;
    QComboBox* cmbIlink = nullptr;
    QComboBox* cmbDlink = nullptr;
    QLineEdit* txtLink = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdClean = nullptr;
    QLabel* txtLoading = nullptr;
    QLineEdit* Text1 = nullptr;
    QTimer Timer1;

signals:
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // What the next undo works on.
    struct UndoRecord {
        QString lastAction; // "fontChange", "cut", "copy", "paste", "keyPress", "keypress"
        int start = 0;
        int length = 0;
        QTextCharFormat typing;   // the typing format on the other side of the change
        bool changedText = false; // the change is one step of the document's undo history
        int stepsBefore = 0;      // that history's length before and after the change
        int stepsAfter = 0;
        bool undone = false;
    };

    void buildControls();
    void Form_Load();
    void Form_Unload();
    bool rtText_KeyPress(QKeyEvent* event);
    void rtText_KeyDown(QKeyEvent* event);
    void rtText_KeyUp();
    void rtText_MouseUp();
    void caretMoved();
    void showFontName();
    void setSelectionFontName(const QString& name);
    void chooseTarget(const QString& target);

    objectpool::ObjectStore m_store;
    QString m_textName;
    QPointer<QWidget> m_objectPool;
    Markup m_markup;
    QTextCharFormat m_typing;
    UndoRecord m_undo;
    int m_txtLinkEntry = 0; // the link-target entry that txtLink writes to
    bool m_loaded = false;
    bool m_timerStarted = false;
};

} // namespace koa::texteditor
