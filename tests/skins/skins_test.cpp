#include "render/browser.h"
#include "render/pagecss.h"
#include "store/database.h"
#include "tests/support/mediafiles.h"
#include "tests/support/pagescript.h"
#include "tests/support/testsupport.h"

#include <memory>
#include <optional>

#include <QCoreApplication>
#include <QDir>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QWebEnginePage>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using koa::render::Browser;
using koa::test::readFile;
using koa::test::TempProgramFolder;
using koa::test::writeFile;

// Readable failures: texts instead of their bytes.
void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

constexpr int Timeout = 15000;
const QString CRLF = u"\r\n"_s;
const QString StyleAttr = u"style=\\'font-family: Trebuchet MS; font-size:10pt\\'"_s;

QString shipped(const QString& relative) {
    return QCoreApplication::applicationDirPath() + u'/' + relative;
}

QStringList shippedSkins() {
    return QString::fromUtf8(KOA_SHIPPED_SKINS).split(u',');
}

// ---- Documents in the shape the renderer writes them ----------------------

struct Course {
    QString program; // the program folder, without a trailing slash
    QString skin;

    QString url() const { return program + u'/'; }
    QString script() const { return program + u'/'; }
    QString include(const QString& name) const {
        return QString::fromUtf8(readFile(program + u"/includes/"_s + name));
    }
    QString skinFile(const QString& name) const {
        return QString::fromUtf8(readFile(program + u"/skins/"_s + skin + u'/' + name));
    }
    QString images() const { return u"skins/"_s + skin + u'/'; }
};

QString titlePage(const Course& c, const QString& title, const QString& author) {
    return u"<html><head><base href='"_s + c.program + u"/skins/"_s + c.skin + u"/'></head>"_s +
           c.include(u"header.inc"_s) + title + c.include(u"menu3.inc"_s) +
           u"<tr><td><b>Author</b><br><font size='2'>"_s + author + u"</font><br><br>"_s +
           u"<b>Target group</b><br><font size='2'></font><br><br>"_s +
           u"<b>Description</b><br><font size='2'>One<br>Two</font><br><br></td></tr>"_s +
           c.include(u"menu4.inc"_s) + CRLF;
}

QString menu(const Course& c, const QString& title, const QStringList& modules, int scroll) {
    const qsizetype last = modules.size() - 1;
    QString t = u"<html><head><base href='"_s + c.program + u"/'>"_s + c.include(u"menu1.inc"_s) +
                CRLF + u"button_status='%1';"_s.arg(scroll) + CRLF + u"skin='"_s + c.skin +
                u"';"_s + CRLF + u"numModules ="_s + QString::number(last) + CRLF +
                c.include(u"menu2.inc"_s) + title + c.include(u"menu3.inc"_s);
    const QString spacer = u"<img src='"_s + c.images() + u"spacer.gif' width='20'>"_s;
    for (qsizetype i = 0; i <= last; ++i) {
        const QString n = QString::number(i);
        const QString click =
            u"onClick=\"window.status='module*"_s + n + u"'; window.status='';\">"_s;
        if (last < 6)
            t += u"<tr style='cursor:hand' onMouseover='p"_s + n + u".src=activeCache["_s + n +
                 u"].src' onMouseout='p"_s + n + u".src=passiveCache["_s + n + u"].src' "_s +
                 click + u"<td>"_s + spacer + u"</td><td><img name='p"_s + n +
                 u"' border='0' src='"_s + c.images() + QString::number(i + 1) +
                 u".gif'></td><td>"_s + spacer + u"</td><td>"_s;
        else
            t +=
                u"<tr style='cursor:hand' "_s + click + u"<td>"_s + spacer +
                u"</td><td><table width='40' border='1' cellpadding='0' cellspacing='0' "
                u"style='border-collapse: collapse' bordercolor='#111111'><tr><td><center><font size=5>"_s +
                QString::number(i + 1) + u"</font></td></tr></table></td><td>"_s + spacer +
                u"</td><td>"_s;
        t += modules[i] + u"</td></tr>"_s;
    }
    return t + c.include(u"menu4.inc"_s) + CRLF;
}

struct Tab {
    QString text, page;
};

