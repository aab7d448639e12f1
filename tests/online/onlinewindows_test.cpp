#include "online/view/koahelp.h"
#include "online/view/progress.h"
#include "online/view/uploadform.h"
#include "store/package.h"
#include "tests/online/servers.h"
#include "tests/support/anchor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTabBar>
#include <QTextBrowser>
#include <QTextEdit>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using namespace koa;
using namespace koa::online;
using namespace koa::test;

namespace {

// The program's windows with an account on the local servers.
class OnlineWindows : public CourseWindows {
protected:
    void SetUp() override {
        CourseWindows::SetUp();
        saveAccount(m_anchor->files().folder().settingsDatabase(),
                    {u"bert"_s, u"pw"_s, u"koa.test"_s});
        m_script.answers = {{u"checkconnection"_s, "true"}, {u"login"_s, "true"},
                            {u"tos"_s, "<b>Be nice</b>"},   {u"new"_s, "21"},
                            {u"maxfilesize"_s, "100000"},   {u"success"_s, "true"}};
    }
    // Opens the upload window from the file header window and waits until
    // both checks have passed or a message has ended them.
    uploadform* open() {
        set().window(shell::keys::Header)->menuUpload_Click();
        auto* form = shownWindow<uploadform>();
        EXPECT_TRUE(
            form &&
            waitUntil([&] { return form->chkAgree->isEnabled() || !m_scripted->shown().isEmpty(); },
                      20000));
        return form;
    }
    // Opens the upload window and agrees once both checks have passed.
    uploadform* openAndAgree(bool readOnly) {
        auto* form = open();
        if (!form)
            return nullptr;
        EXPECT_TRUE(form->chkConnection->isChecked() && form->chkUser->isChecked());
        EXPECT_FALSE(form->cmdOK->isEnabled());
        form->chkAgree->click();
        EXPECT_TRUE(form->cmdOK->isEnabled());
        EXPECT_TRUE(form->chkReadOnly->isVisible());
        form->chkReadOnly->setChecked(readOnly);
        return form;
    }
    // Presses OK on the upload window; `during` runs on the progress window
    // while it sends. Returns the texts the progress window ends with.
    QStringList upload(uploadform* form, const std::function<void(progress&)>& during = {}) {
        progress* p = form->progressWindow();
        QStringList end;
        QTimer poll;
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (during)
                during(*p);
            if (p->cmdOK->isVisible()) {
                poll.stop();
                end = {p->lblState->text(), p->lblStatus->text(), p->lblFileSize->text()};
                p->cmdOK->click();
            }
        });
        poll.start();
        QTimer::singleShot(60000, &poll, &QTimer::stop); // never longer than a minute
        form->cmdOK->click();
        return end;
    }
    ScriptServer m_script;
};

} // namespace

TEST_F(OnlineWindows, UploadThroughTheWindows) {
    FtpServer ftp(m_script, m_dir.filePath(u"ftp"_s));
    uploadform* form = openAndAgree(true);
    ASSERT_TRUE(form);
    // The server's terms are text, never markup.
    EXPECT_EQ(form->txtTos->toPlainText(), u"<b>Be nice</b>"_s);
    EXPECT_EQ(form->lblOK->text(),
              u"Press OK to start uploading '"_s + m_anchor->files().displayName() + u"'"_s);
    const QStringList end = upload(form);
    EXPECT_EQ(end.mid(0, 2), QStringList({u"Upload complete."_s, u"Not connected"_s}));
    EXPECT_TRUE(end.value(2).startsWith(u"File size: "_s) && end.value(2).endsWith(u" kb"_s));
    const QString out = m_dir.filePath(u"out"_s);
    package::unpackPackage(m_dir.filePath(u"ftp/KOA/upload/21/21.kof"_s), out);
    EXPECT_EQ(Database(out + u"/koa.kod"_s).scalar(u"SELECT status FROM header"_s).toInt(), 1);
    // The editor windows take input again.
    EXPECT_TRUE(set().window(shell::keys::Header)->isEnabled());
    EXPECT_TRUE(waitUntil([] { return !shownWindow<uploadform>(); }, 5000));
}

