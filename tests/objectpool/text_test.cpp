#include "objectpool/objectpool.h"
#include "render/browser.h"
#include "shell/editorset.h"
#include "store/coursefiles.h"
#include "store/database.h"
#include "tests/support/anchor.h"
#include "tests/support/pagescript.h"
#include "tests/support/testsupport.h"
#include "texteditor/richtextfield.h"
#include "texteditor/texteditor.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using namespace koa;
using namespace koa::test;

namespace {

class TextObjects : public CourseWindows {
protected:
    void SetUp() override {
        CourseWindows::SetUp();
        m_pool = static_cast<objectpool::objectpool*>(set().window(shell::keys::ObjectPool));
    }
    void TearDown() override {
        deleteWindows<texteditor::texteditor>();
        CourseWindows::TearDown();
    }

    void chooseType(const QString& key) {
        m_pool->textcombo->setCurrentIndex(m_pool->textcombo->findData(key));
        m_pool->textcombo_Click();
    }
    void add(const QString& key, const QString& name) {
        chooseType(key);
        m_scripted->queueInput(name);
        m_pool->new_text_Click();
    }
    void select(const QString& name) {
        m_pool->textlist->setCurrentItem(
            m_pool->textlist->findItems(name, Qt::MatchExactly).value(0));
    }
    QStringList listed() const { return itemsOf(m_pool->textlist); }

    objectpool::objectpool* m_pool = nullptr;
};

} // namespace

TEST_F(TextObjects, ANewTextOpensTheEditorAtOnceWhichHoldsThePool) {
    add(u"texts"_s, u"   "_s); // blanks name nothing: no text, no editor, no message
    EXPECT_EQ(shownWindow<texteditor::texteditor>(), nullptr);
    add(u"texts"_s, u"Welcome <1>"_s);
    texteditor::texteditor* editor = shownWindow<texteditor::texteditor>();
    ASSERT_NE(editor, nullptr);
    EXPECT_FALSE(m_pool->isEnabled()); // until the editor closes
    EXPECT_EQ(m_pool->SelectedTextObject, u"Welcome &#60;1&#62;"_s);
    EXPECT_EQ(listed(), QStringList({u"Welcome <1>"_s}));

    // The window manager's close and the tab strip leave the typed text alone.
    ASSERT_TRUE(waitUntil([&] { return editor->isLoaded(); }, 5000));
    QTest::keyClicks(editor->rtText, u"typed"_s);
    QCloseEvent close;
    QCoreApplication::sendEvent(m_pool, &close);
    EXPECT_FALSE(close.isAccepted());
    set().switchWindow(*m_pool, shell::keys::Composer);
    EXPECT_EQ(set().loaded(shell::keys::ObjectPool), m_pool);
    EXPECT_NE(set().currentWindow, shell::keys::Composer);
    EXPECT_TRUE(m_scripted->messages().isEmpty()); // no save question
    ASSERT_EQ(shownWindow<texteditor::texteditor>(), editor);
    QTest::mouseClick(editor->cmdOK, Qt::LeftButton);
    EXPECT_EQ(course().scalar(u"SELECT text FROM texts"_s), u"typed"_s);
    EXPECT_TRUE(m_pool->isEnabled());
}

