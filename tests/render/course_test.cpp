// A generated course in the real browser, in every shipped skin: the pages'
// buttons and links reach the renderer as commands and change the page.
#include "render/browser.h"
#include "render/browserhost.h"
#include "render/renderer.h"
#include "store/database.h"
#include "store/schema.h"
#include "tests/support/pagescript.h"
#include "tests/support/testsupport.h"

#include <QWebEnginePage>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using namespace koa;
using namespace koa::render;
using namespace koa::test;

namespace {

// Every frame's text, depth first.
const QString AllText = uR"(
    (function all(w) {
        var text = '';
        try { text = w.document.body ? w.document.body.innerText : ''; } catch (e) {}
        for (var i = 0; i < w.frames.length; ++i) text += '\n' + all(w.frames[i]);
        return text;
    })(window))"_s;

// Clicks the first element matching `selector` in any frame.
QString clickFirst(const QString& selector) {
    return uR"(
        (function find(w) {
            try {
                var e = w.document.querySelector(%1);
                if (e) { e.click(); return true; }
            } catch (x) {}
            for (var i = 0; i < w.frames.length; ++i) if (find(w.frames[i])) return true;
            return false;
        })(window))"_s.arg(u"'"_s + selector + u"'"_s);
}

class CourseInBrowser : public ::testing::Test {
protected:
    void SetUp() override {
        const QString work = m_program.folder().workingFolder();
        schema::createBlankCourse(work);
        Database db(work + u"/koa.kod"_s);
        db.exec(u"DELETE FROM data"_s);
        const QString link = u"See <a type=i href=javascript:void(0); onclick=\"parent.engine.go("
                             "\\'Quiz page\\');\">the quiz</a> and the "
                             "<a type=k href=javascript:void(0); onclick=\"parent.engine.keyword("
                             "\\'Anchor\\');\"><dfn>Anchor</dfn></a>."_s;
        db.exec(u"INSERT INTO texts (name, text) VALUES ('Welcome', ?)"_s,
                {u"Welcome aboard. "_s + link});
        db.exec(u"INSERT INTO keywords (name, desc) VALUES ('Anchor', 'Holds the ship')"_s);
        db.exec(u"INSERT INTO quizes (name, text) VALUES ('Knots', 'Which knots hold?')"_s);
        db.exec(u"INSERT INTO statements (quizname, statement, status) VALUES "
                "('Knots', 'Bowline', 'true'), ('Knots', 'Granny', 'false')"_s);
        const QStringList rows = {u"modules|Deck"_s,     u"pages|Start"_s,  u"texts|Welcome"_s,
                                  u"pages|Quiz page"_s,  u"quizes|Knots"_s, u"modules|Harbour"_s,
                                  u"pages|Last words"_s, u"texts|Welcome"_s};
        for (int i = 0; i < rows.size(); ++i)
            db.exec(u"INSERT INTO data (type, name, \"index\") VALUES (?, ?, ?)"_s,
                    {rows[i].section(u'|', 0, 0), rows[i].section(u'|', 1), i});
        db.exec(u"INSERT INTO pages (name, sound, tabtext) VALUES ('Start', '', 'Start'), "
                "('Quiz page', '', 'Quiz')"_s);

        m_host.setRenderer(&m_renderer);
        QObject::connect(&m_browser, &Browser::documentComplete, &m_browser, [this](bool ok) {
            m_renderer.state().documentLoaded = true;
            if (ok)
                m_renderer.renderCurrent();
        });
        m_browser.resize(1024, 768);
        m_browser.show();
    }

    QString run(const QString& script) { return evalIn(m_browser.page(), script); }
    // Clicks the first element matching `selector`, once the page has it: the
    // page text may show before the rest of its document is parsed.
    bool click(const QString& selector) {
        return waitUntil([&] { return run(clickFirst(selector)) == u"true"_s; }, 10000);
    }
    // Waits until the course screen shows `text`.
    bool shows(const QString& text) {
        return waitUntil([&] { return run(AllText).contains(text); }, 20000);
    }

    TempProgramFolder m_program;
    Browser m_browser;
    BrowserHost m_host{m_browser};
    Renderer m_renderer{m_host, m_program.folder().root()};
    BrowserWarnings m_warnings;
};

} // namespace

TEST_F(CourseInBrowser, EverySkinShowsPagesAndFollowsButtonsLinksAndQuizzes) {
    QStringList skins;
    {
        Database settings(m_program.folder().settingsDatabase(), Database::Mode::ReadOnly);
        QSqlQuery q = settings.exec(u"SELECT name FROM skins ORDER BY rowid"_s);
        while (q.next())
            skins << q.value(0).toString();
    }
    ASSERT_GE(skins.size(), 3);
    for (const QString& skin : skins) {
        SCOPED_TRACE(skin.toStdString());
        Database(m_program.folder().workingDatabase())
            .exec(u"UPDATE header SET skin = ?"_s, {skin});
        m_renderer.state().previewMode = u"module"_s;
        m_renderer.state().moduleNumber = 0;
        m_renderer.state().pageNumber = 0;
        m_renderer.Initiate();
        ASSERT_TRUE(shows(u"Welcome aboard"_s));

        EXPECT_TRUE(click(u"[data-command=forward]"_s));
        EXPECT_TRUE(shows(u"Which knots hold?"_s));
        EXPECT_EQ(m_renderer.state().pageNumber, 1);

        EXPECT_TRUE(click(u"[data-command=backward]"_s));
        ASSERT_TRUE(shows(u"Welcome aboard"_s));
        EXPECT_TRUE(click(u"a[type=i]"_s)); // the page link
        EXPECT_TRUE(shows(u"Bowline"_s));
        EXPECT_TRUE(click(u"input[type=button][value=\\'Check answer\\']"_s));

        EXPECT_TRUE(click(u"[data-command=home]"_s));
        EXPECT_TRUE(shows(u"Harbour"_s)); // the course menu lists the modules
    }
    EXPECT_TRUE(m_warnings.texts().isEmpty()) << m_warnings.joined();
}
