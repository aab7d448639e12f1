#include "editors/header.h"
#include "render/outsidelinks.h"
#include "render/preview.h"
#include "shell/about.h"
#include "shell/editorset.h"
#include "shell/prerequisites.h"
#include "store/coursefiles.h"
#include "store/database.h"
#include "store/package.h"
#include "store/schema.h"
#include "tests/support/anchor.h"
#include "tests/support/mediafiles.h"
#include "tests/support/pagescript.h"
#include "tests/support/testsupport.h"
#include "tests/support/urlcatcher.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using namespace koa;
using namespace koa::test;

namespace {

// One course of two modules; the texts tell the pages apart.
class PreviewWindow : public CourseWindows {
protected:
    void SetUp() override {
        // The course is a package opened at start, as the windows would find it.
        const QString folder = m_dir.filePath(u"course"_s);
        schema::createBlankCourse(folder);
        {
            Database db(folder + u"/koa.kod"_s);
            db.exec(u"UPDATE header SET title = 'Knot school', author = 'A. Rigger'"_s);
            db.exec(u"INSERT INTO texts (name, text) VALUES ('One', 'First words'), "
                    "('Two', 'Second words'), ('Three', 'Third words')"_s);
            db.exec(u"INSERT INTO keywords (name, desc) VALUES ('Bight', 'A loop of rope')"_s);
        }
        setLayout(folder + u"/koa.kod"_s,
                  {u"modules:Start"_s, u"pages:"_s, u"texts:One"_s, u"modules:Deep"_s, u"pages:A"_s,
                   u"texts:Two"_s, u"pages:B"_s, u"pages:C"_s, u"texts:Three"_s});
        package::packFolder(folder, m_dir.filePath(u"Knots.kof"_s));
        start({m_dir.filePath(u"Knots.kof"_s)});
        m_preview = preview();
    }
    void TearDown() override {
        CourseWindows::TearDown();
        EXPECT_TRUE(m_warnings.texts().isEmpty()) << m_warnings.joined();
    }

    render::preview* preview() {
        return static_cast<render::preview*>(set().window(shell::keys::Preview));
    }
    // The address and text of every frame, once all have loaded.
    QString screen() {
        const QString script = inEveryFrame(u"out.push(d.URL, d.body ? d.body.innerText : '');"_s);
        QString all;
        waitUntil([&] { return !(all = evalIn(m_preview->browser()->page(), script)).isEmpty(); },
                  20000);
        return all;
    }
    bool shows(const QString& text) {
        return waitUntil([&] { return screen().contains(text); }, 20000);
    }
    bool click(const QString& selector) {
        return clickOnce(m_preview->browser()->page(), selector);
    }
    bool loaded() {
        return waitUntil([&] { return m_preview->renderer().state().documentLoaded; }, 20000);
    }
    editors::header* header() { return static_cast<editors::header*>(m_anchor->headerWindow()); }
    // Chosen in the header: the skin's frameset loads, its page does not render.
    void newSkin(const QString& skin) {
        const render::RenderState& state = m_preview->renderer().state();
        header()->skin->setCurrentText(skin);
        header()->skin_click();
        EXPECT_TRUE(state.skipNextRender);
        EXPECT_TRUE(loaded());
        EXPECT_FALSE(state.skipNextRender);
        EXPECT_TRUE(shows(u"skins/"_s + skin));
    }
    // The composer stands on page 3 of module 2 (counted from 1).
    void composerOnThirdPageOfSecondModule() {
        set().composerModuleNumber = 2;
        set().composerPage = 3;
    }

    BrowserWarnings m_warnings;
    render::preview* m_preview = nullptr;
};

// On a screen of 1024 pixels or more, or on a smaller one as test_preview_small.
template <bool Small> class PreviewOn : public PreviewWindow {
    void SetUp() override {
        ASSERT_EQ(QGuiApplication::primaryScreen()->geometry().width() < 1024, Small)
            << "the small screen's tests run as test_preview_small";
        PreviewWindow::SetUp();
    }
};
using PreviewOnWideScreen = PreviewOn<false>;
using PreviewOnSmallScreen = PreviewOn<true>;

} // namespace