QString indexTabs(const Course& c, const QList<Tab>& tabs, qsizetype active) {
    QString t = u"parent.upper.document.write('<html><head><base href=\\'"_s + c.script() +
                u"\\'>"_s + c.skinFile(u"tab1.inc"_s);
    if (tabs.isEmpty())
        return t + u"parent.upper.document.write('<tr><td></td></tr></table></body>'); "
                   u"parent.upper.document.close();"_s;
    const auto cell = [&](const QString& image, bool on, const QString& colour, const Tab& tab) {
        const QString attribute = on ? u"bgcolor=#FFFFFF"_s : QString();
        return u"parent.upper.document.write('<td><img src="_s + c.images() + image +
               u"></td><td valign=top><table "_s + StyleAttr +
               u" border=0 cellpadding=0 cellspacing=0 "_s + attribute +
               u" height=33><tr><td valign=top>\\n');"_s + CRLF +
               u"parent.upper.document.write('<img src="_s + c.images() +
               (on ? u"top_black.gif"_s : u"top_grey.gif"_s) +
               u" width=100% height=5></td></tr>\\n');"_s + CRLF +
               u"parent.upper.document.write('<tr><td valign=top><a href=\\'JavaScript:void(0);\\' "
               u"onClick=\"parent.engine.go(\\'"_s +
               tab.page + u"\\');\"><font color="_s + colour + u">"_s + tab.text +
               u"</a></td></tr>\\n');"_s + CRLF +
               u"parent.upper.document.write('</table></td>\\n');"_s + CRLF;
    };
    t += active == 0 ? cell(u"cleanleft.gif"_s, true, u"#000000"_s, tabs[0])
                     : cell(u"greyleft.gif"_s, false, u"#505050"_s, tabs[0]);
    for (qsizetype j = 1; j < tabs.size(); ++j) {
        t += u"parent.upper.document.write('</td><td>')"_s + CRLF;
        if (j == active)
            t += cell(u"intersection_left.gif"_s, true, u"#000000"_s, tabs[j]);
        else if (j - 1 == active)
            t += cell(u"intersection_right.gif"_s, false, u"#505050"_s, tabs[j]);
        else
            t += cell(u"grey_intersection_right.gif"_s, false, u"505050"_s, tabs[j]);
    }
    return t +
           u"parent.upper.document.write('</td><td>');parent.upper.document.write('<img src="_s +
           c.images() + (active == tabs.size() - 1 ? u"cleanright.gif"_s : u"greyright.gif"_s) +
           u">');parent.upper.document.write('</td></tr></table>'); parent.upper.document.close();"_s;
}

struct Page {
    QString sound;
    QList<Tab> tabs;
    qsizetype activeTab = 0;
    int page = 0, lastPage = 0, module = 0, lastModule = 0;
    QStringList rows; // the statements of the placed objects
    QString pictureList;
};

QString pageDocument(const Course& c, const Page& p) {
    QString t = u"<head><base href='"_s + c.url() + u"'></head>"_s + c.include(u"page1.inc"_s) +
                u"skinPath = '"_s + c.url() + u"skins/"_s + c.skin + u"/';"_s + CRLF +
                u"displayString = '<html><head><base href=\\'"_s + c.script() +
                u"\\'><STYLE TYPE=text/css><!--"_s + koa::render::pageCss +
                c.include(u"page2.inc"_s) + u"skin='"_s + c.skin + u"';"_s + CRLF;
    if (!p.sound.isEmpty())
        t += u"displayString+='<embed hidden=\"true\" src=\""_s + c.script() + u"temp/sounds/"_s +
             p.sound + u"\">';"_s + CRLF;
    t += indexTabs(c, p.tabs, p.activeTab);
    t += u"thisPage = %1;\r\nnumPages = %2;\r\nthisModule = %3;\r\nnumModules = %4;\r\n"_s
             .arg(p.page)
             .arg(p.lastPage)
             .arg(p.module)
             .arg(p.lastModule);
    t += u"parent.info.document.write('<html><head><base href=\\'"_s + c.script() +
         u"\\'></head>');"_s + CRLF + c.skinFile(u"tab2.inc"_s);
    t += p.rows.join(QString());
    t += u"base='"_s + c.url() + u"';"_s + CRLF + c.include(u"page3.inc"_s) + p.pictureList +
         c.include(u"page4.inc"_s);
    t.replace(u"<br>"_s, u"<font style=\\'font-size:5 pt\\'><br></font>"_s);
    return t + CRLF;
}

QString textRow(const QString& markup) {
    return u"displayString+='"_s + markup + u"<br>';"_s + CRLF;
}

