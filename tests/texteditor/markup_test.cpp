#include "store/database.h"
#include "store/schema.h"
#include "tests/support/helpers.h"
#include "tests/support/testsupport.h"
#include "texteditor/charformat.h"
#include "texteditor/documentcharacters.h"
#include "texteditor/keywords.h"
#include "texteditor/markup.h"

#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using namespace koa;
using namespace koa::texteditor;

namespace {

QString external(const QString& target, const QString& text) {
    return test::link('e', u"xgo"_s, target, u"<cite>"_s + text + u"</cite>"_s);
}
QString internal(const QString& target, const QString& text) {
    return test::link('i', u"go"_s, target, text);
}
QString keyword(const QString& text) {
    return test::link('k', u"keyword"_s, text, u"<dfn>"_s + text + u"</dfn>"_s);
}
QString document(const QString& target, const QString& text) {
    return test::link('d', u"dlink"_s, target, u"<code>"_s + text + u"</code>"_s);
}

QTextCharFormat formatOf(const QString& name, int size = size::Normal, int colourValue = 0) {
    QTextCharFormat f = normalFormat();
    setFontName(f, name);
    f.setFontPointSize(size);
    setColourValue(f, colourValue);
    if (name == tag::Bold)
        f.setFontWeight(QFont::Bold);
    if (name == tag::Italic)
        f.setFontItalic(true);
    f.setFontUnderline(colourValue != 0);
    return f;
}

// A format as the stored markup tells it.
using Properties = std::tuple<QString, double, bool, bool, bool, int>;
Properties propertiesOf(const QTextCharFormat& f) {
    return {fontName(f),    f.fontPointSize(), isBold(f),
            f.fontItalic(), f.fontUnderline(), colourValue(f)};
}

void append(QTextDocument& doc, const QString& text, const QTextCharFormat& format) {
    QTextCursor cursor(&doc);
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text, format);
}

QTextCharFormat at(const QTextDocument& doc, int position) {
    return charactersOf(doc, position, position + 1).value(0).format;
}

class Markups : public ::testing::Test {
protected:
    // The markup of `doc`, which must be storable.
    QString stored(QTextDocument& doc) {
        bool ok = false;
        int longLinks = -1;
        const QString html = m_markup.rtf2html(doc, ok, longLinks);
        EXPECT_TRUE(ok);
        EXPECT_EQ(longLinks, 0);
        return html;
    }
    // Loads `html` into a fresh document and stores it again.
    QString roundTrip(const QString& html) {
        EXPECT_TRUE(m_markup.html2rtf(m_doc, html));
        return stored(m_doc);
    }

    test::ErrorRecorder m_errors;
    Markup m_markup;
    QTextDocument m_doc;
};

} // namespace

TEST_F(Markups, EmptyTextBlanksLineEndsAndEscapesStoreAndLoadBack) {
    EXPECT_EQ(stored(m_doc), QString());
    EXPECT_TRUE(m_markup.html2rtf(m_doc, QString()));
    EXPECT_EQ(m_doc.characterCount(), 1);

    append(m_doc, u"a b  c    d "_s, normalFormat());
    EXPECT_EQ(stored(m_doc), u"a b &nbsp;c &nbsp;&nbsp;&nbsp;d "_s);
    EXPECT_TRUE(m_markup.html2rtf(m_doc, u"a b &nbsp;c &nbsp;&nbsp;&nbsp;d "_s));
    EXPECT_EQ(m_doc.toPlainText(), u"a b  c    d "_s);
    // Blanks in a bold span count alike.
    EXPECT_EQ(roundTrip(u"<b>x &nbsp;y</b>"_s), u"<b>x &nbsp;y</b>"_s);

    // Each line end is one break, inside and outside spans.
    m_doc.clear();
    append(m_doc, u"one\ntwo"_s, normalFormat());
    append(m_doc, u"bold\nline"_s, formatOf(tag::Bold));
    append(m_doc, u"\u2028end"_s, normalFormat()); // a line separator (Shift+Enter)
    EXPECT_EQ(stored(m_doc), u"one<br>two<b>bold<br>line</b><br>end"_s);

    ASSERT_TRUE(m_markup.html2rtf(m_doc, u"one<br>two<b>bold<br>line</b><br>end"_s));
    EXPECT_EQ(m_doc.blockCount(), 4);
    EXPECT_EQ(m_doc.toPlainText(), u"one\ntwobold\nline\nend"_s);
    EXPECT_TRUE(isBold(at(m_doc, 11))); // the break inside the span
    EXPECT_EQ(roundTrip(u"<br><br><em>a<br></em><br>"_s), u"<br><br><em>a<br></em><br>"_s);

    // Escaping differs for the double quote only.
    m_doc.clear();
    const QString typed = u"<a> 'x' \"q\" & \\ <br>"_s;
    append(m_doc, typed, normalFormat());
    append(m_doc, typed, formatOf(tag::Italic));
    const QString plain = u"&#60;a&#62; &#39;x&#39; \"q\" & \\ &#60;br&#62;"_s;
    const QString span = u"&#60;a&#62; &#39;x&#39; &#34;q&#34; & \\ &#60;br&#62;"_s;
    EXPECT_EQ(stored(m_doc), plain + u"<i>"_s + span + u"</i>"_s);

    // Everything loads back as typed; an escaped "<br>" stays text.
    ASSERT_TRUE(m_markup.html2rtf(m_doc, plain + u"<i>"_s + span + u"</i>"_s));
    EXPECT_EQ(m_doc.toPlainText(), typed + typed);
    EXPECT_EQ(m_doc.blockCount(), 1);
}

