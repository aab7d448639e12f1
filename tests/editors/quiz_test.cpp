#include "editors/quiz.h"
#include "store/database.h"
#include "store/schema.h"
#include "tests/support/testsupport.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using namespace koa;
using namespace koa::test;

namespace {

// Names may hold what the escaping would change; the window gets them as stored.
const QString QuizName = u"Fire <drill>"_s;

class QuizEditor : public ::testing::Test {
protected:
    void SetUp() override {
        schema::createBlankCourse(m_dir.path());
        m_path = m_dir.filePath(u"koa.kod"_s);
        course().exec(u"INSERT INTO quizes (name, text) VALUES (?, 'Which are safe?')"_s,
                      {QuizName});
    }
    void TearDown() override {
        if (m_window)
            m_window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    Database course() { return Database(m_path); }
    void addStatements(const QStringList& rows) { // "text:status"
        for (const QString& row : rows)
            course().exec(
                u"INSERT INTO statements (quizname, statement, status) VALUES (?, ?, ?)"_s,
                {QuizName, row.section(u':', 0, 0), row.section(u':', 1)});
    }
    QStringList storedStatements() {
        QStringList rows;
        Database db = course();
        QSqlQuery q = db.exec(u"SELECT statement, status FROM statements "
                              "WHERE quizname = ? ORDER BY rowid"_s,
                              {QuizName});
        while (q.next())
            rows << q.value(0).toString() + u':' + q.value(1).toString();
        return rows;
    }
    QString storedText() {
        return course().scalar(u"SELECT text FROM quizes WHERE name = ?"_s, {QuizName}).toString();
    }
    editors::quiz& open(const QString& name = QuizName) {
        m_window = new editors::quiz(m_path, name, &m_pool);
        QObject::connect(m_window, &editors::quiz::closed, [this] { ++m_closed; });
        m_window->show();
        return *m_window;
    }
    // The window closed, gave the object pool back and is gone.
    void expectClosed() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(m_window.isNull());
        EXPECT_EQ(m_closed, 1);
        EXPECT_TRUE(m_pool.isEnabled());
    }

    QTemporaryDir m_dir;
    QString m_path;
    QWidget m_pool;
    ErrorRecorder m_errors;
    QPointer<editors::quiz> m_window;
    int m_closed = 0;
};

} // namespace

TEST_F(QuizEditor, OpensOnTheFirstStatementAndOkStoresTheChangedOption) {
    addStatements({u"Smoke rises:true"_s, u"Lifts are safe:false"_s, u"Stairs:TRUE"_s});
    editors::quiz& w = open();
    EXPECT_FALSE(m_pool.isEnabled());
    EXPECT_EQ(w.quiztext->toPlainText(), u"Which are safe?"_s);
    EXPECT_EQ(w.statementlist->currentItem(), w.statementlist->topLevelItem(0));
    EXPECT_EQ(w.statement->text(), u"Smoke rises"_s);
    EXPECT_TRUE(w.trueoption->isChecked());

    w.statementlist->setCurrentItem(w.statementlist->topLevelItem(1));
    EXPECT_EQ(w.statement->text(), u"Lifts are safe"_s);
    EXPECT_TRUE(w.falseoption->isChecked());

    // The choice is stored by Ok, which commits the entry being edited first.
    w.statementlist->setCurrentItem(w.statementlist->topLevelItem(0));
    w.falseoption->click();
    w.ok->click();
    EXPECT_EQ(storedStatements(),
              QStringList({u"Smoke rises:false"_s, u"Lifts are safe:false"_s, u"Stairs:true"_s}));
    expectClosed();
}

TEST_F(QuizEditor, CancelStoresNothing) {
    addStatements({u"Smoke rises:true"_s});
    editors::quiz& w = open();
    w.falseoption->click();
    QTest::keyClicks(w.statement, u" fast"_s);
    w.quiztext->setPlainText(u"Changed"_s);
    w.newButton->click();
    w.cancel->click();
    EXPECT_EQ(storedStatements(), QStringList({u"Smoke rises:true"_s}));
    EXPECT_EQ(storedText(), u"Which are safe?"_s);
    expectClosed();
}

TEST_F(QuizEditor, NewStatementsAreStoredAsUndefinedAndTrue) {
    editors::quiz& w = open();
    // With no entry there is nothing to type into.
    EXPECT_FALSE(w.statement->isEnabled());
    QTest::keyClicks(w.statement, u"lost"_s);
    EXPECT_EQ(w.statement->text(), QString());

    for (int i = 0; i < 3; ++i)
        w.newButton->click();
    EXPECT_EQ(w.statement->text(), u"Undefined statement"_s);
    w.ok->click();
    EXPECT_EQ(storedStatements(), QStringList(3, u"Undefined statement:true"_s));
    expectClosed();
}

