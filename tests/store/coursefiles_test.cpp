#include "store/coursedb.h"
#include "store/coursefiles.h"
#include "store/coursepaths.h"
#include "store/fileops.h"
#include "store/package.h"
#include "store/schema.h"
#include "tests/store/storetestutil.h"
#include "tests/support/helpers.h"
#include "tests/support/testsupport.h"

#include <filesystem>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using namespace koa;
using namespace koa::test;

namespace {
const QString SaveFailed =
    u"Error saving file. Make sure there is enough space on the destination drive and try again."_s;

class Files : public ::testing::Test {
protected:
    Files() : m_files(m_program.folder(), m_host) {}
    ~Files() override { setFreeSpaceProbe({}); }
    // Every wait the file operations start is ended, whatever the outcome.
    void TearDown() override { EXPECT_EQ(m_host.openWaits, 0); }

    QString work(const QString& rel = QString()) const {
        return m_program.folder().workingFolder() + (rel.isEmpty() ? QString() : u"/"_s + rel);
    }
    QString db() const { return m_program.folder().workingDatabase(); }
    QString header(const QString& field) const {
        return rowsOf(db(), u"SELECT "_s + field + u" FROM header"_s).value(0);
    }

    // A new course with a title, a picture and its file, saved as `name`.
    QString savedCourse(const QString& name) {
        m_files.New_file(false);
        execIn(db(), u"UPDATE header SET title = 'Fire drill'"_s);
        execIn(db(),
               u"INSERT INTO pictures (name, filename, size) VALUES ('Exit sign', '1.png', 0.5)"_s);
        writeFile(work(u"pictures/1.png"_s), QByteArray(512, 'x'));
        const QString target = m_program.scratch(name);
        m_scripted->queueFile(target);
        EXPECT_TRUE(m_files.Save_course(false));
        return target;
    }

    // A course of an older format in `folder`, with a picture; packed as `package` if named.
    void writeOlderCourse(const QString& folder, bool withVersionField,
                          const QString& package = {}) {
        writeFile(folder + u"/pictures/7.png"_s, "png bytes");
        writeCourse(
            folder,
            {u"CREATE TABLE header (title TEXT, author TEXT, target_group TEXT, description TEXT, "
             "skin TEXT, sound TEXT, picture TEXT, menuscroll INTEGER, status INTEGER"_s +
                 (withVersionField ? u", version TEXT)"_s : u")"_s),
             u"INSERT INTO header VALUES ('Old course', 'Ann', 'all', 'd', 'Classic', '', '', 0, 0"_s +
                 (withVersionField ? u", '1.0')"_s : u")"_s),
             u"CREATE TABLE data (type TEXT, name TEXT, \"index\" INTEGER)"_s,
             u"INSERT INTO data VALUES ('modules', 'Basics', 1), ('texts', 'Intro', 2)"_s,
             u"CREATE TABLE pictures (id INTEGER PRIMARY KEY, name TEXT, filename TEXT, size REAL)"_s,
             u"INSERT INTO pictures VALUES (7, 'Logo', '7.png', 1.0), (8, 'Evil', '../../x.png', 1.0)"_s},
            package);
    }
    QString olderPackage(const QString& name, bool withVersionField) {
        writeOlderCourse(m_program.scratch(name), withVersionField,
                         m_program.scratch(name + u".kof"_s));
        return m_program.scratch(name + u".kof"_s);
    }

    // A package that does not open leaves it and the open course "good.kof" alone.
    void expectRefused(const QString& pkg, bool wait = true) {
        m_scripted->clear();
        const QByteArray before = readFile(pkg);
        EXPECT_FALSE(m_files.Open_file(pkg, wait));
        EXPECT_EQ(m_scripted->messages(), QStringList({u"Error opening file"_s}));
        EXPECT_EQ(readFile(pkg), before);
        EXPECT_EQ(m_files.displayName(), u"good"_s);
        EXPECT_EQ(header(u"title"_s), u"Fire drill"_s);
        EXPECT_EQ(m_host.openWaits, 0);
    }

