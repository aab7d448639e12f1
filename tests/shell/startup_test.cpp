#include "shell/about.h"
#include "shell/fileassociation.h"
#include "shell/fileselector.h"
#include "shell/prerequisites.h"
#include "store/coursedb.h"
#include "store/database.h"
#include "store/package.h"
#include "tests/support/anchor.h"
#include "tests/support/childprocess.h"
#include "tests/support/testsupport.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using namespace koa;
using namespace koa::shell;
using namespace koa::test;

namespace {

// A program that opens a new course, changes it and then runs until killed.
const bool childRegistered = registerChild(u"run-course"_s, [](const QStringList& args) {
    ScriptedInteraction scripted;
    setInteraction(&scripted);
    auto anchor = anchorAt(args.value(0));
    if (!anchor->Form_Load({}))
        return 1;
    Database(folderAt(args.value(0)).workingDatabase())
        .exec(u"UPDATE header SET title = 'unsaved in the other program'"_s);
    std::printf("ready\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
});

class Startup : public ::testing::Test {
protected:
    QString root() const { return m_dir.filePath(u"koa"_s); }
    QString work(const QString& rel = QString()) const {
        return root() + u"/temp"_s + (rel.isEmpty() ? QString() : u"/"_s + rel);
    }
    QString title(const fileselector& a) const { return a.headerWindow()->windowTitle(); }

    QTemporaryDir m_dir;
    ScriptedScope m_scripted;
    ErrorRecorder m_errors;
};

} // namespace

TEST_F(Startup, NewCourseWhenNothingIsGivenThenOrderlyEndDeletesTheWorkingFolders) {
    auto anchor = anchorAt(root());
    ASSERT_TRUE(anchor->Form_Load({}));
    EXPECT_EQ(title(*anchor), u"KOA File Header - New file"_s);
    EXPECT_TRUE(anchor->headerWindow()->isVisible());
    EXPECT_FALSE(anchor->isVisible());
    EXPECT_TRUE(QFileInfo::exists(work(u"koa.kod"_s)));
    EXPECT_TRUE(QFileInfo::exists(root() + u"/data/data.kod"_s));
    EXPECT_EQ(anchor->uploadUser(), u"koa_upload"_s);
    EXPECT_TRUE(anchor->httpBase().isEmpty()); // no account yet
    EXPECT_TRUE(m_scripted->messages().isEmpty());

    QDir().mkpath(root() + u"/rescue"_s);
    anchor->Form_Unload();
    EXPECT_FALSE(QFileInfo::exists(work()));
    EXPECT_FALSE(QFileInfo::exists(root() + u"/rescue"_s));
}

TEST_F(Startup, SecondInstanceIsRefusedAndTouchesNothingOfTheFirst) {
    QProcess first;
    ASSERT_TRUE(startChild(first, u"run-course"_s, {root()}));
    const QStringList tree = treeOf(work());
    const QByteArray database = readFile(work(u"koa.kod"_s));

    auto second = anchorAt(root());
    EXPECT_FALSE(second->Form_Load({}));
    EXPECT_TRUE(second->startRefused());
    EXPECT_EQ(m_scripted->messages(),
              QStringList({u"You cannot have more than one instance of KOA open at once."_s}));
    second->Form_Unload();
    EXPECT_EQ(treeOf(work()), tree);
    EXPECT_EQ(readFile(work(u"koa.kod"_s)), database);
    EXPECT_EQ(first.state(), QProcess::Running);
    first.kill();
    first.waitForFinished(10000);
}

TEST_F(Startup, AfterTheProgramWasKilledTheNextStartOffersTheRescue) {
    {
        QProcess killed;
        ASSERT_TRUE(startChild(killed, u"run-course"_s, {root()}));
        killed.kill(); // SIGKILL: no orderly end
        ASSERT_TRUE(killed.waitForFinished(10000));
    }
    ASSERT_TRUE(QFileInfo::exists(work(u"koa.kod"_s)));

    m_scripted->queueAnswer(Interaction::Answer::Yes);
    auto anchor = anchorAt(root());
    ASSERT_TRUE(anchor->Form_Load({}));
    EXPECT_EQ(
        m_scripted->messages(),
        QStringList(
            {u"KOA has detected an uncontrolled shutdown. Do you want to rescue the latest file?"_s}));
    EXPECT_EQ(title(*anchor), u"KOA File Header - Rescued file"_s);
    EXPECT_EQ(Database(work(u"koa.kod"_s)).scalar(u"SELECT title FROM header"_s).toString(),
              u"unsaved in the other program"_s);
    anchor->Form_Unload();
}

TEST_F(Startup, CommandLinePackageOpensAndADamagedOneFallsBackToANewCourse) {
    // A package made by an earlier run.
    {
        auto maker = anchorAt(root());
        ASSERT_TRUE(maker->Form_Load({}));
        Database(work(u"koa.kod"_s)).exec(u"UPDATE header SET title = 'Lab safety'"_s);
        package::packFolder(work(), m_dir.filePath(u"Lab safety.kof"_s));
        maker->Form_Unload();
    }
    {
        auto anchor = anchorAt(root());
        // A file manager hands a path with blanks over as one or as several words.
        ASSERT_TRUE(anchor->Form_Load({m_dir.filePath(u"Lab"_s), u"safety.kof"_s}));
        EXPECT_EQ(title(*anchor), u"KOA File Header - Lab safety"_s);
        EXPECT_EQ(anchor->files().currentPath(), m_dir.filePath(u"Lab safety.kof"_s));
        anchor->Form_Unload();
    }
    {
        writeFile(m_dir.filePath(u"broken.kof"_s), "KO but nothing else");
        auto anchor = anchorAt(root());
        ASSERT_TRUE(anchor->Form_Load({m_dir.filePath(u"broken.kof"_s)}));
        EXPECT_EQ(m_scripted->messages(), QStringList({u"Error opening file"_s}));
        EXPECT_EQ(title(*anchor), u"KOA File Header - New file"_s);
        anchor->Form_Unload();
    }
}

TEST_F(Startup, MissingBrowserOrMediaBackEndEndsTheStartMissingFlashOnlyWarns) {
    struct Case {
        Prerequisites probes;
        bool starts;
        QStringList messages;
    };
    const std::vector<Case> cases = {
        {versions(4, 1, 10), false, {shell::messages::BrowserMissing}},
        {versions(120, 0, 10), false, {shell::messages::MediaPlayerMissing}},
        {versions(120, 1, 5), true, {shell::messages::FlashWarning}},
        {versions(120, 1, 6), true, {}},
    };
    for (const Case& c : cases) {
        m_scripted->clear();
        auto anchor = anchorAt(root(), c.probes);
        EXPECT_EQ(anchor->Form_Load({}), c.starts);
        EXPECT_EQ(m_scripted->messages(), c.messages);
        EXPECT_EQ(QFileInfo::exists(work()), c.starts);
        anchor->Form_Unload();
        EXPECT_FALSE(QFileInfo::exists(work()));
    }
    EXPECT_EQ(majorVersion(u"8.0.0.4487"_s), 8);
    EXPECT_EQ(majorVersion(u"10.2"_s), 10);
    EXPECT_EQ(majorVersion(u"unknown"_s), 0);
    // This machine has what the program needs.
    EXPECT_GE(GetIEVersion(), RequiredBrowser);
    EXPECT_GE(GetWMPVersion(), RequiredMediaPlayer);
}

TEST_F(Startup, ServerSettingBuildsTheBases) {
    auto anchor = anchorAt(root());
    ASSERT_TRUE(anchor->Form_Load({}));
    anchor->Form_Unload();
    Database(root() + u"/data/data.kod"_s)
        .exec(
            u"INSERT INTO user (user, password, server) VALUES ('ann', 'pw', 'courses.example.org')"_s);
    auto again = anchorAt(root());
    ASSERT_TRUE(again->Form_Load({}));
    EXPECT_EQ(again->httpBase(), u"http://www.courses.example.org/koa_upload.asp?"_s);
    EXPECT_EQ(again->ftpBase(), u"ftp://courses.example.org"_s);
    again->Form_Unload();
}

TEST_F(Startup, FileTypeIsRegisteredOnlyWhenTheCommandLacksThisProgram) {
    const QString program = u"/opt/koa one/bin/koa"_s;
    CheckExtensions(program);
    const QString desktop = QString::fromUtf8(readFile(desktopEntryFile()));
    EXPECT_TRUE(desktop.contains(u"Exec=\"/opt/koa one/bin/koa\" %f"_s)) << desktop.toStdString();
    EXPECT_TRUE(desktop.contains(u"MimeType=application/x-koa-file;"_s));
    const QString mime = QString::fromUtf8(readFile(mimePackageFile()));
    EXPECT_TRUE(mime.contains(u"value=\"KO\\x03\\x04\""_s)) << mime.toStdString();
    EXPECT_TRUE(mime.contains(u"<glob pattern=\"*.kof\"/>"_s));

    writeFile(desktopEntryFile(), (desktop + u"# left alone\n"_s).toUtf8());
    CheckExtensions(program);
    EXPECT_TRUE(readFile(desktopEntryFile()).contains("# left alone"));

    CheckExtensions(u"/usr/local/bin/koa"_s); // the program moved
    EXPECT_FALSE(readFile(desktopEntryFile()).contains("# left alone"));
    EXPECT_TRUE(registeredCommand().contains(u"/usr/local/bin/koa"_s));

    associateExtension(u"k.of"_s, program, u"KOA-file"_s); // never for a dotted extension
    EXPECT_TRUE(registeredCommand().contains(u"/usr/local/bin/koa"_s));
}

TEST_F(Startup, SplashHidesItselfAndTheAboutWindowGetsItsButtonsBack) {
    about window;
    window.showAsSplash(30);
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.cmdOK->isVisible());
    QDeadlineTimer limit(5000);
    while (window.isVisible() && !limit.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    EXPECT_FALSE(window.isVisible());
    window.show();
    QCoreApplication::processEvents();
    EXPECT_TRUE(window.cmdOK->isVisible());
    EXPECT_TRUE(window.cmdSysInfo->isVisible());
}
