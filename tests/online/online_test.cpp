#include "online/upload.h"
#include "store/database.h"
#include "store/package.h"
#include "store/schema.h"
#include "tests/online/servers.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;
using namespace koa;
using namespace koa::online;

using koa::test::FtpServer;
using koa::test::ScriptServer;

namespace {

// The read-only mark of a course.
int statusOf(const QString& database) {
    return Database(database).scalar(u"SELECT status FROM header"_s).toInt();
}

} // namespace

TEST(OnlineQueries, AddressesAnswersAndBadNumbers) {
    ScriptServer script;
    CurlRequest http;
    Server server(http, BaseDirs::SetBaseDirs(u"koa.test"_s).http);
    script.answers = {{u"login"_s, "true"},
                      {u"maxfilesize"_s, "12x"},
                      {u"new"_s, "70000"},
                      {u"checkconnection"_s, "true"},
                      {u"success"_s, "yes"}};
    EXPECT_TRUE(server.CheckUser(u"Ann & Bo"_s, u"p#w+1 2/ä"_s));
    const QByteArray login = script.requests().value(0).target;
    const QByteArray sent =
        "/koa_upload.asp?action=login&user=Ann%20%26%20Bo&passw=p%23w%2B1%202%2F%C3%A4&dummy=";
    EXPECT_TRUE(login.startsWith(sent) && login.size() > sent.size()) << login.toStdString();

    EXPECT_FALSE(server.confirmUpload(3)); // only "true" confirms
    EXPECT_THROW(server.GetMaxFileSize(), KoaError);
    EXPECT_THROW(server.registerUpload(u"u"_s, u"f"_s, u"t"_s, u"a"_s, u"v"_s), KoaError);
    script.answers[u"new"_s] = "-4";
    EXPECT_THROW(server.registerUpload(u"u"_s, u"f"_s, u"t"_s, u"a"_s, u"v"_s), KoaError);
    script.answers[u"new"_s] = "17";
    EXPECT_EQ(server.registerUpload(u"u"_s, u"f"_s, u"t"_s, u"a"_s, u"v"_s), 17);

    // The second query starts from an event handled while the first waits, and waits its turn.
    script.answers[u"tos"_s] = "terms";
    script.answers[u"maxfilesize"_s] = "500";
    script.delayAnswers(300);
    int limit = 0;
    QTimer::singleShot(50, [&] { limit = server.GetMaxFileSize(); });
    EXPECT_EQ(server.termsOfService(), u"terms"_s);
    EXPECT_TRUE(test::waitUntil([&] { return limit == 500; }, 5000)) << limit;
    const qsizetype n = script.requests().size();
    EXPECT_GE(script.requests()[n - 1].arrived, script.requests()[n - 2].answered);

    // The answer's cap and the time limit.
    script.answers[u"tos"_s] = QByteArray(5000, 'x');
    http.setMaxBodySize(1000);
    EXPECT_THROW(server.termsOfService(), KoaError);
    script.delayAnswers(3000);
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(server.CheckHTMLConnection(1));
    EXPECT_LT(clock.elapsed(), 2900);
    EXPECT_EQ(http.timeLimit(), 30000ms); // restored

    // No server set: an error, never a request to "www.".
    Server none(http, QString());
    EXPECT_THROW(none.CheckUser(u"a"_s, u"b"_s), KoaError);
}

TEST(UploadTimes, ClockAndEstimates) {
    const std::pair<double, QString> clocks[] = {{75, u"1m 15s"_s},
                                                 {3725, u"1h 2m 5s"_s},
                                                 {40, u"40s"_s},
                                                 {3600, u"1h 0m 0s"_s},
                                                 {59.6, u"1m 0s"_s}};
    for (const auto& [seconds, shown] : clocks)
        EXPECT_EQ(Upload::Ctime(seconds), shown) << seconds;
    EXPECT_EQ(Upload::uploadTimes(440), u"56 K: 1m 20s       0.5 M: 7s       10 M: 0s"_s);
    // A package exactly at the server's limit is refused, one just below it goes.
    QTemporaryDir dir;
    test::writeFile(dir.filePath(u"p.kof"_s), QByteArray(2048 * 1024, 'x'));
    EXPECT_TRUE(Upload::exceedsLimit(Upload::GetFileSize(dir.filePath(u"p.kof"_s)), 2048));
    EXPECT_FALSE(Upload::exceedsLimit(2047.999, 2048));
}

