#include "privateprogramfolder.h"

#include "consoleinteraction.h"
#include "store/errors.h"

#include <QFile>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace koa::tool {

PrivateProgramFolder::PrivateProgramFolder()
    : m_folder(m_dir.filePath(u"root"_s), ProgramFolder::defaultShipped()) {}

std::unique_ptr<PrivateProgramFolder> PrivateProgramFolder::make() {
    std::unique_ptr<PrivateProgramFolder> made(new PrivateProgramFolder);
    if (!made->m_dir.isValid()) {
        printError(u"cannot create a temporary folder: "_s + made->m_dir.errorString());
        return nullptr;
    }
    try {
        made->m_folder.prepare();
    } catch (const KoaError& e) {
        printError(u"cannot prepare a program folder: "_s + e.description());
        return nullptr;
    }
    return made;
}

bool PrivateProgramFolder::useTemplatesFrom(const QString& folder) const {
    for (const QString& name : {u"includes"_s, u"skins"_s}) {
        const QFileInfo target(folder + u"/"_s + name);
        if (!target.isDir()) {
            printError(folder + u" holds no folder "_s + name);
            return false;
        }
        // Only the link to the shipped folder goes; nothing of the user's.
        const QString link = m_folder.path(name);
        if (QFileInfo(link).isSymLink())
            QFile::remove(link);
        if (!QFile::link(target.absoluteFilePath(), link)) {
            printError(u"cannot link "_s + link + u" to "_s + target.absoluteFilePath());
            return false;
        }
    }
    return true;
}

} // namespace koa::tool
