// The writers' documents from plain values, written out here from the rules,
// with stand-in templates that only name themselves; and the sanitizer of
// stored markup that they apply.
#include "render/markupsanitizer.h"
#include "render/menuwriter.h"
#include "render/pagewriter.h"
#include "tests/render/documents.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace koa::render {
namespace {

using Kind = PlacedObject::Kind;
using namespace test;

// Markup in a plain field of a course another tool wrote, and how it shows.
const QString Evil = u"<script>alert(1)</script><img src=x onerror=alert(2)>"_s;
const QString Shown = u"&lt;script&gt;alert(1)&lt;/script&gt;&lt;img src=x onerror=alert(2)&gt;"_s;

// The tags of the visual objects, with their file, width and height.
const QString PictureTag = u"<img src=temp/pictures/%1 width=%2 height=%3 border=0 hspace=0>"_s;
const QString MovieTag =
    uR"(<OBJECT width=%2 height=%3 ID=Player CLASSID=CLSID:6BF52A52-394A-11d3-B153-00C04F79FAA6><PARAM name=AUTOSTART value=FALSE><PARAM name=URL value=\'file:///k/temp/movies/%1\'></OBJECT>)"_s;
const QString FlashTag = uR"(<EMBED width=%2 height=%3 src=\'file:///k/temp/flash/%1\'></EMBED>)"_s;

// The statement of a shown object (its tag) in a layout, or none for a refused one.
QString placed(const QString& tag, const QString& side, bool floating, const QString& caption,
               const QString& width = u"320"_s) {
    if (floating && side == u"Center"_s)
        return {};
    const QString object = u"<td><center>"_s + tag + u"</center></td>"_s;
    const QString text = u"<i><font color=606060 style=font-size:8pt>"_s + caption +
                         u"</font></i></td><tr></table>"_s;
    const QString below =
        caption.isEmpty()
            ? QString()
            : u"<tr><td><center><table border=0 cellpadding=0 cellspacing=0><tr><td>"_s + text +
                  u"</td></tr>"_s;
    // Beside the object, the caption (even an empty one) has a cell of its own.
    const QString beside =
        u"<td width=100%><center><table border=0 cellpadding=10 cellspacing=0><tr><td>"_s + text +
        u"</center></td>"_s;
    const QString statement =
        floating
            ? u"<table align="_s + side.toLower() +
                  u" border=0 cellpadding=10><tr><td><table border=0 cellpadding=0 "
                  u"cellspacing=0 width="_s +
                  width + u"><tr>"_s + object + u"</tr>"_s + below + u"</table></td></tr></table>"_s
        : side == u"Center"_s
            ? u"<center><table border=0 cellpadding=0 cellspacing=0><tr>"_s + object + u"</tr>"_s +
                  below + u"</table></center>"_s
            : u"<div align="_s + side.toLower() +
                  u"><table width=600 border=0 cellpadding=0 cellspacing=0><tr>"_s +
                  (side == u"Left"_s ? object + beside : beside + object) +
                  u"</tr></table></div>"_s;
    return u"displayString+='"_s + statement + u"';"_s + CrLf;
}

class WriterTest : public ::testing::Test {
protected:
    WriterTest() {
        m_state.programPathScript = u"/k/"_s;
        m_state.programPathUrl = u"file:///k/"_s;
        // A skin whose name would end a string or an address.
        m_state.skin = u"It's"_s;
        m_state.pageCss = u"CSS"_s;
        m_state.styleAttr = u"STYLE"_s;
    }