// A course with a placed and an unplaced picture, two documents linked from a
// placed text (one by a name whose brackets the text editor stored as
// references), one linked only from an unplaced text, and a page sound.
class UploadFixture : public ::testing::Test {
protected:
    void SetUp() override {
        m_working = m_dir.filePath(u"prog ram's & #folder/temp"_s);
        m_upload = m_dir.filePath(u"prog ram's & #folder/upload"_s);
        m_ftpRoot = m_dir.filePath(u"ftp"_s);
        schema::createBlankCourse(m_working);
        Database db(m_working + u"/koa.kod"_s);
        db.exec(u"UPDATE header SET title = 'A & B', author = 'Me', status = 0"_s);
        QByteArray noise(300 * 1024, Qt::Uninitialized);
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
        for (const auto& [table, name, file] : QList<std::tuple<QString, QString, QString>>{
                 {u"pictures"_s, u"placed"_s, u"1.png"_s},
                 {u"pictures"_s, u"unplaced"_s, u"2.png"_s},
                 {u"sounds"_s, u"tune"_s, u"1.wma"_s},
                 {u"sounds"_s, u"quiet"_s, u"2.mp3"_s},
                 {u"dlinks"_s, u"manual"_s, u"1.pdf"_s},
                 {u"dlinks"_s, u"orphan"_s, u"2.pdf"_s},
                 {u"dlinks"_s, u"Map <old>"_s, u"3.pdf"_s}}) {
            db.exec(u"INSERT INTO "_s + table + u" (name, filename) VALUES (?, ?)"_s, {name, file});
            const QString folder = table == u"dlinks"_s ? u"documents"_s : table;
            test::writeFile(m_working + u'/' + folder + u'/' + file, noise);
        }
        // The page sound is older and has the copy browsers play beside it.
        test::writeFile(m_working + u"/sounds/1.wma.opus"_s, "copy");
        db.exec(u"INSERT INTO texts (name, text) VALUES ('shown', ?), ('hidden', ?)"_s,
                {u"see <a href=\"javascript:parent.engine.dlink(\\'manual\\')\">it</a> and "
                 "parent.engine.dlink(\\'Map &#60;old&#62;\\')"_s,
                 u"parent.engine.dlink(\\'orphan\\')"_s});
        db.exec(u"INSERT INTO data (type, name, \"index\") VALUES ('modules', 'M', 0), "
                "('pages', 'P', 1), ('pictures', 'placed', 2), ('texts', 'shown', 3)"_s);
        db.exec(u"INSERT INTO pages (name, sound, tabtext) VALUES ('P', 'tune', '')"_s);
        m_script.answers = {{u"login"_s, "true"},
                            {u"new"_s, "17"},
                            {u"maxfilesize"_s, "100000"},
                            {u"success"_s, "true"}};
    }
    // An upload whose handlers record what the progress window would show.
    std::unique_ptr<Upload> make() {
        m_states.clear();
        auto u = std::make_unique<Upload>(Upload::Settings{
            m_working, m_upload, u"my course"_s, {u"bert"_s, u"pw"_s, u"koa.test"_s}});
        for (auto [handler, texts] : {std::pair{&Upload::showState, &m_states},
                                      {&Upload::showStatus, &m_statuses},
                                      {&Upload::showFileSize, &m_fileSizes}})
            (*u).*handler = [texts](const QString& t) {
                texts->append(t);
            };
        return u;
    }
    QTemporaryDir m_dir;
    QString m_working, m_upload, m_ftpRoot;
    ScriptServer m_script;
    QStringList m_states, m_statuses, m_fileSizes;
};

