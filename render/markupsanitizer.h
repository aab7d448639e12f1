#pragma once

#include <QString>
#include <QVariant>

namespace koa::render {

// Stored text markup comes from course files that anyone may have written.
// Pages show it as HTML, so it is reduced to exactly what the text editor
// writes: the format tags b, i, em and strong, line breaks, character
// references and the four link forms with literal arguments. Anything else
// turns into text. Markup written by the editor comes out unchanged.
QString sanitizeMarkup(const QString& markup);

// A plain-text field of the course (a title, a caption, a module name) as
// HTML text: "<", ">" and an "&" that starts no numeric character reference
// are escaped, while the "<br>" line breaks, the numeric references that
// the store's text escaping writes and the "&nbsp;" of tab captions are kept.
QString htmlText(const QString& text);

// A stored number (a width, a height, the menu's scroll setting) as a
// number; a null or empty field stays empty, anything else that is no whole
// number becomes empty too.
QString numberText(const QVariant& field);

} // namespace koa::render
