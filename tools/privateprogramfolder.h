#pragma once

#include "store/programfolder.h"

#include <memory>

#include <QString>
#include <QTemporaryDir>

namespace koa::tool {

// A program folder of the tool's own in a fresh temporary directory, removed
// with it, so no command ever reads or writes the user's program folder.
class PrivateProgramFolder {
public:
    // Prints why and returns nullptr when it cannot be made.
    static std::unique_ptr<PrivateProgramFolder> make();

    const ProgramFolder& folder() const { return m_folder; }
    // A place beside the program folder for private copies.
    QString scratch(const QString& name) const { return m_dir.filePath(name); }
    // Reads includes/ and skins/ from `folder` instead of the shipped ones,
    // for authors who check their own templates. Prints why and returns
    // false when it cannot.
    bool useTemplatesFrom(const QString& folder) const;

private:
    PrivateProgramFolder();

    QTemporaryDir m_dir;
    ProgramFolder m_folder;
};

} // namespace koa::tool