QString link(char kind, const QString& function, const QString& target, const QString& text) {
    return u"<a type="_s + QChar::fromLatin1(kind) +
           u" href=javascript:void(0); onclick=\"parent.engine."_s + function + u"(\\'"_s + target +
           u"\\');\">"_s + text + u"</a>"_s;
}

QString pictureRow(const QString& file, const QString& caption) {
    return u"displayString+='<table align=right border=0 cellpadding=10><tr><td><table border=0 "
           u"cellpadding=0 cellspacing=0 width=40><tr><td><center><img src=temp/pictures/"_s +
           file +
           u" width=40 height=30 border=0 hspace=0></center></td></tr><tr><td><center><table "
           u"border=0 "
           u"cellpadding=0 cellspacing=0><tr><td><i><font color=606060 style=font-size:8pt>"_s +
           caption + u"</font></i></td><tr></table></td></tr></table></td></tr></table>';"_s + CRLF;
}

QString movieRow(const Course& c, const QString& file) {
    return u"displayString+='<center><table border=0 cellpadding=0 cellspacing=0><tr><td><center>"
           u"<OBJECT width=320 height=304 ID=Player "
           u"CLASSID=CLSID:6BF52A52-394A-11d3-B153-00C04F79FAA6>"
           u"<PARAM name=AUTOSTART value=FALSE><PARAM name=URL value=\\'"_s +
           c.url() + u"temp/movies/"_s + file +
           u"\\'></OBJECT></center></td></tr></table></center>';"_s + CRLF;
}

QString quizRows(int id, const QString& question,
                 const QList<std::pair<QString, bool>>& statements) {
    const QString form = u"document.quiz"_s + QString::number(id);
    QString t =
        u"displayString+='<form name=quiz%1><b>"_s.arg(id) + question + u"</b><br><br>';"_s + CRLF;
    QStringList tests;
    for (qsizetype i = 0; i < statements.size(); ++i) {
        t += u"displayString+='<input type=hidden value=%1 name=answer%2>';"_s
                 .arg(statements[i].second ? u"true"_s : u"false"_s)
                 .arg(i) +
             CRLF;
        t += u"displayString+='<input type=checkbox name=box%1>"_s.arg(i) + statements[i].first +
             u"<br>';"_s + CRLF;
        tests << form + u".box%1.checked.toString()=="_s.arg(i) + form +
                     u".answer%1.value"_s.arg(i);
    }
    t += u"displayString+='<br><input type=button value=\\'Check answer\\' onClick=\\'if("_s +
         tests.join(u" && "_s) +
         u"){parent.engine.correctAnswer();} else{parent.engine.falseAnswer();}\\'>';"_s;
    return t + u"displayString+='</form>';"_s;
}

// ---- The browser ---------------------------------------------------------

// Everything the browser logs as a warning: script errors of the pages, frames
// that script could not reach.
class SkinTest : public ::testing::TestWithParam<QString> {
protected:
    void SetUp() override { m_course = Course{m_program.folder().root(), GetParam()}; }
    void TearDown() override { EXPECT_EQ(m_warnings.texts(), QStringList()); }

    static bool waitUntil(const std::function<bool()>& condition) {
        return koa::test::waitUntil(condition, Timeout);
    }
    QString eval(const QString& js) { return koa::test::evalIn(m_browser.page(), js); }
    bool loadFrameset(const QString& name) {
        const qsizetype before = m_complete.size();
        m_browser.navigate(m_course.program + u"/skins/"_s + m_course.skin + u'/' + name);
        return waitUntil([&] { return m_complete.size() > before; }) &&
               m_complete.last().at(0).toBool();
    }
    // Writes a generated document into the cache folder and shows it in a
    // frame, as the renderer does; `ready` tells when its script has run.
    bool show(const QString& frame, const QString& document, const QString& ready) {
        const QString file = m_cache.filePath(u"htmlcache.htm"_s);
        writeFile(file, document.toUtf8());
        m_browser.navigateFrame(frame, file);
        // The page's script wires its buttons when the document has loaded.
        const QString loaded = u"frames['%1'].document.readyState == 'complete' && "_s.arg(frame);
        return waitUntil([&] { return eval(loaded + u"("_s + ready + u")"_s) == u"true"_s; });
    }
    // The status texts that `js` makes the pages assign.
    QStringList statusOf(const QString& js) {
        const qsizetype before = m_status.size();
        eval(js);
        // the texts travel through the event loop; a marker closes the round
        eval(u"frames[0].status = 'end of round'"_s);
        waitUntil([&] {
            return m_status.size() > before &&
                   m_status.last().at(0).toString() == u"end of round"_s;
        });
        QStringList texts;
        for (qsizetype i = before; i < m_status.size() - 1; ++i)
            texts.append(m_status.at(i).at(0).toString());
        return texts;
    }
    QUrl externalOf(const QString& js) {
        const qsizetype before = m_external.size();
        eval(js);
        if (!waitUntil([&] { return m_external.size() > before; }))
            return {};
        return m_external.last().at(0).toUrl();
    }
    bool run(const QString& script) {
        auto ok = std::make_shared<std::optional<bool>>();
        m_browser.runScript(script, [ok](bool v) { *ok = v; });
        EXPECT_TRUE(waitUntil([&] { return ok->has_value(); }));
        return ok->value_or(false);
    }