TEST_F(PreviewOnWideScreen, RendersOnlyWhileShownAndShowsTheComposersPage) {
    // Made with the course: its first completed load rendered nothing.
    ASSERT_TRUE(loaded());
    const render::RenderState& state = m_preview->renderer().state();
    EXPECT_FALSE(state.skipNextRender);
    EXPECT_FALSE(screen().contains(u"First words"_s));
    editors::header* header = this->header();
    newSkin(u"Meadow"_s);
    EXPECT_FALSE(screen().contains(u"First words"_s));
    clickTab(header, shell::keys::Preview);
    EXPECT_TRUE(shows(u"First words"_s));
    // Left, it empties the display: no page plays on behind the header.
    clickTab(m_preview, shell::keys::Header);
    EXPECT_TRUE(shows(u"data/dummy.htm"_s));
    // Shown again, it shows the composer's page.
    composerOnThirdPageOfSecondModule();
    clickTab(header, shell::keys::Preview);
    EXPECT_TRUE(m_preview->isVisible());
    EXPECT_EQ(m_preview->browser(), m_preview->WebBrowser1);
    EXPECT_EQ(m_preview->callingWindow, shell::keys::Header);
    EXPECT_EQ(std::pair(state.moduleNumber, state.pageNumber), std::pair(1, 2));
    EXPECT_TRUE(shows(u"Third words"_s));
}

TEST_F(PreviewOnWideScreen, TheTitlePageRightAfterOpeningLeadsToTheMenuAndIntoThePages) {
    // Asked for while the course's first frameset still loads. The title page
    // hands over to the course menu, whose frameset loads behind the header in
    // a new skin; shown again, the preview goes on with the composer's page in
    // it, and its end leads to the menu.
    const render::RenderState& state = m_preview->renderer().state();
    editors::header* header = this->header();
    header->ShowHeader_Click();
    EXPECT_TRUE(m_preview->isVisible());
    EXPECT_FALSE(header->isVisible());
    EXPECT_EQ(m_preview->callingWindow, shell::keys::Header);
    EXPECT_TRUE(shows(u"Knot school"_s) && shows(u"A. Rigger"_s));
    EXPECT_EQ(state.previewMode, u"menu"_s);
    clickTab(m_preview, shell::keys::Header);
    newSkin(u"Harbour"_s);
    clickTab(header, shell::keys::Preview);
    EXPECT_EQ(state.previewMode, u"module"_s);
    EXPECT_TRUE(shows(u"First words"_s));
    EXPECT_TRUE(click(u"[data-command=forward]"_s)); // the end of module 1
    EXPECT_TRUE(shows(u"Deep"_s));
    EXPECT_EQ(state.previewMode, u"menu"_s);
}

