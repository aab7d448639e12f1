#pragma once

#include <QString>

namespace koa::composer {

// Texts of the composer's lists and choosers.
inline const QString NoNamePage = QStringLiteral("(Unnamed page)");
inline const QString EndOfProject = QStringLiteral("[END OF PROJECT]");
inline const QString EndOfModule = QStringLiteral("[END OF MODULE]");
inline const QString NoSound = QStringLiteral("No sound");
// The key of the closing row of both lists.
inline const QString LastKey = QStringLiteral("last");

// Row type keys besides the object tables.
namespace rowtypes {
inline const QString Modules = QStringLiteral("modules");
inline const QString Pages = QStringLiteral("pages");
inline const QString Sounds = QStringLiteral("sounds");
inline const QString Linebreak = QStringLiteral("linebreak");
inline const QString HorizontalLine = QStringLiteral("horizontalline");
} // namespace rowtypes

inline constexpr int MaxModuleName = 50;

// The module name made from the answer to "Name your new module.": its first
// 50 characters without apostrophes and double quotes, which would end the
// strings that names are written into; empty when only blanks are left.
QString moduleNameFromAnswer(const QString& answer);
// Module and page names are unique without regard to case.
bool sameName(const QString& a, const QString& b);
// A page name box that holds no name: empty, blanks or "(Unnamed page)" in any case.
bool isUnnamed(const QString& typed);

// The tab caption as stored (every blank as "&nbsp;") and as shown.
QString storedTab(const QString& shown);
QString shownTab(const QString& stored);

// Object tables whose rows can be placed on a page.
bool isPlaceable(const QString& type);

int twipsToPixels(int twips);
// Column widths in pixels for a list of `rows` rows; the narrow ones leave
// room for the vertical scroll bar.
int pageColumnWidth(int rows);
int objectColumnWidth(int rows);

} // namespace koa::composer
