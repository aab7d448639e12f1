#include "shell/editorset.h"
#include "store/coursefiles.h"
#include "store/database.h"
#include "tests/support/anchor.h"
#include "tests/support/testsupport.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QWebEngineView>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using namespace koa;
using namespace koa::shell;
using namespace koa::test;

namespace {

const QString SaveQuestion =
    u"All unsaved data will be lost. Do you want to save the currently open file?"_s;

class EditorWindows : public CourseWindows {
protected:
    // Notes when the windows end the program.
    void SetUp() override {
        start();
        set().endProgram = [this] {
            m_ended = true;
        };
    }

    EditorWindow* window(const QString& key) { return set().loaded(key); }
    // A change the windows do not hold in their fields.
    void changeCourse() {
        course().exec(u"INSERT INTO keywords (name, desc) VALUES ('word', '')"_s);
    }
    QStringList visibleWindows() {
        QStringList keys;
        for (const QString& key : {keys::Header, keys::ObjectPool, keys::Composer, keys::Preview})
            if (window(key) && window(key)->isVisible())
                keys << key;
        return keys;
    }

    bool m_ended = false;
};

} // namespace

TEST_F(EditorWindows, OnlyTheHeaderShowsAtFirstAndSwitchingOrNewHandsOverThePlace) {
    EXPECT_EQ(visibleWindows(), QStringList({keys::Header}));
    EXPECT_EQ(set().currentWindow, keys::Header);
    EditorWindow* header = window(keys::Header);
    EditorWindow* composer = window(keys::Composer);
    EXPECT_EQ(window(keys::ObjectPool)->windowTitle(), u"KOA Object Pool - New file"_s);
    EXPECT_EQ(composer->windowTitle(), u"KOA Composer - New file"_s);
    EXPECT_EQ(window(keys::Preview)->windowTitle(), u"KOA Preview - New file"_s);
    // Every command has its window.
    for (QAction* a :
         {composer->menuImport, composer->menuExport, composer->menuMerge, composer->menuUpload,
          composer->menuContents, composer->menuSettings, composer->menuAbout})
        EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
    // Merge opens one merge window on top, however often it is chosen.
    composer->menuMerge->trigger();
    header->menuMerge->trigger();
    const QList<QWidget*> merges = header->findChildren<QWidget*>(u"merge"_s);
    ASSERT_EQ(merges.size(), 1);
    EXPECT_TRUE(merges[0]->isVisible());
    EXPECT_TRUE(merges[0]->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    merges[0]->close();

    // Switching hands over place and size, and each window keeps its own tab.
    header->move(70, 40);
    header->resize(900, 700);
    clickTab(header, keys::Composer);
    EXPECT_EQ(visibleWindows(), QStringList({keys::Composer}));
    EXPECT_EQ(set().currentWindow, keys::Composer);
    EXPECT_EQ(composer->pos(), QPoint(70, 40));
    EXPECT_EQ(composer->size(), QSize(900, 700));
    EXPECT_EQ(shownTab(header), keys::Header);
    EXPECT_EQ(shownTab(composer), keys::Composer);

    composer->move(10, 20);
    clickTab(composer, keys::Preview);
    clickTab(window(keys::Preview), keys::Header);
    EXPECT_EQ(visibleWindows(), QStringList({keys::Header}));
    EXPECT_EQ(header->pos(), QPoint(10, 20));
    EXPECT_EQ(shownTab(window(keys::Preview)), keys::Preview);

    // New from the object pool leaves only the header, where the pool was.
    clickTab(header, keys::ObjectPool);
    QPointer<EditorWindow> pool = window(keys::ObjectPool);
    pool->move(33, 44);
    changeCourse();
    m_scripted->queueAnswer(Interaction::Answer::No);
    pool->menuNew_Click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // The old pool is gone (comparing addresses would not tell: memory is reused).
    EXPECT_TRUE(pool.isNull());

    EXPECT_EQ(visibleWindows(), QStringList({keys::Header}));
    header = window(keys::Header);
    EXPECT_EQ(header->pos(), QPoint(33, 44));
    EXPECT_EQ(header->windowTitle(), u"KOA File Header - New file"_s);
    EXPECT_EQ(set().currentWindow, keys::Header);
    EXPECT_FALSE(m_ended);
}

TEST_F(EditorWindows, ExitAndTheCloseButtonAskForAChangedCourse) {
    // A changed course: Cancel keeps running, a cancelled save dialog too, No ends.
    changeCourse();
    m_scripted->queueAnswer(Interaction::Answer::Cancel);
    window(keys::Header)->menuExit_Click();
    EXPECT_FALSE(m_ended);
    m_scripted->queueAnswer(Interaction::Answer::Yes); // the save dialog then answers Cancel
    window(keys::Header)->close();
    EXPECT_FALSE(m_ended);
    EXPECT_EQ(visibleWindows(), QStringList({keys::Header}));
    EXPECT_EQ(m_scripted->shown().constLast().kind, ScriptedInteraction::Shown::Kind::SaveDialog);
    m_scripted->queueAnswer(Interaction::Answer::No);
    window(keys::Header)->menuExit_Click();
    EXPECT_TRUE(m_ended);
    EXPECT_EQ(m_scripted->messages(), QStringList({SaveQuestion, SaveQuestion, SaveQuestion}));
}

TEST_F(EditorWindows, SaveFlushesTheWindowFirstAndSaveAsAlwaysAsks) {
    const QString first = m_dir.filePath(u"first.kof"_s);
    EditorWindow* header = window(keys::Header);
    header->findChild<QLineEdit*>(u"course_name"_s)->setText(u"Typed, not yet stored"_s);
    m_scripted->queueFile(first);
    header->menuSave_Click();
    ASSERT_TRUE(QFileInfo::exists(first));
    EXPECT_EQ(header->windowTitle(), u"KOA File Header - first"_s);
    EXPECT_EQ(window(keys::Composer)->windowTitle(), u"KOA Composer - first"_s);
    EXPECT_EQ(course().scalar(u"SELECT title FROM header"_s), u"Typed, not yet stored"_s);

    m_scripted->clear();
    header->menuSave_Click(); // the package has its path now
    EXPECT_TRUE(m_scripted->shown().isEmpty());
    window(keys::Preview)->menuSaveAs_Click(); // dialog cancelled: nothing changes
    ASSERT_EQ(m_scripted->shown().size(), 1);
    EXPECT_EQ(m_scripted->shown().constFirst().kind, ScriptedInteraction::Shown::Kind::SaveDialog);
    EXPECT_EQ(m_anchor->files().currentPath(), first);
}

TEST_F(EditorWindows, ReadOnlyCourseKeepsTheEditingWindowsClosedAndRefusesUpload) {
    course().exec(u"UPDATE header SET status = 1"_s);
    auto* header = m_anchor->headerWindow();
    header->Timer1_Timer();
    ASSERT_TRUE(header->readOnly());

    for (const QString& key : {keys::ObjectPool, keys::Composer}) {
        clickTab(header, key);
        EXPECT_EQ(visibleWindows(), QStringList({keys::Header})) << key.toStdString();
        EXPECT_EQ(shownTab(header), keys::Header);
        EXPECT_EQ(set().currentWindow, keys::Header);
    }
    header->menuUpload_Click();
    EXPECT_EQ(m_scripted->messages(), QStringList({u"Read only files cannot be uploaded."_s}));

    clickTab(header, keys::Preview); // the preview still works
    EXPECT_EQ(visibleWindows(), QStringList({keys::Preview}));
    clickTab(window(keys::Preview), keys::ObjectPool);
    EXPECT_EQ(visibleWindows(), QStringList({keys::Preview}));
    EXPECT_EQ(shownTab(window(keys::Preview)), keys::Preview);
}

TEST_F(EditorWindows,
       MenuShortcutsWorkWhileThePreviewsPageHasTheFocusAndExitEndsAnUntouchedCourseAtOnce) {
    const auto pageOfPreview = [&] {
        clickTab(window(keys::Header), keys::Preview);
        auto* browser = window(keys::Preview)->findChild<QWebEngineView*>(u"WebBrowser1"_s);
        EXPECT_TRUE(waitUntil([&] { return browser->focusProxy() != nullptr; }, 20000));
        QWidget* page = browser->focusProxy();
        page->setFocus();
        return page;
    };
    // A new course asks for a name.
    QTest::keyClick(pageOfPreview(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(m_scripted->shown().size(), 1);
    QTest::keyClick(pageOfPreview(), Qt::Key_PageDown, Qt::ControlModifier); // on to the first tab
    EXPECT_EQ(visibleWindows(), QStringList({keys::Header}));
    // The course is untouched: Exit ends at once.
    QTest::keyClick(pageOfPreview(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_TRUE(m_ended);
    EXPECT_TRUE(m_scripted->messages().isEmpty());
    EXPECT_TRUE(visibleWindows().isEmpty());
}