TEST_F(PreviewOnWideScreen, GlossaryAboutAndLinksLeaveTheCourseTheirOwnWay) {
    UrlCatcher desktop;
    clickTab(m_anchor->headerWindow(), shell::keys::Preview);
    ASSERT_TRUE(shows(u"First words"_s));

    // The glossary opens in a window of the program's own, above the preview.
    ASSERT_TRUE(clickByHand(m_preview->browser()->page(), u"[data-command=glossary]"_s));
    ASSERT_TRUE(waitUntil([&] { return m_preview->outsideLinks()->glossaryWindow(); }, 10000));
    QPointer<render::Browser> glossary = m_preview->outsideLinks()->glossaryWindow();
    EXPECT_TRUE(waitUntil(
        [&] {
            return glossary->isVisible() &&
                   evalIn(glossary->page(), u"document.body ? document.body.innerText : ''"_s)
                       .contains(u"A loop of rope"_s);
        },
        10000));
    EXPECT_EQ(glossary->windowTitle(), u"KOA Glossary"_s);

    ASSERT_TRUE(click(u"[data-command=about]"_s));
    EXPECT_TRUE(waitUntil([] { return shownWindow<shell::about>() != nullptr; }, 10000));

    // The course's documents and mail addresses go to the desktop; other local
    // files a page names, however it names them, and what the desktop would
    // run do not.
    const QString documents = m_anchor->files().folder().workingFolder() + u"/documents"_s;
    const QString settings = m_anchor->files().folder().settingsDatabase();
    for (const QString& name : {u"/notes.txt"_s, u"/run.desktop"_s, u"/run.sh"_s})
        writeFile(documents + name, "");
    QFile::link(settings, documents + u"/settings.txt"_s);
    QFile::setPermissions(documents + u"/run.sh"_s,
                          QFile::permissions(documents + u"/run.sh"_s) | QFile::ExeOwner);
    for (const QString& refused :
         {settings, documents + u"/settings.txt"_s, documents + u"/../koa.kod"_s,
          documents + u"/run.desktop"_s, documents + u"/run.sh"_s, documents + u"/missing.pdf"_s})
        m_preview->outsideLinks()->open(QUrl::fromLocalFile(refused));
    for (const QUrl& url :
         {QUrl(u"javascript:alert(1)"_s),
          QUrl::fromLocalFile(documents + u"/../documents/notes.txt"_s),
          QUrl(u"mailto:crew@example.org?subject=Knots&Attach=/etc/passwd&attachment=a"_s)})
        m_preview->outsideLinks()->open(url);
    EXPECT_EQ(desktop.urls(),
              QList<QUrl>(
                  {QUrl::fromLocalFile(QFileInfo(documents + u"/notes.txt"_s).canonicalFilePath()),
                   QUrl(u"mailto:crew@example.org?subject=Knots"_s)}));

    // Leaving the preview closes the glossary with it.
    clickTab(m_preview, shell::keys::Header);
    EXPECT_TRUE(waitUntil([&] { return !glossary || !glossary->isVisible(); }, 5000));
}

TEST_F(PreviewOnWideScreen, FlashAndAnOlderMoviePlayWithoutAWarningAtStart) {
    // Started as the program starts for a new user, whose folder start-up has
    // not prepared yet: the probe finds the shipped Flash player.
    m_anchor->Form_Unload();
    m_scripted->clear();
    const QString root = m_dir.filePath(u"new user"_s);
    const QString shipped = folderAt(root).shipped();
    EXPECT_GE(shell::GetFlashVersion(shipped), shell::RequiredFlash);
    m_anchor = anchorAt(root, shell::Prerequisites::ofThisSystem(shipped));
    ASSERT_TRUE(m_anchor->Form_Load({m_dir.filePath(u"Knots.kof"_s)}));
    EXPECT_TRUE(m_scripted->messages().isEmpty())
        << m_scripted->messages().join(u'\n').toStdString();
    m_preview = preview();

    // On the composer's page a Flash movie and an older movie, which plays
    // from the playable copy that opening the course makes.
    constexpr QRgb stage = 0xff2060c0, shape = 0xfff0a010;
    const QString folder = m_anchor->files().folder().workingFolder();
    writeFile(folder + u"/flash/1.swf"_s, swfOf(200, 100, stage, shape));
    // (made outside the new user's folder, whose name has a blank)
    ASSERT_TRUE(writeMovie(m_dir.filePath(u"1.avi"_s), 160, 120, 50));
    ASSERT_TRUE(QFile::copy(m_dir.filePath(u"1.avi"_s), folder + u"/movies/1.avi"_s));
    course().exec(u"INSERT INTO flash (name, filename, width, height, alignment, \"float\", "
                  "caption) VALUES ('Wave', '1.swf', 200, 100, 'Center', 0, '')"_s);
    course().exec(u"INSERT INTO movies (name, filename, width, height, alignment, \"float\", "
                  "caption) VALUES ('Clip', '1.avi', 160, 120, 'Center', 0, '')"_s);
    ASSERT_TRUE(set().makePlayableCopies());
    addLayout(database(), {u"flash:Wave"_s, u"movies:Clip"_s});
    composerOnThirdPageOfSecondModule();
    clickTab(m_anchor->headerWindow(), shell::keys::Preview);
    ASSERT_TRUE(shows(u"Third words"_s));
    EXPECT_TRUE(showsFlash(m_preview->browser(), stage, shape));
    // Muted, the movie may start without a click of the learner's.
    QWebEnginePage* page = m_preview->browser()->page();
    EXPECT_EQ(evalIn(page, onFirst(u"video.koa-movie"_s, u"(e.muted = true, e.play(), true)"_s)),
              u"true"_s);
    const QString playing =
        onFirst(u"video.koa-movie"_s,
                u"!e.paused && e.currentTime > 0 && /\\.avi\\.webm$/.test(e.currentSrc)"_s);
    EXPECT_TRUE(waitUntil([&] { return evalIn(page, playing) == u"true"_s; }, 20000));

    // The program's end releases the browser, and a frameset completing after
    // it writes no page into the working folder.
    m_preview->shutDown();
    EXPECT_GE(m_preview->browser()->readyState(), render::Browser::Interactive);
    EXPECT_TRUE(shows(u"data/dummy.htm"_s));
    const QString written = m_preview->renderer().documentFile();
    QFile::remove(written);
    m_preview->Initiate();
    ASSERT_TRUE(loaded());
    EXPECT_FALSE(QFile::exists(written));
}