TEST_F(Markups, LoadedFormatsFollowTheFormatTableAndItsColourNumbers) {
    ASSERT_TRUE(m_markup.html2rtf(m_doc, u"n<b>b</b><i>i</i><em>1</em><strong>2</strong>"_s +
                                             keyword(u"k"_s)));
    // Name, size, bold, italic, underlined, colour.
    const Properties expected[] = {
        {tag::Normal, 10, false, false, false, 0}, {tag::Bold, 10, true, false, false, 0},
        {tag::Italic, 10, false, true, false, 0},  {tag::Head1, 20, false, false, false, 0},
        {tag::Head2, 14, false, false, false, 0},  {tag::Keyword, 10, false, false, true, 49152}};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(propertiesOf(at(m_doc, i)), expected[i]) << i;

    // Colour numbers are red, green and blue from the low byte.
    for (const auto& [value, colour] : {std::pair(colour::External, QColor(255, 0, 0)),
                                        std::pair(colour::Internal, QColor(192, 64, 0)),
                                        std::pair(colour::Keyword, QColor(0, 192, 0)),
                                        std::pair(colour::Document, QColor(0, 0, 255))}) {
        EXPECT_EQ(colourFromValue(value), colour) << value;
        EXPECT_EQ(valueOfColour(colour), value);
    }
}

TEST_F(Markups, BoldWinsOverItalicAndOverALink) {
    QTextCharFormat boldItalic = formatOf(tag::Bold);
    boldItalic.setFontItalic(true);
    append(m_doc, u"x"_s, boldItalic);
    const QString link = tag::link(m_markup.targets().addLinkArray(u"Page 2"_s));
    append(m_doc, u"go"_s, formatOf(link, 10, colour::Internal));
    append(m_doc, u"B"_s, formatOf(tag::Bold)); // made bold inside the link
    append(m_doc, u"on"_s, formatOf(link, 10, colour::Internal));
    EXPECT_EQ(stored(m_doc), u"<b>x</b>"_s + internal(u"Page 2"_s, u"go"_s) + u"<b>B</b>"_s +
                                 internal(u"Page 2"_s, u"on"_s));
}

TEST_F(Markups, EachLinkKindLoadsAndStoresWithItsTarget) {
    const QString html = external(u"http://example.org/a?b=1&c=2"_s, u"site"_s) + u" "_s +
                         internal(u"Page <2>"_s, u"page"_s) + u" "_s +
                         keyword(u"Photo&#39;synthesis"_s) + u" "_s +
                         document(u"Manual"_s, u"&#34;doc&#34;"_s);
    ASSERT_TRUE(m_markup.html2rtf(m_doc, html));
    EXPECT_EQ(m_doc.toPlainText(), u"site page Photo'synthesis \"doc\""_s);
    EXPECT_EQ(m_markup.targets().count(), 3); // keyword links have no entry
    const QTextCharFormat page = at(m_doc, 5);
    EXPECT_EQ(std::tuple(fontName(page), page.foreground().color(), page.fontUnderline()),
              std::tuple(u"koa:2"_s, QColor(192, 64, 0), true));
    EXPECT_EQ(m_markup.targets().at(2), u"Page <2>"_s);
    // The page name's brackets are stored as references, which the page's
    // attribute turns back into the name.
    QString own = html;
    own.replace(u"Page <2>"_s, u"Page &#60;2&#62;"_s);
    EXPECT_EQ(stored(m_doc), own);
    EXPECT_EQ(roundTrip(own), own);

    // Adjacent links of one kind become one with the first target; a number
    // that the list does not hold keeps the link with the placeholder.
    append(m_doc, u"x"_s, formatOf(u"koa:3"_s, 10, colour::Document));
    append(m_doc, u"orphan"_s, formatOf(u"koa:99"_s, 10, colour::External));
    EXPECT_EQ(stored(m_doc),
              own.chopped(11) + u"x</code></a>"_s + external(u"http://"_s, u"orphan"_s));

    // A typed address cannot end the script string or the attribute it stands in.
    m_doc.clear();
    append(m_doc, u"evil"_s, formatOf(u"koa:1"_s, 10, colour::External));
    m_markup.targets().set(1, uR"(http://x.org/'");alert(1)//<\>)"_s);
    EXPECT_EQ(stored(m_doc), external(u"http://x.org/%27%22);alert(1)//%3C%5C%3E"_s, u"evil"_s));
}