    koa::test::BrowserWarnings m_warnings;
    TempProgramFolder m_program;
    QTemporaryDir m_cache;
    Course m_course;
    Browser m_browser;
    QSignalSpy m_status{&m_browser, &Browser::statusTextChange};
    QSignalSpy m_complete{&m_browser, &Browser::documentComplete};
    QSignalSpy m_external{&m_browser, &Browser::externalLinkRequested};
};

const QString Display = u"frames.display.document"_s;
const QString Engine = u"frames.engine.document"_s;

TEST(ShippedSkins, EverySkinFolderIsListedInTheSettings) {
    const QStringList folders =
        QDir(shipped(u"skins"_s)).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    QStringList listed;
    koa::Database settings(shipped(u"data/data.kod"_s), koa::Database::Mode::ReadOnly);
    QSqlQuery q = settings.exec(u"SELECT name FROM skins ORDER BY name"_s);
    while (q.next())
        listed.append(q.value(0).toString());
    EXPECT_EQ(folders, listed);
    EXPECT_EQ(shippedSkins().first(), u"Classic"_s);
    EXPECT_GE(shippedSkins().size(), 3);
}

TEST_P(SkinTest, EveryFileTheCourseNamesIsShipped) {
    QStringList files;
    for (const QString& name :
         {u"page1.inc"_s, u"page2.inc"_s, u"page3.inc"_s, u"page4.inc"_s, u"menu1.inc"_s,
          u"menu2.inc"_s, u"menu3.inc"_s, u"menu4.inc"_s, u"header.inc"_s})
        files << u"includes/"_s + name;
    // named by the renderer
    QStringList inSkin{u"menu_frameset.htm"_s,
                       u"header_frameset.htm"_s,
                       u"page_frameset.htm"_s,
                       u"tab1.inc"_s,
                       u"tab2.inc"_s,
                       u"spacer.gif"_s,
                       u"cleanleft.gif"_s,
                       u"greyleft.gif"_s,
                       u"top_black.gif"_s,
                       u"top_grey.gif"_s,
                       u"intersection_left.gif"_s,
                       u"intersection_right.gif"_s,
                       u"grey_intersection_right.gif"_s,
                       u"cleanright.gif"_s,
                       u"greyright.gif"_s};
    // named by the templates: roll-over and scroll images, the style sheet, the empty frame
    inSkin << u"scroll_up.gif"_s << u"scroll_down.gif"_s << u"skin.css"_s << u"blank.htm"_s;
    for (int i = 1; i <= 6; ++i)
        inSkin << u"%1.gif"_s.arg(i) << u"%1_over.gif"_s.arg(i);
    for (const QString& name : inSkin)
        files << u"skins/"_s + GetParam() + u'/' + name;

    for (const QString& file : files) {
        const QByteArray bytes = readFile(shipped(file));
        EXPECT_FALSE(bytes.isEmpty()) << file.toStdString();
        if (file.endsWith(u".gif"_s)) {
            EXPECT_TRUE(bytes.startsWith("GIF89a") || bytes.startsWith("GIF87a"))
                << file.toStdString();
        }
        // the renderer rewrites every <br> of a page document, script included
        if (file.endsWith(u".inc"_s) && !file.contains(u"/menu"_s) && !file.contains(u"header"_s)) {
            EXPECT_FALSE(bytes.contains("<br>")) << file.toStdString();
        }
    }
}

