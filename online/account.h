#pragma once

#include <QString>

namespace koa::online {

// The account row (table `user`) of the settings database.
struct Account {
    QString user;
    QString password;
    QString server; // bare domain name
};

// The first row; an empty account when there is none. Throws KoaError.
Account readAccount(const QString& settingsDatabase);
// Writes the one row (adds it when the table is empty, else edits the first)
// and keeps the database readable by the user alone, as it holds the
// password. Throws KoaError.
void saveAccount(const QString& settingsDatabase, const Account& account);

// The two base addresses made from the server setting; both empty when the
// server is.
struct BaseDirs {
    QString http; // "http://www." + server + "/koa_upload.asp?"
    QString ftp;  // "ftp://" + server
    static BaseDirs SetBaseDirs(const QString& server);
};

// The fixed FTP account of the publishing server.
inline constexpr char16_t FtpUser[] = u"koa_upload";
inline constexpr char16_t FtpPassword[] = u"pum8welsa4";

} // namespace koa::online
