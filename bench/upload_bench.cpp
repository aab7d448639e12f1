// Sending a 50 MB course to a local FTP server: KOA's transfer client next
// to `curl -T` with the same package, and the staging that comes before it.
// Reports; exits 1 only when something goes wrong.
#include "bench/bench.h"
#include "online/account.h"
#include "online/curlrequest.h"
#include "online/staging.h"
#include "store/database.h"
#include "store/schema.h"

namespace koa::bench {
namespace {

int run() {
    const int runs = 3;
    const Scratch dir;
    const QString working = dir.filePath(u"temp"_s);
    schema::createBlankCourse(working);
    {
        Database db(working + u"/koa.kod"_s);
        db.exec(u"INSERT INTO movies (name, filename) VALUES ('film', 'film.mp4')"_s);
        db.exec(u"INSERT INTO data (type, name, \"index\") VALUES ('modules', 'M', 0), "
                "('pages', 'P', 1), ('movies', 'film', 2)"_s);
    }
    std::mt19937_64 random(5);
    writeRandomFile(working + u"/movies/film.mp4"_s, 50 * MiB, random);

    QString package;
    const double stageMs =
        1000 * secondsOf([&] {
            package = online::Staging(working, dir.filePath(u"upload"_s)).stage(1, false);
        });

    QDir().mkpath(dir.filePath(u"ftp"_s));
    QProcess server;
    server.start(u"/usr/bin/python3"_s,
                 {QStringLiteral(KOA_FTP_SERVER_SCRIPT), dir.filePath(u"ftp"_s)});
    if (!server.waitForReadyRead(20000))
        fail(u"the FTP server did not start (python3-pyftpdlib)"_s);
    const QString base = u"ftp://127.0.0.1:"_s +
                         QString::fromLatin1(server.readLine().trimmed().split(' ').value(1));
    const QString user = QString::fromUtf16(online::FtpUser);
    const QString password = QString::fromUtf16(online::FtpPassword);
    std::vector<double> ours, theirs;
    for (int run = 0; run < runs; ++run) {
        online::CurlRequest ftp;
        ftp.setUrl(QUrl(base + u"/KOA/upload/%1/1.kof"_s.arg(run)));
        ftp.setLogin(user, password);
        ftp.setUploadFile(package);
        ftp.setTimeLimit(std::chrono::milliseconds(0));
        ftp.setStallLimit(std::chrono::seconds(20));
        ours.push_back(1000 * secondsOf([&] {
                           if (!ftp.perform().ok)
                               fail(u"KOA's upload failed"_s);
                       }));
        theirs.push_back(1000 * secondsOf([&] {
                             runTool(u"curl"_s, {u"-s"_s, u"--ftp-create-dirs"_s, u"--ssl"_s,
                                                 u"-u"_s, user + u':' + password, u"-T"_s, package,
                                                 base + u"/KOA/upload/c%1/1.kof"_s.arg(run)});
                         }));
    }
    server.kill();
    server.waitForFinished(5000);
    std::printf("package %.1f MB, staged in %.0f ms\n", double(QFileInfo(package).size()) / MiB,
                stageMs);
    std::printf("upload, best of %d: KOA %.0f ms, curl -T %.0f ms, ratio %.2f (at most 1.25)\n",
                runs, best(ours), best(theirs), best(ours) / best(theirs));
    return 0;
}

} // namespace
} // namespace koa::bench

int main(int argc, char* argv[]) {
    return koa::bench::benchMain<QCoreApplication>(argc, argv, "", koa::bench::run);
}
