#include "store/database.h"
#include "store/schema.h"
#include "tests/support/testsupport.h"
#include "texteditor/charformat.h"
#include "texteditor/documentcharacters.h"
#include "texteditor/richtextfield.h"
#include "texteditor/texteditor.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using namespace koa;
using namespace koa::texteditor;
using Editor = koa::texteditor::texteditor;

namespace {

// Names may hold what the stored-text escape would change.
const QString TextName = u"Intro <1>"_s;
QString internalLink(const QString& target, const QString& text) {
    return test::link('i', u"go"_s, target, text);
}

class TextEditorWindow : public ::testing::Test {
protected:
    void SetUp() override {
        schema::createBlankCourse(m_dir.path());
        test::addLayout(m_store.database(), {u"pages:Zebra"_s, u"pages:apple"_s});
        course().exec(u"INSERT INTO dlinks (name, filename) VALUES ('Manual', '1.pdf')"_s);
        m_pool.show();
    }
    void TearDown() override {
        if (m_editor)
            m_editor->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    Database course() { return Database(m_store.database()); }
    QString stored() { return m_store.markup(TextName); }

    // Opens the editor on the text, now holding `markup`, as the object pool does.
    Editor* open(const QString& markup) {
        course().exec(u"DELETE FROM texts"_s);
        course().exec(u"INSERT INTO texts (name, text) VALUES (?, ?)"_s, {TextName, markup});
        m_editor = new Editor(m_store, TextName, &m_pool);
        m_closed = std::make_unique<QSignalSpy>(m_editor.data(), &Editor::closed);
        m_editor->show();
        EXPECT_TRUE(m_editor->txtLoading->isVisible());
        EXPECT_TRUE(QTest::qWaitFor([&] { return m_editor->isLoaded(); }, 5000));
        EXPECT_FALSE(m_editor->txtLoading->isVisible());
        EXPECT_FALSE(m_pool.isEnabled());
        return m_editor;
    }
    void select(int from, int to) {
        QTextCursor cursor = m_editor->rtText->textCursor();
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        m_editor->rtText->setTextCursor(cursor);
    }
    QTextCharFormat formatAt(int at) {
        return charactersOf(*m_editor->rtText->document(), at, at + 1).value(0).format;
    }
    void type(const QString& text) { QTest::keyClicks(m_editor->rtText, text); }
    void press(const QString& key) { m_editor->button(key)->trigger(); }
    // Presses OK; what is stored then.
    QString ok() {
        QTest::mouseClick(m_editor->cmdOK, Qt::LeftButton);
        return stored();
    }
    void expectClosed() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(m_editor.isNull());
        EXPECT_TRUE(m_pool.isEnabled());
        EXPECT_EQ(m_closed->count(), 1);
    }

    QTemporaryDir m_dir;
    objectpool::ObjectStore m_store{m_dir.path()};
    test::ScriptedScope m_scripted;
    test::ErrorRecorder m_errors;
    QWidget m_pool;
    QPointer<Editor> m_editor;
    std::unique_ptr<QSignalSpy> m_closed;
};

} // namespace

TEST_F(TextEditorWindow, TypedTextTakesTheTypingFormatAndUndoTakesChangesBack) {
    open(QString());
    EXPECT_EQ(test::itemsOf(m_editor->cmbIlink) + test::itemsOf(m_editor->cmbDlink),
              QStringList({u"apple"_s, u"Zebra"_s, u"Manual"_s}));

    type(u"Hi "_s);
    press(u"b"_s); // nothing selected: the following characters are bold
    type(u"bold"_s);
    press(u"n"_s);
    type(u" x"_s);
    press(u"h1"_s);
    type(u"Head"_s);
    EXPECT_EQ(formatAt(11).fontPointSize(), 20);
    QTest::keyClick(m_editor->rtText, Qt::Key_Return);
    type(u"2"_s);

    EXPECT_EQ(ok(), u"Hi <b>bold</b> x<em>Head<br>2</em>"_s);
    expectClosed();

    // Undo toggles a format change and takes typing back.
    open(u"one two"_s);
    select(4, 7);
    press(u"b"_s);
    EXPECT_TRUE(isBold(formatAt(5)));
    press(u"undo"_s);
    EXPECT_FALSE(isBold(formatAt(5)));
    EXPECT_EQ(fontName(formatAt(5)), tag::Normal);
    EXPECT_TRUE(m_editor->button(u"n"_s)->isChecked());
    QTest::keyClick(m_editor->rtText, Qt::Key_Z, Qt::ControlModifier); // the second undo
    EXPECT_TRUE(isBold(formatAt(5)));
    EXPECT_EQ(m_editor->rtText->textCursor().selectedText(), u"two"_s);
    EXPECT_TRUE(m_editor->button(u"b"_s)->isChecked());

    QTest::keyClick(m_editor->rtText, Qt::Key_End);
    type(u"!"_s);
    press(u"undo"_s);
    EXPECT_EQ(m_editor->rtText->toPlainText(), u"one two"_s);
    EXPECT_EQ(ok(), u"one <b>two</b>"_s);
}

