#include "privateprogramfolder.h"

#include "consoleinteraction.h"
#include "store/errors.h"

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

} // namespace koa::tool
