#pragma once

#include <QString>
#include <QStringList>

namespace koa {
class ProgramFolder;
}

namespace koa::render {

// The local files that pages may load: whole folders with everything below
// them, single files, and files kept closed although they lie in an allowed
// folder. A path counts by where it really leads, so a link inside an
// allowed folder never opens a file elsewhere. Nothing is allowed by default.
class Confinement {
public:
    // What the course pages of a program folder need: the working folder
    // without the course database, the shipped includes and skins,
    // data/dummy.htm and the private cache folder, where the generated pages
    // and the browser's own documents lie. Never the settings in data/.
    static Confinement forProgramFolder(const ProgramFolder& folder);

    Confinement& allowFolder(const QString& path);
    Confinement& allowFile(const QString& path);
    Confinement& keepClosed(const QString& path);

    // False for a file that does not exist: it could not be shown anyway.
    bool allows(const QString& localPath) const;

private:
    QStringList m_folders;
    QStringList m_files;
    QStringList m_closed;
};

} // namespace koa::render
