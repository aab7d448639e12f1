#include "composer/composer.h"
#include "composer/droplist.h"
#include "composer/layoutstore.h"
#include "composer/modulelayout.h"
#include "composer/rules.h"
#include "shell/editorset.h"
#include "shell/fileselector.h"
#include "store/coursefiles.h"
#include "store/database.h"
#include "store/errors.h"
#include "store/package.h"
#include "store/schema.h"
#include "tests/support/anchor.h"
#include "tests/support/childprocess.h"
#include "tests/support/helpers.h"
#include "tests/support/testsupport.h"

#include <functional>
#include <optional>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
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

// The layout as "type:name, ..."; a row out of the order 0, 1, 2, ... shows its
// index as well.
QString layoutText(const QString& database) {
    QStringList rows = indexedLayoutOf(database);
    for (int i = 0; i < rows.size(); ++i) {
        if (const QString at = u':' + QString::number(i); rows[i].endsWith(at))
            rows[i].chop(at.size());
    }
    return rows.join(u", "_s);
}

// `pages` as "name|sound|tab, ..." in ID order, NULL as '-'.
QString pagesText(const QString& database) {
    return rowsOf(database, u"SELECT name, sound, tabtext FROM pages ORDER BY ID"_s, u"-"_s)
        .join(u", "_s);
}

class Composer : public CourseWindows {
protected:
    void SetUp() override {
        CourseWindows::SetUp();
        course().exec(u"INSERT INTO texts (name, text) VALUES ('Welcome', ''), ('Outro', '')"_s);
        course().exec(u"INSERT INTO sounds (name) VALUES ('Gong'), ('Bell')"_s);
        switchTo(shell::keys::Composer);
    }
    QString stored() { return layoutText(database()); }
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
    void renameModule(const QString& name) {
        c->txtAddModule->setText(name);
        c->UpdateModuleName();
    }

    composer::composer* c = nullptr;
};

// "pages:Start+Bell/Part one, texts:Welcome": rows as layoutOf() writes them,
// a page's sound after '+' and its tab after '/'.
QList<LayoutRow> rowsFrom(const QString& text) {
    QList<LayoutRow> out;
    for (const QString& r : text.split(u", "_s, Qt::SkipEmptyParts)) {
        const QString rest = r.section(u':', 1);
        out.append({r.section(u':', 0, 0), rest.section(u'+', 0, 0).section(u'/', 0, 0),
                    rest.section(u'/', 0, 0).section(u'+', 1), rest.section(u'/', 1)});
    }
    return out;
}

QString textOf(const QList<LayoutRow>& rows) {
    QStringList out;
    for (const LayoutRow& r : rows)
        out.append(r.type + u':' + r.name + (r.sound.isEmpty() ? QString() : u'+' + r.sound) +
                   (r.tab.isEmpty() ? QString() : u'/' + r.tab));
    return out.join(u", "_s);
}

QStringList list(const QString& text) {
    return text.split(u", "_s, Qt::SkipEmptyParts);
}

// Three modules of the blank course, numbered with gaps as an older course may
// be; "End" also names a text of Intro. `pages` holds a row without a name and
// one of a page that is gone.
const QString Intro = u"modules:Intro, pages:Start, texts:End, pages:, linebreak:"_s;
const QString Middle = u"modules:Middle, pages:Quiz, horizontalline:"_s;
const QString End = u"modules:End, pages:Bye"_s;
const QString Base = Intro + u", "_s + Middle + u", "_s + End;
const QString Kept = u"Start|Gong|Part&nbsp;one, Quiz|-|-, Bye|Bell|"_s; // after a tidy

class Store : public ::testing::Test {
protected:
    void SetUp() override {
        schema::createBlankCourse(m_dir.path());
        reset();
    }
    void reset() {
        setLayout(db(), list(Base));
        exec(u"UPDATE data SET \"index\" = \"index\" * 3 + 5"_s);
        exec(u"DELETE FROM pages"_s);
        exec(u"INSERT INTO pages (name, sound, tabtext) VALUES ('Start', 'Gong', 'Part&nbsp;one'), "
             "('Quiz', NULL, NULL), ('Bye', 'Bell', ''), ('', 'Gong', ''), ('Gone', '', '')"_s);
    }
    QString db() const { return m_dir.filePath(u"koa.kod"_s); }
    void exec(const QString& sql) const { Database(db()).exec(sql); }
    void write(const QString& module, const QString& rows,
               const std::optional<LayoutStore::PageRename>& rename = std::nullopt) {
        store.writeModule(module, rowsFrom(rows), rename);
    }

