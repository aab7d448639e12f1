#pragma once

#include <optional>

#include <QColor>
#include <QString>
#include <QTextCharFormat>

class QTextCursor;

namespace koa::texteditor {

// The font name of a character doubles as its format tag; these are the tags.
namespace tag {
inline const QString Normal = QStringLiteral("ms sans serif");
inline const QString Bold = QStringLiteral("b");
inline const QString Italic = QStringLiteral("i");
// Text made normal with the toolbar.
inline const QString Plain = QStringLiteral("n");
inline const QString Head1 = QStringLiteral("koa:head1");
inline const QString Head2 = QStringLiteral("koa:head2");
inline const QString Keyword = QStringLiteral("koa:keyword");
// "koa:" and the link's number in the link-target list.
QString link(int number);
} // namespace tag

// Colours as classic colour numbers: red + green * 256 + blue * 65536.
namespace colour {
inline constexpr int Normal = 0;
inline constexpr int External = 255;      // red
inline constexpr int Internal = 16576;    // red 192, green 64
inline constexpr int Keyword = 49152;     // green 192
inline constexpr int Document = 16711680; // blue 255
} // namespace colour

namespace size {
inline constexpr int Normal = 10;
inline constexpr int Head1 = 20;
inline constexpr int Head2 = 14;
} // namespace size

QColor colourFromValue(int value);
int valueOfColour(const QColor& colour);

// The tag is the first font family; a real family follows it, so that the
// tags, which name no installed font, still show readable text.
QString fontName(const QTextCharFormat& format);
void setFontName(QTextCharFormat& format, const QString& name);
// The number of a link tag ("koa:7" gives 7), if it is one.
std::optional<int> linkNumber(const QString& fontName);

// A character without a colour of its own counts as black (0).
int colourValue(const QTextCharFormat& format);
void setColourValue(QTextCharFormat& format, int value);
bool isBold(const QTextCharFormat& format);

// "ms sans serif", size 10, black, not bold, not italic, not underlined.
QTextCharFormat normalFormat();

// What the characters of a selection have in common: a property that differs
// between them is left out. Without a selection, the format at the caret.
QTextCharFormat commonFormat(const QTextCursor& selection);
// True when the selected characters carry more than one font name.
bool mixesFontNames(const QTextCursor& selection);

// Gives the selection the normal format.
void rtReset(QTextCursor& selection);
// Sets the typing format to the normal format.
void formatReset(QTextCharFormat& typing);

} // namespace koa::texteditor
