#include "editors/quiz.h"
#include "store/database.h"
#include "tests/support/testsupport.h"

#include <optional>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using namespace koa;
using namespace koa::editors;
using namespace koa::test;

namespace {

// Names may hold what the escaping would change; the window gets them as stored.
const QString QuizName = u"Fire <drill>"_s;
const QString Question = u"Which are safe?"_s;
const QuizStatement Undefined{u"Undefined statement"_s, true};
using Statements = QList<QuizStatement>;
const Statements Three = {
    {u"Smoke rises"_s, true}, {u"Lifts are safe"_s, false}, {u"Stairs"_s, false}};

// The window's part: the store is tested on its own.
class QuizEditor : public PoolEditorTest<quiz> {
protected:
    void SetUp() override {
        PoolEditorTest::SetUp();
        Database(m_path).exec(u"INSERT INTO quizes (name) VALUES (?)"_s, {QuizName});
    }

    Quiz stored() { return QuizStore(m_path).load(QuizName); }
    // The window on the question and `statements`; on a missing quiz without them.
    quiz& open(const std::optional<Statements>& statements = Statements()) {
        if (statements)
            QuizStore(m_path).save(QuizName, {Question, *statements});
        else
            Database(m_path).exec(u"DELETE FROM quizes"_s);
        return show(new quiz(m_path, QuizName, &m_pool));
    }
    void select(int row) {
        m_window->statementlist->setCurrentItem(m_window->statementlist->topLevelItem(row));
    }

    QString m_path = m_dir.filePath(u"koa.kod"_s);
};

} // namespace

TEST_F(QuizEditor, OpensOnTheFirstStatementAndOkAloneStoresTheChangedOption) {
    quiz& w = open(Three);
    EXPECT_FALSE(m_pool.isEnabled());
    EXPECT_EQ(w.quiztext->toPlainText(), Question);
    EXPECT_EQ(w.statement->text(), u"Smoke rises"_s);
    EXPECT_TRUE(w.trueoption->isChecked());
    select(1);
    EXPECT_EQ(w.statement->text(), u"Lifts are safe"_s);
    EXPECT_TRUE(w.falseoption->isChecked());
    w.trueoption->click();
    QTest::keyClicks(w.statement, u" fast"_s);
    w.quiztext->setPlainText(u"Changed"_s);
    w.newButton->click();
    w.cancel->click();
    EXPECT_EQ(stored(), (Quiz{Question, Three}));
    expectClosed();

    // The choice is stored by Ok, which commits the entry being edited first.
    quiz& again = open(Three);
    again.falseoption->click();
    again.ok->click();
    EXPECT_EQ(stored().statements, Statements({{Three[0].text, false}, Three[1], Three[2]}));
    expectClosed();
}

TEST_F(QuizEditor, BlanksAreStoredAsUndefinedQuotesAndLineBreaksNeverGetIn) {
    quiz& w = open(Statements(2, Three[0]));
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));

    // When the focus leaves the box.
    w.statement->setFocus();
    w.statement->selectAll();
    QTest::keyClicks(w.statement, u"   "_s);
    w.quiztext->setFocus();
    EXPECT_EQ(w.statementlist->topLevelItem(0)->text(0), Undefined.text);
    EXPECT_EQ(w.statement->text(), Undefined.text);

    // And when Ok is reached without leaving it.
    select(1);
    w.statement->setFocus();
    w.statement->selectAll();
    QTest::keyClicks(w.statement, u" "_s);
    w.ok->click();
    EXPECT_EQ(stored().statements, Statements(2, Undefined));

    // Quotes and line breaks are neither typed nor pasted in.
    quiz& one = open(Three.first(1));
    one.quiztext->moveCursor(QTextCursor::End);
    QTest::keyClick(one.quiztext, Qt::Key_Return);
    QTest::keyClicks(one.quiztext, u"it's \"3\""_s);
    QApplication::clipboard()->setText(u" 'a' \"b\""_s);
    one.quiztext->paste();

    one.statement->end(false);
    QTest::keyClicks(one.statement, u" 'up'"_s);
    QTest::keyClick(one.statement, Qt::Key_Return);
    QApplication::clipboard()->setText(u"\"and\"\r\nout"_s);
    one.statement->paste();
    EXPECT_EQ(one.statement->text(), u"Smoke rises upand out"_s);
    one.ok->click();
    EXPECT_EQ(stored(), (Quiz{Question + u"\nits 3 a b"_s, {{one.statement->text(), true}}}));
}

TEST_F(QuizEditor, NewStatementsAreUndefinedAndTrueDeleteAndClearAllForgetTheEditedOne) {
    quiz& empty = open();
    // With no entry there is nothing to type into.
    EXPECT_FALSE(empty.statement->isEnabled());
    QTest::keyClicks(empty.statement, u"lost"_s);
    EXPECT_EQ(empty.statement->text(), QString());

    for (int i = 0; i < 3; ++i)
        empty.newButton->click();
    EXPECT_EQ(empty.statement->text(), Undefined.text);
    empty.ok->click();
    EXPECT_EQ(stored().statements, Statements(3, Undefined));
    expectClosed();

    // Delete shows the next statement, whose option is then stored.
    quiz& w = open(Three);
    w.deleteButton->click();
    EXPECT_EQ(w.statement->text(), Three[1].text);
    EXPECT_TRUE(w.falseoption->isChecked());
    w.trueoption->click();
    w.ok->click();
    EXPECT_EQ(stored().statements, Statements({{Three[1].text, true}, Three[2]}));

    // After Clear all the next click stores the choice in the new entry alone.
    quiz& again = open(Three);
    select(1);
    again.clear->click();
    EXPECT_EQ(again.statement->text(), QString());
    again.newButton->click();
    again.falseoption->click();
    again.ok->click();
    EXPECT_EQ(stored(), (Quiz{QString(), {{Undefined.text, false}}}));
}

TEST_F(QuizEditor, AFailedSaveKeepsTheWindowAndAMissingQuizCanOnlyBeCancelled) {
    quiz& w = open(Three);
    Database(m_path).exec(u"DELETE FROM quizes"_s);
    w.ok->click();
    EXPECT_EQ(m_errors.locations(), QStringList({u"Quiz / save_data()"_s}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(m_window.isNull());
    EXPECT_EQ(m_closed, 0);
    w.cancel->click();

    quiz& again = open(std::nullopt);
    EXPECT_EQ(m_errors.locations().last(), u"Quiz / Form_Load()"_s);
    EXPECT_FALSE(again.ok->isEnabled());
    EXPECT_TRUE(again.quizName().isEmpty());
    again.cancel->click();
    expectClosed();
}