TEST_F(OnlineWindows, AbortAndRefusedChecks) {
    // Abort while a slow server takes a course large enough to be sending when Abort comes.
    FtpServer slow(m_script, m_dir.filePath(u"ftp"_s), 20 * 1024);
    QByteArray noise(400 * 1024, Qt::Uninitialized);
    QRandomGenerator(3).fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
    writeFile(m_anchor->files().folder().path(u"temp/pictures/big.png"_s), noise);
    course().exec(u"INSERT INTO pictures (name, filename) VALUES ('big', 'big.png')"_s);
    addLayout(database(), {u"pictures:big"_s});
    // Opened afresh, so that the windows hold the picture too.
    const QString big = m_dir.filePath(u"big.kof"_s);
    package::packFolder(m_anchor->files().folder().workingFolder(), big);
    start({big});
    uploadform* form = openAndAgree(false);
    ASSERT_TRUE(form);
    bool aborted = false;
    const QStringList end = upload(form, [&](progress& p) {
        if (!aborted && p.lblStatus->text() == u"Sending Request..."_s) {
            aborted = true;
            p.cmdAbort->click();
        }
    });
    EXPECT_TRUE(aborted) << end.join(u" | "_s).toStdString();
    EXPECT_EQ(end.value(0), u"Upload failed. Check your internet connection."_s);
    EXPECT_TRUE(waitUntil([] { return !shownWindow<uploadform>(); }, 5000));
    // A wrong password fails the user check, no FTP server the connection check;
    // agreeing stays out of reach.
    m_script.answers[u"login"_s] = "false";
    for (bool ftpUp : {true, false}) {
        m_scripted->clear();
        reach(m_script, ftpUp ? slow.port() : closedPort());
        form = open();
        ASSERT_TRUE(form);
        EXPECT_EQ(m_scripted->shown().value(0).text,
                  ftpUp ? u"User does not exist or wrong password. Check your user settings."_s
                        : u"Cannot connect to KOA ftp server. Check your internet connection."_s);
        EXPECT_EQ(form->chkConnection->isChecked(), ftpUp);
        EXPECT_FALSE(form->chkUser->isChecked() || form->chkAgree->isEnabled());
        form->cmdCancel->click();
    }
    m_errors.reports();
}

TEST_F(OnlineWindows, HelpSectionsAndAnnouncements) {
    set().window(shell::keys::Composer)->menuContents_Click();
    auto* help = shownWindow<koahelp>();
    ASSERT_TRUE(help);
    EXPECT_EQ(help->section->currentText(), u"Composer"_s);
    EXPECT_TRUE(help->helptext->toPlainText().startsWith(u"Composer"_s))
        << help->helptext->toPlainText().toStdString();
    for (const auto& [name, file] : koahelp::sections())
        EXPECT_FALSE(help->ReadFile(file).isEmpty()) << file.toStdString();

    // "true" alone: no announcements and no message.
    EXPECT_TRUE(help->readAnnouncements(u"true"_s));
    EXPECT_EQ(help->lstTitle->count() + m_scripted->shown().size(), 0);
    EXPECT_FALSE(help->readAnnouncements(u"false<vbCrLf>x"_s));
    EXPECT_EQ(m_scripted->shown().value(0).text,
              u"Connection failed.\r\nCheck the KOA online settings and/or your internet "
              "connection."_s);

    // The tab fetches them: dates cut to ten characters, bodies kept as sent,
    // an incomplete last group left out.
    m_script.answers[u"announcements"_s] = "true<vbCrLf>2024-05-01 10:00:00<vbCrLf>News & "
                                           "more<vbCrLf><b>Hi</b><vbCrLf>2024-06-02<vbCrLf>"
                                           "Two<vbCrLf>second<vbCrLf>2024";
    help->TabStrip1->setCurrentIndex(1);
    EXPECT_TRUE(help->FrameAnn->isVisible());
    EXPECT_EQ(itemsOf(help->lstTitle),
              (QStringList{u"2024-05-01 - News & more"_s, u"2024-06-02 - Two"_s}));
    EXPECT_EQ(help->bodies(), (QStringList{u"<b>Hi</b>"_s, u"second"_s}));
    EXPECT_EQ(help->lstTitle->currentRow(), 0);
    help->close();
}
