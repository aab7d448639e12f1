// The private folder that generated pages are written to.
#include "store/cachefolder.h"
#include "store/errors.h"
#include "tests/support/helpers.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace koa {
namespace {

mode_t modeOf(const QString& path) {
    struct stat info {};
    ::lstat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 07777;
}

TEST(CacheFolder, PrivateUnderTheRuntimeFolderElseTheTempFolderAndNothingPlantedIsUsed) {
    // Fresh runtime and temp folders while it runs.
    const QTemporaryDir dir;
    QDir(dir.path()).mkpath(u"runtime"_s);
    QDir(dir.path()).mkpath(u"tmp"_s);
    const test::ScopedEnv runtimeFolder("XDG_RUNTIME_DIR", dir.filePath(u"runtime"_s));
    const test::ScopedEnv tempFolder("TMPDIR", dir.filePath(u"tmp"_s));
    const QString runtime = dir.filePath(u"runtime/koa"_s);

    // A link, even to a folder of our own, is not followed.
    QDir().mkpath(dir.filePath(u"elsewhere"_s));
    ASSERT_TRUE(QFile::link(dir.filePath(u"elsewhere"_s), runtime));
    EXPECT_THROW(cacheFolder(), KoaError);
    EXPECT_TRUE(QFileInfo(runtime).isSymLink());
    EXPECT_TRUE(QDir(dir.filePath(u"elsewhere"_s)).isEmpty());
    QFile::remove(runtime);

    test::writeFile(runtime, "not a folder");
    EXPECT_THROW(cacheFolder(), KoaError);
    QFile::remove(runtime);

    // Only root can hand a folder to another user.
    if (::geteuid() == 0) {
        QDir().mkpath(runtime);
        ASSERT_EQ(::chown(QFile::encodeName(runtime).constData(), 65534, 65534), 0);
        EXPECT_THROW(cacheFolder(), KoaError);
        QDir(runtime).removeRecursively();
    }

    EXPECT_EQ(cacheFolder(), runtime);
    EXPECT_EQ(modeOf(runtime), mode_t(0700));
    // A folder of ours opened to others is made private again.
    QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                       QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                       QFileDevice::ExeOther);
    EXPECT_EQ(cacheFolder(u"koa-tool"_s), runtime + u"/koa-tool"_s);
    EXPECT_EQ(modeOf(runtime), mode_t(0700));
    EXPECT_EQ(modeOf(runtime + u"/koa-tool"_s), mode_t(0700));

    qunsetenv("XDG_RUNTIME_DIR");
    const QString temp = dir.filePath(u"tmp/koa-"_s) + QString::number(::geteuid());
    EXPECT_EQ(cacheFolder(), temp);
    EXPECT_EQ(modeOf(temp), mode_t(0700));
}

} // namespace
} // namespace koa