    QTemporaryDir m_dir;
    LayoutStore store{m_dir.filePath(u"koa.kod"_s)};
};

} // namespace

TEST(ComposerRules, NamesTabsColumnWidthsAndModuleEditsThatKeepAPageInFront) {
    EXPECT_EQ(moduleNameFromAnswer(QString(60, u'm')), QString(50, u'm'));
    EXPECT_EQ(moduleNameFromAnswer(u"Ann's \"Intro\""_s), u"Anns Intro"_s);
    EXPECT_TRUE(moduleNameFromAnswer(u" ' \" "_s).isEmpty()); // blanks name nothing
    EXPECT_TRUE(isUnnamed(u"(UNNAMED PAGE)"_s) && isUnnamed(u"   "_s));
    EXPECT_EQ(storedTab(u"Part one "_s), u"Part&nbsp;one&nbsp;"_s);
    EXPECT_EQ(shownTab(storedTab(u"Part one "_s)), u"Part one "_s);
    // 21 rows (20 and the closing row) get the narrow column.
    EXPECT_EQ(QList<int>({pageColumnWidth(20), pageColumnWidth(21), objectColumnWidth(14),
                          objectColumnWidth(15)}),
              QList<int>({265, 248, 177, 160}));

    // Module edits: Start | Welcome | (unnamed) | Outro; row 4 is the closing row.
    const QString start = u"pages:Start, texts:Welcome, pages:, texts:Outro"_s;
    // r: remove(a), t/p: insertItem(a) of a text/page, m: move(a, b), s: assignSound(a).
    struct Case {
        char edit;
        int a, b, result;
        QString rows; // empty: unchanged
    };
    const int assigned = int(ModuleLayout::SoundDrop::Assigned);
    const QList<Case> cases = {
        {'r', 0, 0, 0, {}}, // the first page keeps its objects
        {'r', 2, 0, 1, u"pages:Start, texts:Welcome, texts:Outro"_s},
        {'r', 4, 0, 0, {}}, // the closing row stays
        {'t', 0, 0, 0, {}}, // nothing before the first page
        {'t', 4, 0, 1, start + u", texts:New"_s},
        {'p', 1, 0, 0, {}},
        {'m', 0, 3, -1, {}}, // the first page stays before its text
        {'m', 1, 0, -1, {}}, // no object before the first page
        {'m', 4, 2, -1, {}},
        {'m', 2, 0, 0, u"pages:, pages:Start, texts:Welcome, texts:Outro"_s},
        {'m', 1, 4, 3, u"pages:Start, pages:, texts:Outro, texts:Welcome"_s},
        {'s', 1, 0, assigned, u"pages:Start+Bell, texts:Welcome, pages:, texts:Outro"_s},
        {'s', 4, 0, int(ModuleLayout::SoundDrop::UnnamedPage), {}},
        {'s', 5, 0, int(ModuleLayout::SoundDrop::Refused), {}},
    };
    for (const Case& c : cases) {
        ModuleLayout l(rowsFrom(start));
        const LayoutRow row{c.edit == 'p' ? u"pages"_s : u"texts"_s, u"New"_s, {}, {}};
        const int result = c.edit == 'r'   ? int(l.remove(c.a))
                           : c.edit == 'm' ? l.move(c.a, c.b)
                           : c.edit == 's' ? int(l.assignSound(c.a, u"Bell"_s))
                                           : int(l.insertItem(c.a, row));
        EXPECT_EQ(result, c.result) << c.edit << c.a << c.b;
        EXPECT_EQ(textOf(l.rows()), c.rows.isEmpty() ? start : c.rows) << c.edit << c.a << c.b;
    }
    const ModuleLayout l(rowsFrom(start));
    EXPECT_TRUE(l.pageAbove(3) == 2 && l.pagesUpTo(3) == 2);
    EXPECT_TRUE(l.hasPageNamed(u"START"_s) && !l.hasPageNamed(QString()));
    // The first page goes when a page follows; a module gets a page in front.
    ModuleLayout pages(rowsFrom(u"pages:A, pages:B"_s));
    EXPECT_TRUE(pages.remove(0));
    ModuleLayout bare(rowsFrom(u"texts:A"_s));
    EXPECT_TRUE(bare.ensureFirstPage() && !bare.ensureFirstPage());
    EXPECT_EQ(textOf(bare.rows()), u"pages:, texts:A"_s);
}