TEST_F(PreviewOnSmallScreen, ShowsTheCourseFullScreenAndClosesBackToTheCallingWindow) {
    ASSERT_TRUE(m_preview->fullScreen());
    EXPECT_NE(m_preview->browser(), m_preview->WebBrowser1);
    clickTab(m_anchor->headerWindow(), shell::keys::Composer);
    shell::EditorWindow* composer = set().window(shell::keys::Composer);
    clickTab(composer, shell::keys::Preview);

    // The editor window stays hidden; the browser fills the screen.
    EXPECT_FALSE(m_preview->isVisible());
    EXPECT_FALSE(composer->isVisible());
    render::Browser* browser = m_preview->browser();
    EXPECT_TRUE(browser->isVisible());
    EXPECT_TRUE(browser->isFullScreen());
    EXPECT_EQ(browser->windowTitle(), m_preview->windowTitle());
    EXPECT_EQ(m_preview->callingWindow, shell::keys::Composer);
    QPointer<render::closePreview> close = m_preview->closeWindow();
    ASSERT_NE(close, nullptr);
    EXPECT_TRUE(close->isVisible());
    EXPECT_TRUE(close->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(shows(u"First words"_s)); // the composer's first page

    // The glossary's window fits the small screen.
    ASSERT_TRUE(clickByHand(browser->page(), u"[data-command=glossary]"_s));
    ASSERT_TRUE(waitUntil([&] { return m_preview->outsideLinks()->glossaryWindow(); }, 10000));
    const QSize room = QGuiApplication::primaryScreen()->availableGeometry().size();
    const QSize glossary = m_preview->outsideLinks()->glossaryWindow()->size();
    EXPECT_TRUE(glossary.width() <= room.width() && glossary.height() <= room.height())
        << glossary.width() << "x" << glossary.height();

    QTest::mouseClick(close->Label1, Qt::LeftButton);
    EXPECT_TRUE(composer->isVisible());
    EXPECT_EQ(set().currentWindow, shell::keys::Composer);
    EXPECT_FALSE(browser->isVisible());
    EXPECT_EQ(m_preview->closeWindow(), nullptr);
    EXPECT_TRUE(shows(u"data/dummy.htm"_s));

    // From the header, and closing the browser window itself, likewise.
    clickTab(composer, shell::keys::Header);
    clickTab(m_anchor->headerWindow(), shell::keys::Preview);
    EXPECT_TRUE(browser->isVisible());
    EXPECT_FALSE(m_anchor->headerWindow()->isVisible());
    browser->close();
    EXPECT_TRUE(m_anchor->headerWindow()->isVisible());
    EXPECT_FALSE(browser->isVisible());
}
