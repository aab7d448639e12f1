// An author's whole road through the real windows: objects made in the object
// pool and its editors, pages laid out in the composer, the course previewed
// in the real browser and followed by its buttons and links, then saved,
// closed, opened again and previewed once more.
#include "composer/composer.h"
#include "composer/droplist.h"
#include "editors/quiz.h"
#include "objectpool/objectpool.h"
#include "render/preview.h"
#include "tests/support/anchor.h"
#include "tests/support/mediafiles.h"
#include "tests/support/pagescript.h"
#include "texteditor/richtextfield.h"
#include "texteditor/texteditor.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using namespace koa;
using namespace koa::test;
namespace keys = koa::shell::keys;
using Source = composer::composer::DragSource;

namespace {

// Texts of the pages; "Notes" gets its links in the text editor.
const QString Notes = u"Drop the Anchor, then try the knots."_s;
const QString Farewell = u"Fair winds and farewell."_s;
const QString Moorings = u"Ropes hold the ship at its moorings."_s;

class Road : public CourseWindows {
protected:
    void TearDown() override {
        deleteWindows<texteditor::texteditor, editors::quiz>();
        CourseWindows::TearDown();
    }

    auto* pool() { return static_cast<objectpool::objectpool*>(set().window(keys::ObjectPool)); }
    auto* composer() { return static_cast<composer::composer*>(set().window(keys::Composer)); }
    auto* preview() { return static_cast<render::preview*>(set().window(keys::Preview)); }
    // The tab strip's click in the window that shows.
    void clickTab(const QString& key) { test::clickTab(set().loaded(set().currentWindow), key); }

    void newText(const QString& key, const QString& name) {
        QComboBox* types = pool()->textcombo;
        types->setCurrentIndex(types->findData(key));
        pool()->textcombo_Click();
        m_scripted->queueInput(name);
        pool()->new_text_Click();
    }
    // A new text typed in the text editor, which stays open for its links.
    texteditor::texteditor* typeText(const QString& name, const QString& words) {
        newText(u"texts"_s, name);
        auto* editor = shownWindow<texteditor::texteditor>();
        if (!editor || !waitUntil([&] { return editor->isLoaded(); }, 5000))
            return nullptr;
        QTest::keyClicks(editor->rtText, words);
        return editor;
    }
    void writeText(const QString& name, const QString& words) {
        texteditor::texteditor* editor = typeText(name, words);
        ASSERT_NE(editor, nullptr);
        QTest::mouseClick(editor->cmdOK, Qt::LeftButton);
    }
    void addStatement(editors::quiz* w, const QString& text, bool right) {
        w->newButton->click();
        w->statement->selectAll();
        QTest::keyClicks(w->statement, text);
        (right ? w->trueoption : w->falseoption)->click();
    }

    QTreeWidget* pageList() { return composer()->lstvModule; }
    void selectRow(int row) { pageList()->setCurrentItem(pageList()->topLevelItem(row)); }
    // A new page in front of the module's closing row; its row.
    int newPage() {
        const int row = pageList()->topLevelItemCount() - 1;
        selectRow(row);
        composer()->cmdAddPage_Click();
        return row;
    }
    // Names the page at `row`, gives it an index tab when `tab` is set and
    // places `object` ("type|name") on it.
    void composePage(int row, const QString& name, const QString& tab, const QString& object) {
        composer::composer* c = composer();
        selectRow(row);
        c->txtPageName->setText(name);
        if (!tab.isEmpty()) {
            c->chkTab->setChecked(true);
            c->chkTab_Click();
            c->txtTab->setText(tab);
        }
        c->UpdatePage(row);
        c->lstvModule_OLEDragDrop(
            Source::object(object.section(u'|', 0, 0), object.section(u'|', 1)), row + 1);
    }

