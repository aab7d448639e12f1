#include "online/account.h"
#include "online/view/onlinesettings.h"
#include "store/database.h"
#include "store/schema.h"
#include "tests/support/testsupport.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using namespace koa;
using namespace koa::online;

TEST(OnlineSettingsWindow, ApplyOkAndCancelOnTheOneRowOfAnOwnerOnlyFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"data.kod"_s);
    schema::createSettingsDatabase(path, {u"Classic"_s});
    {
        onlineSettings window(path);
        EXPECT_TRUE(window.txtServer->text().isEmpty()); // no account yet
        EXPECT_EQ(window.txtPassword->echoMode(), QLineEdit::Password);
        window.txtServer->setText(u"koa.test"_s);
        window.txtUser->setText(u"ann"_s);
        window.txtPassword->setText(u"p&w #2"_s);
        window.cmdApply->click();
        window.txtUser->setText(u"bert"_s);
        window.cmdOK->click();
    }
    EXPECT_EQ(Database(path).rowCount(u"user"_s), 1);
    // Owner only: the file holds the password.
    EXPECT_EQ(QFile::permissions(path) & 0x0ff, 0);
    EXPECT_TRUE(QFile::permissions(path) & QFile::ReadOwner);
    onlineSettings again(path);
    EXPECT_EQ(again.txtUser->text() + u'|' + again.txtPassword->text() + u'|' +
                  again.txtServer->text(),
              u"bert|p&w #2|koa.test"_s);
    again.txtUser->setText(u"carl"_s);
    again.cmdCancel->click();
    EXPECT_EQ(readAccount(path).user, u"bert"_s);
}
