#include "escaping.h"

#include "store/coursepaths.h"

#include <QFile>

using namespace Qt::Literals::StringLiterals;

namespace koa::render {

namespace {

QString percentEncoded(const QString& text, bool keepSlash) {
    static const char hex[] = "0123456789ABCDEF";
    QString out;
    for (const char c : QFile::encodeName(text)) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                           (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' ||
                           byte == '_' || byte == '~' || (keepSlash && byte == '/');
        if (plain) {
            out += QLatin1Char(c);
        } else {
            out += u'%';
            out += QLatin1Char(hex[byte >> 4]);
            out += QLatin1Char(hex[byte & 0x0F]);
        }
    }
    return out;
}

void appendEscaped(QString& out, QChar c) {
    switch (c.unicode()) {
    case u'\\':
        out += u"\\\\"_s;
        break;
    case u'\'':
        out += u"\\'"_s;
        break;
    case u'\r':
        out += u"\\r"_s;
        break;
    case u'\n':
        out += u"\\n"_s;
        break;
    default:
        out += c;
    }
}

} // namespace

QString urlPath(const QString& path) {
    return percentEncoded(path, true);
}

QString urlName(const QString& name) {
    return percentEncoded(name, false);
}

QString plainFileName(const QString& name) {
    return isPlainFileName(name) ? name : QString();
}

QString scriptString(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (const QChar c : value)
        appendEscaped(out, c);
    return out;
}

QString markupScriptString(const QString& markup) {
    QString out;
    out.reserve(markup.size());
    for (qsizetype i = 0; i < markup.size(); ++i) {
        if (markup[i] == u'\\' && i + 1 < markup.size() && markup[i + 1] == u'\'') {
            out += u"\\'"_s;
            ++i;
        } else {
            appendEscaped(out, markup[i]);
        }
    }
    return out;
}

QString nestedScriptString(const QString& value) {
    // Innermost first: the handler's own string, then the attribute, then
    // the string that writes the attribute.
    // In the attribute a reference would turn into the character it names,
    // and "<" must not end the script block the outer string stands in.
    QString attribute = scriptString(value);
    attribute.replace(u'&', u"&amp;"_s);
    attribute.replace(u'"', u"&quot;"_s);
    attribute.replace(u'<', u"&lt;"_s);
    return scriptString(attribute);
}

} // namespace koa::render
