#include "coursepaths.h"

#include "objectkinds.h"

#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace koa {

bool isPlainFileName(const QString& name) {
    return !name.isEmpty() && name != u"."_s && name != u".."_s && !name.contains(u'/') &&
           !name.contains(u'\\') && !name.contains(QChar(0));
}

QString fileInFolder(const QString& folder, const QString& name) {
    if (!isPlainFileName(name) || folder.isEmpty())
        return {};
    const QString path = folder + u'/' + name;
    const QFileInfo file(path);
    // A link in the folder may only point at another file of the same folder.
    if (file.isSymLink() || file.exists()) {
        const QString real = file.canonicalFilePath();
        const QString realFolder = QFileInfo(folder).canonicalFilePath();
        if (real.isEmpty() || realFolder.isEmpty() || QFileInfo(real).path() != realFolder)
            return {};
    }
    return path;
}

QString fileFolderOf(const QString& table) {
    const std::optional<ObjectKind> kind = kindOfTable(table);
    return kind ? kindInfo(*kind).folder : QString();
}

QString courseFilePath(const QString& courseFolder, const QString& table, const QString& name) {
    const QString sub = fileFolderOf(table);
    if (sub.isEmpty())
        return {};
    // The file folder itself is the course's own, not a link to somewhere else.
    const QString folder = courseFolder + u'/' + sub;
    if (QFileInfo(folder).isSymLink())
        return {};
    return fileInFolder(folder, name);
}

} // namespace koa
