#pragma once

#include <QString>

namespace koa::render {

// Values from the course and from the system end up inside script string
// literals (between apostrophes), inside HTML attributes and inside
// addresses of generated pages. These keep a value from ending the literal or
// the attribute early; text that is already safe comes out unchanged.

// A file path as an address path: every byte of its file-system name except
// letters, digits, "-", ".", "_", "~" and "/" is percent-encoded, so an
// apostrophe, a blank or "#" in a folder name survives script, HTML and URL.
QString urlPath(const QString& path);
// One name (a skin, a media file) as one segment of such a path: "/" too is
// encoded.
QString urlName(const QString& name);

// A course's file lies in its own folder: a stored file name that would lead
// elsewhere names no file at all and comes out empty.
QString plainFileName(const QString& name);

// For a value inside a script string between apostrophes: backslash,
// apostrophe and line breaks are escaped, so "C:\users" stays a path and a
// stray apostrophe cannot end the string.
QString scriptString(const QString& value);
// The same for stored text markup, whose link handlers already hold the
// pair backslash-apostrophe on purpose: that pair is kept as it is.
QString markupScriptString(const QString& markup);
// A page name that becomes, in turn, a script string inside an onClick
// attribute in double quotes inside a script string.
QString nestedScriptString(const QString& value);

} // namespace koa::render