    TempProgramFolder m_program;
    RecordingHost m_host;
    ScriptedScope m_scripted;
    ErrorRecorder m_errors;
    CourseFiles m_files;
};
} // namespace

TEST_F(Files, NewCourseIsAPrivateCopyOfTheBlankCourse) {
    m_files.New_file(true);
    EXPECT_EQ(m_files.displayName(), u"New file"_s);
    EXPECT_TRUE(m_files.currentPath().isEmpty());
    EXPECT_EQ(treeOf(work()), treeOf(m_program.folder().blankFolder()));
    EXPECT_TRUE(IsDBblank(db(), m_program.folder().blankDatabase()));
    EXPECT_EQ(m_host.loads, 1);

    // The settings and the working folder are narrowed to the user, again at each start.
    namespace fs = std::filesystem;
    const auto mode = [](const QString& p) {
        return fs::status(fsPath(p)).permissions() & fs::perms::mask;
    };
    EXPECT_EQ(mode(work()), fs::perms::owner_all);
    fs::permissions(fsPath(work()), fs::perms(0755));
    fs::permissions(fsPath(m_program.folder().settingsDatabase()), fs::perms(0644));
    m_program.folder().prepare();
    EXPECT_EQ(mode(work()), fs::perms::owner_all);
    EXPECT_EQ(mode(m_program.folder().settingsDatabase()), fs::perms(0600));
}

TEST_F(Files, SaveAsksForANameOnlyForANewCourseOpenRestoresItAndCancellingChangesNothing) {
    const QString target = savedCourse(u"drill.kof"_s);
    // A refused discard, a cancelled dialog and nothing chosen change nothing.
    m_host.allowDiscard = false;
    EXPECT_FALSE(m_files.Open_file(target, false));
    EXPECT_EQ(m_host.saveQuestions, 1);
    EXPECT_EQ(m_host.editorsClosed, 0);
    m_host.allowDiscard = true;
    EXPECT_FALSE(m_files.Save_course(true)); // the queue is empty: the dialog is cancelled
    m_scripted->queueFile(QString());
    EXPECT_FALSE(m_files.Save_course(true)); // nothing chosen
    EXPECT_FALSE(m_files.Open_file(QString(), false));
    EXPECT_EQ(m_files.displayName(), u"drill"_s);
    EXPECT_EQ(m_files.currentPath(), target);
    EXPECT_EQ(header(u"title"_s), u"Fire drill"_s);

    // Saving an opened package writes back without a dialog and keeps its permissions.
    const int dialogs = m_scripted->shown().size();
    const auto shared = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                        QFileDevice::WriteGroup;
    QFile::setPermissions(target, shared);
    execIn(db(), u"UPDATE header SET author = 'Ben'"_s);
    EXPECT_TRUE(m_files.Save_course(false));
    EXPECT_EQ(m_scripted->shown().size(), dialogs);
    const auto others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther |
                        QFileDevice::WriteOther;
    EXPECT_EQ(QFile::permissions(target) & others,
              QFileDevice::ReadGroup | QFileDevice::WriteGroup);

    // A package the user may only read opens all the same.
    QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    const QByteArray saved = readFile(target);
    const QStringList tree = treeOf(work());
    m_files.New_file(false);
    EXPECT_TRUE(m_files.Open_file(target, true));
    EXPECT_EQ(readFile(target), saved); // the user's package is never written by an open
    EXPECT_EQ(m_files.displayName(), u"drill"_s);
    EXPECT_EQ(header(u"author"_s), u"Ben"_s);
    EXPECT_EQ(treeOf(work()), tree);
    EXPECT_EQ(readFile(work(u"pictures/1.png"_s)), QByteArray(512, 'x'));
    EXPECT_EQ(m_host.skips, 1);
    EXPECT_TRUE(m_scripted->messages().isEmpty());
}

