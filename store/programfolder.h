#pragma once

#include <QString>

namespace koa {

// The program folder of a running program: a per-user root holding the
// working folder `temp`, `rescue`, `merge`, `upload`, `koaimporttemp` and
// `data/data.kod`, with links to the shipped read-only folders, so generated
// pages reach temp/, includes/ and skins/ through one base address.
class ProgramFolder {
public:
    ProgramFolder(QString root, QString shipped);

    // The XDG data folder's "koa" and the shipped data beside the executable
    // (build tree) or in the install prefix's share folder.
    static ProgramFolder forUser();
    static QString defaultRoot();
    static QString defaultShipped();

    // Creates the root, the settings database (first run) and the links.
    // Throws KoaError.
    void prepare() const;

    QString root() const { return m_root; }
    QString shipped() const { return m_shipped; }
    QString path(const QString& relative) const;

    QString workingFolder() const { return path(QStringLiteral("temp")); }
    QString workingDatabase() const { return path(QStringLiteral("temp/koa.kod")); }
    QString blankFolder() const { return path(QStringLiteral("blank_file")); }
    QString blankDatabase() const { return path(QStringLiteral("blank_file/koa.kod")); }
    QString rescueFolder() const { return path(QStringLiteral("rescue")); }
    QString importTempFolder() const { return path(QStringLiteral("koaimporttemp")); }
    QString openTempFolder() const { return path(QStringLiteral("koaopentemp")); }
    QString settingsDatabase() const { return path(QStringLiteral("data/data.kod")); }
    QString dummyPage() const { return path(QStringLiteral("data/dummy.htm")); }

private:
    QString m_root;
    QString m_shipped;
};

} // namespace koa
