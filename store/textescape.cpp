#include "textescape.h"

using namespace Qt::Literals::StringLiterals;

namespace koa {

QString ParseText(QString& text) {
    text.replace(u"'"_s, u"&#39;"_s);
    text.replace(u"\""_s, u"&#34;"_s);
    text.replace(u"<"_s, u"&#60;"_s);
    text.replace(u">"_s, u"&#62;"_s);
    return text;
}

QString ParseLinefeeds(QString& text) {
    text.remove(QChar(10));
    text.replace(QChar(12), u"<br>"_s);
    text.replace(QChar(13), u"<br>"_s);
    return text;
}

QString unParseCharacters(QString& text) {
    text.replace(u"&#39;"_s, u"'"_s);
    text.replace(u"&#34;"_s, u"\""_s);
    text.replace(u"&#60;"_s, u"<"_s);
    text.replace(u"&#62;"_s, u">"_s);
    return text;
}

QString linkName(QString name) {
    name.replace(u'<', u"&#60;"_s);
    name.replace(u'>', u"&#62;"_s);
    return name;
}

QString unParseText(QString& text) {
    unParseCharacters(text);
    text.replace(u"<br>"_s, u"\r\n"_s);
    return text;
}

QString unParseText(const QVariant& field) {
    QString text = field.isNull() ? QString() : field.toString();
    return unParseText(text);
}

QString withCrLf(const QString& textBoxText) {
    return withLf(textBoxText).replace(u'\n', u"\r\n"_s);
}

QString withLf(const QString& text) {
    QString lf = text;
    lf.replace(u"\r\n"_s, u"\n"_s);
    lf.replace(u'\r', u'\n');
    return lf;
}

} // namespace koa