TEST_F(UploadFixture, PublishesTheSlimmedCourseUnlessRefused) {
    FtpServer ftp(m_script, m_ftpRoot);
    EXPECT_TRUE(make()->UpLoad(true)) << m_statuses.join(u" | "_s).toStdString();
    const QString sent = m_ftpRoot + u"/KOA/upload/17/17.kof"_s;
    EXPECT_TRUE(package::hasPackageMarker(sent));
    const QString out = m_dir.filePath(u"out"_s);
    package::unpackPackage(sent, out);
    // Only what the course shows goes, read-only, with the page sound's playable copy.
    EXPECT_EQ(test::rowsOf(out + u"/koa.kod"_s,
                           u"SELECT 'p', name FROM pictures UNION ALL SELECT 's', name FROM "
                           "sounds UNION ALL SELECT 'd', name FROM dlinks ORDER BY 1, 2"_s),
              QStringList({u"d|manual"_s, u"d|Map <old>"_s, u"p|placed"_s, u"s|tune"_s}));
    EXPECT_EQ(test::treeOf(out),
              QStringList({u"documents/"_s, u"documents/1.pdf"_s, u"documents/3.pdf"_s, u"flash/"_s,
                           u"koa.kod"_s, u"movies/"_s, u"pictures/"_s, u"pictures/1.png"_s,
                           u"sounds/"_s, u"sounds/1.wma"_s, u"sounds/1.wma.opus"_s}));
    EXPECT_EQ(test::readFile(out + u"/sounds/1.wma.opus"_s), "copy");
    EXPECT_EQ(statusOf(out + u"/koa.kod"_s), 1);
    // The user's course is as it was.
    EXPECT_EQ(test::rowsOf(m_working + u"/koa.kod"_s, u"SELECT name FROM pictures ORDER BY 1"_s),
              QStringList({u"placed"_s, u"unplaced"_s}));
    EXPECT_EQ(statusOf(m_working + u"/koa.kod"_s), 0);
    EXPECT_TRUE(QFile::exists(m_working + u"/pictures/2.png"_s));
    // The registration carried the course's values, encoded.
    const QByteArray registration = m_script.requests()[1].target;
    EXPECT_TRUE(registration.contains(
        "action=new&user=bert&file_name=my%20course&title=A%20%26%20B&author=Me&version="))
        << registration.toStdString();
    EXPECT_TRUE(m_script.requests().last().target.contains("action=success&id=17&dummy="));

    // Refusals and failures.
    m_script.answers[u"success"_s] = "false";
    EXPECT_FALSE(make()->UpLoad(false));
    EXPECT_EQ(m_states.value(m_states.size() - 1),
              u"File uploaded, but with server problem. File will not be accessible.\r\n"
              "Please contact Webmaster at KOA homepage."_s);
    // A limit of the package's own size in whole KB is refused, before any transfer.
    const qint64 kb = QFile(m_upload + u"/17.kof"_s).size() / 1024;
    m_script.answers[u"maxfilesize"_s] = QByteArray::number(kb);
    m_script.answers[u"new"_s] = "18";
    EXPECT_FALSE(make()->UpLoad(false));
    EXPECT_EQ(m_fileSizes.value(m_fileSizes.size() - 1),
              u"File size: "_s +
                  QString::number(std::llround(QFile(m_upload + u"/18.kof"_s).size() / 1024.0)) +
                  u" KB - exceeding maximum upload size of "_s + QString::number(kb) +
                  u" KB. Cannot upload file."_s);
    EXPECT_FALSE(QFile::exists(m_ftpRoot + u"/KOA/upload/18"_s));
    EXPECT_FALSE(m_script.requests().last().target.contains("action=success"));
}

TEST_F(UploadFixture, NoConnectionAndAbort) {
    // Nothing listens on the FTP port.
    test::reach(m_script, test::closedPort());
    EXPECT_FALSE(make()->UpLoad(false));
    EXPECT_EQ(m_states, QStringList{u"No connection yet"_s});
    EXPECT_TRUE(m_script.requests().isEmpty());

    FtpServer ftp(m_script, m_ftpRoot, 100 * 1024);
    const std::unique_ptr<Upload> upload = make();
    QElapsedTimer sinceAbort;
    upload->showStatus = [&](const QString& t) {
        m_statuses.append(t);
        if (t == u"Sending Request..."_s && !sinceAbort.isValid())
            QTimer::singleShot(200, [&] {
                sinceAbort.start();
                upload->Abort();
            });
    };
    EXPECT_FALSE(upload->UpLoad(false));
    ASSERT_TRUE(sinceAbort.isValid());
    EXPECT_LT(sinceAbort.elapsed(), 1500);
    EXPECT_EQ(m_states.last(), u"Upload failed. Check your internet connection."_s);
    EXPECT_TRUE(m_statuses.contains(u"Aborting..."_s));
    EXPECT_FALSE(m_script.requests().last().target.contains("action=success"));
}

TEST_F(UploadFixture, KoaToolUpload) {
    FtpServer ftp(m_script, m_ftpRoot);
    const QString course = m_dir.filePath(u"my course.kof"_s);
    package::packFolder(m_working, course);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"KOA_PASSWORD"_s, u"p w&"_s);
    const auto run = [&](const QStringList& extra) {
        return test::runKoaTool(
            QStringList{u"upload"_s, course, u"--server"_s, u"koa.test"_s, u"--user"_s, u"bert"_s,
                        u"--connect-to"_s, u"www.koa.test:80:127.0.0.1:%1"_s.arg(m_script.port()),
                        u"--connect-to"_s, u"koa.test:21:127.0.0.1:%1"_s.arg(ftp.port())} +
                extra,
            {}, env);
    };
    const test::ToolRun done = run({u"--read-only"_s});
    EXPECT_EQ(done.exitCode, 0) << done.all().toStdString();
    EXPECT_TRUE(done.out.endsWith(u"Upload complete.\n"_s)) << done.out.toStdString();
    EXPECT_TRUE(m_script.requests()[0].target.contains("action=login&user=bert&passw=p%20w%26&"));
    const QString out17 = m_dir.filePath(u"out17"_s);
    package::unpackPackage(m_ftpRoot + u"/KOA/upload/17/17.kof"_s, out17);
    EXPECT_EQ(statusOf(out17 + u"/koa.kod"_s), 1);

    m_script.answers[u"login"_s] = "false";
    const test::ToolRun refused = run({});
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_TRUE(
        refused.out.contains(u"You are not a registered user or your login data is wrong"_s))
        << refused.all().toStdString();
}
