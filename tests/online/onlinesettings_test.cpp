#include "online/account.h"
#include "online/view/onlinesettings.h"
#include "store/database.h"
#include "store/schema.h"
#include "tests/support/testsupport.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using namespace koa;
using namespace koa::online;

TEST(OnlineSettingsWindow, ApplyOkAndCancel) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"data.kod"_s);
    schema::createSettingsDatabase(path, {u"Classic"_s});
    {
        onlineSettings window(path);
        EXPECT_EQ(window.windowTitle(), u"KOA online settings"_s);
        EXPECT_EQ(window.txtPassword->echoMode(), QLineEdit::Password);
        window.txtServer->setText(u"koa.test"_s);
        window.txtUser->setText(u"ann"_s);
        window.txtPassword->setText(u"secret"_s);
        window.cmdApply->click();
        window.txtUser->setText(u"bert"_s);
        window.cmdOK->click();
    }
    EXPECT_EQ(Database(path).rowCount(u"user"_s), 1);
    onlineSettings again(path);
    EXPECT_EQ(again.txtUser->text(), u"bert"_s);
    EXPECT_EQ(again.txtServer->text(), u"koa.test"_s);
    again.txtUser->setText(u"carl"_s);
    again.cmdCancel->click();
    EXPECT_EQ(readAccount(path).user, u"bert"_s);
}