TEST_F(TextEditorWindow, InternalLinkWithoutAPageStoresItsPlaceholderAndALongOneIsRefusedOnce) {
    open(u"one two"_s);
    select(0, 3);
    press(u"il"_s);
    EXPECT_TRUE(m_editor->cmbIlink->isVisibleTo(m_editor));
    select(4, 7);
    press(u"il"_s);
    // Choosing a page gives the link around the caret that target.
    select(5, 5);
    m_editor->cmbIlink->setCurrentIndex(1);
    emit m_editor->cmbIlink->activated(1);
    EXPECT_EQ(m_editor->rtText->textCursor().selectedText(), u"two"_s);
    EXPECT_EQ(ok(),
              internalLink(u"ilink"_s, u"one"_s) + u" "_s + internalLink(u"Zebra"_s, u"two"_s));

    // A link of fifty-one characters keeps the window open, once.
    const QString text(51, u'x');
    open(u"a"_s + internalLink(u"apple"_s, text));
    QTest::mouseClick(m_editor->cmdOK, Qt::LeftButton);
    ASSERT_FALSE(m_editor.isNull());
    EXPECT_TRUE(m_editor->isVisible());
    EXPECT_EQ(m_scripted->messages().size(), 1);
    EXPECT_EQ(stored(), u"a"_s + internalLink(u"apple"_s, text));
    EXPECT_EQ(ok(), u"a"_s + text);
    expectClosed();
}

TEST_F(TextEditorWindow, PastingKeepsFormatsAndLinkTargetsButNothingTheMarkupCannotHold) {
    open(u"<b>one</b> "_s + internalLink(u"apple"_s, u"two"_s));
    select(0, 7);
    press(u"copy"_s);
    QTest::keyClick(m_editor->rtText, Qt::Key_End);
    press(u"paste"_s);
    auto* clip = new QMimeData;
    clip->setHtml(
        u"<table><tr><td>a</td><td><img src=x.png>b</td></tr></table><ul><li>c</li></ul>"_s);
    QApplication::clipboard()->setMimeData(clip);
    press(u"paste"_s);
    // The link keeps its target; table cells become lines, the picture goes.
    const QString copied = u"<b>one</b> "_s + internalLink(u"apple"_s, u"two"_s);
    const QString text = ok();
    ASSERT_TRUE(text.startsWith(copied + copied)) << text.toStdString();
    EXPECT_EQ(text.mid(2 * copied.size()).remove(u"<br>"_s), u"abc"_s) << text.toStdString();
    expectClosed();

    // A link to a page copied from one text...
    open(internalLink(u"apple"_s, u"one"_s));
    select(0, 3);
    press(u"copy"_s);
    auto* foreign = new QMimeData; // ...and from where its target is unknown
    foreign->setHtml(QApplication::clipboard()->mimeData()->html());
    m_editor->close();
    expectClosed();

    // Pasted into a text whose link 1 leads elsewhere.
    const QString web = test::link('e', u"xgo"_s, u"http://b.org/"_s, u"<cite>b</cite>"_s);
    open(web + u" "_s);
    QTest::keyClick(m_editor->rtText, Qt::Key_End);
    press(u"paste"_s);
    QApplication::clipboard()->setMimeData(foreign);
    press(u"paste"_s);

    // An external link made there takes the address pasted into its field.
    type(u" two"_s);
    select(9, 12);
    press(u"el"_s);
    EXPECT_EQ(formatAt(9).foreground().color(), QColor(255, 0, 0));
    EXPECT_TRUE(formatAt(9).fontUnderline());
    ASSERT_TRUE(m_editor->txtLink->isEnabled());
    EXPECT_EQ(m_editor->txtLink->text(), u"http://"_s);
    m_editor->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_editor));
    m_editor->txtLink->setFocus();
    m_editor->txtLink->selectAll();
    QApplication::clipboard()->setText(u"http://c.org/"_s);
    m_editor->txtLink->paste();

    // The pasted link keeps its page, the foreign copy is plain text.
    EXPECT_EQ(ok(), web + u" "_s + internalLink(u"apple"_s, u"one"_s) + u"one "_s +
                        test::link('e', u"xgo"_s, u"http://c.org/"_s, u"<cite>two</cite>"_s));
}

TEST_F(TextEditorWindow, CancelAndClosingStoreNothingAndAGoneTextIsAnError) {
    for (bool cancel : {true, false}) {
        open(u"<b>kept</b>"_s);
        type(u"lost"_s);
        if (cancel)
            QTest::mouseClick(m_editor->cmdCancel, Qt::LeftButton);
        else
            m_editor->close();
        EXPECT_EQ(stored(), u"<b>kept</b>"_s);
        expectClosed();
    }
    open(u"two"_s);
    course().exec(u"DELETE FROM texts"_s);
    QTest::mouseClick(m_editor->cmdOK, Qt::LeftButton);
    EXPECT_EQ(m_errors.locations(), QStringList({u"texteditor / cmdOK_Click()"_s}));
    EXPECT_TRUE(m_editor->isVisible());
}