TEST_F(Files, DamagedOrHostilePackageSaysErrorOpeningAndKeepsTheOpenCourse) {
    savedCourse(u"good.kof"_s);
    const auto pkg = [&](const QString& name) {
        return m_program.scratch(name + u".kof"_s);
    };
    // Each way an archive fails to unpack is the package's own test; here one stands for all.
    writeFile(pkg(u"not a zip"_s), "this is not a package");
    writeZip(pkg(u"nokod"_s), {{u"pictures/"_s, {}}, {u"pictures/1.png"_s, "x"}});
    writeZip(pkg(u"garbage"_s), {{u"koa.kod"_s, "this is not a database"}});
    // A course that runs its maker's code on our writes.
    const QString hostile = m_program.scratch(u"trigger"_s);
    schema::createBlankCourse(hostile);
    execIn(hostile + u"/koa.kod"_s,
           u"CREATE TRIGGER wipe AFTER INSERT ON data BEGIN DELETE FROM texts; END"_s);
    package::packFolder(hostile, pkg(u"trigger"_s));
    for (const QString& name : {u"nokod"_s, u"garbage"_s, u"not a zip"_s, u"trigger"_s}) {
        SCOPED_TRACE(name.toStdString());
        expectRefused(pkg(name), name != u"trigger"_s); // with and without the wait window
    }
    EXPECT_FALSE(QFileInfo::exists(m_program.folder().openTempFolder()));
    // An exported course is no more trusted than a package.
    EXPECT_FALSE(m_files.ImportFile(hostile));
    EXPECT_EQ(m_errors.locations(), QStringList({u"fileselector / ImportFile()"_s}));
}

TEST_F(Files, OlderOrExportedCourseIsImportedAndTheOriginalLeftAlone) {
    // Without a version field it is taken as a current course.
    m_files.New_file(false);
    EXPECT_TRUE(m_files.Open_file(olderPackage(u"nover"_s, false), false));
    EXPECT_EQ(m_files.displayName(), u"nover"_s);
    EXPECT_TRUE(m_scripted->messages().isEmpty());

    const QString older = olderPackage(u"old"_s, true);
    const QByteArray before = readFile(older);
    m_files.New_file(false);
    EXPECT_TRUE(m_files.Open_file(older, false));
    EXPECT_EQ(readFile(older), before);
    EXPECT_EQ(m_scripted->messages(),
              QStringList({u"This file is made with an older version of KOA and will\r\n"
                           "be imported. The original file will be left unaltered."_s}));
    EXPECT_EQ(m_files.displayName(), u"Imported file"_s);
    EXPECT_TRUE(m_files.currentPath().isEmpty());
    EXPECT_EQ(rowsOf(db(), u"SELECT version, author FROM header"_s), QStringList{u"1.1|Ann"_s});
    // Fields copied by position; a row's id keeps naming its file, and a stored
    // name that climbs out of its folder is kept but not followed.
    EXPECT_EQ(rowsOf(db(), u"SELECT id, filename FROM pictures ORDER BY id"_s),
              QStringList({u"7|7.png"_s, u"8|../../x.png"_s}));
    EXPECT_EQ(readFile(work(u"pictures/7.png"_s)), QByteArray("png bytes"));
    // The repaired layout: the module gained a page before the text.
    EXPECT_EQ(indexedLayoutOf(db()),
              QStringList({u"modules:Basics:1"_s, u"pages::2"_s, u"texts:Intro:3"_s}));
    EXPECT_FALSE(QFileInfo::exists(m_program.folder().importTempFolder()));

    // An exported course is imported from beside its koa.inf.
    m_scripted->clear();
    EXPECT_FALSE(m_files.ImportFile(m_program.scratch(u"empty"_s)));
    EXPECT_EQ(m_scripted->messages(), QStringList({u"File corrupt, cannot import"_s}));

    const QString exported = m_program.scratch(u"cd"_s);
    writeOlderCourse(exported + u"/temp"_s, true);
    writeFile(exported + u"/koa.inf"_s, "exported");
    m_scripted->queueFile(exported + u"/koa.inf"_s);
    m_files.Import();
    EXPECT_EQ(m_files.displayName(), u"Imported file"_s);
    EXPECT_EQ(header(u"title"_s), u"Old course"_s);

    // A course without a header row gets a blank header.
    execIn(exported + u"/temp/koa.kod"_s, u"DELETE FROM header"_s);
    ASSERT_TRUE(m_files.ImportFile(exported + u"/temp"_s));
    EXPECT_EQ(rowsOf(db(), u"SELECT version, skin FROM header"_s), QStringList{u"1.1|Classic"_s});
}

