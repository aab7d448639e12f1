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

// An Exec argument as desktop entries want it: quoted, with '"', '`', '$'
// and '\\' escaped inside the quotes and '%' doubled (no field code), and the
// whole then escaped as a string value.
QString quotedExecArgument(const QString& path) {
    QString quoted;
    for (const QChar c : path) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        else if (c == u'%')
            quoted += u'%';
        quoted += c;
    }
    QString value;
    for (const QChar c : u"\""_s + quoted + u"\""_s) {
        if (c == u'\\')
            value += u"\\\\"_s;
        else if (c == u'\n')
            value += u"\\n"_s;
        else if (c == u'\t')
            value += u"\\t"_s;
        else if (c == u'\r')
            value += u"\\r"_s;
        else
            value += c;
    }
    return value;
}

// The words of an Exec value as the desktop runs them: the string escapes
// undone first, then the quoting of each argument and the doubled '%'.
QStringList execArguments(const QString& value) {
    QString text;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != u'\\' || i + 1 == value.size()) {
            text += c;
            continue;
        }
        const QChar next = value[++i];
        text += next == u's'   ? u' '
                : next == u'n' ? u'\n'
                : next == u't' ? u'\t'
                : next == u'r' ? u'\r'
                               : next;
    }
    QStringList words;
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const bool escaped =
            i + 1 < text.size() && ((c == u'\\' && quoted) || (c == u'%' && text[i + 1] == u'%'));
        if (escaped) {
            word += text[++i];
            inWord = true;
        } else if (quoted) {
            if (c == u'"')
                quoted = false;
            else
                word += c;
        } else if (c == u'"') {
            quoted = inWord = true;
        } else if (c == u' ' || c == u'\t') {
            if (inWord)
                words.append(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.append(word);
    return words;
}

void installIcon(const QString& from, const QString& to) {
    QDir().mkpath(QFileInfo(to).absolutePath());
    QFile::remove(to);
    if (!QFile::copy(from, to))
        throw KoaError(errnum::PathFileAccess, u"Cannot install the icon "_s + to);
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

QString programIconFile() {
    return dataHome() + u"/icons/hicolor/scalable/apps/koa.svg"_s;
}
QString fileIconFile() {
    return dataHome() + u"/icons/hicolor/scalable/mimetypes/application-x-koa-file.svg"_s;
}

QString registeredCommand() {
    QFile f(desktopEntryFile());
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QTextStream in(&f);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.startsWith(u"Exec="_s))
            return execArguments(line.mid(5)).join(u' ');
    }
    return {};
}

void associateExtension(const QString& extension, const QString& programPath,
                        const QString& typeName, const QString& iconFolder) {
    if (extension.contains(u'.'))
        return;
    installIcon(iconFolder + u"/koa.svg"_s, programIconFile());
    installIcon(iconFolder + u"/application-x-koa-file.svg"_s, fileIconFile());
    writeText(mimePackageFile(),
              u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
              "  <mime-type type=\""_s +
                  KofMimeType + u"\">\n    <comment>"_s + typeName.toHtmlEscaped() +
                  u"</comment>\n"
                  "    <icon name=\"application-x-koa-file\"/>\n"
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
                                      "Icon=koa\n"
                                      "Categories=Education;Office;\n"
                                      "Terminal=false\n"_s);
    refresh(u"update-mime-database"_s, dataHome() + u"/mime"_s);
    refresh(u"update-desktop-database"_s, dataHome() + u"/applications"_s);
}

void CheckExtensions(const QString& programPath, const QString& iconFolder) {
    trap(u"fileselector / CheckExtensions()"_s, [&] {
        if (!registeredCommand().contains(programPath) || !QFileInfo::exists(programIconFile()) ||
            !QFileInfo::exists(fileIconFile()))
            associateExtension(u"kof"_s, programPath, u"KOA-file"_s, iconFolder);
    });
}

} // namespace koa::shell