    // The course in the preview's browser.
    QWebEnginePage* page() { return preview()->WebBrowser1->page(); }
    QString run(const QString& js) { return evalIn(page(), js); }
    QString frameText(const QString& frame = u"display"_s) {
        return run(everyFrameText(u"frames['%1']"_s.arg(frame))).trimmed();
    }
    // The display frame shows `text`: alone, or with `alone` false among more.
    ::testing::AssertionResult displays(const QString& text, bool alone = true) {
        if (waitUntil([&] { return alone ? frameText() == text : frameText().contains(text); },
                      20000))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "the display shows " << frameText().toStdString();
    }
    // Clicks the first element matching `selector`, then waits as displays() does.
    ::testing::AssertionResult follow(const QString& selector, const QString& text,
                                      bool alone = true) {
        if (!clickOnce(page(), selector))
            return ::testing::AssertionFailure()
                   << "nothing to click at " << selector.toStdString();
        return displays(text, alone);
    }
    // The size the page's picture was loaded in, once it is loaded.
    QString pictureSize() {
        return run(uR"((function () {
            var img = window.frames['display'].document.querySelector('img[src*="pictures/"]');
            return img && img.complete ? img.naturalWidth + 'x' + img.naturalHeight : '';
        })())"_s);
    }
    // Page 3 of module 2 chosen in the composer, then the Preview tab: the Notes and the picture.
    void previewPageThreeOfModuleTwo() {
        composer()->lstvModules->setCurrentItem(composer()->lstvModules->topLevelItem(1));
        selectRow(4);
        clickTab(keys::Preview);
        ASSERT_TRUE(preview()->isVisible());
        EXPECT_TRUE(displays(Notes));
        EXPECT_TRUE(waitUntil([&] { return pictureSize() == u"40x30"_s; }, 10000));
    }

    BrowserWarnings m_warnings;
};

} // namespace

