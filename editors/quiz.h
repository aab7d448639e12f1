#pragma once

#include "quizstore.h"

#include <QPersistentModelIndex>
#include <QPointer>
#include <QString>
#include <QWidget>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace koa::editors {

// The quiz editor: the question of one quiz and its statements, each true or
// false. It opens without blocking its caller, keeps the object pool disabled
// while it is open and deletes itself when it closes (Ok, Cancel or the
// window's close button), emitting closed() first.
class quiz : public QWidget {
    Q_OBJECT
public:
    // `quizName` is the name as stored in `quizes.name`. Call show() afterwards.
    quiz(const QString& databasePath, const QString& quizName, QWidget* objectPool);
    ~quiz() override;

    // The stored name of the quiz being edited; empty when it could not be loaded.
    QString quizName() const { return m_quizName; }

    // Stores the question and the statements in one transaction; false when
    // nothing was stored.
    bool save_data();

    QPlainTextEdit* quiztext = nullptr;
    QTreeWidget* statementlist = nullptr;
    QLineEdit* statement = nullptr;
    QRadioButton* trueoption = nullptr;
    QRadioButton* falseoption = nullptr;
    QPushButton* newButton = nullptr;    // object name "new"
    QPushButton* deleteButton = nullptr; // object name "delete"
    QPushButton* clear = nullptr;
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;

signals:
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildControls();
    void Form_Load(const QString& quizName);
    void Form_Activate();
    void Form_Unload();

    void statementlist_Click();
    void statementlist_GotFocus(Qt::FocusReason reason);
    void statement_Change(const QString& text);
    void statement_lostFocus();
    void new_Click();
    void delete_Click();
    void clear_Click();
    void ok_Click();
    void cancel_Click();

    void addEntry(const QuizStatement& statement);
    void showEntry(const QTreeWidgetItem* entry);
    void updateControls();

    QuizStore m_store;
    QString m_quizName;
    QPointer<QWidget> m_objectPool;
    // The entry whose option choice is still to be stored; a persistent index
    // so that a removed entry can never be reached through it.
    QPersistentModelIndex m_currentItem;
    bool m_loaded = false;
    bool m_activated = false;
    bool m_unloaded = false;
};

} // namespace koa::editors
