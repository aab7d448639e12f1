#include "prerequisites.h"

#include <QFileInfo>
#include <QLibrary>
#include <QLibraryInfo>
#include <QtWebEngineCore/qtwebenginecoreglobal.h>

using namespace Qt::Literals::StringLiterals;

namespace koa::shell {

int majorVersion(const QString& versionText) {
    const QString head = versionText.section(u'.', 0, 0).trimmed();
    bool ok = false;
    const int major = head.toInt(&ok);
    return ok ? major : 0;
}

int GetIEVersion() {
    // The engine library is linked; the helper process that renders is a
    // separate install and may be missing.
    QString helper = qEnvironmentVariable("QTWEBENGINEPROCESS_PATH");
    if (helper.isEmpty())
        helper =
            QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath) + u"/QtWebEngineProcess"_s;
    if (!QFileInfo(helper).isExecutable())
        return 0;
    return majorVersion(QString::fromLatin1(qWebEngineChromiumVersion()));
}

int GetWMPVersion() {
    QLibrary gst(u"gstreamer-1.0"_s, 0);
    using VersionFn = void (*)(unsigned*, unsigned*, unsigned*, unsigned*);
    auto version = reinterpret_cast<VersionFn>(gst.resolve("gst_version"));
    if (!version)
        return 0;
    unsigned major = 0, minor = 0, micro = 0, nano = 0;
    version(&major, &minor, &micro, &nano);
    return static_cast<int>(major);
}

int GetFlashVersion(const QString& programFolder) {
    // Flash content plays through the Ruffle player shipped with the templates.
    return QFileInfo::exists(programFolder + u"/includes/ruffle/ruffle.js"_s) ? 10 : 0;
}

Prerequisites Prerequisites::ofThisSystem(const QString& programFolder) {
    return {&GetIEVersion, &GetWMPVersion, [programFolder] {
                return GetFlashVersion(programFolder);
            }};
}

} // namespace koa::shell
