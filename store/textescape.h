#pragma once

#include <QString>
#include <QVariant>

namespace koa {

// Free text that ends up between apostrophes in generated script, or in HTML.
// Each replaces the text it is given and returns the result.
QString ParseText(QString& text);
QString ParseLinefeeds(QString& text);
QString unParseText(QString& text);
// unParseText without turning "<br>" into a line break: for names, which
// hold none, so a name typed with "<br>" in it stays as typed.
QString unParseCharacters(QString& text);
// A page or document name as a stored link names it: "<" and ">" as
// references, which the link's attribute turns back into the name's own.
QString linkName(QString name);

// For stored fields: a null field reads as the empty text.
QString unParseText(const QVariant& field);

// Text boxes here break lines with LF alone, while the escaping above works
// on CR LF: these convert between the two.
QString withCrLf(const QString& textBoxText);
QString withLf(const QString& text);

} // namespace koa