TEST_F(Road, ACourseMadeInTheWindowsShowsItsPagesBeforeAndAfterSaving) {
    // The object pool: a picture, a keyword, a quiz and the plain texts.
    clickTab(keys::ObjectPool);
    objectpool::objectpool* objects = pool();
    objects->mediacombo->setCurrentIndex(objects->mediacombo->findData(u"pictures"_s));
    objects->mediacombo_Click();
    const QString gif = m_dir.filePath(u"harbour.gif"_s);
    writeFile(gif, gifOf(40, 30));
    m_scripted->queueInput(u"Harbour"_s);
    m_scripted->queueFile(gif);
    objects->new_media_Click();

    newText(u"keywords"_s, u"Anchor"_s);
    objects->description->setPlainText(u"Holds the ship in place"_s);

    newText(u"quizes"_s, u"Knots"_s); // stores the keyword's description first
    auto* quiz = shownWindow<editors::quiz>();
    ASSERT_NE(quiz, nullptr);
    quiz->quiztext->setPlainText(u"Which knots hold?"_s);
    addStatement(quiz, u"Bowline"_s, true);
    addStatement(quiz, u"Granny"_s, false);
    quiz->ok->click();
    ASSERT_TRUE(objects->isEnabled());

    writeText(u"Welcome"_s, u"Welcome aboard the training ship."_s);
    writeText(u"Arrival"_s, u"You arrive in the harbour."_s);
    writeText(u"Moorings"_s, Moorings);
    writeText(u"Farewell"_s, Farewell);

    // The composer: two modules; the new course's module and page are renamed.
    clickTab(keys::Composer);
    composer()->txtAddModule->setText(u"Deck"_s);
    composer()->UpdateModuleName();
    composePage(0, u"Welcome"_s, u"Start"_s, u"texts|Welcome"_s);
    composePage(newPage(), u"Knots quiz"_s, QString(), u"quizes|Knots"_s);
    m_scripted->queueInput(u"Harbour"_s);
    composer()->cmdAddModule_Click();
    composePage(0, u"Arrival"_s, u"Arrive"_s, u"texts|Arrival"_s);
    composePage(newPage(), u"Moorings"_s, QString(), u"texts|Moorings"_s);
    composePage(newPage(), u"Deck notes"_s, u"Notes"_s, u"pictures|Harbour"_s);
    composePage(newPage(), u"Farewell"_s, QString(), u"texts|Farewell"_s);

    // Back in the pool: a text with a keyword link and a link to a named page.
    clickTab(keys::ObjectPool);
    texteditor::texteditor* editor = typeText(u"Notes"_s, Notes);
    ASSERT_NE(editor, nullptr);
    editor->rtText->setTextCursor(editor->rtText->document()->find(u"Anchor"_s));
    editor->button(u"k"_s)->trigger();
    editor->rtText->setTextCursor(editor->rtText->document()->find(u"the knots"_s));
    editor->button(u"il"_s)->trigger();
    const int target = editor->cmbIlink->findText(u"Knots quiz"_s);
    ASSERT_GE(target, 0);
    editor->cmbIlink->setCurrentIndex(target);
    emit editor->cmbIlink->activated(target);
    QTest::mouseClick(editor->cmdOK, Qt::LeftButton);

    // Placed above the picture of page 3 in module 2, which the composer still shows.
    clickTab(keys::Composer);
    ASSERT_EQ(composer()->currentModule(), u"Harbour"_s);
    composer()->lstvModule_OLEDragDrop(Source::object(u"texts"_s, u"Notes"_s), 5);
    ASSERT_EQ(itemsOf(pageList()),
              QStringList({u"Arrival"_s, u"Arrival"_s, u"Moorings"_s, u"Moorings"_s,
                           u"Deck notes"_s, u"Notes"_s, u"Harbour"_s, u"Farewell"_s, u"Farewell"_s,
                           u"[END OF MODULE]"_s}));

    // The preview shows that page alone, with the tabs of its own module.
    previewPageThreeOfModuleTwo();
    const QString tabs = frameText(u"upper"_s);
    EXPECT_TRUE(tabs.contains(u"Arrive"_s) && tabs.contains(u"Notes"_s)) << tabs.toStdString();
    EXPECT_FALSE(tabs.contains(u"Start"_s)) << tabs.toStdString();

    // The learner's road: the buttons, the keyword, the page link, the quiz, the menu.
    EXPECT_TRUE(follow(u"[data-command=forward]"_s, Farewell));
    EXPECT_TRUE(follow(u"[data-command=backward]"_s, Notes));
    EXPECT_TRUE(follow(u"[data-command=backward]"_s, Moorings));
    ASSERT_TRUE(follow(u"[data-command=forward]"_s, Notes));
    EXPECT_TRUE(follow(u"a[type=k]"_s, u"Holds the ship in place"_s, false));
    EXPECT_TRUE(follow(u"a[type=i]"_s, u"Which knots hold?"_s, false));
    EXPECT_FALSE(frameText().contains(Notes));
    const auto& state = preview()->renderer().state();
    EXPECT_EQ(std::pair(state.moduleNumber, state.pageNumber), std::pair(0, 1));
    EXPECT_TRUE(clickOnce(page(), u"input[name=box0]"_s)); // Bowline, the one that holds
    EXPECT_TRUE(follow(u"input[type=button][value=\\'Check answer\\']"_s,
                       u"Correct \u2013 well done."_s, false));
    EXPECT_TRUE(follow(u"[data-command=home]"_s, u"Harbour"_s, false));
    EXPECT_TRUE(displays(u"Deck"_s, false));

    // Saved, given up for a new course, opened again: the same page shows.
    const QString package = m_dir.filePath(u"Harbour course.kof"_s);
    m_scripted->queueFile(package);
    preview()->menuSaveAs_Click();
    ASSERT_EQ(m_anchor->files().currentPath(), package);
    m_scripted->queueAnswer(Interaction::Answer::No); // it was just saved
    preview()->menuNew_Click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(set().currentWindow, keys::Header);
    m_scripted->queueFile(package);
    m_anchor->headerWindow()->menuOpen_Click();
    EXPECT_EQ(m_anchor->headerWindow()->windowTitle(), u"KOA File Header - Harbour course"_s);

    clickTab(keys::Composer);
    previewPageThreeOfModuleTwo();
    EXPECT_TRUE(follow(u"a[type=k]"_s, u"Holds the ship in place"_s, false));

    EXPECT_EQ(m_scripted->messages(),
              QStringList({u"All unsaved data will be lost. Do you want to save the currently "
                           "open file?"_s}));
    EXPECT_TRUE(m_warnings.texts().isEmpty()) << m_warnings.joined();
}