TEST_P(SkinTest, FramesetsLoadWithTheirFrames) {
    const QString names = u"Array.prototype.map.call(document.querySelectorAll('frame'), "
                          u"function (f) { return f.name; }).sort().join()"_s;
    ASSERT_TRUE(loadFrameset(u"menu_frameset.htm"_s));
    EXPECT_EQ(eval(names), u"display"_s);
    ASSERT_TRUE(loadFrameset(u"header_frameset.htm"_s));
    EXPECT_EQ(eval(names), u"display"_s);
    ASSERT_TRUE(loadFrameset(u"page_frameset.htm"_s));
    EXPECT_EQ(eval(names), u"display,engine,info,upper"_s);
    // every frame has a document the pages can write into
    EXPECT_EQ(eval(u"[frames.engine, frames.upper, frames.info, frames.display].every("
                   u"function (w) { return w.document.body !== null; })"_s),
              u"true"_s);
}

TEST_P(SkinTest, APageAnswersItsButtonsLinksAndQuiz) {
    writeFile(m_program.path(u"temp/pictures/1.gif"_s), koa::test::gifOf(40, 30));
    writeFile(m_program.path(u"temp/sounds/2.wav"_s), koa::test::wavOf(200));
    ASSERT_TRUE(loadFrameset(u"page_frameset.htm"_s));

    Page page;
    page.sound = u"2.wav"_s;
    page.tabs = {{u"Start"_s, u"Start page"_s}, {u"Weather"_s, u"Weather page"_s}};
    page.activeTab = 1;
    page.page = 1;
    page.lastPage = 2;
    page.module = 0;
    page.lastModule = 1;
    page.rows << textRow(
        u"<em>Heading</em><br>See "_s + link('i', u"go"_s, u"Clouds"_s, u"clouds"_s) + u", the "_s +
        link('k', u"keyword"_s, u"Skipper&#39;s rule"_s, u"<dfn>Skipper&#39;s rule</dfn>"_s) +
        u", the "_s + link('d', u"dlink"_s, u"Checklist"_s, u"<code>checklist</code>"_s) +
        u" and the "_s +
        link('e', u"xgo"_s, u"www.example.org/forecast"_s, u"<cite>forecast</cite>"_s) + u"."_s);
    page.rows << pictureRow(u"1.gif"_s, u"A caption"_s);
    page.pictureList = u"<img src=temp/pictures/1.gif>\r\n"_s;
    page.rows << movieRow(m_course, u"3.mp4"_s);
    page.rows << u"displayString+='<hr size=1 noshade>';"_s;
    page.rows << quizRows(7, u"Which are true?"_s,
                          {{u"First"_s, true}, {u"Second"_s, false}, {u"Third"_s, true}});
    ASSERT_TRUE(show(u"engine"_s, pageDocument(m_course, page),
                     Display + u".querySelector('form.koa-quiz') !== null"_s));

    // The buttons of the page, each a command for the program.
    const QString click = u"Array.prototype.forEach.call("_s + Engine +
                          u".querySelectorAll('[data-command]'), function (b) { b.click(); })"_s;
    EXPECT_EQ(statusOf(click),
              (QStringList{u"home"_s, u""_s, u"glossary"_s, u""_s, u"about"_s, u""_s, u"exit"_s,
                           u""_s, u"fastbackward"_s, u""_s, u"backward"_s, u""_s, u"forward"_s,
                           u""_s, u"fastforward"_s, u""_s}));
    EXPECT_EQ(
        eval(
            u"Array.prototype.every.call("_s + Engine +
            u".querySelectorAll('button'), function (b) { return b.title && b.textContent.trim(); })"_s),
        u"true"_s);

    // An index tab and the links of the text; the apostrophe of a keyword survives.
    EXPECT_EQ(eval(u"frames.upper.document.querySelectorAll('a').length"_s), u"2"_s);
    EXPECT_EQ(eval(u"frames.upper.document.querySelector('a[aria-current]').textContent"_s),
              u"Weather"_s);
    EXPECT_EQ(statusOf(u"frames.upper.document.querySelector('a').click()"_s),
              (QStringList{u"go*Start page"_s, u""_s}));
    EXPECT_EQ(statusOf(Display + u".querySelector('a[type=i]').click()"_s),
              (QStringList{u"go*Clouds"_s, u""_s}));
    EXPECT_EQ(statusOf(Display + u".querySelector('a[type=k]').click()"_s),
              (QStringList{u"keyword*Skipper's rule"_s, u""_s}));
    EXPECT_EQ(statusOf(Display + u".querySelector('a[type=d]').click()"_s),
              (QStringList{u"dlink*Checklist"_s, u""_s}));

    // What opens outside the course: the web address, the document the
    // program names, the glossary written beside the page.
    const qsizetype commands = m_status.size();
    EXPECT_EQ(externalOf(Display + u".querySelector('a[type=e]').click()"_s),
              QUrl(u"http://www.example.org/forecast"_s));
    EXPECT_TRUE(run(u"javascript:showDlink('5.pdf')"_s));
    ASSERT_TRUE(waitUntil([&] { return m_external.size() == 2; }));
    EXPECT_EQ(m_external.last().at(0).toUrl(),
              QUrl::fromLocalFile(m_course.program + u"/temp/documents/5.pdf"_s));
    EXPECT_TRUE(run(u"javascript:show_glossary()"_s));
    ASSERT_TRUE(waitUntil([&] { return m_external.size() == 3; }));
    EXPECT_EQ(m_external.last().at(0).toUrl(),
              QUrl::fromLocalFile(m_cache.filePath(u"glossary.htm"_s)));
    EXPECT_EQ(m_status.size(), commands) << "no command for what opens outside";

    // The quiz: right only when every box matches its statement.
    const QString quiz = Display + u".forms.quiz7"_s;
    const QString check = quiz + u".querySelector('.koa-check').click(); "_s + quiz +
                          u".querySelector('.koa-feedback').className"_s;
    EXPECT_EQ(eval(u"Array.prototype.map.call("_s + quiz +
                   u".querySelectorAll('label'), function (l) { return l.textContent; }).join()"_s),
              u"First,Second,Third"_s);
    eval(quiz + u".box0.checked = true; "_s + quiz + u".box2.checked = true"_s);
    EXPECT_EQ(eval(check), u"koa-feedback koa-right"_s);
    eval(quiz + u".querySelectorAll('label')[1].click()"_s);
    EXPECT_EQ(eval(check), u"koa-feedback koa-wrong"_s);

    // The player becomes a video that waits for the learner; the sound plays.
    EXPECT_EQ(eval(u"(function (v) { return [v.controls, v.autoplay, v.width, v.height, "
                   u"v.src.split('/').pop()].join(); })("_s +
                   Display + u".querySelector('video'))"_s),
              u"true,false,320,240,3.mp4"_s);
    EXPECT_EQ(eval(u"(function (a) { return [a.autoplay, a.src.split('/').pop()].join(); })("_s +
                   Display + u".querySelector('audio'))"_s),
              u"true,2.wav"_s);
    EXPECT_EQ(eval(Display + u".querySelectorAll('object, embed').length"_s), u"0"_s);
    EXPECT_EQ(eval(u"frames.info.document.body.textContent"_s), u"Module 1 of 2Page 2 of 3"_s);

    // What the program shows in the page: texts arrive as the program stores them.
    EXPECT_TRUE(
        run(u"javascript:showDescription('Skipper&#39;s rule','One line<br>&#60;two&#62;')"_s));
    EXPECT_EQ(eval(Display + u".querySelector('dialog[open] h2').textContent + '|' + "_s + Display +
                   u".querySelector('dialog[open] .koa-dialog-body').innerText"_s),
              u"Skipper's rule|One line\n<two>"_s);
    EXPECT_TRUE(
        run(u"javascript:showMessage('The page this link referres to cannot be found.')"_s));
    EXPECT_EQ(eval(Display + u".querySelectorAll('dialog').length + ' ' + "_s + Display +
                   u".querySelector('dialog[open] .koa-dialog-body').textContent"_s),
              u"1 The page this link referres to cannot be found."_s);

    // A page link that leads nowhere: the message, then the page again, which
    // keeps the message. A single page: nothing before it, and the step after
    // it finishes the module.
    Page only;
    only.rows << textRow(u"Only page"_s);
    ASSERT_TRUE(show(u"engine"_s, pageDocument(m_course, only),
                     Display + u".body.textContent.indexOf('Only page') >= 0"_s));
    EXPECT_EQ(eval(Display + u".querySelector('dialog[open] .koa-dialog-body').textContent"_s),
              u"The page this link referres to cannot be found."_s);
    EXPECT_EQ(eval(u"Array.prototype.map.call("_s + Engine +
                   u".querySelectorAll('.koa-nav button'), function (b) { "
                   u"return b.disabled ? '-' : b.textContent; }).join()"_s),
              u"-,-,Finish,-"_s);
    EXPECT_EQ(eval(u"frames.upper.document.querySelectorAll('a').length"_s), u"0"_s);
}