TEST_F(TextObjects, KeywordsKeepTheirDescriptionUsedObjectsCannotGoAndDocumentsCarryTheirFile) {
    add(u"keywords"_s, u"Anchor"_s);
    m_pool->description->setPlainText(u"Holds the \"ship\"\nin place"_s);
    add(u"keywords"_s, u"Bow"_s); // the description is stored before the new keyword
    select(u"Anchor"_s);
    EXPECT_EQ(m_pool->description->toPlainText(), u"Holds the \"ship\"\nin place"_s);

    course().exec(u"INSERT INTO texts (name, text) VALUES ('Harbour', ?)"_s,
                  {link('k', u"keyword"_s, u"anchor"_s, u"<dfn>anchor</dfn>"_s)});
    m_pool->delete_text_Click();
    select(u"Bow"_s);
    m_pool->delete_text_Click();
    EXPECT_EQ(listed(), QStringList({u"Anchor"_s}));

    chooseType(u"texts"_s); // a new type: nothing selected until chosen
    EXPECT_TRUE(m_pool->SelectedTextObject.isEmpty());

    // A renamed quiz stays placed.
    course().exec(u"INSERT INTO quizes (name, text) VALUES ('Check', 'Which?')"_s);
    addLayout(database(), {u"quizes:Check"_s});
    chooseType(u"quizes"_s);
    select(u"Check"_s);
    m_scripted->queueInput(u"Final check"_s);
    m_pool->rename_text_Click();
    EXPECT_EQ(listed(), QStringList({u"Final check"_s}));
    m_pool->delete_text_Click();

    // Documents carry their file and are deleted when only linked.
    const QString doc = m_dir.filePath(u"safety.pdf"_s);
    writeFile(doc, "%PDF-1.4");
    chooseType(u"dlinks"_s);
    m_scripted->queueInput(u"Rules"_s); // and the file dialog is cancelled
    m_pool->new_text_Click();
    EXPECT_TRUE(listed().isEmpty());

    m_scripted->queueInput(u"Rules"_s);
    m_scripted->queueFile(doc);
    m_pool->new_text_Click();
    const QString copied = m_anchor->files().folder().workingFolder() + u"/documents/1.pdf"_s;
    EXPECT_EQ(readFile(copied), "%PDF-1.4");
    select(u"Rules"_s);
    course().exec(
        u"INSERT INTO texts (name, text) VALUES ('Intro', '<a type=d href=x>Rules</a>')"_s);

    m_pool->delete_text_Click();
    EXPECT_TRUE(listed().isEmpty());
    // Nothing else asked or told: not the cancelled dialog, nor the document's adding and deleting.
    EXPECT_EQ(m_scripted->messages(),
              QStringList({u"Cannot delete keyword - it is beeing used in 'Harbour'."_s,
                           u"Cannot delete object - it is beeing used in the composer."_s}));
}

TEST_F(TextObjects, ThePreviewShowsForeignMarkupAsTextUnderItsLabelInTheCourseFonts) {
    // A text from a course written elsewhere, with markup the editor never writes.
    course().exec(u"INSERT INTO texts (name, text) VALUES ('Foreign', ?), ('Empty', ''), "
                  "('Head', '<em>Big</em>')"_s,
                  {u"<img src=x onerror=\"document.title='ran'\"><b>bold</b><script>x</script>"_s});
    m_pool->show();
    chooseType(u"texts"_s);
    render::Browser* preview = m_pool->WebBrowser1;
    auto shown = [&](const QString& name, const QString& script) {
        select(name);
        EXPECT_TRUE(
            waitUntil([&] { return preview->readyState() == render::Browser::Complete; }, 20000));
        return evalIn(preview->page(), script);
    };
    EXPECT_EQ(shown(u"Foreign"_s, u"document.images.length + '|' + document.title + '|' + "
                                  "document.querySelectorAll('b, script').length + '|' + "
                                  "document.body.innerText"_s),
              u"0||1|<img src=x onerror=\"document.title='ran'\">bold<script>x</script>"_s);
    // Nothing at all shows for an empty text: no quotation marks around it.
    EXPECT_EQ(shown(u"Empty"_s, u"var q = document.querySelector('q'); "
                                "document.body.innerText.trim() + '|' + "
                                "q.getBoundingClientRect().width + '|' + "
                                "/sans-serif$/.test(getComputedStyle(q).fontFamily)"_s),
              u"|0|true"_s);
    EXPECT_EQ(shown(u"Head"_s,
                    u"var em = document.querySelector('em'); "
                    "getComputedStyle(em).fontSize + ' ' + getComputedStyle(em).fontStyle"_s),
              u"26.6667px normal"_s);
    EXPECT_EQ(m_pool->lblDesc->text(), u"Preview"_s);
    EXPECT_FALSE(m_pool->description->isVisible());
    EXPECT_TRUE(m_pool->lblDesc->x() == preview->x() && m_pool->lblDesc->y() < preview->y());
}