TEST_F(Files, SaveNeedsTheCourseSizePlusFiveKBFree) {
    savedCourse(u"first.kof"_s);
    const QString target = m_program.scratch(u"second.kof"_s);
    const auto kb = [](qint64 bytes) {
        return static_cast<qint64>(std::llround(bytes / 1024.0));
    };

    for (const qint64 extraKB : {4, 5}) {
        SCOPED_TRACE(extraKB);
        const bool enough = extraKB == 5;
        // The probe answers with whole KB; compaction runs before the check.
        setFreeSpaceProbe([this, kb, extraKB](const QString&) {
            return (kb(folderSizeBytes(work())) + extraKB) * 1024;
        });
        m_scripted->clear();
        m_scripted->queueFile(target);
        EXPECT_EQ(m_files.Save_course(true), enough);
        EXPECT_EQ(m_scripted->messages(),
                  enough ? QStringList()
                         : QStringList({u"You do not have enough free space on you system drive "
                                        "to perform this task."_s,
                                        SaveFailed}));
        EXPECT_EQ(m_files.displayName(), enough ? u"second"_s : u"first"_s);
        EXPECT_EQ(QFileInfo::exists(target), enough);
        EXPECT_EQ(package::hasPackageMarker(target), enough);
    }
}

TEST_F(Files, SaveThatCannotBeWrittenKeepsThePreviousPackage) {
    // A failed save says so and leaves the package as it was and nothing beside it.
    const auto failedSave = [&](const QString& target, const QByteArray& before, bool saved) {
        EXPECT_FALSE(saved);
        EXPECT_EQ(m_scripted->messages(), QStringList({SaveFailed}));
        EXPECT_EQ(readFile(target), before);
        EXPECT_EQ(QDir(QFileInfo(target).absolutePath()).entryList(QDir::Files | QDir::Hidden),
                  QStringList{QFileInfo(target).fileName()});
    };
    const QString target = savedCourse(u"keep.kof"_s);
    const QByteArray before = readFile(target);
    writeFile(work(u"movies/2.mp4"_s), QByteArray(600 * 1024, 'm'));
    {
        const FileSizeLimit limit(300 * 1024);
        EXPECT_TRUE(limit.set);
        m_scripted->clear();
        failedSave(target, before, m_files.Save_course(false));
    }

    // A write-protected package is not replaced either.
    const QString locked = m_program.scratch(u"locked/locked.kof"_s);
    QDir().mkpath(QFileInfo(locked).path());
    m_scripted->queueFile(locked);
    ASSERT_TRUE(m_files.Save_course(true));
    const QByteArray lockedBefore = readFile(locked);
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    execIn(db(), u"UPDATE header SET title = 'changed'"_s);
    m_scripted->clear();
    failedSave(locked, lockedBefore, m_files.Save_course(false));
}

