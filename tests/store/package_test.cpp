#include "store/errors.h"
#include "store/fileops.h"
#include "store/package.h"
#include "store/schema.h"
#include "tests/store/storetestutil.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using namespace koa;
using namespace koa::test;

namespace {
class Package : public ::testing::Test {
protected:
    void SetUp() override {
        schema::createBlankCourse(path(u"course"_s));
        writeFile(path(u"course/pictures/1.png"_s), QByteArray(70000, 'p'));
        writeFile(path(u"course/documents/2.pdf"_s), "document");
        writeFile(path(u"course/notes.txt"_s), "loose file in the working folder");
    }
    QString path(const QString& rel) const { return m_dir.filePath(rel); }
    // The folder zipped by the standard tool (links kept as links).
    void zipWithTool(const QString& folder, const QString& package) const {
        QProcess zip;
        zip.setWorkingDirectory(path(folder));
        zip.start(u"zip"_s, {u"-q"_s, u"-y"_s, u"-r"_s, path(package), u"."_s});
        ASSERT_TRUE(zip.waitForFinished(30000));
        ASSERT_EQ(zip.exitCode(), 0);
    }

    QTemporaryDir m_dir;
};
} // namespace

TEST_F(Package, PackedCourseIsAMarkedZipThatUnpacksWithoutBeingTouched) {
    package::packFolder(path(u"course"_s), path(u"c.kof"_s));
    const QByteArray bytes = readFile(path(u"c.kof"_s));
    EXPECT_EQ(bytes.left(4), QByteArray("KO\x03\x04", 4));
    EXPECT_FALSE(QFileInfo::exists(path(u".c.kof.part"_s)));

    // With "PK" back in place a standard tool tests it (what it holds, the unpack below shows).
    writeFile(path(u"c.zip"_s), "PK" + bytes.mid(2));
    QProcess unzip;
    unzip.start(u"unzip"_s, {u"-t"_s, path(u"c.zip"_s)});
    ASSERT_TRUE(unzip.waitForFinished(30000));
    EXPECT_EQ(unzip.exitCode(), 0) << unzip.readAllStandardOutput().toStdString();

    // Unpacking recreates files and empty folders and leaves the package alone.
    QFile::setPermissions(path(u"c.kof"_s), QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    package::unpackPackage(path(u"c.kof"_s), path(u"out"_s));
    EXPECT_EQ(readFile(path(u"c.kof"_s)), bytes);
    EXPECT_EQ(treeOf(path(u"out"_s)), treeOf(path(u"course"_s)));
    EXPECT_EQ(readFile(path(u"out/pictures/1.png"_s)), readFile(path(u"course/pictures/1.png"_s)));
    EXPECT_EQ(readFile(path(u"out/koa.kod"_s)), readFile(path(u"course/koa.kod"_s)));

    // So does an archive written by another tool.
    ASSERT_NO_FATAL_FAILURE(zipWithTool(u"course"_s, u"other.kof"_s));
    package::unpackPackage(path(u"other.kof"_s), path(u"other"_s));
    EXPECT_EQ(treeOf(path(u"other"_s)), treeOf(path(u"course"_s)));
}

TEST_F(Package, DamagedPackagesAreRefusedAndWriteNothingOutside) {
    const QString good = path(u"good.kof"_s);
    package::packFolder(path(u"course"_s), good);
    const QByteArray goodBytes = readFile(good);
    QByteArray corrupt = goodBytes; // stored picture bytes: only the checksum can tell
    corrupt[corrupt.indexOf(QByteArray(1000, 'p')) + 10] = 'q';
    // Not a zip, empty, truncated, corrupt data; then entries that climb out or link.
    QStringList damaged;
    for (const QByteArray& bytes : {QByteArray("KO this is plain text, not a package"),
                                    QByteArray(), goodBytes.left(goodBytes.size() / 2), corrupt}) {
        damaged << path(u"bad%1.kof"_s.arg(damaged.size()));
        writeFile(damaged.last(), bytes);
    }
    for (const QString& entry :
         {u"../escaped.txt"_s, u"pictures/../../escaped.txt"_s, u"/tmp/koa-escaped.txt"_s}) {
        damaged << path(u"bad%1.kof"_s.arg(damaged.size()));
        writeZip(damaged.last(), {{entry, "x"}});
    }
    // A link entry, as the standard tool keeps it.
    QDir(path(u"linked"_s)).mkpath(u"."_s);
    ASSERT_TRUE(QFile::link(u"/etc"_s, path(u"linked/etc"_s)));
    ASSERT_NO_FATAL_FAILURE(zipWithTool(u"linked"_s, u"links.kof"_s));
    damaged << path(u"links.kof"_s);
    for (const QString& bad : damaged) {
        SCOPED_TRACE(bad.toStdString());
        const QByteArray before = readFile(bad);
        QDir(path(u"out"_s)).removeRecursively();
        EXPECT_THROW(package::unpackPackage(bad, path(u"out"_s)), KoaError);
        EXPECT_EQ(readFile(bad), before);
        EXPECT_FALSE(QFileInfo::exists(path(u"escaped.txt"_s)));
        EXPECT_FALSE(QFileInfo::exists(u"/tmp/koa-escaped.txt"_s));
        EXPECT_FALSE(QFileInfo(path(u"out/etc"_s)).exists());
    }
}

TEST_F(Package, PackagesThatWouldFillTheDiskAreRefusedBeforeTheyDo) {
    // A bomb that tells its size, one that lies about it, and a course
    // that is honest but larger than the free space.
    const QString honest = path(u"honest.kof"_s);
    writeZerosZip(honest, u"koa.kod"_s, quint64(300) << 20);
    const QString lying = path(u"lying.kof"_s);
    writeZerosZip(lying, u"pictures/1.png"_s, quint64(40) << 20, 1000);
    const QString course = path(u"course.kof"_s);
    package::packFolder(path(u"course"_s), course);

    // Each is refused for its own reason; a lie is caught while inflating.
    const std::vector<std::pair<QString, QString>> cases = {{honest, u"too many for its size"_s},
                                                            {lying, u"larger than it says"_s},
                                                            {course, u"more than is free"_s}};
    for (const auto& [bomb, reason] : cases) {
        SCOPED_TRACE(bomb.toStdString());
        if (bomb == course)
            setFreeSpaceProbe([](const QString&) { return qint64(16 * 1024); });
        const QByteArray before = readFile(bomb);
        QElapsedTimer clock;
        clock.start();
        try {
            package::unpackPackage(bomb, path(u"out"_s));
            ADD_FAILURE() << "unpacked";
        } catch (const KoaError& e) {
            EXPECT_TRUE(e.description().contains(reason)) << e.what();
        }
        EXPECT_LT(clock.elapsed(), 20000);
        EXPECT_EQ(readFile(bomb), before);
        EXPECT_TRUE(QDir(path(u"out"_s)).entryList(QDir::Files).isEmpty());
        EXPECT_FALSE(QFileInfo::exists(path(u"out/pictures/1.png"_s)));
        setFreeSpaceProbe({});
    }
}