    RenderState m_state;
    PageWriter m_page{m_state, test::stubTemplate};
    MenuWriter m_menu{m_state, test::stubTemplate};
};

// A page without objects but a line break, which the end makes small.
TEST_F(WriterTest, AnEmptyPageWithTheSkinInItsScriptAndAddresses) {
    const QString base = uR"(<html><head><base href=\'/k/\'>)"_s;
    EXPECT_EQ(
        visible(
            m_page.finished(m_page.start() + m_page.tabs({}, 0) + m_page.info() + u"<br>"_s, {})),
        visible(
            u"<head><base href='file:///k/'></head>[page1]skinPath = 'file:///k/skins/It%27s/';"_s +
            CrLf + u"displayString = '"_s + base +
            uR"(<STYLE TYPE=text/css><!--CSS[page2]skin='It\'s';)"_s + CrLf +
            u"parent.upper.document.write('"_s + base +
            u"[tab1]parent.upper.document.write('<tr><td></td></tr></table></body>'); "
            u"parent.upper.document.close();thisPage = 0;\r\nnumPages = 0;\r\nthisModule = 0;\r\n"
            u"numModules = 0;\r\nparent.info.document.write('"_s +
            base +
            u"</head>');\r\n[tab2]<font style=\\'font-size:5 pt\\'><br></font>base='file:///k/';\r\n[page3][page4]"_s));
}

// What a quiz writes for one statement: its answer, hidden, and its box.
QString answer(int i, const QString& value, const QString& shown) {
    return u"displayString+='<input type=hidden value=%1 name=answer%2>';\r\n"
           u"displayString+='<input type=checkbox name=box%2>%3<br>';\r\n"_s.arg(
               value, QString::number(i), shown);
}

TEST_F(WriterTest, TextsQuizzesAndWhatTheirValuesHold) {
    const QString check =
        u"document.quiz9.box%1.checked.toString()==document.quiz9.answer%1.value"_s;
    const struct {
        PlacedObject object;
        QString statements;
    } cases[] = {
        {object(Kind::LineBreak), u"displayString+='<br>';"_s},
        {object(Kind::Line), u"displayString+='<hr size=1 noshade>';"_s},
        {object(Kind::Text, u"Hello <b>you</b><br>two<BR>three"_s),
         u"displayString+='Hello <b>you</b><br>two<BR>three<br>';\r\n"_s},
        // A typed backslash stays one; the link's backslash-apostrophe pairs stay as they are.
        {object(
             Kind::Text,
             uR"(In C:\users see <a type=i href=javascript:void(0); onclick="parent.engine.go(\'Next\');">Next</a>)"_s),
         uR"(displayString+='In C:\\users see <a type=i href=javascript:void(0); onclick="parent.engine.go(\'Next\');">Next</a><br>';)"_s +
             CrLf},
        {object(Kind::Text, Evil), u"displayString+='"_s + Shown + u"<br>';"_s + CrLf},
        {quiz(4, u"Nothing to tick?"_s, {}),
         u"displayString+='<form name=quiz4><b>Nothing to tick?</b><br><br>';\r\n"
         u"displayString+='</form>';"_s},
        // Only "true" in any case is a right answer; the texts show as text.
        {quiz(
             9, Evil,
             {{u"true"_s, u"Red"_s}, {u"x onfocus=alert(5)"_s, u"C:\\users"_s}, {u"TRUE"_s, Evil}}),
         u"displayString+='<form name=quiz9><b>"_s + Shown + u"</b><br><br>';\r\n"_s +
             answer(0, u"true"_s, u"Red"_s) + answer(1, u"false"_s, u"C:\\\\users"_s) +
             answer(2, u"true"_s, Shown) +
             uR"(displayString+='<br><input type=button value=\'Check answer\' onClick=\'if()"_s +
             check.arg(0) + u" && "_s + check.arg(1) + u" && "_s + check.arg(2) +
             uR"(){parent.engine.correctAnswer();} else{parent.engine.falseAnswer();}\'>';displayString+='</form>';)"_s},
        // File names as address segments; a caption as text in a script string.
        {visual(Kind::Picture, u"5 it's.png"_s, 10, u" 12.5"_s, u"Center"_s, false,
                u"In C:\\new"_s),
         placed(PictureTag.arg(u"5%20it%27s.png"_s, u"10"_s, u"12.5"_s), u"Center"_s, false,
                u"In C:\\\\new"_s)},
        // A file name that leaves its folder names no file; what is no number is left out.
        {visual(Kind::Picture, u"../../1.gif"_s, u"10 onload=alert(4)"_s, 20, u"Left"_s, true,
                Evil),
         placed(PictureTag.arg(QString(), QString(), u"20"_s), u"Left"_s, true, Shown, QString())},
        // The player's controls sit below the picture: 64 more, unless there is no height.
        {visual(Kind::Movie, u"2.wmv"_s, 320, u"12.5"_s),
         placed(MovieTag.arg(u"2.wmv"_s, u"320"_s, u"76.5"_s), u"Center"_s, false, QString())},
        {visual(Kind::Movie, u"2.wmv"_s, 320, QVariant()),
         placed(MovieTag.arg(u"2.wmv"_s, u"320"_s, QString()), u"Center"_s, false, QString())},
    };
    for (const auto& c : cases)
        EXPECT_EQ(visible(m_page.placed(c.object)), visible(c.statements));
}

TEST_F(WriterTest, PicturesMoviesAndFlashInEveryLayout) {
    const std::pair<Kind, QString> kinds[] = {
        {Kind::Picture, PictureTag.arg(u"7.png"_s, u"320"_s, u"240"_s)},
        {Kind::Movie, MovieTag.arg(u"7.png"_s, u"320"_s, u"304"_s)},
        {Kind::Flash, FlashTag.arg(u"7.png"_s, u"320"_s, u"240"_s)}};
    test::ScriptedScope dialogs;
    std::vector<PlacedObject> objects;
    for (const auto& [kind, tag] : kinds)
        for (const QString& side : {u"Left"_s, u"Right"_s, u"Center"_s})
            for (const bool floating : {false, true})
                for (const QString& caption : {QString(), u"Seen"_s}) {
                    objects.push_back(visual(kind, u"7.png"_s, 320, 240, side, floating, caption));
                    EXPECT_EQ(visible(m_page.placed(objects.back())),
                              visible(placed(tag, side, floating, caption)));
                }
    // Floating without a side has no layout: left out, with a message.
    const QString refused = u"Illegal parsing combination - send an error report on "_s +
                            QStringLiteral(KOA_MAKER_ADDRESS);
    EXPECT_EQ(dialogs->messages(), QStringList(6, refused));
    // Every picture is loaded first, also one left out.
    EXPECT_EQ(PageWriter::pictureList(objects),
              u"<img src=temp/pictures/7.png>\r\n"_s.repeated(12));
}

TEST_F(WriterTest, IndexTabsFollowTheirPages) {
    // How a tab looks beside its neighbours: its left edge, its top, its
    // table's colour and its text's.
    using Look = QStringList;
    const Look firstActive = u"cleanleft.gif|top_black.gif|bgcolor=#FFFFFF|#000000"_s.split(u'|');
    const Look firstPassive = u"greyleft.gif|top_grey.gif||#505050"_s.split(u'|');
    const Look active =
        u"intersection_left.gif|top_black.gif|bgColor=#FFFFFF|#000000"_s.split(u'|');
    const Look afterActive = u"intersection_right.gif|top_grey.gif||#505050"_s.split(u'|');
    // Neither of two neighbours active: the grey separator, colour without "#".
    const Look passive = u"grey_intersection_right.gif|top_grey.gif||505050"_s.split(u'|');
    const auto cell = [](const Look& look, const QString& name, const QString& text) {
        return u"parent.upper.document.write('<td><img src=skins/It%27s/"_s + look[0] +
               uR"(></td><td valign=top><table STYLE border=0 cellpadding=0 cellspacing=0 )"_s +
               look[2] + uR"( height=33><tr><td valign=top>\n');)"_s + CrLf +
               u"parent.upper.document.write('<img src=skins/It%27s/"_s + look[1] +
               uR"( width=100% height=5></td></tr>\n');)"_s + CrLf +
               uR"(parent.upper.document.write('<tr><td valign=top><a href=\'JavaScript:void(0);\' onClick="parent.engine.go(\')"_s +
               name + uR"(\');"><font color=)"_s + look[3] + u">"_s + text +
               uR"(</a></td></tr>\n');)"_s + CrLf +
               uR"(parent.upper.document.write('</table></td>\n');)"_s + CrLf;
    };
    const QString head = uR"(parent.upper.document.write('<html><head><base href=\'/k/\'>[tab1])"_s;
    const QString end =
        u"parent.upper.document.write('</td><td>');parent.upper.document.write('<img src=skins/It%27s/%1>');parent.upper.document.write('</td></tr></table>'); parent.upper.document.close();"_s;

    const std::vector<Tab> tabs = {{u"First&nbsp;tab"_s, 1, u"M1P1"_s},
                                   {u"Second"_s, 3, u"M1P3"_s},
                                   {u"Third"_s, 5, u"M1P5"_s}};
    const struct {
        qint64 position;
        std::vector<Look> looks;
        QString rightEdge;
    } cases[] = {
        // Page 2 has no tab of its own: the first tab stays active.
        {2, {firstActive, afterActive, passive}, u"greyright.gif"_s},
        {3, {firstPassive, active, afterActive}, u"greyright.gif"_s},
        {6, {firstPassive, passive, active}, u"cleanright.gif"_s},
    };
    for (const auto& c : cases) {
        QString expected = head + cell(c.looks[0], tabs[0].pageName, tabs[0].text);
        for (size_t j = 1; j < tabs.size(); ++j)
            expected += u"parent.upper.document.write('</td><td>')"_s + CrLf +
                        cell(c.looks[j], tabs[j].pageName, tabs[j].text);
        EXPECT_EQ(visible(m_page.tabs(tabs, c.position)), visible(expected + end.arg(c.rightEdge)));
    }
    // Once written into the tab frame, the handler reads go('O\'Brien').
    EXPECT_EQ(visible(m_page.tabs({{Evil, 5, u"O'Brien"_s}}, 5)),
              visible(head + cell(firstActive, uR"(O\\\'Brien)"_s, Shown) +
                      end.arg(u"cleanright.gif"_s)));
}

TEST_F(WriterTest, MenuTitlePageAndGlossary) {
    const QString head = u"<html><head><base href='/k/'>[menu1]\r\nbutton_status='%1';\r\n"
                         uR"(skin='It\'s';)"
                         u"\r\nnumModules =%2\r\n[menu2]%3[menu3]"_s;
    const QString pictureLine =
        u"<tr style='cursor:hand' onMouseover='p%1.src=activeCache[%1].src' onMouseout='p%1.src=passiveCache[%1].src' onClick=\"window.status='module*%1'; window.status='';\"><td><img src='skins/It%27s/spacer.gif' width='20'></td><td><img name='p%1' border='0' src='skins/It%27s/%2.gif'></td><td><img src='skins/It%27s/spacer.gif' width='20'></td><td>%3</td></tr>"_s;
    const QString boxLine =
        u"<tr style='cursor:hand' onClick=\"window.status='module*%1'; window.status='';\"><td><img src='skins/It%27s/spacer.gif' width='20'></td><td><table width='40' border='1' cellpadding='0' cellspacing='0' style='border-collapse: collapse' bordercolor='#111111'><tr><td><center><font size=5>%2</font></td></tr></table></td><td><img src='skins/It%27s/spacer.gif' width='20'></td><td>%3</td></tr>"_s;

    // Six modules have the skin's pictures, seven numbered boxes. The stored
    // scroll setting is written only as a number, every text only as text.
    for (const int count : {6, 7}) {
        const TitleFields header{Evil, count == 6 ? QVariant(1) : QVariant(u"1';alert(3);'"_s),
                                 QString(), QString(), QString()};
        QStringList names = {Evil};
        QString expected =
            head.arg(count == 6 ? u"1"_s : QString(), QString::number(count - 1), Shown) +
            (count == 6 ? pictureLine : boxLine).arg(u"0"_s, u"1"_s, Shown);
        for (int i = 1; i < count; ++i) {
            names << u"Module %1"_s.arg(i + 1);
            expected += (count == 6 ? pictureLine : boxLine)
                            .arg(QString::number(i), QString::number(i + 1), names.back());
        }
        EXPECT_EQ(visible(m_menu.menu(header, names)), visible(expected + u"[menu4]"_s)) << count;
    }

    const TitleFields header{Evil, QVariant(), u"R&D <team>"_s, QString(), Evil + u"<br>Two"_s};
    EXPECT_EQ(
        visible(m_menu.titlePage(header)),
        visible(
            u"<html><head><base href='/k/skins/It%27s/'></head>[header]"_s + Shown +
            u"[menu3]<tr><td><b>Author</b><br><font size='2'>R&amp;D &lt;team&gt;</font><br><br><b>Target group</b><br><font size='2'></font><br><br><b>Description</b><br><font size='2'>"_s +
            Shown + u"<br>Two</font><br><br></td></tr>[menu4]"_s));

    const QString row = u"<tr><td width='200'><i>%1</i></td><td>%2&nbsp;</td></tr>"_s;
    EXPECT_EQ(
        visible(m_menu.glossary(
            {{u"apple"_s, u"A fruit"_s}, {u"Don&#39;t"_s, u"Do not"_s}, {Evil, Evil}})),
        visible(
            u"<html class='koa-glossary'><head><title>KOA Glossary</title><link "
            u"rel='stylesheet' href='file:///k/skins/It%27s/skin.css'></head><body "
            u"bgcolor='#FFFFFF'><table width='100%' border='1' style='border-collapse:collapse' "
            u"bordercolor='#111111' cellpadding='3' cellspacing='0'>"_s +
            row.arg(u"apple"_s, u"A fruit"_s) + row.arg(u"Don&#39;t"_s, u"Do not"_s) +
            row.arg(Shown, Shown) + u"</body></html>"_s));
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
}

} // namespace
} // namespace koa::render