TEST_P(SkinTest, MenuAndTitlePageLeadIntoTheCourse) {
    ASSERT_TRUE(loadFrameset(u"menu_frameset.htm"_s));
    ASSERT_TRUE(show(u"display"_s,
                     menu(m_course, u"Sailing"_s, {u"One"_s, u"Two"_s, u"Three &#39;3&#39;"_s}, 1),
                     Display + u".querySelectorAll('tr.koa-module').length === 3"_s));
    const QString second = Display + u".querySelectorAll('tr.koa-module')[1]"_s;
    EXPECT_EQ(statusOf(second + u".click()"_s), (QStringList{u"module*1"_s, u""_s}));
    // roll-over by mouse and by keyboard focus
    eval(second + u".dispatchEvent(new MouseEvent('mouseover'))"_s);
    EXPECT_TRUE(eval(Display + u".images.p1.src"_s).endsWith(u"/2_over.gif"_s));
    eval(second + u".dispatchEvent(new MouseEvent('mouseout'))"_s);
    EXPECT_TRUE(eval(Display + u".images.p1.src"_s).endsWith(u"/2.gif"_s));
    EXPECT_EQ(statusOf(second + u".dispatchEvent(new KeyboardEvent('keydown', {key: 'Enter'}))"_s),
              (QStringList{u"module*1"_s, u""_s}));
    EXPECT_EQ(eval(Display + u".querySelectorAll('.koa-scroll button').length"_s), u"2"_s);
    EXPECT_EQ(eval(Display + u".querySelector('.koa-start').hidden"_s), u"true"_s);
    // every picture of the menu and of its roll-over exists
    EXPECT_TRUE(waitUntil([&] {
        return eval(u"(function (w) { var all = Array.prototype.slice.call(w.document.images)"
                    u".concat(w.activeCache, w.passiveCache); return all.every(function (i) { "
                    u"return i.complete && i.naturalWidth > 0; }); })(frames.display)"_s) ==
               u"true"_s;
    }));

    // Seven modules: numbered boxes instead of pictures; no scroll buttons asked for.
    QStringList seven;
    for (int i = 1; i <= 7; ++i)
        seven << u"Module %1"_s.arg(i);
    ASSERT_TRUE(show(u"display"_s, menu(m_course, u"Sailing"_s, seven, 0),
                     Display + u".querySelectorAll('tr.koa-module').length === 7"_s));
    EXPECT_EQ(statusOf(Display + u".querySelectorAll('tr.koa-module')[6].click()"_s),
              (QStringList{u"module*6"_s, u""_s}));
    EXPECT_EQ(eval(Display + u".querySelectorAll('.koa-scroll').length"_s), u"0"_s);

    // The title page leads on to the course menu.
    ASSERT_TRUE(loadFrameset(u"header_frameset.htm"_s));
    ASSERT_TRUE(show(u"display"_s, titlePage(m_course, u"Sailing"_s, u"Mara"_s),
                     Display + u".querySelector('.koa-course-title') !== null"_s));
    EXPECT_EQ(eval(Display + u".title"_s), u"Sailing"_s);
    EXPECT_EQ(statusOf(Display + u".querySelector('.koa-start').click()"_s),
              (QStringList{u"home"_s, u""_s}));
    EXPECT_EQ(statusOf(Display + u".querySelector('[data-command=about]').click()"_s),
              (QStringList{u"about"_s, u""_s}));
    EXPECT_TRUE(waitUntil([&] {
        return eval(Display + u".styleSheets.length > 0 && "_s + Display +
                    u".styleSheets[0].cssRules.length > 0"_s) == u"true"_s;
    }));
}

INSTANTIATE_TEST_SUITE_P(Shipped, SkinTest, ::testing::ValuesIn(shippedSkins().toVector()),
                         [](const ::testing::TestParamInfo<QString>& info) {
                             return info.param.toStdString();
                         });

} // namespace
