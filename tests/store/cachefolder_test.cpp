// The private folder that generated pages are written to.
#include "store/cachefolder.h"
#include "store/errors.h"
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

// Points XDG_RUNTIME_DIR and TMPDIR somewhere fresh while it lives.
class FolderScope {
public:
    FolderScope()
        : m_runtime(qgetenv("XDG_RUNTIME_DIR")), m_tmp(qgetenv("TMPDIR")),
          m_hadTmp(qEnvironmentVariableIsSet("TMPDIR")) {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_dir.filePath(u"runtime"_s)));
        qputenv("TMPDIR", QFile::encodeName(m_dir.filePath(u"tmp"_s)));
        QDir(m_dir.path()).mkpath(u"runtime"_s);
        QDir(m_dir.path()).mkpath(u"tmp"_s);
    }
    ~FolderScope() {
        qputenv("XDG_RUNTIME_DIR", m_runtime);
        if (m_hadTmp)
            qputenv("TMPDIR", m_tmp);
        else
            qunsetenv("TMPDIR");
    }
    QString path(const QString& rel) const { return m_dir.filePath(rel); }

private:
    QTemporaryDir m_dir;
    QByteArray m_runtime;
    QByteArray m_tmp;
    bool m_hadTmp;
};

mode_t modeOf(const QString& path) {
    struct stat info {};
    ::lstat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 07777;
}

TEST(CacheFolder, PrivateUnderTheRuntimeFolderElseTheTempFolderAndNothingPlantedIsUsed) {
    const FolderScope scope;
    const QString runtime = scope.path(u"runtime/koa"_s);

    // A link, even to a folder of our own, is not followed.
    QDir().mkpath(scope.path(u"elsewhere"_s));
    ASSERT_TRUE(QFile::link(scope.path(u"elsewhere"_s), runtime));
    EXPECT_THROW(cacheFolder(), KoaError);
    EXPECT_TRUE(QFileInfo(runtime).isSymLink());
    EXPECT_TRUE(QDir(scope.path(u"elsewhere"_s)).isEmpty());
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
    const QString temp = scope.path(u"tmp/koa-"_s) + QString::number(::geteuid());
    EXPECT_EQ(cacheFolder(), temp);
    EXPECT_EQ(modeOf(temp), mode_t(0700));
}

} // namespace
} // namespace koa
