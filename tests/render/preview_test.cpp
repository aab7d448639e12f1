#include "editors/header.h"
#include "render/preview.h"
#include "shell/editorset.h"
#include "shell/fileselector.h"
#include "store/coursefiles.h"
#include "store/database.h"
#include "tests/support/anchor.h"
#include "tests/support/testsupport.h"

#include <QComboBox>
#include <QEventLoop>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEnginePage>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using namespace koa;
using namespace koa::test;

namespace {

class PreviewWindow : public ::testing::Test {
protected:
    void SetUp() override {
        m_anchor = anchorAt(m_dir.filePath(u"koa"_s));
        ASSERT_TRUE(m_anchor->Form_Load({}));
        Database db(m_anchor->files().folder().workingDatabase());
        db.exec(u"DELETE FROM data"_s);
        db.exec(u"INSERT INTO texts (name, text) VALUES ('One', 'First words'), "
                "('Two', 'Second words'), ('Three', 'Third words')"_s);
        const QStringList rows = {u"modules|Start"_s, u"pages|"_s,  u"texts|One"_s,
                                  u"modules|Deep"_s,  u"pages|A"_s, u"texts|Two"_s,
                                  u"pages|B"_s,       u"pages|C"_s, u"texts|Three"_s};
        for (int i = 0; i < rows.size(); ++i)
            db.exec(u"INSERT INTO data (type, name, \"index\") VALUES (?, ?, ?)"_s,
                    {rows[i].section(u'|', 0, 0), rows[i].section(u'|', 1), i});
        m_preview = static_cast<render::preview*>(m_anchor->editors().window(shell::keys::Preview));
    }
    void TearDown() override { m_anchor->Form_Unload(); }

    QString frameUrlsAndText() {
        QString result;
        QEventLoop loop;
        m_preview->WebBrowser1->page()->runJavaScript(uR"(
            (function all(w) {
                var t = '';
                try { t = w.location.href + ' ' + (w.document.body ? w.document.body.innerText : ''); } catch (e) {}
                for (var i = 0; i < w.frames.length; ++i) t += '\n' + all(w.frames[i]);
                return t;
            })(window))"_s,
                                                      [&](const QVariant& v) {
                                                          result = v.toString();
                                                          loop.quit();
                                                      });
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        loop.exec();
        return result;
    }
    bool shows(const QString& text) {
        return waitUntil([&] { return frameUrlsAndText().contains(text); }, 20000);
    }
    void clickTab(shell::EditorWindow* w, const QString& key) {
        for (int i = 0; i < w->TabStrip1->count(); ++i) {
            if (w->TabStrip1->tabData(i).toString() == key)
                w->TabStrip1->setCurrentIndex(i);
        }
    }

    QTemporaryDir m_dir;
    ScriptedScope m_scripted;
    ErrorRecorder m_errors;
    std::unique_ptr<shell::fileselector> m_anchor;
    render::preview* m_preview = nullptr;
};

} // namespace

TEST_F(PreviewWindow, ShowsTheComposersPageAndEmptiesTheDisplayWhenLeft) {
    // The composer stands on page 3 of module 2 (counted from 1).
    m_anchor->editors().composerModuleNumber = 2;
    m_anchor->editors().composerPage = 3;
    clickTab(m_anchor->headerWindow(), shell::keys::Preview);
    EXPECT_TRUE(m_preview->isVisible());
    EXPECT_EQ(m_preview->callingWindow, shell::keys::Header);
    EXPECT_EQ(m_preview->renderer().state().moduleNumber, 1);
    EXPECT_EQ(m_preview->renderer().state().pageNumber, 2);
    EXPECT_TRUE(shows(u"Third words"_s));

    clickTab(m_preview, shell::keys::Header);
    EXPECT_TRUE(m_anchor->headerWindow()->isVisible());
    EXPECT_TRUE(shows(u"data/dummy.htm"_s)); // no page plays on behind the header
    EXPECT_TRUE(m_errors.reports().isEmpty());
}

TEST_F(PreviewWindow, ASkinChosenWhileHiddenRendersNothingUntilShown) {
    auto* header = static_cast<editors::header*>(m_anchor->headerWindow());
    header->skin->setCurrentText(u"Meadow"_s);
    header->skin_click();
    // The new frameset loads, but its page does not render behind the header.
    ASSERT_TRUE(waitUntil([&] { return m_preview->renderer().state().documentLoaded; }, 20000));
    EXPECT_FALSE(m_preview->renderer().state().skipNextRender);
    EXPECT_FALSE(frameUrlsAndText().contains(u"First words"_s));
    clickTab(header, shell::keys::Preview);
    EXPECT_TRUE(shows(u"skins/Meadow"_s));
    EXPECT_TRUE(shows(u"First words"_s));
}