TEST_F(Store, ReadsEnsuresAModuleAndEditsRenumberTheLayoutTidyPagesOrFailWithoutAChange) {
    EXPECT_EQ(store.modules(), list(u"Intro, Middle, End"_s));
    EXPECT_EQ(store.pageNames(), list(u"Start, Quiz, Bye"_s));
    // The unnamed page takes nothing from the nameless `pages` row; NULL reads as empty.
    EXPECT_EQ(textOf(store.readModule(u"Intro"_s)),
              u"pages:Start+Gong/Part one, texts:End, pages:, linebreak:"_s);
    EXPECT_EQ(textOf(store.readModule(u"Middle"_s)), u"pages:Quiz, horizontalline:"_s);
    EXPECT_EQ(textOf(store.readModule(u"End"_s)), u"pages:Bye+Bell"_s);
    // Objects in table order, sounds by name.
    for (const QString& type : list(u"pictures, movies, flash, texts, quizes, sounds"_s)) {
        exec(u"INSERT INTO "_s + type + u" (name) VALUES ('Zeta'), ('alpha')"_s);
        EXPECT_EQ(store.objectNames(type), list(u"Zeta, alpha"_s)) << type.toStdString();
    }
    EXPECT_EQ(store.soundNames(), list(u"alpha, Zeta"_s));
    for (const QString& type : list(u"keywords, dlinks, pages, data, Texts"_s))
        EXPECT_THROW(store.objectNames(type), KoaError) << type.toStdString();

    for (const auto& [before, after] : QList<std::pair<QString, QString>>{
             {{}, u"modules:New Module, pages:"_s},
             {u"texts:A"_s, u"modules:New Module, pages:, texts:A"_s},
             {u"pages:P, texts:A"_s, u"modules:New Module, pages:P, texts:A"_s},
             {Base, Base}}) {
        setLayout(db(), list(before));
        EXPECT_EQ(store.ensureModule(), before != Base) << before.toStdString();
        EXPECT_EQ(layoutText(db()), after);
    }

    using Rename = LayoutStore::PageRename;
    const QString sep = u", "_s;
    const QString rest = sep + Middle + sep + End;
    // No layout: the edit throws and changes neither table. No pages: `pages` stays.
    const QList<std::tuple<std::function<void()>, QString, QString>> cases = {
        // Unchanged rows are numbered anew; the nameless and the gone page's rows go.
        {[&] { write(u"Intro"_s, u"pages:Start+Gong/Part one, texts:End, pages:, linebreak:"_s); },
         Base, Kept},
        {[&] { write(u"Intro"_s, u"pages:New+Bell/Two words, texts:End"_s); },
         u"modules:Intro, pages:New, texts:End"_s + rest,
         u"Quiz|-|-, Bye|Bell|, New|Bell|Two&nbsp;words"_s},
        // A rename keeps the row's place; without it the row would go and come last.
        {[&] {
             write(u"Intro"_s, u"pages:Begin+Gong/Part one"_s, Rename{u"Start"_s, u"Begin"_s});
         },
         u"modules:Intro, pages:Begin"_s + rest,
         u"Begin|Gong|Part&nbsp;one, Quiz|-|-, Bye|Bell|"_s},
        // Emptied fields are stored as ''; an unnamed page gets no row.
        {[&] { write(u"Intro"_s, u"pages:Start, pages:+Bell"_s); },
         u"modules:Intro, pages:Start, pages:"_s + rest, u"Start||, Quiz|-|-, Bye|Bell|"_s},
        {[&] { write(u"Middle"_s, u"pages:Quiz+Bell, texts:End"_s); },
         Intro + u", modules:Middle, pages:Quiz, texts:End, "_s + End,
         u"Start|Gong|Part&nbsp;one, Quiz|Bell|, Bye|Bell|"_s},
        {[&] { write(u"End"_s, u"pages:Bye+Bell/Farewell, linebreak:"_s); },
         Base + u", linebreak:"_s, u"Start|Gong|Part&nbsp;one, Quiz|-|-, Bye|Bell|Farewell"_s},
        {[&] { store.addModule(u"New"_s); }, Base + u", modules:New, pages:"_s, {}},
        {[&] { store.deleteModule(u"Middle"_s); }, Intro + sep + End,
         u"Start|Gong|Part&nbsp;one, Bye|Bell|"_s},
        // Only a module row is meant, whatever else bears its name.
        {[&] { store.deleteModule(u"End"_s); }, Intro + sep + Middle,
         u"Start|Gong|Part&nbsp;one, Quiz|-|-"_s},
        {[&] { store.renameModule(u"End"_s, u"Last"_s); },
         Intro + sep + Middle + u", modules:Last, pages:Bye"_s,
         {}},
        {[&] { store.moveModule(u"Intro"_s, u"End"_s); }, Middle + sep + Intro + sep + End, {}},
        {[&] { store.moveModule(u"End"_s, u"Intro"_s); }, End + sep + Intro + sep + Middle, {}},
        {[&] { store.moveModule(u"Intro"_s, {}); }, Middle + sep + End + sep + Intro, {}},
        {[&] { store.moveModule(u"Middle"_s, u"End"_s); }, Base, {}},
        // Names of no module, letter case counting.
        {[&] { store.readModule(u"intro"_s); }, {}, {}},
        {[&] { write(u"Start"_s, {}); }, {}, {}},
        {[&] { store.deleteModule(u"Nope"_s); }, {}, {}},
        {[&] { store.renameModule(u"intro"_s, u"X"_s); }, {}, {}},
        {[&] { store.moveModule(u"Nope"_s, u"End"_s); }, {}, {}},
        {[&] { store.moveModule(u"Intro"_s, u"Start"_s); }, {}, {}},
        // A write that fails after `data` is rewritten (the last case: the trigger stays).
        {[&] {
             exec(u"CREATE TRIGGER t BEFORE INSERT ON pages BEGIN SELECT RAISE(ABORT, 'x'); END"_s);
             write(u"Intro"_s, u"pages:New"_s);
         },
         {},
         {}},
    };
    for (qsizetype i = 0; i < cases.size(); ++i) {
        const auto& [edit, layout, pages] = cases[i];
        reset();
        const QString layoutBefore = layoutText(db()), pagesBefore = pagesText(db());
        if (layout.isEmpty())
            EXPECT_THROW(edit(), KoaError) << i;
        else
            edit();
        EXPECT_EQ(layoutText(db()), layout.isEmpty() ? layoutBefore : layout) << i;
        EXPECT_EQ(pagesText(db()), pages.isEmpty() ? pagesBefore : pages) << i;
    }
}

