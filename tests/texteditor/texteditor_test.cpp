#include "store/database.h"
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
#include <QPushButton>
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

class TextEditorWindow : public test::PoolEditorTest<Editor> {
protected:
    void SetUp() override {
        PoolEditorTest::SetUp();
        test::addLayout(m_store.database(), {u"pages:Zebra"_s, u"pages:apple"_s, u"pages:zebra"_s});
        course().exec(u"INSERT INTO dlinks (name, filename) VALUES ('Manual', '1.pdf')"_s);
        m_pool.show();
    }

    Database course() { return Database(m_store.database()); }
    QString stored() { return m_store.markup(TextName); }

    // Opens the editor on the text, now holding `markup`, as the object pool does.
    Editor* open(const QString& markup) {
        course().exec(u"DELETE FROM texts"_s);
        course().exec(u"INSERT INTO texts (name, text) VALUES (?, ?)"_s, {TextName, markup});
        show(new Editor(m_store, TextName, &m_pool));
        EXPECT_TRUE(m_window->txtLoading->isVisible());
        EXPECT_TRUE(QTest::qWaitFor([&] { return m_window->isLoaded(); }, 5000));
        EXPECT_FALSE(m_window->txtLoading->isVisible());
        EXPECT_FALSE(m_pool.isEnabled());
        return m_window;
    }
    void select(int from, int to) {
        QTextCursor cursor = m_window->rtText->textCursor();
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        m_window->rtText->setTextCursor(cursor);
    }
    QTextCharFormat formatAt(int at) {
        return charactersOf(*m_window->rtText->document(), at, at + 1).value(0).format;
    }
    void type(const QString& text) { QTest::keyClicks(m_window->rtText, text); }
    void press(const QString& key) { m_window->button(key)->trigger(); }
    // Presses OK; what is stored then.
    QString ok() {
        QTest::mouseClick(m_window->cmdOK, Qt::LeftButton);
        return stored();
    }

    objectpool::ObjectStore m_store{m_dir.path()};
    test::ScriptedScope m_scripted;
};

} // namespace

TEST_F(TextEditorWindow, TypedTextTakesTheTypingFormatAndUndoTakesChangesBack) {
    open(QString());
    EXPECT_EQ(test::itemsOf(m_window->cmbIlink) + test::itemsOf(m_window->cmbDlink),
              QStringList({u"apple"_s, u"Zebra"_s, u"Manual"_s}));

    type(u"Hi "_s);
    press(u"b"_s); // nothing selected: the following characters are bold
    type(u"bold"_s);
    press(u"n"_s);
    type(u" x"_s);
    press(u"h1"_s);
    type(u"Head"_s);
    EXPECT_EQ(formatAt(11).fontPointSize(), 20);
    QTest::keyClick(m_window->rtText, Qt::Key_Return);
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
    EXPECT_TRUE(m_window->button(u"n"_s)->isChecked());
    QTest::keyClick(m_window->rtText, Qt::Key_Z, Qt::ControlModifier); // the second undo
    EXPECT_TRUE(isBold(formatAt(5)));
    EXPECT_EQ(m_window->rtText->textCursor().selectedText(), u"two"_s);
    EXPECT_TRUE(m_window->button(u"b"_s)->isChecked());

    QTest::keyClick(m_window->rtText, Qt::Key_End);
    type(u"!"_s);
    press(u"undo"_s);
    EXPECT_EQ(m_window->rtText->toPlainText(), u"one two"_s);
    EXPECT_EQ(ok(), u"one <b>two</b>"_s);
}

TEST_F(TextEditorWindow, InternalLinkWithoutAPageStoresItsPlaceholderAndALongOneIsRefusedOnce) {
    open(u"one two"_s);
    select(0, 3);
    press(u"il"_s);
    EXPECT_TRUE(m_window->cmbIlink->isVisibleTo(m_window));
    select(4, 7);
    press(u"il"_s);
    // Choosing a page gives the link around the caret that target.
    select(5, 5);
    m_window->cmbIlink->setCurrentIndex(1);
    emit m_window->cmbIlink->activated(1);
    EXPECT_EQ(m_window->rtText->textCursor().selectedText(), u"two"_s);
    EXPECT_EQ(ok(),
              internalLink(u"ilink"_s, u"one"_s) + u" "_s + internalLink(u"Zebra"_s, u"two"_s));

    // A link of fifty-one characters keeps the window open, once.
    const QString text(51, u'x');
    open(u"a"_s + internalLink(u"apple"_s, text));
    QTest::mouseClick(m_window->cmdOK, Qt::LeftButton);
    ASSERT_FALSE(m_window.isNull());
    EXPECT_TRUE(m_window->isVisible());
    EXPECT_EQ(m_scripted->messages().size(), 1);
    EXPECT_EQ(stored(), u"a"_s + internalLink(u"apple"_s, text));
    EXPECT_EQ(ok(), u"a"_s + text);
    expectClosed();
}

TEST_F(TextEditorWindow, PastingKeepsFormatsAndLinkTargetsButNothingTheMarkupCannotHold) {
    open(u"<b>one</b> "_s + internalLink(u"apple"_s, u"two"_s));
    select(0, 7);
    press(u"copy"_s);
    QTest::keyClick(m_window->rtText, Qt::Key_End);
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
    m_window->close();
    expectClosed();

    // Pasted into a text whose link 1 leads elsewhere.
    const QString web = test::link('e', u"xgo"_s, u"http://b.org/"_s, u"<cite>b</cite>"_s);
    open(web + u" "_s);
    QTest::keyClick(m_window->rtText, Qt::Key_End);
    press(u"paste"_s);
    QApplication::clipboard()->setMimeData(foreign);
    press(u"paste"_s);

    // An external link made there takes the address pasted into its field.
    type(u" two"_s);
    select(9, 12);
    press(u"el"_s);
    EXPECT_EQ(formatAt(9).foreground().color(), QColor(255, 0, 0));
    EXPECT_TRUE(formatAt(9).fontUnderline());
    ASSERT_TRUE(m_window->txtLink->isEnabled());
    EXPECT_EQ(m_window->txtLink->text(), u"http://"_s);
    m_window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_window));
    m_window->txtLink->setFocus();
    m_window->txtLink->selectAll();
    QApplication::clipboard()->setText(u"http://c.org/"_s);
    m_window->txtLink->paste();

    // The pasted link keeps its page, the foreign copy is plain text.
    EXPECT_EQ(ok(), web + u" "_s + internalLink(u"apple"_s, u"one"_s) + u"one "_s +
                        test::link('e', u"xgo"_s, u"http://c.org/"_s, u"<cite>two</cite>"_s));
}

TEST_F(TextEditorWindow, CancelAndClosingStoreNothingAndAGoneTextIsAnError) {
    for (bool cancel : {true, false}) {
        open(u"<b>kept</b>"_s);
        type(u"lost"_s);
        if (cancel)
            QTest::mouseClick(m_window->cmdCancel, Qt::LeftButton);
        else
            m_window->close();
        EXPECT_EQ(stored(), u"<b>kept</b>"_s);
        expectClosed();
    }
    open(u"two"_s);
    course().exec(u"DELETE FROM texts"_s);
    QTest::mouseClick(m_window->cmdOK, Qt::LeftButton);
    EXPECT_EQ(m_errors.locations(), QStringList({u"texteditor / cmdOK_Click()"_s}));
    EXPECT_TRUE(m_window->isVisible());
}
