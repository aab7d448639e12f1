#include "fileassociation.h"

#include "store/errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>

using namespace Qt::Literals::StringLiterals;

namespace koa::shell {

namespace {
QString dataHome() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

void writeText(const QString& path, const QString& text) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        throw KoaError(errnum::PathFileAccess, u"Cannot write "_s + path);
    if (f.write(text.toUtf8()) < 0 || !f.flush())
        throw KoaError(errnum::DiskFull, u"Cannot write "_s + path);
}

// An Exec argument quoted as desktop entries want it.
QString quotedExecArgument(const QString& path) {
    QString quoted;
    for (const QChar c : path) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    quoted.replace(u"\\"_s, u"\\\\"_s); // string-level escaping of the whole value
    return u"\""_s + quoted + u"\""_s;
}

void refresh(const QString& program, const QString& folder) {
    const QString found = QStandardPaths::findExecutable(program);
    if (!found.isEmpty()) // runs on its own: the window thread does not wait for it
        QProcess::startDetached(found, {folder});
}
} // namespace

QString mimePackageFile() {
    return dataHome() + u"/mime/packages/koa-kof.xml"_s;
}
QString desktopEntryFile() {
    return dataHome() + u"/applications/koa.desktop"_s;
}

QString registeredCommand() {
    QFile f(desktopEntryFile());
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QTextStream in(&f);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.startsWith(u"Exec="_s))
            return line.mid(5);
    }
    return {};
}

void associateExtension(const QString& extension, const QString& programPath,
                        const QString& typeName) {
    if (extension.contains(u'.'))
        return;
    writeText(mimePackageFile(),
              u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
              "  <mime-type type=\""_s +
                  KofMimeType + u"\">\n    <comment>"_s + typeName.toHtmlEscaped() +
                  u"</comment>\n"
                  "    <magic priority=\"60\">\n"
                  "      <match type=\"string\" offset=\"0\" value=\"KO\\x03\\x04\"/>\n"
                  "    </magic>\n"
                  "    <glob pattern=\"*."_s +
                  extension + u"\"/>\n  </mime-type>\n</mime-info>\n"_s);
    writeText(desktopEntryFile(), u"[Desktop Entry]\n"
                                  "Type=Application\n"
                                  "Name=KOA\n"
                                  "GenericName=Course authoring\n"
                                  "Comment=Author interactive training courses\n"
                                  "Exec="_s +
                                      quotedExecArgument(programPath) +
                                      u" %f\n"
                                      "MimeType="_s +
                                      KofMimeType +
                                      u";\n"
                                      "Categories=Education;Office;\n"
                                      "Terminal=false\n"_s);
    refresh(u"update-mime-database"_s, dataHome() + u"/mime"_s);
    refresh(u"update-desktop-database"_s, dataHome() + u"/applications"_s);
}

void CheckExtensions(const QString& programPath) {
    trap(u"fileselector / CheckExtensions()"_s, [&] {
        if (!registeredCommand().contains(programPath))
            associateExtension(u"kof"_s, programPath, u"KOA-file"_s);
    });
}

} // namespace koa::shell