TEST_F(QuizEditor, AStatementEmptiedToBlanksIsStoredAsUndefined) {
    addStatements({u"Smoke rises:true"_s, u"Stairs:true"_s});
    editors::quiz& w = open();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));

    // When the focus leaves the box.
    w.statement->setFocus();
    w.statement->selectAll();
    QTest::keyClicks(w.statement, u"   "_s);
    EXPECT_EQ(w.statementlist->topLevelItem(0)->text(0), u"   "_s);
    w.quiztext->setFocus();
    EXPECT_EQ(w.statementlist->topLevelItem(0)->text(0), u"Undefined statement"_s);
    EXPECT_EQ(w.statement->text(), u"Undefined statement"_s);

    // And when Ok is reached without leaving it.
    w.statementlist->setCurrentItem(w.statementlist->topLevelItem(1));
    w.statement->setFocus();
    w.statement->selectAll();
    QTest::keyClicks(w.statement, u" "_s);
    w.ok->click();
    EXPECT_EQ(storedStatements(), QStringList(2, u"Undefined statement:true"_s));
}

TEST_F(QuizEditor, DeleteShowsTheNextStatementWhoseOptionIsThenStored) {
    addStatements({u"Smoke rises:true"_s, u"Lifts are safe:false"_s, u"Stairs:false"_s});
    editors::quiz& w = open();
    w.deleteButton->click();
    EXPECT_EQ(w.statement->text(), u"Lifts are safe"_s);
    EXPECT_TRUE(w.falseoption->isChecked());
    w.trueoption->click();
    w.ok->click();
    EXPECT_EQ(storedStatements(), QStringList({u"Lifts are safe:true"_s, u"Stairs:false"_s}));
}

TEST_F(QuizEditor, ClearAllForgetsTheStatementBeingEdited) {
    addStatements({u"Smoke rises:true"_s, u"Lifts are safe:false"_s});
    editors::quiz& w = open();
    w.statementlist->setCurrentItem(w.statementlist->topLevelItem(1));
    w.clear->click();
    EXPECT_EQ(w.statementlist->topLevelItemCount(), 0);
    EXPECT_EQ(w.quiztext->toPlainText(), QString());
    EXPECT_EQ(w.statement->text(), QString());

    // The next click stores the choice in the new entry and nowhere else.
    w.newButton->click();
    w.falseoption->click();
    w.ok->click();
    EXPECT_EQ(storedStatements(), QStringList({u"Undefined statement:false"_s}));
    EXPECT_EQ(storedText(), QString());
}

TEST_F(QuizEditor, QuestionKeepsLineBreaksAndQuotesButNoneAreTypedIn) {
    course().exec(u"UPDATE quizes SET text = ?"_s,
                  {u"Line one<br>Ann&#39;s &#34;best&#34; &#60;pick&#62;"_s});
    addStatements({u"Smoke rises:true"_s});
    editors::quiz& w = open();
    EXPECT_EQ(w.quiztext->toPlainText(), u"Line one\nAnn's \"best\" <pick>"_s);

    w.quiztext->moveCursor(QTextCursor::End);
    QTest::keyClick(w.quiztext, Qt::Key_Return);
    QTest::keyClicks(w.quiztext, u"it's \"3\""_s);
    QApplication::clipboard()->setText(u" 'a' \"b\""_s);
    w.quiztext->paste();
    EXPECT_EQ(w.quiztext->toPlainText(), u"Line one\nAnn's \"best\" <pick>\nits 3 a b"_s);

    w.statement->end(false);
    QTest::keyClicks(w.statement, u" 'up'"_s);
    QTest::keyClick(w.statement, Qt::Key_Return);
    QApplication::clipboard()->setText(u"\"and\"\r\nout"_s);
    w.statement->paste();
    EXPECT_EQ(w.statement->text(), u"Smoke rises upand out"_s);

    w.ok->click();
    EXPECT_EQ(storedText(), u"Line one<br>Ann&#39;s &#34;best&#34; &#60;pick&#62;<br>its 3 a b"_s);
    EXPECT_EQ(storedStatements(), QStringList({u"Smoke rises upand out:true"_s}));
}

TEST_F(QuizEditor, AFailedSaveKeepsTheWindowAndTheStoredStatements) {
    addStatements({u"Smoke rises:true"_s});
    editors::quiz& w = open();
    w.newButton->click();
    // The quiz row is gone by the time the statements have been rewritten.
    course().exec(u"DELETE FROM quizes"_s);
    w.ok->click();
    EXPECT_EQ(m_errors.locations(), QStringList({u"Quiz / save_data()"_s}));
    EXPECT_EQ(storedStatements(), QStringList({u"Smoke rises:true"_s}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(m_window.isNull());
    EXPECT_EQ(m_closed, 0);

    // Opened again, the missing quiz can only be cancelled.
    w.cancel->click();
    m_closed = 0;
    editors::quiz& again = open();
    EXPECT_EQ(m_errors.locations().last(), u"Quiz / Form_Load()"_s);
    EXPECT_FALSE(again.ok->isEnabled());
    again.cancel->click();
    expectClosed();
    EXPECT_EQ(storedStatements(), QStringList({u"Smoke rises:true"_s}));
}