TEST_F(Composer, ModulesAreAddedRenamedMovedAndDeletedByTheRules) {
    newModule(u"Deck"_s);
    newModule(u"Ann's \"Intro\""_s);
    newModule(u"ANNS INTRO"_s);
    newModule(u"   "_s); // nothing, and no message
    EXPECT_EQ(itemsOf(c->lstvModules), list(u"New Module, Deck, Anns Intro, [END OF PROJECT]"_s));
    // The new module is the last and open.
    EXPECT_EQ(c->currentModule(), u"Anns Intro"_s);
    EXPECT_EQ(set().composerModuleNumber, 3);
    EXPECT_EQ(pageList(), list(u"(Unnamed page), [END OF MODULE]"_s));

    // Another letter case of its own name is a rename; another module's name is not.
    renameModule(u"anns intro"_s);
    renameModule(u"NEW MODULE"_s);
    EXPECT_EQ(m_scripted->messages(),
              QStringList({u"'ANNS INTRO' already exists, please choose another name!"_s,
                           u"'NEW MODULE' already exists, please choose another name!"_s}));
    renameModule(u"  "_s); // no name: the module keeps its own
    EXPECT_EQ(c->lstvModule->headerItem()->text(0), u"anns intro"_s);

    // A drag moves a module before the target row, opening it first when it is not open.
    c->lstvModules_OLEDragDrop(Source::moduleRow(2), 0);
    EXPECT_EQ(set().composerModuleNumber, 1);
    c->lstvModules_OLEDragDrop(Source::moduleRow(1), 3); // the closing row: the end
    c->lstvModules_OLEDragDrop(Source::object(u"texts"_s, u"Welcome"_s), 0); // no module
    c->lstvModules_OLEDragDrop(Source::moduleRow(3), 0); // the closing row stays
    // The list is read back from the stored layout.
    EXPECT_EQ(itemsOf(c->lstvModules), list(u"anns intro, Deck, New Module, [END OF PROJECT]"_s));
    EXPECT_EQ(c->currentModule() + u'|' + c->lstvModules->currentItem()->text(0),
              u"New Module|New Module"_s);
    EXPECT_EQ(set().composerModuleNumber, 3);

    // Deleting the last module opens the one before.
    c->cmdDelModule_Click();
    EXPECT_EQ(c->currentModule() + u'|' + c->lstvModules->currentItem()->text(0), u"Deck|Deck"_s);
    c->cmdDelModule_Click();
    c->cmdDelModule_Click(); // the only module stays
    EXPECT_EQ(stored(), u"modules:anns intro, pages:"_s);
    EXPECT_EQ(set().composerModuleNumber, 1);

    // A layout without any row gets a first module and page.
    set().ExitCourse(false);
    course().exec(u"DELETE FROM data"_s);
    c = static_cast<composer::composer*>(set().window(shell::keys::Composer));
    EXPECT_EQ(itemsOf(c->lstvModules), list(u"New Module, [END OF PROJECT]"_s));
}

