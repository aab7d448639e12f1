// Sending a 50 MB course to a local FTP server: KOA's transfer client next
// to `curl -T` with the same package, and the staging that comes before it.
// Reports; exits 1 only when something goes wrong.
#include "online/account.h"
#include "online/curlrequest.h"
#include "online/staging.h"
#include "store/database.h"
#include "store/schema.h"

#include <cstdio>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

using namespace Qt::Literals::StringLiterals;
using namespace koa;
using namespace koa::online;

namespace {
int fail(const char* what) {
    std::fprintf(stderr, "upload bench: %s\n", what);
    return 1;
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = 3;
    QTemporaryDir dir;
    const QString working = dir.filePath(u"temp"_s);
    schema::createBlankCourse(working);
    {
        Database db(working + u"/koa.kod"_s);
        db.exec(u"INSERT INTO movies (name, filename) VALUES ('film', 'film.mp4')"_s);
        db.exec(u"INSERT INTO data (type, name, \"index\") VALUES ('modules', 'M', 0), "
                "('pages', 'P', 1), ('movies', 'film', 2)"_s);
        QByteArray noise(50 * 1024 * 1024, Qt::Uninitialized);
        QRandomGenerator(5).fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
        QFile f(working + u"/movies/film.mp4"_s);
        if (!f.open(QIODevice::WriteOnly) || f.write(noise) != noise.size())
            return fail("cannot write the course");
    }

    QElapsedTimer clock;
    clock.start();
    Staging staging(working, dir.filePath(u"upload"_s));
    const QString package = staging.stage(1, false);
    const qint64 stageMs = clock.elapsed();

    QDir().mkpath(dir.filePath(u"ftp"_s));
    QProcess server;
    server.start(u"/usr/bin/python3"_s,
                 {QStringLiteral(KOA_FTP_SERVER_SCRIPT), dir.filePath(u"ftp"_s)});
    if (!server.waitForReadyRead(20000))
        return fail("the FTP server did not start (python3-pyftpdlib)");
    const QByteArray port = server.readLine().trimmed().split(' ').value(1);
    const QString base = u"ftp://127.0.0.1:"_s + QString::fromLatin1(port);

    qint64 ours = -1, theirs = -1;
    for (int run = 0; run < runs; ++run) {
        CurlRequest ftp;
        ftp.setUrl(QUrl(base + u"/KOA/upload/%1/1.kof"_s.arg(run)));
        ftp.setLogin(QString::fromUtf16(FtpUser), QString::fromUtf16(FtpPassword));
        ftp.setUploadFile(package);
        ftp.setTimeLimit(std::chrono::milliseconds(0));
        ftp.setStallLimit(std::chrono::seconds(20));
        clock.restart();
        if (!ftp.perform().ok)
            return fail("KOA's upload failed");
        const qint64 t = clock.elapsed();
        ours = ours < 0 ? t : std::min(ours, t);

        clock.restart();
        const int rc =
            QProcess::execute(u"curl"_s, {u"-s"_s, u"--ftp-create-dirs"_s, u"--ssl"_s, u"-u"_s,
                                          u"koa_upload:pum8welsa4"_s, u"-T"_s, package,
                                          base + u"/KOA/upload/c%1/1.kof"_s.arg(run)});
        if (rc != 0)
            return fail("curl -T failed");
        const qint64 c = clock.elapsed();
        theirs = theirs < 0 ? c : std::min(theirs, c);
    }
    server.kill();
    server.waitForFinished(5000);
    std::printf("package %.1f MB, staged in %lld ms\n",
                static_cast<double>(QFile(package).size()) / (1024 * 1024),
                static_cast<long long>(stageMs));
    std::printf("upload, best of %d: KOA %lld ms, curl -T %lld ms, ratio %.2f (at most 1.25)\n",
                runs, static_cast<long long>(ours), static_cast<long long>(theirs),
                theirs > 0 ? static_cast<double>(ours) / static_cast<double>(theirs) : 0.0);
    return 0;
}
