// The documents of the course screen as the renderer reads them from a course
// made in the test, over stand-in templates; the writers' own rules are in
// pagewriter_test.cpp.
#include "render/menuwriter.h"
#include "render/pagecss.h"
#include "render/pagewriter.h"
#include "render/renderer.h"
#include "store/database.h"
#include "store/schema.h"
#include "tests/render/documents.h"
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

using Kind = PlacedObject::Kind;
using namespace test;

class RecordingHost : public RenderHost {
public:
    void navigate(const QString& path) override { calls.append(u"navigate "_s + path); }
    void navigateFrame(const QString& frame, const QString& path) override {
        calls.append(u"frame "_s + frame + u" "_s + path);
    }
    void runScript(const QString& text) override { calls.append(text); }
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
    PageWriter pageWriter() const { return PageWriter(m_renderer->state(), test::stubTemplate); }
    MenuWriter menuWriter() const { return MenuWriter(m_renderer->state(), test::stubTemplate); }

    QTemporaryDir m_dir;
    QString m_root;
    RecordingHost m_host;
    std::unique_ptr<Renderer> m_renderer;
    test::ErrorRecorder m_errors;
};

TEST_F(RendererTest, EmptyPageAndTheProgramFolderForms) {
    const QString page = render(0, 0);
    EXPECT_EQ(m_host.take(), QStringList{u"frame engine "_s + m_renderer->documentFile()});
    const PageWriter writer = pageWriter();
    const QString expected =
        writer.finished(writer.start() + writer.tabs({}, 0) + writer.info(), {});
    EXPECT_EQ(visible(page), visible(expected));
    EXPECT_EQ(std::pair(m_renderer->state().skin, m_renderer->state().pageCss),
              std::pair(u"Classic"_s, pageCss));
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

TEST_F(RendererTest, TheDocumentsShowWhatTheCourseHolds) {
    // Page P: its objects up to the next page (a lost one leaves a gap, a row
    // of another kind nothing) and a tab for each page of its module that has
    // a tab text in the first settings row of its name; beyond twenty too.
    QStringList rows =
        u"modules:Module 1|pages:P|texts:T|linebreak:Linebreak|horizontalline:Line|"
        "pictures:Pic|texts:Lost|movies:Mov|keywords:K|flash:Fla|quizes:Q|pages:Next|"
        "texts:T"_s.split(u'|');
    exec(u"INSERT INTO pages (name, sound, tabtext) VALUES ('P', '', 'First&nbsp;tab'), "
         "('Next', '', ''), ('Other', '', 'Other module')"_s);
    std::vector<Tab> tabs = {{u"First&nbsp;tab"_s, 1, u"P"_s}};
    for (int p = 1; p <= 23; ++p) {
        const QString name = u"P"_s + QString::number(p);
        rows << u"pages:"_s + name;
        exec(u"INSERT INTO pages (name, sound, tabtext) VALUES (?, '', 'Tab')"_s, {name});
        tabs.push_back({u"Tab"_s, 12 + p, name});
    }
    layout(rows << u"modules:Module 2"_s << u"pages:Other"_s);
    exec(u"INSERT INTO pages (name, sound, tabtext) VALUES ('Next', '', 'Later')"_s);
    exec(u"INSERT INTO texts (name, text) VALUES ('T', 'Hello <b>you</b><br>two')"_s);
    const QString visuals =
        u" (name, filename, width, height, alignment, \"float\", caption) VALUES "_s;
    exec(u"INSERT INTO pictures"_s + visuals + u"('Pic', '1.png', 320, 240, 'Left', 1, 'Seen')"_s);
    exec(u"INSERT INTO movies"_s + visuals + u"('Mov', '2.wmv', 320, 100, 'Right', 0, NULL)"_s);
    exec(u"INSERT INTO flash"_s + visuals + u"('Fla', '3.swf', NULL, 50, 'Center', NULL, 'C')"_s);
    exec(u"INSERT INTO quizes (ID, name, text) VALUES (9, 'Q', 'Which?'), (4, 'R', 'No')"_s);
    exec(u"INSERT INTO statements (quizname, statement, status) VALUES ('Q', 'Red', 'true'), "
         "('R', 'Blue', 'true'), ('Q', 'Loud', 'false')"_s);
    exec(u"UPDATE header SET title = 'Safety first', menuscroll = 1, author = '', "
         "target_group = 'Nurses', description = 'One<br>Two'"_s);

    const QString page = render(0, 0);
    const PageWriter writer = pageWriter();
    QString objects;
    for (const PlacedObject& object :
         {test::object(Kind::Text, u"Hello <b>you</b><br>two"_s), test::object(Kind::LineBreak),
          test::object(Kind::Line),
          test::visual(Kind::Picture, u"1.png"_s, 320, 240, u"Left"_s, true, u"Seen"_s),
          test::visual(Kind::Movie, u"2.wmv"_s, 320, 100, u"Right"_s),
          test::visual(Kind::Flash, u"3.swf"_s, QVariant(), 50, u"Center"_s, false, u"C"_s),
          test::quiz(9, u"Which?"_s, {{u"true"_s, u"Red"_s}, {u"false"_s, u"Loud"_s}})})
        objects += writer.placed(object);
    EXPECT_EQ(visible(page), visible(writer.finished(writer.start() + writer.tabs(tabs, 1) +
                                                         writer.info() + objects,
                                                     u"<img src=temp/pictures/1.png>"_s + CrLf)));
    ASSERT_EQ(m_errors.locations(), QStringList{u"preview / ShowPage()"_s});
    EXPECT_EQ(m_errors.reports()[0].description, u"No current record: texts Lost"_s);
    EXPECT_TRUE(
        page.contains(uR"(<table style=\'font-family: Trebuchet MS; font-size:10pt\' border=0)"_s));

    // The menu and the title page of the header.
    const TitleFields header{u"Safety first"_s, 1, QString(), u"Nurses"_s, u"One<br>Two"_s};
    m_renderer->ShowMenu();
    EXPECT_EQ(visible(document()),
              visible(menuWriter().menu(header, {u"Module 1"_s, u"Module 2"_s})));
    EXPECT_EQ(m_renderer->state().lastModuleIndex, 1);
    m_renderer->state().previewMode = u"header"_s;
    m_renderer->renderCurrent();
    EXPECT_EQ(visible(document()), visible(menuWriter().titlePage(header)));
    const QString shown = m_renderer->documentFile();
    EXPECT_EQ(m_host.take(), QStringList({u"frame engine "_s + shown, u"frame display "_s + shown,
                                          u"frame display "_s + shown}));
    // The next frameset after the title page is the course menu.
    EXPECT_EQ(m_renderer->state().previewMode, u"menu"_s);
}

TEST_F(RendererTest, PageSoundOnEveryRender) {
    layout({u"modules:M"_s, u"pages:Welcome"_s, u"pages:Quiet"_s, u"pages:Far"_s});
    exec(u"INSERT INTO pages (name, sound, tabtext) VALUES ('Welcome', 'Bell', ''), "
         "('Quiet', 'Deleted', ''), ('Far', 'Away', '')"_s);
    exec(
        u"INSERT INTO sounds (name, filename) VALUES ('Bell', '4 it''s.mp3'), ('Away', '../4.mp3')"_s);
    const QString embed = u"displayString+='<embed hidden=\"true\" src=\""_s + m_root + u'/' +
                          u"temp/sounds/4%20it%27s.mp3\">';"_s + CrLf;

    // Also the render after a failed page link plays it again.
    for (int run = 0; run < 2; ++run) {
        const QString page = render(0, 0);
        EXPECT_EQ(
            page.section(u"[page2]skin='Classic';"_s + CrLf, 1).section(u"parent.upper"_s, 0, 0),
            embed);
        EXPECT_TRUE(m_renderer->state().pageSound.isEmpty());
    }
    // A sound that no longer exists, or whose file lies elsewhere, plays nothing.
    EXPECT_FALSE(render(0, 1).contains(u"<embed"_s));
    EXPECT_FALSE(render(0, 2).contains(u"<embed"_s));
}

TEST_F(RendererTest, ASkinThatIsNoFolderOrNotInstalledShowsAsTheDefault) {
    const QString frameset = u"navigate "_s + m_root + u"/skins/%1/page_frameset.htm"_s;
    for (const auto& [stored, shown] : {std::pair{u"../temp"_s, u"Classic"_s},
                                        {u"Ocean"_s, u"Classic"_s},
                                        {u"Ocean"_s, u"Ocean"_s}}) {
        if (shown == u"Ocean"_s) // installed later, it is used
            QDir().mkpath(m_root + u"/skins/Ocean"_s);
        exec(u"UPDATE header SET skin = ?"_s, {stored});
        m_renderer->Initiate();
        EXPECT_EQ(m_host.take(), QStringList{frameset.arg(shown)}) << stored.toStdString();
    }
    EXPECT_EQ(Database(m_root + u"/temp/koa.kod"_s).scalar(u"SELECT skin FROM header"_s),
              u"Ocean"_s);
}

TEST_F(RendererTest, CommandsThroughTheHost) {
    layout({u"modules:A"_s, u"pages:Start"_s, u"pages:Twin"_s, u"modules:B"_s, u"pages:B1"_s,
            u"modules:C"_s, u"pages:C1"_s, u"pages:Twin"_s, u"modules:D"_s, u"pages:D1"_s,
            u"pages:A<B"_s});
    // The pool stores a name's brackets plain, the text editor escaped.
    exec(u"INSERT INTO keywords (name, desc) VALUES ('Don&#39;t', 'Do not'), ('apple', 'A fruit'), "
         "('Map <N>', 'Up'), ('x<y', 'plain'), ('x&#60;y', 'escaped'), ('a<br>b', 'Line')"_s);
    exec(u"INSERT INTO dlinks (name, filename) VALUES ('Manual', '5.pdf'), ('Doc', '/etc/passwd'), "
         "('Plan <B>', '6.pdf')"_s);
    RenderState& state = m_renderer->state();
    const QString frameset = u"navigate "_s + m_root + u"/skins/Classic/"_s;
    const QString rendered = u"frame engine "_s + m_renderer->documentFile();

    state.pageNumber = 1;
    const QString missing =
        u"javascript:showMessage('The %1 this link referres to cannot be found.')"_s;
    const QString noPage = missing.arg(u"page"_s), noFile = missing.arg(u"file"_s);
    const struct {
        QString input;
        QStringList calls;
        std::pair<int, int> place; // module and page afterwards
    } steps[] = {
        // Forward on the last page of a module: the course menu.
        {u"forward"_s, {frameset + u"menu_frameset.htm"_s}, {0, 2}},
        // module*2: the first page of the third module, once its frameset is there.
        {u"module*2"_s, {frameset + u"page_frameset.htm"_s}, {2, 0}},
        // "go" with nothing after the asterisk does nothing; a page name that
        // exists twice is the first in the course.
        {u"go*"_s, {}, {2, 0}},
        {u"go*Twin"_s, {rendered}, {0, 1}},
        {u"go*Nowhere"_s, {noPage, rendered}, {0, 1}},
        // A page name is compared as it was typed.
        {u"go*A<B"_s, {rendered}, {3, 1}},
        // The argument is escaped before the look-up.
        {u"keyword*Don't"_s, {u"javascript:showDescription('Don&#39;t','Do not')"_s}, {3, 1}},
        {u"keyword*Nothing"_s,
         {u"javascript:showDescription('Nothing','Keyword not found')"_s},
         {3, 1}},
        // Names stored with plain brackets are found, an escaped twin first.
        {u"keyword*Map <N>"_s, {u"javascript:showDescription('Map &#60;N&#62;','Up')"_s}, {3, 1}},
        {u"keyword*x<y"_s, {u"javascript:showDescription('x&#60;y','escaped')"_s}, {3, 1}},
        {u"keyword*a<br>b"_s, {u"javascript:showDescription('a&#60;br&#62;b','Line')"_s}, {3, 1}},
        {u"dlink*Plan <B>"_s, {u"javascript:showDlink('6.pdf')"_s}, {3, 1}},
        // A document that is gone, or whose file lies elsewhere, is not found.
        {u"dlink*Manual"_s, {u"javascript:showDlink('5.pdf')"_s}, {3, 1}},
        {u"dlink*Deleted"_s, {noFile}, {3, 1}},
        {u"dlink*Doc"_s, {noFile}, {3, 1}},
        // Backward on the first page stays there.
        {u"fastbackward"_s, {rendered}, {3, 0}},
        {u"backward"_s, {rendered}, {3, 0}},
        // Texts that are no command: a hovered link, the cleared status, another case.
        {u"file:///tmp/page.htm"_s, {}, {3, 0}},
        {u""_s, {}, {3, 0}},
        {u"Forward"_s, {}, {3, 0}},
        {u"go"_s, {}, {3, 0}},
        {u"glossary"_s, {u"javascript:show_glossary()"_s}, {3, 0}},
        {u"about"_s, {u"about"_s}, {3, 0}},
    };
    for (const auto& step : steps) {
        m_renderer->HandleInput(step.input);
        EXPECT_EQ(m_host.take(), step.calls) << step.input.toStdString();
        EXPECT_EQ(std::pair(state.moduleNumber, state.pageNumber), step.place)
            << step.input.toStdString();
    }
    // The info frame counts the module's pages and the modules.
    EXPECT_TRUE(document().contains(
        u"thisPage = 0;\r\nnumPages = 1;\r\nthisModule = 3;\r\nnumModules = 3;\r\n"_s));
    EXPECT_EQ(visible(document(m_renderer->glossaryFile())),
              visible(menuWriter().glossary({{u"a<br>b"_s, u"Line"_s},
                                             {u"apple"_s, u"A fruit"_s},
                                             {u"Don&#39;t"_s, u"Do not"_s},
                                             {u"Map <N>"_s, u"Up"_s},
                                             {u"x&#60;y"_s, u"escaped"_s},
                                             {u"x<y"_s, u"plain"_s}})));
}

} // namespace
} // namespace koa::render