TEST_F(Markups, KeywordLinksAddTheirRowOnce) {
    QTemporaryDir dir;
    schema::createBlankCourse(dir.path());
    const QString path = dir.filePath(u"koa.kod"_s);
    Database(path).exec(u"INSERT INTO keywords (name, desc) VALUES ('Cell', 'known')"_s);
    Markup markup(keywordAdder(path));
    ASSERT_TRUE(markup.html2rtf(m_doc, keyword(u"It&#39;s"_s) + u" "_s + keyword(u"cell"_s) +
                                           u" "_s + keyword(u"It&#39;s"_s)));
    bool ok = false;
    int longLinks = 0;
    markup.rtf2html(m_doc, ok, longLinks);
    EXPECT_TRUE(ok);
    EXPECT_EQ(test::rowsOf(path, u"SELECT name, desc FROM keywords"_s),
              QStringList({u"Cell|known"_s, u"It&#39;s|"_s}));
}

TEST_F(Markups, LinksLongerThanFiftyCharactersAreRefusedAndMadeNormal) {
    const QString fifty(50, u'x');
    EXPECT_EQ(roundTrip(external(u"http://a"_s, fifty)), external(u"http://a"_s, fifty));

    ASSERT_TRUE(m_markup.html2rtf(m_doc, u"a"_s + internal(u"P"_s, fifty + u"y"_s) + u"b"_s));
    bool ok = true;
    int longLinks = 0;
    m_markup.rtf2html(m_doc, ok, longLinks);
    EXPECT_FALSE(ok);
    EXPECT_EQ(longLinks, 1);
    EXPECT_EQ(
        longLinkMessage(longLinks),
        u"There are 1 link(s) longer than 50 characters. Formatting will be set to normal."_s);
    for (int position : {1, 51})
        EXPECT_EQ(propertiesOf(at(m_doc, position)),
                  Properties(tag::Normal, 10, false, false, false, 0));
    EXPECT_EQ(stored(m_doc), u"a"_s + fifty + u"yb"_s);
}

TEST_F(Markups, UnknownAndDamagedMarkupLoadsWithoutReadingPastTheEnd) {
    const QString e = external(u"|"_s, QString()).section(u'|', 0, 0); // up to its target
    // The markup, and the text it loads as.
    const std::pair<QString, QString> cases[] = {
        {u"<u>under</u>"_s, u"u>under/u>"_s},
        {u"abc<"_s, u"abc"_s},
        {u"<b>open"_s, u"open"_s},
        {u"<strong>"_s, QString()},
        {u"<a"_s, u"a"_s},
        {u"<a type=k"_s, u"a type=k"_s},
        {e, e.mid(1)},
        {e + u"http://x\\');"_s, e.mid(1) + u"http://x\\');"_s},
        {u"<a type=d href=x>text</a>"_s, u"a type=d href=x>text/a>"_s},
        {internal(u"P"_s, u"link"_s).chopped(4), u"link"_s},
        {internal(u"P"_s, u"link"_s).chopped(6), u"li"_s}};
    for (const auto& [html, text] : cases) {
        EXPECT_TRUE(m_markup.html2rtf(m_doc, html)) << html.toStdString();
        EXPECT_EQ(m_doc.toPlainText(), text) << html.toStdString();
    }
    // Every truncation of a text that holds each item loads.
    const QString full = u"a<b>b<br>c</b><i>i</i>"_s + external(u"http://x"_s, u"e"_s) +
                         internal(u"P"_s, u"i"_s) + keyword(u"k"_s) + document(u"D"_s, u"d"_s) +
                         u"<em>h</em><strong>s</strong> &nbsp;&#39;"_s;
    for (qsizetype k = 0; k <= full.size(); ++k)
        EXPECT_TRUE(m_markup.html2rtf(m_doc, full.left(k))) << k;
    EXPECT_EQ(stored(m_doc), full);
}