TEST_F(Composer, HandOverSaveAndThePageInformationKeepTheLayoutStored) {
    // Two modules edited while the composer is active.
    namePage(0, u"Start"_s);
    drop(u"texts"_s, u"Welcome"_s, 1);
    c->cmdAddPage_Click(); // in the place of the selected text
    newModule(u"Second"_s);
    namePage(0, u"Elsewhere"_s);
    drop(u"texts"_s, u"Outro"_s, 1);
    selectModule(0);
    selectRow(2);
    const QString layout = u"modules:New Module, pages:Start, pages:, texts:Welcome, "
                           "modules:Second, pages:Elsewhere, texts:Outro"_s;

    // The composer hands over to the preview and comes back.
    switchTo(shell::keys::Preview);
    EXPECT_EQ(set().composerModuleNumber, 1);
    EXPECT_EQ(set().composerPage, 2); // row 3 belongs to the second page
    EXPECT_EQ(stored(), layout);
    switchTo(shell::keys::Header);
    switchTo(shell::keys::Composer);

    // A save after coming back packs the open module and selects its row again.
    const QString package = m_dir.filePath(u"course.kof"_s);
    m_scripted->queueFile(package);
    c->menuSave_Click();
    package::unpackPackage(package, m_dir.filePath(u"unpacked"_s));
    EXPECT_EQ(layoutText(m_dir.filePath(u"unpacked/koa.kod"_s)), layout);
    EXPECT_EQ(c->lstvModule->currentItem()->text(0), u"Welcome"_s);

    // Names, sounds and tabs follow the page information.
    selectRow(0);
    c->UpdateCmbSound();
    EXPECT_EQ(itemsOf(c->cmbSound), list(u"No sound, Bell, Gong"_s));
    c->cmbSound->setCurrentIndex(1);
    c->cmbSound_Click();
    c->chkTab->setChecked(true);
    c->chkTab_Click();
    c->txtTab->setText(u"Part one"_s);
    c->UpdatePage(0);
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
    EXPECT_EQ(QStringList({set().currentWindow, shownTab(c), c->txtPageName->text()}),
              QStringList({shell::keys::Composer, shell::keys::Composer, u"elsewhere"_s}));
    EXPECT_TRUE(c->isVisible() && c->focusWidget() == c->txtPageName);
    EXPECT_EQ(m_scripted->messages(), QStringList(3, u"Page name already exists"_s));
    EXPECT_EQ(pageList().constFirst(), u"Start"_s);

    // A rename carries the `pages` row along; an emptied name drops it.
    selectRow(0);
    c->txtPageName->clear();
    QTest::keyClicks(c->txtPageName, u"Beg'in\""_s); // quotes are never typed in
    c->UpdatePage(0);
    EXPECT_FALSE(c->pageNameConflict());
    EXPECT_EQ(pagesText(database()), u"Begin|Bell|Part&nbsp;one, Elsewhere||"_s);
    namePage(0, QString());
    EXPECT_EQ(pageList().constFirst(), u"(Unnamed page)"_s);
    EXPECT_TRUE(pageList(1).constFirst().isEmpty());
    EXPECT_EQ(pagesText(database()), u"Elsewhere||"_s);
}

TEST_F(Composer, DropsOntoThePageListFollowTheirRules) {
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
    c->lstvModule_OLEDragDrop(Source::moduleRow(0), 2); // no module on the page list
    ASSERT_EQ(pageList(), list(u"Start, Welcome, Second, Outro, [END OF MODULE]"_s));
    // A page moves alone: its text now belongs to the page above.
    c->lstvModule_OLEDragDrop(Source::pageRow(2), 0);
    EXPECT_EQ(c->lstvModule->currentItem()->text(0) + u'|' + c->txtPageName->text(),
              u"Second|Second"_s);
    EXPECT_EQ(pagesText(database()), u"Start|Bell|, Second||"_s);

    // Deleting the selected page selects the row that takes its place.
    selectRow(0);
    c->cmdDelPage_Click();
    EXPECT_EQ(c->lstvModule->currentItem()->text(0), u"Start"_s);
    EXPECT_EQ(stored(), u"modules:New Module, pages:Start, texts:Welcome, texts:Outro"_s);
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
    auto anchor = startedAt(root);
    EXPECT_EQ(anchor->files().displayName(), u"Rescued file"_s);
    EXPECT_EQ(
        layoutText(anchor->files().folder().workingDatabase()),
        u"modules:New Module, pages:, pages:, texts:Kept, modules:Later, pages:, texts:Kept"_s);
    anchor->Form_Unload();
}
