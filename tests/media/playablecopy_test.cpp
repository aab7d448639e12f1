#include "media/playablecopy.h"
#include "store/database.h"
#include "store/fileops.h"
#include "store/schema.h"
#include "tests/support/helpers.h"
#include "tests/support/mediafiles.h"
#include "tests/support/testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using namespace koa;
using namespace koa::media;
using namespace koa::test;

namespace {

class PlayableCopies : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new QTemporaryDir;
        ASSERT_TRUE(writeMovie(s_dir->filePath(u"clip.avi"_s), 160, 120, 10));
        ASSERT_TRUE(writeWindowsSound(s_dir->filePath(u"bell.wma"_s), 2));
    }
    static void TearDownTestSuite() { delete s_dir; }
    static QString made(const QString& name) { return s_dir->filePath(name); }

    QTemporaryDir m_out;
    static QTemporaryDir* s_dir;
};

QTemporaryDir* PlayableCopies::s_dir = nullptr;

} // namespace

TEST(PlayableCopyNames, OnlyOlderFormatsGetACopy) {
    for (const char* name : {"1.mpg", "2.MPEG", "3.avi", "4.wmv", "5.asf", "6.wma", "7.AVI"})
        EXPECT_TRUE(needsPlayableCopy(QString::fromLatin1(name))) << name;
    for (const char* name : {"1.mp4", "2.webm", "3.ogv", "4.wav", "5.mp3", "6", "7.avi.webm"})
        EXPECT_FALSE(needsPlayableCopy(QString::fromLatin1(name))) << name;
}

TEST_F(PlayableCopies, AMovieBecomesWebMAndASoundOggOpus) {
    const QString movie = m_out.filePath(u"1.avi.webm"_s);
    const QString sound = m_out.filePath(u"1.wma.opus"_s);
    QList<double> shares;
    const CopyOutcome made1 = makePlayableCopy(made(u"clip.avi"_s), movie, [&](double share) {
        shares.append(share);
        return true;
    });
    ASSERT_EQ(made1.end, CopyEnd::Done) << made1.error.toStdString();
    EXPECT_TRUE(readFile(movie).startsWith("\x1a\x45\xdf\xa3")); // EBML, as WebM begins
    for (double share : shares)
        EXPECT_TRUE(share == -1 || (share >= 0 && share <= 1)) << share;
    ASSERT_EQ(makePlayableCopy(made(u"bell.wma"_s), sound).end, CopyEnd::Done);
    EXPECT_TRUE(readFile(sound).startsWith("OggS"));
    EXPECT_TRUE(readFile(sound).contains("OpusHead"));
    EXPECT_EQ(QDir(m_out.path()).entryList(QDir::Files),
              QStringList({u"1.avi.webm"_s, u"1.wma.opus"_s})); // no part file left
}

TEST_F(PlayableCopies, ACancelledOrFailedCopyLeavesNothingAndAnOldCopyStands) {
    const QString target = m_out.filePath(u"1.avi.webm"_s);
    EXPECT_EQ(makePlayableCopy(made(u"clip.avi"_s), target, [](double) { return false; }).end,
              CopyEnd::Cancelled);
    writeFile(m_out.filePath(u"junk.avi"_s), "no movie here");
    writeFile(m_out.filePath(u"2.avi.webm"_s), "an earlier copy");
    for (const QString& source : {m_out.filePath(u"junk.avi"_s), m_out.filePath(u"gone.avi"_s)}) {
        SCOPED_TRACE(source.toStdString());
        const CopyOutcome failed = makePlayableCopy(source, m_out.filePath(u"2.avi.webm"_s));
        EXPECT_EQ(failed.end, CopyEnd::Failed);
        EXPECT_FALSE(failed.error.isEmpty());
    }
    EXPECT_EQ(readFile(m_out.filePath(u"2.avi.webm"_s)), "an earlier copy");
    EXPECT_EQ(QDir(m_out.path()).entryList(QDir::Files),
              QStringList({u"2.avi.webm"_s, u"junk.avi"_s}));
}

TEST_F(PlayableCopies, ACourseListsTheCopiesItLacksAndDropsOnesOfItsOwn) {
    const QString course = m_out.path();
    schema::createBlankCourse(course);
    Database db(course + u"/koa.kod"_s);
    db.exec(u"INSERT INTO movies (name, filename) VALUES ('Clip', '1.avi'), ('Done', '2.wmv'), "
            "('Today', '3.mp4'), ('Lost', '4.mpg'), ('Climber', '../5.avi')"_s);
    db.exec(u"INSERT INTO sounds (name, filename) VALUES ('Bell', '1.wma'), ('Beep', '2.wav')"_s);
    for (const char* file : {"movies/1.avi", "movies/2.wmv", "movies/2.wmv.webm", "movies/3.mp4",
                             "5.avi", "5.avi.webm", "sounds/1.wma", "sounds/2.wav"})
        writeFile(course + u'/' + QString::fromLatin1(file), "x");
    QStringList missing;
    for (const MissingCopy& m : missingPlayableCopies(course))
        missing << m.name + u'|' + m.source + u'|' + m.target;
    EXPECT_EQ(missing, QStringList({u"Clip|%1/movies/1.avi|%1/movies/1.avi.webm"_s.arg(course),
                                    u"Bell|%1/sounds/1.wma|%1/sounds/1.wma.opus"_s.arg(course)}));

    removePlayableCopy(course, u"movies"_s, u"2.wmv"_s);
    removePlayableCopy(course, u"movies"_s, u"../5.avi"_s); // no file outside the course goes
    EXPECT_FALSE(QFile::exists(course + u"/movies/2.wmv.webm"_s));
    EXPECT_TRUE(QFile::exists(course + u"/5.avi.webm"_s));
}

TEST_F(PlayableCopies, TheToolsExportOfAnOlderCourseCarriesTheCopies) {
    const QString bin = QCoreApplication::applicationDirPath();
    const QString course = m_out.filePath(u"course"_s);
    copyFolder(bin + u"/blank_file"_s, course);
    copyFileOver(made(u"clip.avi"_s), course + u"/movies/1.avi"_s);
    writeCourse(
        course,
        {u"INSERT INTO movies (name, filename, width, height) VALUES ('Clip', '1.avi', 160, 120)"_s},
        m_out.filePath(u"old.kof"_s));

    const ToolRun tool =
        runKoaTool({u"export"_s, m_out.filePath(u"old.kof"_s), m_out.filePath(u"out"_s)});
    EXPECT_EQ(tool.exitCode, 0) << tool.err.toStdString();
    EXPECT_TRUE(readFile(m_out.filePath(u"out/temp/movies/1.avi.webm"_s)).startsWith("\x1a\x45"));
}
