#include "composer/composer.h"
#include "composer/droplist.h"
#include "editors/header.h"
#include "objectpool/objectpool.h"
#include "shell/about.h"
#include "shell/fileassociation.h"
#include "shell/prerequisites.h"
#include "store/fileops.h"
#include "store/package.h"
#include "tests/support/anchor.h"
#include "tests/support/childprocess.h"
#include "tests/support/mediafiles.h"
#include "tests/support/modalboxes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
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
    // A course folder made from the shipped blank course, changed by `sql`.
    QString courseFolder(const QString& name, const QString& sql) const {
        const QString folder = m_dir.filePath(name);
        copyFolder(QCoreApplication::applicationDirPath() + u"/blank_file"_s, folder);
        Database course(folder + u"/koa.kod"_s);
        for (const QString& statement : sql.split(u';', Qt::SkipEmptyParts))
            course.exec(statement);
        return folder;
    }
    QString packedCourse(const QString& name, const QString& sql) const {
        const QString package = m_dir.filePath(name + u".kof"_s);
        package::packFolder(courseFolder(name, sql), package);
        return package;
    }

    QTemporaryDir m_dir;
    ScriptedScope m_scripted;
    ErrorRecorder m_errors;
};

} // namespace

TEST_F(Startup, NewCourseEndsCleanlyAndCoursesOpenWithABarePackageOrUnreadableSettings) {
    auto anchor = startedAt(root());
    EXPECT_FALSE(anchor->isVisible());
    EXPECT_TRUE(anchor->httpBase().isEmpty()); // no account yet
    QDir().mkpath(root() + u"/rescue"_s);
    anchor->Form_Unload();
    EXPECT_FALSE(QFileInfo::exists(root() + u"/rescue"_s));

    // The next start builds the server's addresses from the account; a
    // package zipped with its database alone still takes new media.
    Database(root() + u"/data/data.kod"_s)
        .exec(
            u"INSERT INTO user (user, password, server) VALUES ('ann', 'pw', 'courses.example.org')"_s);
    QProcess zip;
    zip.setWorkingDirectory(courseFolder(u"bare"_s, u"UPDATE header SET title = 'Bare'"_s));
    zip.start(u"zip"_s, {u"-q"_s, m_dir.filePath(u"bare.kof"_s), u"koa.kod"_s});
    ASSERT_TRUE(zip.waitForFinished(20000) && zip.exitCode() == 0);
    anchor = startedAt(root(), {m_dir.filePath(u"bare.kof"_s)});
    EXPECT_EQ(anchor->httpBase(), u"http://www.courses.example.org/koa_upload.asp?"_s);
    EXPECT_EQ(anchor->ftpBase(), u"ftp://courses.example.org"_s);
    EXPECT_EQ(title(*anchor), u"KOA File Header - bare"_s);
    auto* pool = static_cast<objectpool::objectpool*>(anchor->editors().window(keys::ObjectPool));
    pool->mediacombo->setCurrentIndex(pool->mediacombo->findData(u"pictures"_s));
    pool->mediacombo_Click();
    writeFile(m_dir.filePath(u"logo.gif"_s), gifOf(40, 30));
    m_scripted->queueInput(u"Logo"_s);
    m_scripted->queueFile(m_dir.filePath(u"logo.gif"_s));
    pool->new_media_Click();
    EXPECT_EQ(itemsOf(pool->medialist), QStringList({u"Logo"_s}));
    EXPECT_EQ(treeOf(work(u"pictures"_s)), QStringList({u"1.gif"_s}));
    EXPECT_EQ(m_errors.locations(), QStringList());
    anchor->Form_Unload();

    // The settings database became unreadable: the header window still shows the course.
    writeFile(root() + u"/data/data.kod"_s, QByteArray(4096, 'x'));
    anchor =
        startedAt(root(), {packedCourse(u"Kept"_s, u"UPDATE header SET title = 'Still here'"_s)});
    auto* header = static_cast<editors::header*>(anchor->headerWindow());
    EXPECT_TRUE(header->isVisible());
    EXPECT_EQ(title(*anchor), u"KOA File Header - Kept"_s);
    EXPECT_EQ(header->course_name->text(), u"Still here"_s);
    EXPECT_TRUE(m_errors.locations().contains(u"Header / Timer1.Timer()"_s));
    anchor->Form_Unload();
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

TEST_F(Startup, MissingBrowserOrMediaBackEndEndsTheStartMissingFlashOnlyWarns) {
    const struct {
        Prerequisites probes;
        bool starts;
        QStringList messages;
    } cases[] = {
        {versions(4, 1, 10), false, {shell::messages::BrowserMissing}},
        {versions(120, 0, 10), false, {shell::messages::MediaPlayerMissing}},
        {versions(120, 1, 5), true, {shell::messages::FlashWarning}},
        {versions(120, 1, 6), true, {}},
    };
    for (const auto& c : cases) {
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

TEST_F(Startup, FileTypeIsRegisteredOnlyWhenTheCommandLacksThisProgram) {
    const QString icons = QCoreApplication::applicationDirPath() + u"/icons"_s;
    // Every character the entry's quoting rules single out.
    const QString program = u"/opt/koa 100% \\ \"one\" $HOME `x`/bin/koa"_s;
    CheckExtensions(program, icons);
    const QString desktop = QString::fromUtf8(readFile(desktopEntryFile()));
    const QString mime = QString::fromUtf8(readFile(mimePackageFile()));
    for (const QString& part :
         {u"Exec=\"/opt/koa 100%% \\\\\\\\ \\\\\"one\\\\\" \\\\$HOME \\\\`x\\\\`/bin/koa\" %f\n"_s,
          u"MimeType=application/x-koa-file;"_s, u"Icon=koa\n"_s})
        EXPECT_TRUE(desktop.contains(part)) << desktop.toStdString();
    for (const QString& part : {u"value=\"KO\\x03\\x04\""_s, u"<glob pattern=\"*.kof\"/>"_s,
                                u"<icon name=\"application-x-koa-file\"/>"_s})
        EXPECT_TRUE(mime.contains(part)) << mime.toStdString();
    EXPECT_EQ(registeredCommand(), program + u" %f"_s);
    EXPECT_EQ(readFile(programIconFile()), readFile(icons + u"/koa.svg"_s));
    EXPECT_EQ(readFile(fileIconFile()), readFile(icons + u"/application-x-koa-file.svg"_s));
    EXPECT_TRUE(readFile(programIconFile()).startsWith("<?xml"));

    // Registered already: the next start writes nothing.
    writeFile(desktopEntryFile(), (desktop + u"# left alone\n"_s).toUtf8());
    CheckExtensions(program, icons);
    EXPECT_TRUE(readFile(desktopEntryFile()).contains("# left alone"));
    // An icon gone from the theme is put back.
    QFile::remove(fileIconFile());
    CheckExtensions(program, icons);
    EXPECT_TRUE(QFileInfo::exists(fileIconFile()));

    writeFile(desktopEntryFile(), (desktop + u"# left alone\n"_s).toUtf8());
    CheckExtensions(u"/usr/local/bin/koa"_s, icons); // the program moved
    EXPECT_FALSE(readFile(desktopEntryFile()).contains("# left alone"));
    EXPECT_EQ(registeredCommand(), u"/usr/local/bin/koa %f"_s);

    // never for a dotted extension
    associateExtension(u"k.of"_s, program, u"KOA-file"_s, icons);
    EXPECT_EQ(registeredCommand(), u"/usr/local/bin/koa %f"_s);
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

TEST_F(Startup, PackagesOpenedAtStartUpShowOneMessageAndTheHeaderWindowLoadsOnce) {
    // Real message boxes: timers run inside them as they do for the user.
    AnsweredBoxes boxes;
    const QString lab = packedCourse(u"Lab safety"_s, QString());
    const QString old =
        packedCourse(u"Old"_s, u"UPDATE header SET title = 'Old', version = '1.0'"_s);
    // An older program's header lacks fields the window reads: they come empty.
    const QString lacking = packedCourse(
        u"Lacking"_s,
        u"CREATE TABLE h2 AS SELECT title, author, target_group, description, skin, "
        "sound, picture, version FROM header; DROP TABLE header;"
        "ALTER TABLE h2 RENAME TO header; UPDATE header SET title = 'Lacking fields'"_s);
    writeFile(m_dir.filePath(u"broken.kof"_s), "KO but nothing else");
    const struct {
        QStringList arguments, texts;
        QString title, courseTitle;
        QString opened; // the package the course is saved back to
    } cases[] = {
        {{m_dir.filePath(u"broken.kof"_s)}, {u"Error opening file"_s}, u"New file"_s, {}, {}},
        {{old}, {koa::messages::OlderVersion}, u"Imported file"_s, u"Old"_s, {}},
        {{lacking}, {}, u"Lacking"_s, u"Lacking fields"_s, lacking},
        // A file manager hands a path with blanks over as one or as several words.
        {{m_dir.filePath(u"Lab"_s), u"safety.kof"_s}, {}, u"Lab safety"_s, {}, lab},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title.toStdString());
        boxes.clear();
        auto anchor = startedAt(root(), c.arguments);
        auto* header = static_cast<editors::header*>(anchor->headerWindow());
        EXPECT_EQ(boxes.texts(), c.texts);
        EXPECT_EQ(title(*anchor), u"KOA File Header - "_s + c.title);
        EXPECT_EQ(anchor->files().currentPath(), c.opened);
        EXPECT_TRUE(header->isVisible());
        EXPECT_EQ(header->course_name->text(), c.courseTitle);
        EXPECT_FALSE(header->ScrollCheck->isChecked());
        anchor->Form_Unload();
    }
}

TEST_F(Startup, RescueNoShowsTheNewCourseAndAFailedRescueKeepsItsCopyThroughLaterStarts) {
    {
        auto crashed = startedAt(root());
        Database(work(u"koa.kod"_s))
            .exec(u"INSERT INTO pictures (name, filename, size) VALUES ('Crashed', '1.gif', 1)"_s);
        addLayout(work(u"koa.kod"_s), {u"modules:Crashed module"_s, u"pages:"_s});
    } // gone without its orderly end
    ASSERT_TRUE(QFileInfo::exists(work(u"koa.kod"_s)));

    const auto start = [&](QMessageBox::StandardButton answer,
                           const std::function<void(fileselector&)>& look = {}) {
        AnsweredBoxes boxes;
        boxes.queue(answer);
        auto anchor = startedAt(root());
        EXPECT_TRUE(anchor->headerWindow()->isVisible());
        if (look)
            look(*anchor);
        anchor->Form_Unload();
        return boxes.texts();
    };
    EXPECT_EQ(
        start(QMessageBox::No,
              [&](fileselector& anchor) {
                  EXPECT_EQ(title(anchor), u"KOA File Header - New file"_s);
                  auto* pool = qobject_cast<objectpool::objectpool*>(
                      anchor.editors().loaded(keys::ObjectPool));
                  auto* comp =
                      qobject_cast<composer::composer*>(anchor.editors().loaded(keys::Composer));
                  ASSERT_TRUE(pool && comp);
                  pool->mediacombo->setCurrentIndex(pool->mediacombo->findData(u"pictures"_s));
                  pool->mediacombo_Click();
                  EXPECT_EQ(itemsOf(pool->medialist), QStringList());
                  EXPECT_EQ(itemsOf(comp->lstvModules),
                            QStringList({u"New Module"_s, u"[END OF PROJECT]"_s}));
              }),
        QStringList({koa::messages::Rescue}));

    const auto leaveCourse = [&](const QByteArray& database) {
        writeFile(work(u"koa.kod"_s), database);
        writeFile(work(u"pictures/1.gif"_s), gifOf(2, 2));
    };
    leaveCourse("no database");
    const QStringList failed = start(QMessageBox::Yes);
    ASSERT_EQ(failed.size(), 2);
    ASSERT_TRUE(failed[1].startsWith(koa::messages::RescueFailed)) << failed[1].toStdString();
    const QString kept = failed[1].mid(koa::messages::RescueFailed.size());
    EXPECT_EQ(m_errors.locations(), QStringList({u"fileselector / ImportFile()"_s}));

    leaveCourse("again no database");
    EXPECT_EQ(start(QMessageBox::Yes).size(), 2);
    EXPECT_EQ(m_errors.locations(), QStringList(2, u"fileselector / ImportFile()"_s));
    start(QMessageBox::Yes); // no question: a plain start
    EXPECT_EQ(readFile(kept + u"/koa.kod"_s), "no database");
    EXPECT_EQ(readFile(kept + u"/pictures/1.gif"_s), gifOf(2, 2));
}
