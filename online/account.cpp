#include "account.h"

#include "store/database.h"

#include <QFile>

using namespace Qt::Literals::StringLiterals;

namespace koa::online {

Account readAccount(const QString& settingsDatabase) {
    Database db(settingsDatabase, Database::Mode::ReadOnly);
    QSqlQuery q = db.exec(u"SELECT user, password, server FROM user LIMIT 1"_s);
    Account a;
    if (q.next()) {
        a.user = q.value(0).toString();
        a.password = q.value(1).toString();
        a.server = q.value(2).toString();
    }
    return a;
}

void saveAccount(const QString& settingsDatabase, const Account& account) {
    QFile::setPermissions(settingsDatabase, QFile::ReadOwner | QFile::WriteOwner);
    Database db(settingsDatabase);
    const QVariant first = db.scalar(u"SELECT rowid FROM user ORDER BY rowid LIMIT 1"_s);
    const QVariantList values = {account.user, account.password, account.server};
    if (first.isValid())
        db.exec(u"UPDATE user SET user = ?, password = ?, server = ? WHERE rowid = ?"_s,
                values + QVariantList{first});
    else
        db.exec(u"INSERT INTO user (user, password, server) VALUES (?, ?, ?)"_s, values);
}

BaseDirs BaseDirs::SetBaseDirs(const QString& server) {
    if (server.isEmpty())
        return {};
    return {u"http://www."_s + server + u"/koa_upload.asp?"_s, u"ftp://"_s + server};
}

} // namespace koa::online
