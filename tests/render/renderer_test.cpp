// The documents of the course screen, written out here from the rules, over
// a course made in the test and stand-in templates that only name themselves.
#include "render/markupsanitizer.h"
#include "render/renderer.h"
#include "store/database.h"
#include "store/schema.h"
#include "tests/support/testsupport.h"

#include <memory>
#include <utility>

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace koa::render {
namespace {

const QString CrLf = u"\r\n"_s;
const QString Br = uR"(<font style=\'font-size:5 pt\'><br></font>)"_s;
const QString Css =
    u"a{font-weight:bold} q{font:10pt Trebuchet MS} strong{font:bold 12 pt Trebuchet MS} em{font:20 pt Trebuchet MS} cite{font:bold 10 pt Trebuchet MS} cite{color:#FF0000} dfn{font:bold 10 pt Trebuchet MS} dfn{color:#00C000} code{font:bold 10 pt Trebuchet MS} code{color:#0000FF}"_s;

// Line breaks made visible, so a failed comparison shows a readable diff.
std::string visible(QString text) {
    return text.replace(u"\r\n"_s, u"\\r\\n\n"_s).toStdString();
}

class RecordingHost : public RenderHost {
public:
    void navigate(const QString& path) override { calls.append(u"navigate "_s + path); }
    void navigateFrame(const QString& frame, const QString& path) override {
        calls.append(u"frame "_s + frame + u" "_s + path);
    }
    void runScript(const QString& text) override { calls.append(u"script "_s + text); }
    void showAbout() override { calls.append(u"about"_s); }
    QStringList take() { return std::exchange(calls, {}); }

    QStringList calls;
};

class RendererTest : public ::testing::Test {
protected:
    RendererTest() : m_root(m_dir.filePath(u"koa"_s)) {
        schema::createBlankCourse(m_root + u"/temp"_s);
        test::writeStubTemplates(m_root);
        m_renderer = std::make_unique<Renderer>(m_host, m_root);
        m_script = m_root + u"/"_s;
        m_url = u"file://"_s + m_script;
    }

    void SetUp() override {
        // The address forms below are the folder's own name only for plain names.
        ASSERT_TRUE(QRegularExpression(u"^[A-Za-z0-9/._-]+$"_s).match(m_root).hasMatch());
    }

    void exec(const QString& sql, const QVariantList& params = {}) {
        Database db(m_root + u"/temp/koa.kod"_s);
        db.exec(sql, params);
    }
    // The layout as the composer writes it ("type:name" rows), numbered from 0.
    void layout(const QStringList& rows) { test::setLayout(m_root + u"/temp/koa.kod"_s, rows); }
    void modulesWithPages(const QList<int>& pages) {
        QStringList rows;
        for (qsizetype m = 0; m < pages.size(); ++m) {
            rows << u"modules:Module %1"_s.arg(m + 1);
            for (int p = 0; p < pages[m]; ++p)
                rows << u"pages:M%1P%2"_s.arg(m + 1).arg(p + 1);
        }
        layout(rows);
    }

    QString render(int module, int page) {
        m_renderer->state().moduleNumber = module;
        m_renderer->state().pageNumber = page;
        m_renderer->ShowPage();
        return document();
    }
    // The file in UTF-8 with its byte order mark, followed by CR LF.
    QString document(const QString& path = QString()) const {
        const QByteArray bytes = test::readFile(path.isEmpty() ? m_renderer->documentFile() : path);
        if (bytes.size() < 5) {
            ADD_FAILURE() << "no document";
            return {};
        }
        EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
        EXPECT_TRUE(bytes.endsWith("\r\n"));
        return QString::fromUtf8(bytes.mid(3).chopped(2));
    }
    static QString between(const QString& text, const QString& from, const QString& to) {
        const qsizetype start = text.indexOf(from);
        const qsizetype end = text.indexOf(to, start + from.size());
        return start < 0 || end < 0 ? QString()
                                    : text.mid(start + from.size(), end - start - from.size());
    }

    // The statements every page document has, in their places.
    QString pageStart() const {
        return u"<head><base href='"_s + m_url + u"'></head>[page1]skinPath = '"_s + m_url +
               u"skins/Classic/';"_s + CrLf + uR"(displayString = '<html><head><base href=\')"_s +
               m_script + uR"(\'><STYLE TYPE=text/css><!--)"_s + Css + u"[page2]skin='Classic';"_s +
               CrLf;
    }
    QString noTabs() const {
        return uR"(parent.upper.document.write('<html><head><base href=\')"_s + m_script +
               uR"(\'>[tab1]parent.upper.document.write('<tr><td></td></tr></table></body>'); parent.upper.document.close();)"_s;
    }
    QString info(int page, int lastPage, int module, int lastModule) const {
        return u"thisPage = %1;\r\nnumPages = %2;\r\nthisModule = %3;\r\nnumModules = %4;\r\n"_s
                   .arg(page)
                   .arg(lastPage)
                   .arg(module)
                   .arg(lastModule) +
               uR"(parent.info.document.write('<html><head><base href=\')"_s + m_script +
               uR"(\'></head>');)"_s + CrLf + u"[tab2]"_s;
    }
    QString pageEnd(const QString& pictureList = QString()) const {
        return u"base='"_s + m_url + u"';"_s + CrLf + u"[page3]"_s + pictureList + u"[page4]"_s;
    }

    QTemporaryDir m_dir;
    QString m_root;
    QString m_script;
    QString m_url;
    RecordingHost m_host;
    std::unique_ptr<Renderer> m_renderer;
    test::ErrorRecorder m_errors;
};

TEST_F(RendererTest, EmptyPageAndTheProgramFolderForms) {
    const QString expected = pageStart() + noTabs() + info(0, 0, 0, 0) + pageEnd();
    EXPECT_EQ(visible(render(0, 0)), visible(expected));
    EXPECT_EQ(m_host.take(), QStringList{u"frame engine "_s + m_renderer->documentFile()});
    // The composer's "no page selected" shows the first page.
    EXPECT_EQ(visible(render(0, -1)), visible(expected));

    // An apostrophe or a blank in the user's folder cannot end a script
    // string or an attribute.
    Renderer odd(m_host, m_dir.filePath(u"it's a #1 koa"_s));
    const QString escaped = m_dir.path() + u"/it%27s%20a%20%231%20koa/"_s;
    EXPECT_EQ(odd.state().programPath, m_dir.filePath(u"it's a #1 koa"_s));
    EXPECT_EQ(odd.state().programPathScript, escaped);
    EXPECT_EQ(odd.state().programPathUrl, u"file://"_s + escaped);
}

TEST_F(RendererTest, TextsLineBreaksAndLines) {
    layout({u"modules:M"_s, u"pages:P"_s, u"texts:Intro"_s, u"linebreak:Linebreak"_s,
            u"horizontalline:Horizontal line"_s, u"texts:Path"_s, u"pages:Next"_s,
            u"texts:Intro"_s});
    exec(u"INSERT INTO texts (name, text) VALUES ('Intro', 'Hello <b>you</b><br>two<BR>three')"_s);
    // A typed backslash stays one; the link's backslash-apostrophe pairs stay as they are.
    exec(
        u"INSERT INTO texts (name, text) VALUES ('Path', ?)"_s,
        {uR"(In C:\users see <a type=i href=javascript:void(0); onclick="parent.engine.go(\'Next\');">Next</a>)"_s});

    const QString expected =
        pageStart() + noTabs() + info(0, 1, 0, 0) + u"displayString+='Hello <b>you</b>"_s + Br +
        u"two<BR>three"_s + Br + u"';"_s + CrLf + u"displayString+='"_s + Br + u"';"_s +
        u"displayString+='<hr size=1 noshade>';"_s +
        uR"(displayString+='In C:\\users see <a type=i href=javascript:void(0); onclick="parent.engine.go(\'Next\');">Next</a>)"_s +
        Br + u"';"_s + CrLf + pageEnd();
    EXPECT_EQ(visible(render(0, 0)), visible(expected));
}

// The statement of an object (its tag) in a layout, or none for a refused one.
QString placed(const QString& tag, const QString& side, bool floating, const QString& caption) {
    const QString object = u"<td><center>"_s + tag + u"</center></td>"_s;
    const QString text = u"<i><font color=606060 style=font-size:8pt>"_s + caption +
                         u"</font></i></td><tr></table>"_s;
    const QString below =
        caption.isEmpty()
            ? QString()
            : u"<tr><td><center><table border=0 cellpadding=0 cellspacing=0><tr><td>"_s + text +
                  u"</td></tr>"_s;
    QString statement;
    if (floating && side == u"Center"_s)
        return {};
    if (floating) {
        statement =
            u"<table align="_s + side.toLower() +
            u" border=0 cellpadding=10><tr><td><table border=0 cellpadding=0 cellspacing=0 width=320><tr>"_s +
            object + u"</tr>"_s + below + u"</table></td></tr></table>"_s;
    } else if (side == u"Center"_s) {
        statement = u"<center><table border=0 cellpadding=0 cellspacing=0><tr>"_s + object +
                    u"</tr>"_s + below + u"</table></center>"_s;
    } else {
        // Beside the object, the caption (even an empty one) has a cell of its own.
        const QString beside =
            u"<td width=100%><center><table border=0 cellpadding=10 cellspacing=0><tr><td>"_s +
            text + u"</center></td>"_s;
        statement = u"<div align="_s + side.toLower() +
                    u"><table width=600 border=0 cellpadding=0 cellspacing=0><tr>"_s +
                    (side == u"Left"_s ? object + beside : beside + object) +
                    u"</tr></table></div>"_s;
    }
    return u"displayString+='"_s + statement + u"';"_s + CrLf;
}

TEST_F(RendererTest, PicturesMoviesAndFlashInEveryLayout) {
    const QList<std::pair<QString, QString>> kinds = {
        {u"pictures"_s, u"<img src=temp/pictures/7.png width=320 height=240 border=0 hspace=0>"_s},
        {u"movies"_s,
         u"<OBJECT width=320 height=304 ID=Player CLASSID=CLSID:6BF52A52-394A-11d3-B153-00C04F79FAA6><PARAM name=AUTOSTART value=FALSE><PARAM name=URL value=\\'"_s +
             m_url + u"temp/movies/7.png\\'></OBJECT>"_s},
        {u"flash"_s,
         u"<EMBED width=320 height=240 src=\\'"_s + m_url + u"temp/flash/7.png\\'></EMBED>"_s}};

    QStringList rows = {u"modules:M"_s, u"pages:P"_s};
    QString statements;
    QString pictureList;
    for (const auto& [table, tag] : kinds) {
        for (const QString& side : {u"Left"_s, u"Right"_s, u"Center"_s}) {
            for (const bool floating : {false, true}) {
                for (const QString& caption : {QString(), u"Seen"_s}) {
                    const QString name = table + QString::number(rows.size());
                    rows << table + u':' + name;
                    exec(
                        u"INSERT INTO "_s + table +
                            u" (name, filename, width, height, alignment, \"float\", caption) VALUES (?, '7.png', 320, 240, ?, ?, ?)"_s,
                        {name, side, int(floating), caption});
                    statements += placed(tag, side, floating, caption);
                    if (table == u"pictures"_s)
                        pictureList += u"<img src=temp/pictures/7.png>"_s + CrLf;
                }
            }
        }
    }
    layout(rows);
    test::ScriptedScope dialogs;

    const QString expected =
        pageStart() + noTabs() + info(0, 0, 0, 0) + statements + pageEnd(pictureList);
    EXPECT_EQ(visible(render(0, 0)), visible(expected));
    // Floating without a side has no layout: left out, with a message.
    const QString refused = u"Illegal parsing combination - send an error report on "_s +
                            QStringLiteral(KOA_MAKER_ADDRESS);
    EXPECT_EQ(dialogs->messages(), QStringList(6, refused));
}

TEST_F(RendererTest, QuizzesWithoutAndWithStatements) {
    layout({u"modules:M"_s, u"pages:P"_s, u"quizes:Empty"_s, u"quizes:Colours"_s});
    exec(u"INSERT INTO quizes (ID, name, text) VALUES (4, 'Empty', 'Nothing to tick?')"_s);
    exec(u"INSERT INTO quizes (ID, name, text) VALUES (9, 'Colours', 'Which are colours?')"_s);
    exec(u"INSERT INTO statements (quizname, statement, status) VALUES ('Colours', 'Red', 'true'), "
         "('Colours', 'Loud', 'false'), ('Colours', 'Blue', 'true')"_s);

    const QString form =
        u"displayString+='<form name=quiz%1><b>%2</b>"_s + Br + Br + u"';"_s + CrLf;
    const QString end = u"displayString+='</form>';"_s;
    QString quizzes =
        form.arg(4).arg(u"Nothing to tick?"_s) + end + form.arg(9).arg(u"Which are colours?"_s);
    QStringList checks;
    const QStringList statements = {u"true Red"_s, u"false Loud"_s, u"true Blue"_s};
    for (qsizetype i = 0; i < statements.size(); ++i) {
        const QStringList s = statements[i].split(u' ');
        quizzes +=
            u"displayString+='<input type=hidden value=%1 name=answer%2>';"_s.arg(s[0]).arg(i) +
            CrLf + u"displayString+='<input type=checkbox name=box%1>%2"_s.arg(i).arg(s[1]) + Br +
            u"';"_s + CrLf;
        checks << u"document.quiz9.box%1.checked.toString()==document.quiz9.answer%1.value"_s.arg(
            i);
    }
    quizzes +=
        u"displayString+='"_s + Br +
        uR"(<input type=button value=\'Check answer\' onClick=\'if()"_s + checks.join(u" && "_s) +
        uR"(){parent.engine.correctAnswer();} else{parent.engine.falseAnswer();}\'>';)"_s + end;
    EXPECT_EQ(visible(render(0, 0)),
              visible(pageStart() + noTabs() + info(0, 0, 0, 0) + quizzes + pageEnd()));
}

TEST_F(RendererTest, PageSoundOnEveryRender) {
    layout({u"modules:M"_s, u"pages:Welcome"_s, u"pages:Quiet"_s});
    exec(u"INSERT INTO pages (name, sound, tabtext) VALUES ('Welcome', 'Bell', ''), "
         "('Quiet', 'Deleted', '')"_s);
    exec(u"INSERT INTO sounds (name, filename) VALUES ('Bell', '4.mp3')"_s);
    const QString embed = u"displayString+='<embed hidden=\"true\" src=\""_s + m_script +
                          u"temp/sounds/4.mp3\">';"_s + CrLf;

    // Also the render after a failed page link plays it again.
    for (int run = 0; run < 2; ++run) {
        const QString page = render(0, 0);
        EXPECT_EQ(between(page, u"[page2]skin='Classic';"_s + CrLf, u"parent.upper"_s), embed);
        EXPECT_TRUE(m_renderer->state().pageSound.isEmpty());
    }
    // A sound that no longer exists plays nothing.
    EXPECT_FALSE(render(0, 1).contains(u"<embed"_s));
}

TEST_F(RendererTest, MenuWithSixAndWithSevenModules) {
    exec(u"UPDATE header SET title = 'Safety first', menuscroll = 1"_s);
    const QString head = u"<html><head><base href='"_s + m_script +
                         u"'>[menu1]\r\nbutton_status='1';\r\nskin='Classic';\r\nnumModules =%1\r\n"
                         "[menu2]Safety first[menu3]"_s;
    const QString pictureLine =
        u"<tr style='cursor:hand' onMouseover='p%1.src=activeCache[%1].src' onMouseout='p%1.src=passiveCache[%1].src' onClick=\"window.status='module*%1'; window.status='';\"><td><img src='skins/Classic/spacer.gif' width='20'></td><td><img name='p%1' border='0' src='skins/Classic/%2.gif'></td><td><img src='skins/Classic/spacer.gif' width='20'></td><td>Module %2</td></tr>"_s;
    const QString boxLine =
        u"<tr style='cursor:hand' onClick=\"window.status='module*%1'; window.status='';\"><td><img src='skins/Classic/spacer.gif' width='20'></td><td><table width='40' border='1' cellpadding='0' cellspacing='0' style='border-collapse: collapse' bordercolor='#111111'><tr><td><center><font size=5>%2</font></td></tr></table></td><td><img src='skins/Classic/spacer.gif' width='20'></td><td>Module %2</td></tr>"_s;

    for (const int count : {6, 7}) {
        modulesWithPages(QList<int>(count, 1));
        QString expected = head.arg(count - 1);
        for (int i = 0; i < count; ++i)
            expected += (count == 6 ? pictureLine : boxLine).arg(i).arg(i + 1);
        expected += u"[menu4]"_s;
        m_renderer->ShowMenu();
        EXPECT_EQ(visible(document()), visible(expected)) << count << " modules";
        EXPECT_EQ(m_host.take(), QStringList{u"frame display "_s + m_renderer->documentFile()});
    }
}

TEST_F(RendererTest, TitlePageWithEmptyAuthor) {
    exec(u"UPDATE header SET title = 'Safety first', author = '', target_group = 'Nurses', "
         "description = 'One<br>Two'"_s);
    m_renderer->state().previewMode = u"header"_s;
    m_renderer->renderCurrent();
    const QString expected =
        u"<html><head><base href='"_s + m_script +
        u"skins/Classic/'></head>[header]Safety first[menu3]<tr><td><b>Author</b><br><font size='2'></font><br><br><b>Target group</b><br><font size='2'>Nurses</font><br><br><b>Description</b><br><font size='2'>One<br>Two</font><br><br></td></tr>[menu4]"_s;
    EXPECT_EQ(visible(document()), visible(expected));
    EXPECT_EQ(m_host.take(), QStringList{u"frame display "_s + m_renderer->documentFile()});
    // The next frameset after the title page is the course menu.
    EXPECT_EQ(m_renderer->state().previewMode, u"menu"_s);
}

TEST_F(RendererTest, IndexTabsFollowTheirPages) {
    modulesWithPages({4});
    // A page's settings are the first row of its name; later rows count for nothing.
    exec(
        u"INSERT INTO pages (name, sound, tabtext) VALUES ('M1P1', '', 'First&nbsp;tab'), "
        "('M1P2', '', ''), ('M1P3', '', 'Second'), ('M1P2', '', 'Later'), ('M1P3', '', 'Later')"_s);
    const auto cell = [](const QString& image, const QString& top, const QString& attribute,
                         const QString& colour, const QString& name, const QString& text) {
        return u"parent.upper.document.write('<td><img src=skins/Classic/"_s + image +
               uR"(></td><td valign=top><table style=\'font-family: Trebuchet MS; font-size:10pt\' border=0 cellpadding=0 cellspacing=0 )"_s +
               attribute + uR"( height=33><tr><td valign=top>\n');)"_s + CrLf +
               u"parent.upper.document.write('<img src=skins/Classic/"_s + top +
               uR"( width=100% height=5></td></tr>\n');)"_s + CrLf +
               uR"(parent.upper.document.write('<tr><td valign=top><a href=\'JavaScript:void(0);\' onClick="parent.engine.go(\')"_s +
               name + uR"(\');"><font color=)"_s + colour + u">"_s + text +
               uR"(</a></td></tr>\n');)"_s + CrLf +
               uR"(parent.upper.document.write('</table></td>\n');)"_s + CrLf;
    };
    const QString head = uR"(parent.upper.document.write('<html><head><base href=\')"_s + m_script +
                         uR"(\'>[tab1])"_s;
    const QString separator = u"parent.upper.document.write('</td><td>')"_s + CrLf;
    const QString end =
        u"parent.upper.document.write('</td><td>');parent.upper.document.write('<img src=skins/Classic/%1>');parent.upper.document.write('</td></tr></table>'); parent.upper.document.close();"_s;
    const QString from = u"[page2]skin='Classic';"_s + CrLf;

    // Page 2 has no tab of its own: the first tab stays active.
    const QString onPage2 = head +
                            cell(u"cleanleft.gif"_s, u"top_black.gif"_s, u"bgcolor=#FFFFFF"_s,
                                 u"#000000"_s, u"M1P1"_s, u"First&nbsp;tab"_s) +
                            separator +
                            cell(u"intersection_right.gif"_s, u"top_grey.gif"_s, u""_s,
                                 u"#505050"_s, u"M1P3"_s, u"Second"_s) +
                            end.arg(u"greyright.gif"_s);
    EXPECT_EQ(visible(between(render(0, 1), from, u"thisPage"_s)), visible(onPage2));

    const QString onPage4 = head +
                            cell(u"greyleft.gif"_s, u"top_grey.gif"_s, u""_s, u"#505050"_s,
                                 u"M1P1"_s, u"First&nbsp;tab"_s) +
                            separator +
                            cell(u"intersection_left.gif"_s, u"top_black.gif"_s,
                                 u"bgColor=#FFFFFF"_s, u"#000000"_s, u"M1P3"_s, u"Second"_s) +
                            end.arg(u"cleanright.gif"_s);
    EXPECT_EQ(visible(between(render(0, 3), from, u"thisPage"_s)), visible(onPage4));
}

TEST_F(RendererTest, EveryTabShowsAlsoBeyondTwenty) {
    for (const int count : {20, 25}) {
        modulesWithPages({count});
        exec(u"DELETE FROM pages"_s);
        for (int p = 1; p <= count; ++p)
            exec(u"INSERT INTO pages (name, sound, tabtext) VALUES (?, '', 'Tab')"_s,
                 {u"M1P"_s + QString::number(p)});
        const QString page = render(0, count - 1);
        EXPECT_EQ(page.count(u"parent.engine.go("_s), count);
        // Neither of two neighbours active: the grey separator, colour without "#".
        EXPECT_EQ(page.count(u"grey_intersection_right.gif"_s), count - 2);
        EXPECT_EQ(page.count(u"<font color=505050>"_s), count - 2);
        EXPECT_TRUE(page.contains(u"/cleanright.gif>"_s)); // the last tab is the active one
        EXPECT_TRUE(m_errors.reports().isEmpty());
    }
}

TEST_F(RendererTest, ValuesThatWouldEndAScriptString) {
    // Names and texts from an older course or another tool, which the
    // program's own input boxes would have filtered.
    layout({u"modules:M"_s, u"pages:O'Brien"_s, u"pictures:P"_s, u"quizes:Q"_s});
    exec(u"INSERT INTO pages (name, sound, tabtext) VALUES ('O''Brien', '', 'Tab')"_s);
    exec(u"INSERT INTO pictures (name, filename, width, height, alignment, \"float\", caption) "
         "VALUES ('P', '5 it''s.png', 10, 10, 'Center', 0, 'In C:\\new')"_s);
    exec(u"INSERT INTO quizes (ID, name, text) VALUES (1, 'Q', 'Why?')"_s);
    exec(
        u"INSERT INTO statements (quizname, statement, status) VALUES ('Q', 'C:\\users', 'true')"_s);
    exec(u"UPDATE header SET skin = '../elsewhere'"_s);

    m_renderer->Initiate();
    EXPECT_EQ(m_host.take(),
              QStringList{u"navigate "_s + m_root + u"/skins/Classic/page_frameset.htm"_s});
    const QString page = render(0, 0);
    // Once written into the tab frame, the handler reads go('O\'Brien').
    EXPECT_TRUE(page.contains(uR"(onClick="parent.engine.go(\'O\\\'Brien\');")"_s))
        << visible(page);
    EXPECT_TRUE(page.contains(u"<img src=temp/pictures/5%20it%27s.png width=10"_s));
    EXPECT_TRUE(page.contains(u"style=font-size:8pt>In C:\\\\new</font>"_s));
    EXPECT_TRUE(page.contains(u"name=box0>C:\\\\users"_s));
}

TEST(MarkupSanitizer, KeepsTheEditorsDialectAndTurnsEverythingElseIntoText) {
    const QString link =
        uR"(<a type=%1 href=javascript:void(0); onclick="parent.engine.%2(\'%3\');">%4</a>)"_s;
    // Everything the editor writes, in one text: it comes out byte for byte.
    const QString own =
        u"1 &#60; 2 &#62; &#39;q&#39; \"x\"&nbsp; R&D C:\\dir <b>B&#34;</b><br><i>I</i>"_s
        u"<em>H1</em><strong>H2</strong><BR>"_s +
        link.arg(u"e"_s, u"xgo"_s, u"http://x.org/a%27b"_s, u"<cite>Web</cite>"_s) +
        link.arg(u"i"_s, u"go"_s, u"Page 1"_s, u"Page 1"_s) +
        link.arg(u"k"_s, u"keyword"_s, u"Wort&#39;s"_s, u"<dfn>Wort&#39;s</dfn>"_s) +
        link.arg(u"d"_s, u"dlink"_s, u"Doc"_s, u"<code>Doc</code>"_s);
    EXPECT_EQ(sanitizeMarkup(own), own);

    const struct {
        QString stored, shown;
    } cases[] = {
        {u"<img src=x onerror=alert(1)>"_s, u"&lt;img src=x onerror=alert(1)&gt;"_s},
        {u"<script>alert(1)</script>"_s, u"&lt;script&gt;alert(1)&lt;/script&gt;"_s},
        {u"<B onclick=x>b</B>"_s, u"&lt;B onclick=x&gt;b&lt;/B&gt;"_s},
        // A stray closing tag is text, an open one ends with the text.
        {u"</b><i>x"_s, u"&lt;/b&gt;<i>x</i>"_s},
        {u"<b><i>x</b></i>"_s, u"<b><i>x&lt;/b&gt;</i></b>"_s},
        // An argument that would end its script string spoils the whole link.
        {link.arg(u"e"_s, u"xgo"_s, u"x\\');alert(1);//"_s, u"<cite>t</cite>"_s),
         uR"(&lt;a type=e href=javascript:void(0); onclick="parent.engine.xgo(\'x\');alert(1);//\');"&gt;&lt;cite&gt;t&lt;/cite&gt;&lt;/a&gt;)"_s},
        // The type, the call and the text's wrapping belong together.
        {link.arg(u"i"_s, u"xgo"_s, u"x"_s, u"<cite>t</cite>"_s),
         uR"(&lt;a type=i href=javascript:void(0); onclick="parent.engine.xgo(\'x\');"&gt;&lt;cite&gt;t&lt;/cite&gt;&lt;/a&gt;)"_s},
        // In the attribute a reference would become an apostrophe.
        {link.arg(u"k"_s, u"keyword"_s, u"a&apos;b&#39;&#92;"_s, u"<dfn>a>b</dfn>"_s),
         link.arg(u"k"_s, u"keyword"_s, u"a&amp;apos;b&#39;&amp;#92;"_s, u"<dfn>a&gt;b</dfn>"_s)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sanitizeMarkup(c.stored), c.shown) << c.stored.toStdString();

    EXPECT_EQ(htmlText(u"R&D <team> &amp; &#39;A&#39;<br>&nbsp;&#x27;"_s),
              u"R&amp;D &lt;team&gt; &amp;amp; &#39;A&#39;<br>&nbsp;&#x27;"_s);
    EXPECT_EQ(numberText(160), u"160"_s);
    EXPECT_EQ(numberText(u" 12.5"_s), u"12.5"_s);
    EXPECT_EQ(numberText(u"1 onerror=alert(1)"_s), QString());
    EXPECT_EQ(numberText(QVariant()), QString());
}

TEST_F(RendererTest, CourseTextsShowAsText) {
    // A course written by another tool, with markup in every plain field.
    const QString evil = u"<script>alert(1)</script><img src=x onerror=alert(2)>"_s;
    const QString shown =
        u"&lt;script&gt;alert(1)&lt;/script&gt;&lt;img src=x onerror=alert(2)&gt;"_s;
    layout({u"modules:"_s + evil, u"pages:P"_s, u"pages:Q"_s, u"texts:T"_s, u"pictures:Pic"_s,
            u"quizes:Quiz"_s});
    exec(u"UPDATE header SET title = ?, author = ?, target_group = ?, description = ?, "
         "menuscroll = ?"_s,
         {evil, u"R&D <team>"_s, evil, evil + u"<br>more"_s, u"1';alert(3);'"_s});
    exec(u"INSERT INTO pages (name, sound, tabtext) VALUES ('Q', '', ?)"_s, {evil});
    exec(u"INSERT INTO texts (name, text) VALUES ('T', ?)"_s, {evil});
    exec(u"INSERT INTO pictures (name, filename, width, height, alignment, \"float\", caption) "
         "VALUES ('Pic', '../../1.gif', '10 onload=alert(4)', 20, 'Left', 1, ?)"_s,
         {evil});
    exec(u"INSERT INTO quizes (ID, name, text) VALUES (3, 'Quiz', ?)"_s, {evil});
    exec(u"INSERT INTO statements (quizname, statement, status) VALUES ('Quiz', ?, ?), "
         "('Quiz', 'Press <Enter> to confirm', 'TRUE')"_s,
         {evil, u"x onfocus=alert(5)"_s});
    exec(u"INSERT INTO keywords (name, desc) VALUES (?, ?)"_s, {evil, evil});

    const QString page = render(0, 1);
    m_renderer->ShowMenu();
    const QString menu = document();
    m_renderer->ShowHeader();
    const QString title = document();
    m_renderer->glossary();
    const QString glossary = document(m_renderer->glossaryFile());
    for (const QString* doc : {&page, &menu, &title, &glossary}) {
        EXPECT_FALSE(doc->contains(u"<script>alert"_s)) << visible(*doc);
        EXPECT_FALSE(doc->contains(u"<img src=x"_s)) << visible(*doc);
        EXPECT_FALSE(doc->contains(u"alert(3)"_s) || doc->contains(u"alert(4)"_s) ||
                     doc->contains(u"alert(5)"_s))
            << visible(*doc);
    }
    EXPECT_EQ(page.count(shown), 5) << visible(page); // tab, text, caption, question, statement
    EXPECT_TRUE(page.contains(u"value=false name=answer0"_s));
    EXPECT_TRUE(page.contains(u"value=true name=answer1"_s));
    EXPECT_TRUE(page.contains(u"name=box1>Press &lt;Enter&gt; to confirm"_s));
    // A file name that leaves its folder names no file.
    EXPECT_TRUE(page.contains(u"<img src=temp/pictures/ width= height=20 border=0"_s));
    EXPECT_EQ(menu.count(shown), 2); // title and module
    EXPECT_TRUE(menu.contains(u"button_status='';"_s));
    EXPECT_TRUE(title.contains(u"R&amp;D &lt;team&gt;"_s));
    EXPECT_TRUE(title.contains(shown + u"<br>more"_s));
    EXPECT_EQ(glossary.count(shown), 2);

    exec(u"INSERT INTO dlinks (name, filename) VALUES ('Doc', '/etc/passwd')"_s);
    m_host.take();
    m_renderer->HandleInput(u"dlink*Doc"_s);
    EXPECT_EQ(
        m_host.take(),
        QStringList{
            u"script javascript:showMessage('The file this link referres to cannot be found.')"_s});
}

TEST_F(RendererTest, ASkinThatIsNotInstalledShowsAsTheDefault) {
    exec(u"UPDATE header SET skin = 'Ocean'"_s);
    m_renderer->Initiate();
    EXPECT_EQ(m_host.take(),
              QStringList{u"navigate "_s + m_root + u"/skins/Classic/page_frameset.htm"_s});
    // Installed later, it is used.
    QDir().mkpath(m_root + u"/skins/Ocean"_s);
    m_renderer->Initiate();
    EXPECT_EQ(m_host.take(),
              QStringList{u"navigate "_s + m_root + u"/skins/Ocean/page_frameset.htm"_s});
    EXPECT_EQ(Database(m_root + u"/temp/koa.kod"_s).scalar(u"SELECT skin FROM header"_s),
              u"Ocean"_s);
}

TEST_F(RendererTest, CommandsThroughTheHost) {
    layout({u"modules:A"_s, u"pages:Start"_s, u"pages:Twin"_s, u"modules:B"_s, u"pages:B1"_s,
            u"modules:C"_s, u"pages:C1"_s, u"pages:Twin"_s, u"modules:D"_s, u"pages:D1"_s,
            u"pages:A<B"_s});
    exec(
        u"INSERT INTO keywords (name, desc) VALUES ('Don&#39;t', 'Do not'), ('apple', 'A fruit')"_s);
    exec(u"INSERT INTO dlinks (name, filename) VALUES ('Manual', '5.pdf')"_s);
    RenderState& state = m_renderer->state();
    const QString frameset = u"navigate "_s + m_root + u"/skins/Classic/"_s;
    const QString rendered = u"frame engine "_s + m_renderer->documentFile();

    // Forward on the last page of a module: the course menu.
    state.moduleNumber = 0;
    state.pageNumber = 1;
    state.previewMode = u"module"_s;
    m_renderer->HandleInput(u"forward"_s);
    EXPECT_EQ(state.previewMode, u"menu"_s);
    EXPECT_EQ(m_host.take(), QStringList{frameset + u"menu_frameset.htm"_s});

    // module*2: the first page of the third module, once its frameset is there;
    // the info frame counts its pages and the modules.
    m_renderer->HandleInput(u"module*2"_s);
    EXPECT_EQ(m_host.take(), QStringList{frameset + u"page_frameset.htm"_s});
    EXPECT_EQ(state.previewMode, u"module"_s);
    m_renderer->renderCurrent();
    EXPECT_TRUE(document().contains(noTabs() + info(0, 1, 2, 3))) << visible(document());
    m_host.take();

    // "go" with nothing after the asterisk does nothing; a page name that
    // exists twice is the first in the course.
    m_renderer->HandleInput(u"go*"_s);
    EXPECT_TRUE(m_host.calls.isEmpty());
    m_renderer->HandleInput(u"go*Twin"_s);
    EXPECT_EQ(std::pair(state.moduleNumber, state.pageNumber), std::pair(0, 1));
    EXPECT_EQ(m_host.take(), QStringList{rendered});
    m_renderer->HandleInput(u"go*Nowhere"_s);
    EXPECT_EQ(std::pair(state.moduleNumber, state.pageNumber), std::pair(0, 1));
    EXPECT_EQ(
        m_host.take(),
        QStringList(
            {u"script javascript:showMessage('The page this link referres to cannot be found.')"_s,
             rendered}));
    // A page name is compared as it was typed.
    m_renderer->HandleInput(u"go*A<B"_s);
    EXPECT_EQ(std::pair(state.moduleNumber, state.pageNumber), std::pair(3, 1));
    m_host.take();
    state.moduleNumber = 0;
    state.pageNumber = 1;

    // The argument is escaped before the look-up.
    m_renderer->HandleInput(u"keyword*Don't"_s);
    m_renderer->HandleInput(u"keyword*Nothing"_s);
    m_renderer->HandleInput(u"dlink*Manual"_s);
    m_renderer->HandleInput(u"dlink*Deleted"_s);
    EXPECT_EQ(
        m_host.take(),
        QStringList(
            {u"script javascript:showDescription('Don&#39;t','Do not')"_s,
             u"script javascript:showDescription('Nothing','Keyword not found')"_s,
             u"script javascript:showDlink('5.pdf')"_s,
             u"script javascript:showMessage('The file this link referres to cannot be found.')"_s}));

    // Backward on the first page stays there.
    state.pageNumber = 0;
    m_renderer->HandleInput(u"backward"_s);
    EXPECT_EQ(state.pageNumber, 0);
    EXPECT_EQ(m_host.take(), QStringList{rendered});

    // Texts that are no command: a hovered link, the cleared status, another case.
    for (const QString& text : {u"file:///tmp/page.htm"_s, u""_s, u"Forward"_s, u"go"_s})
        m_renderer->HandleInput(text);
    EXPECT_TRUE(m_host.take().isEmpty());

    m_renderer->HandleInput(u"glossary"_s);
    m_renderer->HandleInput(u"about"_s);
    EXPECT_EQ(m_host.take(), QStringList({u"script javascript:show_glossary()"_s, u"about"_s}));
    EXPECT_EQ(
        visible(document(m_renderer->glossaryFile())),
        visible(
            u"<html class='koa-glossary'><head><title>KOA Glossary</title><link "
            u"rel='stylesheet' href='"_s +
            m_url +
            u"skins/Classic/skin.css'></head><body bgcolor='#FFFFFF'><table "
            u"width='100%' border='1' style='border-collapse:collapse' bordercolor='#111111' "
            u"cellpadding='3' cellspacing='0'>"
            "<tr><td width='200'><i>apple</i></td><td>A fruit&nbsp;</td></tr>"
            "<tr><td width='200'><i>Don&#39;t</i></td><td>Do not&nbsp;</td></tr></body></html>"_s));
}

} // namespace
} // namespace koa::render
