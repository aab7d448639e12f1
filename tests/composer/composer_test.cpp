#include "composer/composer.h"
#include "composer/droplist.h"
#include "composer/modulelayout.h"
#include "composer/rules.h"
#include "shell/editorset.h"
#include "shell/fileselector.h"
#include "store/coursefiles.h"
#include "store/database.h"
#include "store/package.h"
#include "tests/support/anchor.h"
#include "tests/support/childprocess.h"
#include "tests/support/testsupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using namespace koa;
using namespace koa::composer;
using namespace koa::test;
using Source = composer::composer::DragSource;

namespace {

void addModule(composer::composer* c, ScriptedInteraction& scripted, const QString& answer) {
    scripted.queueInput(answer);
    c->cmdAddModule_Click();
}

// A program that edits the open module in the composer and runs until killed.
const bool childRegistered = registerChild(u"composer-edits"_s, [](const QStringList& args) {
    ScriptedInteraction scripted;
    setInteraction(&scripted);
    auto anchor = anchorAt(args.value(0));
    if (!anchor->Form_Load({}))
        return 1;
    Database(anchor->files().folder().workingDatabase())
        .exec(u"INSERT INTO texts (name, text) VALUES ('Kept', '')"_s);
    shell::EditorSet& set = anchor->editors();
    set.switchWindow(*set.headerWindow(), shell::keys::Composer);
    auto* c = static_cast<composer::composer*>(set.loaded(shell::keys::Composer));
    c->lstvModule_OLEDragDrop(Source::object(u"texts"_s, u"Kept"_s), 1);
    c->cmdAddPage_Click(); // in the place of the new text, which moves down
    addModule(c, scripted, u"Later"_s);
    c->lstvModule_OLEDragDrop(Source::object(u"texts"_s, u"Kept"_s), 1);
    std::printf("ready\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
});

class Composer : public CourseWindows {
protected:
    void SetUp() override {
        CourseWindows::SetUp();
        exec(u"INSERT INTO texts (name, text) VALUES ('Welcome', ''), ('Outro', '')"_s);
        exec(u"INSERT INTO sounds (name) VALUES ('Gong'), ('Bell')"_s);
        switchTo(shell::keys::Composer);
    }
    void exec(const QString& sql) { course().exec(sql); }
    QVariant scalar(const QString& sql) { return course().scalar(sql); }
    QStringList stored() { return layoutOf(database()); }
    bool numberedFromZero() {
        const QStringList rows = indexedLayoutOf(database());
        for (int i = 0; i < rows.size(); ++i) {
            if (rows[i].section(u':', -1).toInt() != i)
                return false;
        }
        return true;
    }
    QStringList pagesTable() {
        Database db(database(), Database::Mode::ReadOnly);
        QSqlQuery q =
            db.exec(u"SELECT name || '|' || sound || '|' || tabtext FROM pages ORDER BY ID"_s);
        QStringList rows;
        while (q.next())
            rows << q.value(0).toString();
        return rows;
    }
    // The windows are switched as the tab strip does it.
    void switchTo(const QString& key) {
        set().switchWindow(*set().loaded(set().currentWindow), key);
        c = static_cast<composer::composer*>(set().loaded(shell::keys::Composer));
    }
    QStringList pageList(int column = 0) { return itemsOf(c->lstvModule, column); }
    void selectRow(int row) { c->lstvModule->setCurrentItem(c->lstvModule->topLevelItem(row)); }
    void selectModule(int row) {
        c->lstvModules->setCurrentItem(c->lstvModules->topLevelItem(row));
    }
    void namePage(int row, const QString& name) {
        selectRow(row);
        c->txtPageName->setText(name);
        c->UpdatePage(row);
    }
    void drop(const QString& type, const QString& name, int row) {
        c->lstvModule_OLEDragDrop(Source::object(type, name), row);
    }
    void newModule(const QString& answer) { addModule(c, *m_scripted, answer); }

    composer::composer* c = nullptr;
};

} // namespace

TEST(ComposerRules, NamesTabsAndColumnWidths) {
    EXPECT_EQ(moduleNameFromAnswer(QString(60, u'm')), QString(50, u'm'));
    EXPECT_EQ(moduleNameFromAnswer(u"Ann's \"Intro\""_s), u"Anns Intro"_s);
    EXPECT_TRUE(moduleNameFromAnswer(u" ' \" "_s).isEmpty()); // blanks name nothing
    EXPECT_TRUE(isUnnamed(u"(UNNAMED PAGE)"_s));
    EXPECT_TRUE(isUnnamed(u"   "_s));
    EXPECT_EQ(storedTab(u"Part one "_s), u"Part&nbsp;one&nbsp;"_s);
    EXPECT_EQ(shownTab(storedTab(u"Part one "_s)), u"Part one "_s);
    // 21 rows (20 and the closing row) get the narrow column.
    EXPECT_EQ(pageColumnWidth(20), 265);
    EXPECT_EQ(pageColumnWidth(21), 248);
    EXPECT_EQ(objectColumnWidth(14), 177);
    EXPECT_EQ(objectColumnWidth(15), 160);
}

// "pages:Start", "texts:Welcome": a module's rows as layoutOf() writes them.
static ModuleLayout layoutFrom(const QStringList& rows) {
    QList<LayoutRow> out;
    for (const QString& r : rows)
        out.append({r.section(u':', 0, 0), r.section(u':', 1), {}, {}});
    return ModuleLayout(out);
}

static QStringList rowsOf(const ModuleLayout& layout) {
    QStringList out;
    for (const LayoutRow& r : layout.rows())
        out.append(r.type + u":"_s + r.name + (r.sound.isEmpty() ? QString() : u"+"_s + r.sound));
    return out;
}

TEST(ModuleLayoutRules, EditsKeepAPageInFrontAndNeverTakeTheClosingRow) {
    // Start | Welcome | (unnamed) | Outro; row 4 is the closing row.
    const QStringList start = {u"pages:Start"_s, u"texts:Welcome"_s, u"pages:"_s, u"texts:Outro"_s};
    // r: remove(a), t/p: insertItem(a) of a text/page, m: move(a, b), s: assignSound(a).
    struct Case {
        char edit;
        int a, b, result;
        QStringList rows; // empty: unchanged
    };
    const int assigned = int(ModuleLayout::SoundDrop::Assigned);
    const QList<Case> cases = {
        {'r', 0, 0, 0, {}}, // the first page keeps its objects
        {'r', 2, 0, 1, {u"pages:Start"_s, u"texts:Welcome"_s, u"texts:Outro"_s}},
        {'r', 4, 0, 0, {}}, // the closing row stays
        {'t', 0, 0, 0, {}}, // nothing before the first page
        {'t', 4, 0, 1, start + QStringList{u"texts:New"_s}},
        {'p', 1, 0, 0, {}},
        {'m', 0, 3, -1, {}}, // the first page stays before its text
        {'m', 1, 0, -1, {}}, // no object before the first page
        {'m', 4, 2, -1, {}},
        {'m', 2, 0, 0, {u"pages:"_s, u"pages:Start"_s, u"texts:Welcome"_s, u"texts:Outro"_s}},
        {'m', 1, 4, 3, {u"pages:Start"_s, u"pages:"_s, u"texts:Outro"_s, u"texts:Welcome"_s}},
        {'s',
         1,
         0,
         assigned,
         {u"pages:Start+Bell"_s, u"texts:Welcome"_s, u"pages:"_s, u"texts:Outro"_s}},
        {'s', 4, 0, int(ModuleLayout::SoundDrop::UnnamedPage), {}},
        {'s', 5, 0, int(ModuleLayout::SoundDrop::Refused), {}},
    };
    for (const Case& c : cases) {
        ModuleLayout l = layoutFrom(start);
        const LayoutRow row{c.edit == 'p' ? u"pages"_s : u"texts"_s, u"New"_s, {}, {}};
        const int result = c.edit == 'r'   ? int(l.remove(c.a))
                           : c.edit == 'm' ? l.move(c.a, c.b)
                           : c.edit == 's' ? int(l.assignSound(c.a, u"Bell"_s))
                                           : int(l.insertItem(c.a, row));
        EXPECT_EQ(result, c.result) << c.edit << c.a << c.b;
        EXPECT_EQ(rowsOf(l), c.rows.isEmpty() ? start : c.rows) << c.edit << c.a << c.b;
    }
    const ModuleLayout l = layoutFrom(start);
    EXPECT_EQ(l.pageAbove(3), 2);
    EXPECT_EQ(l.pagesUpTo(3), 2);
    EXPECT_TRUE(l.hasPageNamed(u"START"_s));
    EXPECT_FALSE(l.hasPageNamed(QString()));
    // The first page goes when a page follows; a module gets a page in front.
    ModuleLayout pages = layoutFrom({u"pages:A"_s, u"pages:B"_s});
    EXPECT_TRUE(pages.remove(0));
    ModuleLayout bare = layoutFrom({u"texts:A"_s});
    EXPECT_TRUE(bare.ensureFirstPage());
    EXPECT_FALSE(bare.ensureFirstPage());
    EXPECT_EQ(rowsOf(bare), (QStringList{u"pages:"_s, u"texts:A"_s}));
}

TEST_F(Composer, HandOverAndSaveLeaveTheWholeLayoutNumberedFromZero) {
    // GIVEN two modules edited while the composer is active
    namePage(0, u"Start"_s);
    drop(u"texts"_s, u"Welcome"_s, 1);
    c->cmdAddPage_Click(); // in the place of the selected text
    newModule(u"Second"_s);
    drop(u"texts"_s, u"Outro"_s, 1);
    selectModule(0);
    selectRow(2);
    const QStringList layout = {u"modules:New Module"_s, u"pages:Start"_s,    u"pages:"_s,
                                u"texts:Welcome"_s,      u"modules:Second"_s, u"pages:"_s,
                                u"texts:Outro"_s};
    EXPECT_EQ(pageList(),
              QStringList({u"Start"_s, u"(Unnamed page)"_s, u"Welcome"_s, u"[END OF MODULE]"_s}));

    // WHEN the composer hands over to the preview and comes back
    switchTo(shell::keys::Preview);
    EXPECT_EQ(set().composerModuleNumber, 1);
    EXPECT_EQ(set().composerPage, 2); // row 3 belongs to the second page
    EXPECT_EQ(stored(), layout);
    EXPECT_TRUE(numberedFromZero());
    EXPECT_EQ(pagesTable(), QStringList({u"Start||"_s}));
    switchTo(shell::keys::Header);
    switchTo(shell::keys::Composer);
    EXPECT_EQ(stored(), layout);
    EXPECT_TRUE(numberedFromZero());

    // A save from the composer packs the open module and selects its row again.
    const QString package = m_dir.filePath(u"course.kof"_s);
    m_scripted->queueFile(package);
    c->menuSave_Click();
    package::unpackPackage(package, m_dir.filePath(u"unpacked"_s));
    EXPECT_EQ(layoutOf(m_dir.filePath(u"unpacked/koa.kod"_s)), layout);
    EXPECT_EQ(c->lstvModule->currentItem()->text(0), u"Welcome"_s);
}

TEST_F(Composer, ModulesAreAddedRenamedAndDeletedByTheRules) {
    newModule(QString(60, u'm'));
    newModule(u"Ann's \"Intro\""_s);
    newModule(u"ANNS INTRO"_s);
    newModule(QString()); // nothing, and no message
    newModule(u"   "_s);
    EXPECT_EQ(m_scripted->messages(),
              QStringList({u"'ANNS INTRO' already exists, please choose another name!"_s}));
    EXPECT_EQ(itemsOf(c->lstvModules), QStringList({u"New Module"_s, QString(50, u'm'),
                                                    u"Anns Intro"_s, u"[END OF PROJECT]"_s}));
    // The new module is the last in `data` too, and it is open.
    EXPECT_EQ(stored().mid(4), QStringList({u"modules:Anns Intro"_s, u"pages:"_s}));
    EXPECT_EQ(c->currentModule(), u"Anns Intro"_s);
    EXPECT_EQ(set().composerModuleNumber, 3);
    EXPECT_EQ(pageList(), QStringList({u"(Unnamed page)"_s, u"[END OF MODULE]"_s}));

    // Another letter case of its own name is a rename; another module's name is not.
    m_scripted->clear();
    c->txtAddModule->setText(u"anns intro"_s);
    c->UpdateModuleName();
    c->txtAddModule->setText(u"NEW MODULE"_s);
    c->UpdateModuleName();
    EXPECT_EQ(m_scripted->messages(),
              QStringList({u"'NEW MODULE' already exists, please choose another name!"_s}));
    c->txtAddModule->setText(u"  "_s); // no name: the module keeps its own
    c->UpdateModuleName();
    EXPECT_EQ(stored().mid(4, 1), QStringList({u"modules:anns intro"_s}));
    EXPECT_EQ(c->lstvModule->headerItem()->text(0), u"anns intro"_s);

    // Deleting the last module takes its rows along and opens the one before.
    drop(u"texts"_s, u"Welcome"_s, 1);
    c->cmdDelModule_Click();
    EXPECT_EQ(c->currentModule(), QString(50, u'm'));
    EXPECT_EQ(c->lstvModules->currentItem()->text(0), QString(50, u'm'));
    EXPECT_EQ(stored(), QStringList({u"modules:New Module"_s, u"pages:"_s,
                                     u"modules:"_s + QString(50, u'm'), u"pages:"_s}));
    c->cmdDelModule_Click();
    c->cmdDelModule_Click(); // the only module stays
    EXPECT_EQ(stored(), QStringList({u"modules:New Module"_s, u"pages:"_s}));
    EXPECT_EQ(set().composerModuleNumber, 1);

    // A layout without any row gets a first module and page.
    set().ExitCourse(false);
    exec(u"DELETE FROM data"_s);
    c = static_cast<composer::composer*>(set().window(shell::keys::Composer));
    EXPECT_EQ(stored(), QStringList({u"modules:New Module"_s, u"pages:"_s}));
    EXPECT_EQ(itemsOf(c->lstvModules), QStringList({u"New Module"_s, u"[END OF PROJECT]"_s}));
}

TEST_F(Composer, PageNamesSoundsAndTabsFollowThePageInformation) {
    newModule(u"Other"_s);
    namePage(0, u"Elsewhere"_s);
    selectModule(0);
    namePage(0, u"Start"_s);
    selectRow(0);
    c->UpdateCmbSound();
    EXPECT_EQ(itemsOf(c->cmbSound), QStringList({u"No sound"_s, u"Bell"_s, u"Gong"_s}));
    c->cmbSound->setCurrentIndex(1);
    c->cmbSound_Click();
    c->chkTab->setChecked(true);
    c->chkTab_Click();
    c->txtTab->setText(u"Part one"_s);
    c->UpdatePage(0);
    EXPECT_EQ(scalar(u"SELECT sound || '|' || tabtext FROM pages WHERE name = 'Start'"_s),
              u"Bell|Part&nbsp;one"_s);
    c->showModule(c->currentModule());
    EXPECT_EQ(c->txtTab->text(), u"Part one"_s);
    EXPECT_EQ(pageList(2).constFirst(), u"Part one"_s);

    // Refused: another letter case of its own name, another module's page name.
    namePage(0, u"START"_s);
    EXPECT_TRUE(c->pageNameConflict());
    selectRow(1); // the author is held on the refused name
    EXPECT_EQ(c->lstvModule->indexOfTopLevelItem(c->lstvModule->currentItem()), 0);
    namePage(0, u"elsewhere"_s);
    // Leaving by the tab strip is refused as well: the typed name stays, in focus.
    clickTab(c, shell::keys::ObjectPool);
    EXPECT_EQ(set().currentWindow, shell::keys::Composer);
    EXPECT_TRUE(c->isVisible());
    EXPECT_EQ(shownTab(c), shell::keys::Composer);
    EXPECT_EQ(c->txtPageName->text(), u"elsewhere"_s);
    EXPECT_EQ(c->focusWidget(), c->txtPageName);
    EXPECT_EQ(m_scripted->messages(), QStringList(3, u"Page name already exists"_s));
    EXPECT_EQ(pageList().constFirst(), u"Start"_s);

    // A rename carries the `pages` row along; an emptied name drops it.
    selectRow(0);
    c->txtPageName->clear();
    QTest::keyClicks(c->txtPageName, u"Beg'in\""_s); // quotes are never typed in
    c->UpdatePage(0);
    EXPECT_FALSE(c->pageNameConflict());
    EXPECT_EQ(pagesTable(), QStringList({u"Elsewhere||"_s, u"Begin|Bell|Part&nbsp;one"_s}));
    namePage(0, QString());
    EXPECT_EQ(pageList().constFirst(), u"(Unnamed page)"_s);
    EXPECT_TRUE(pageList(1).constFirst().isEmpty());
    EXPECT_EQ(pagesTable(), QStringList({u"Elsewhere||"_s}));
}

TEST_F(Composer, DropsOntoThePageListFollowTheirRules) {
    drop(u"texts"_s, u"Welcome"_s, 0); // nothing before the first page
    drop(u"texts"_s, u"Welcome"_s, 1); // the closing row: appended
    drop(u"sounds"_s, u"Bell"_s, 1);   // below an unnamed page
    EXPECT_EQ(m_scripted->messages(),
              QStringList({u"Cannot assign a sound to an unnamed page!"_s}));
    namePage(0, u"Start"_s);
    drop(u"sounds"_s, u"Bell"_s, 1); // an object row: the page above gets it
    EXPECT_EQ(pageList(1), QStringList({u"Bell"_s, QString(), QString()}));
    EXPECT_EQ(c->cmbSound->currentText(), u"Bell"_s);

    // Start | Welcome | Second | Outro
    selectRow(2);
    c->cmdAddPage_Click();
    namePage(2, u"Second"_s);
    drop(u"texts"_s, u"Outro"_s, 3);
    c->lstvModule_OLEDragDrop(Source::pageRow(1), 0); // no object before the first page
    c->lstvModule_OLEDragDrop(Source::moduleRow(0), 2);
    ASSERT_EQ(pageList(), QStringList({u"Start"_s, u"Welcome"_s, u"Second"_s, u"Outro"_s,
                                       u"[END OF MODULE]"_s}));
    // A page moves alone: its text now belongs to the page above.
    c->lstvModule_OLEDragDrop(Source::pageRow(2), 0);
    EXPECT_EQ(c->lstvModule->currentItem()->text(0), u"Second"_s);
    EXPECT_EQ(c->txtPageName->text(), u"Second"_s);
    drop(u"texts"_s, u"Welcome"_s, 4); // works normally after the refused drops
    EXPECT_EQ(stored().mid(1), QStringList({u"pages:Second"_s, u"pages:Start"_s, u"texts:Welcome"_s,
                                            u"texts:Outro"_s, u"texts:Welcome"_s}));
    EXPECT_EQ(scalar(u"SELECT sound FROM pages WHERE name = 'Start'"_s), u"Bell"_s);
    EXPECT_TRUE(numberedFromZero());

    // Deleting the selected page selects the row that takes its place; the closing row stays.
    selectRow(0);
    c->cmdDelPage_Click();
    EXPECT_EQ(c->lstvModule->currentItem()->text(0), u"Start"_s);
    selectRow(4);
    c->cmdDelPage_Click();
    EXPECT_EQ(stored().mid(1), QStringList({u"pages:Start"_s, u"texts:Welcome"_s, u"texts:Outro"_s,
                                            u"texts:Welcome"_s}));
}

TEST_F(Composer, ModulesMoveWithTheirRowsBeforeTheTargetModule) {
    // First holds a page and a text that bear the name of the module Third.
    exec(u"INSERT INTO texts (name, text) VALUES ('Third', '')"_s);
    c->cmbObjectTypes_Click();
    c->txtAddModule->setText(u"First"_s);
    c->UpdateModuleName();
    namePage(0, u"Third"_s);
    drop(u"texts"_s, u"Third"_s, 1);
    newModule(u"Second"_s);
    drop(u"texts"_s, u"Welcome"_s, 1);
    newModule(u"Third"_s);
    selectModule(0);

    c->lstvModules_OLEDragDrop(Source::moduleRow(0), 2);
    EXPECT_EQ(itemsOf(c->lstvModules),
              QStringList({u"Second"_s, u"First"_s, u"Third"_s, u"[END OF PROJECT]"_s}));
    EXPECT_EQ(stored(),
              QStringList({u"modules:Second"_s, u"pages:"_s, u"texts:Welcome"_s, u"modules:First"_s,
                           u"pages:Third"_s, u"texts:Third"_s, u"modules:Third"_s, u"pages:"_s}));
    EXPECT_EQ(set().composerModuleNumber, 2);

    // A module that is not open is opened first; the closing row makes it the last.
    c->lstvModules_OLEDragDrop(Source::moduleRow(0), 3);
    EXPECT_EQ(c->currentModule(), u"Second"_s);
    EXPECT_EQ(c->lstvModules->currentItem()->text(0), u"Second"_s);
    EXPECT_EQ(stored().mid(5), QStringList({u"modules:Second"_s, u"pages:"_s, u"texts:Welcome"_s}));
    EXPECT_EQ(set().composerModuleNumber, 3);
    c->lstvModules_OLEDragDrop(Source::object(u"texts"_s, u"Welcome"_s), 0); // no module
    c->lstvModules_OLEDragDrop(Source::moduleRow(3), 0); // the closing row stays
    EXPECT_EQ(itemsOf(c->lstvModules).constLast(), u"[END OF PROJECT]"_s);
    EXPECT_EQ(stored().constFirst(), u"modules:First"_s);
    EXPECT_TRUE(numberedFromZero());
}

TEST(ComposerRescue, AKilledProgramLosesNoEditOfTheOpenModule) {
    QTemporaryDir dir;
    const QString root = dir.filePath(u"koa"_s);
    {
        QProcess child;
        ASSERT_TRUE(startChild(child, u"composer-edits"_s, {root}));
        child.kill(); // SIGKILL while the composer holds the module open
        ASSERT_TRUE(child.waitForFinished(10000));
    }
    ScriptedScope scripted;
    scripted->queueAnswer(Interaction::Answer::Yes); // rescue
    auto anchor = anchorAt(root);
    ASSERT_TRUE(anchor->Form_Load({}));
    EXPECT_EQ(anchor->files().displayName(), u"Rescued file"_s);
    EXPECT_EQ(layoutOf(anchor->files().folder().workingDatabase()),
              QStringList({u"modules:New Module"_s, u"pages:"_s, u"pages:"_s, u"texts:Kept"_s,
                           u"modules:Later"_s, u"pages:"_s, u"texts:Kept"_s}));
    anchor->Form_Unload();
}