TEST_F(Files, RescueYesImportsTheLeftWorkingFolderNoDeletesItAndAFailureKeepsIt) {
    m_files.New_file(false);
    execIn(db(), u"UPDATE header SET title = 'unsaved work'"_s);

    CourseFiles next(m_program.folder(), m_host);
    ASSERT_TRUE(next.rescueNeeded());
    m_scripted->queueAnswer(Interaction::Answer::Yes);
    EXPECT_TRUE(next.offerRescue());
    EXPECT_EQ(m_scripted->shown().front().title, u"Rescue"_s);
    EXPECT_EQ(
        m_scripted->messages(),
        QStringList(
            {u"KOA has detected an uncontrolled shutdown. Do you want to rescue the latest file?"_s}));
    EXPECT_EQ(next.displayName(), u"Rescued file"_s);
    EXPECT_TRUE(next.currentPath().isEmpty());
    EXPECT_EQ(header(u"title"_s), u"unsaved work"_s);

    // Answered No, the start after that deletes it.
    CourseFiles third(m_program.folder(), m_host);
    m_scripted->queueAnswer(Interaction::Answer::No);
    EXPECT_FALSE(third.offerRescue());
    EXPECT_FALSE(QFileInfo::exists(work()));
    next.removeWorkingFolders();
    EXPECT_FALSE(QFileInfo::exists(m_program.folder().rescueFolder()));

    // A rescue that cannot convert keeps the files in the program folder; that
    // they outlast later starts is the start-up's test.
    m_files.New_file(false);
    writeFile(db(), "the crash left this database unreadable");
    CourseFiles failed(m_program.folder(), m_host);
    m_scripted->queueAnswer(Interaction::Answer::Yes);
    EXPECT_TRUE(failed.offerRescue());
    EXPECT_EQ(failed.displayName(), u"New file"_s);
    const QString told = m_scripted->messages().constLast();
    const QString prefix =
        u"The latest file could not be rescued. Its files were kept in the folder "_s;
    ASSERT_TRUE(told.startsWith(prefix)) << told.toStdString();
    EXPECT_EQ(QFileInfo(told.mid(prefix.size())).absolutePath(), m_program.folder().root());
    EXPECT_EQ(m_errors.locations(), QStringList({u"fileselector / ImportFile()"_s}));
}

TEST(CoursePaths, StoredNamesStayInTheirFolder) {
    QTemporaryDir dir;
    const QString pictures = dir.filePath(u"course/pictures"_s);
    QDir().mkpath(pictures);
    writeFile(pictures + u"/1.png"_s, "inside");
    writeFile(dir.filePath(u"secret.txt"_s), "outside");
    ASSERT_TRUE(QFile::link(dir.filePath(u"secret.txt"_s), pictures + u"/out.png"_s));
    ASSERT_TRUE(QFile::link(pictures + u"/1.png"_s, pictures + u"/same.png"_s));
    ASSERT_TRUE(QFile::link(dir.filePath(u"gone"_s), pictures + u"/dangling.png"_s));

    for (const QString& refused :
         {QString(), u"."_s, u".."_s, u"../secret.txt"_s, u"../../etc/passwd"_s, u"/etc/passwd"_s,
          u"sub/1.png"_s, u"..\\secret.txt"_s, u"1.png"_s + QChar(0) + u"x"_s, u"out.png"_s,
          u"dangling.png"_s}) {
        EXPECT_TRUE(fileInFolder(pictures, refused).isEmpty()) << refused.toStdString();
    }
    for (const QString& kept : {u"1.png"_s, u"same.png"_s, u"not yet there.png"_s})
        EXPECT_EQ(fileInFolder(pictures, kept), pictures + u"/"_s + kept);
    EXPECT_EQ(courseFilePath(dir.filePath(u"course"_s), u"dlinks"_s, u"2.pdf"_s),
              dir.filePath(u"course/documents/2.pdf"_s));
    EXPECT_TRUE(courseFilePath(dir.filePath(u"course"_s), u"texts"_s, u"2.pdf"_s).isEmpty());
    // A course whose media folder is a link elsewhere (an import's source)
    // names no file there.
    QDir().mkpath(dir.filePath(u"elsewhere"_s));
    writeFile(dir.filePath(u"elsewhere/id_rsa"_s), "key");
    ASSERT_TRUE(QFile::link(dir.filePath(u"elsewhere"_s), dir.filePath(u"course/movies"_s)));
    EXPECT_TRUE(courseFilePath(dir.filePath(u"course"_s), u"movies"_s, u"id_rsa"_s).isEmpty());
}
