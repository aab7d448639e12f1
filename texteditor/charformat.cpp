#include "charformat.h"

#include "documentcharacters.h"
#include "store/errors.h"

#include <QTextCursor>

using namespace Qt::Literals::StringLiterals;

namespace koa::texteditor {

namespace {
// Fontconfig and Qt both resolve the generic name to the desktop's sans font.
const QString DisplayFamily = u"sans-serif"_s;

QList<Character> selectedCharacters(const QTextCursor& selection) {
    const QTextDocument* document = selection.document();
    if (!document)
        return {};
    return charactersOf(*document, selection.selectionStart(), selection.selectionEnd());
}
} // namespace

QString tag::link(int number) {
    return u"koa:"_s + QString::number(number);
}

QColor colourFromValue(int value) {
    return QColor(value & 0xff, (value >> 8) & 0xff, (value >> 16) & 0xff);
}

int valueOfColour(const QColor& colour) {
    return colour.red() + colour.green() * 256 + colour.blue() * 65536;
}

QString fontName(const QTextCharFormat& format) {
    return format.property(QTextFormat::FontFamilies).toStringList().value(0);
}

void setFontName(QTextCharFormat& format, const QString& name) {
    format.setFontFamilies({name, DisplayFamily});
}

std::optional<int> linkNumber(const QString& fontName) {
    if (!fontName.startsWith(u"koa:"_s))
        return std::nullopt;
    bool ok = false;
    const int number = fontName.mid(4).toInt(&ok);
    if (!ok)
        return std::nullopt;
    return number;
}

int colourValue(const QTextCharFormat& format) {
    const QBrush brush = format.foreground();
    if (brush.style() == Qt::NoBrush)
        return colour::Normal;
    return valueOfColour(brush.color());
}

void setColourValue(QTextCharFormat& format, int value) {
    format.setForeground(colourFromValue(value));
}

bool isBold(const QTextCharFormat& format) {
    return format.fontWeight() >= QFont::DemiBold;
}

QTextCharFormat normalFormat() {
    QTextCharFormat format;
    setFontName(format, tag::Normal);
    format.setFontPointSize(size::Normal);
    setColourValue(format, colour::Normal);
    format.setFontWeight(QFont::Normal);
    format.setFontItalic(false);
    format.setFontUnderline(false);
    return format;
}

QTextCharFormat commonFormat(const QTextCursor& selection) {
    if (!selection.hasSelection())
        return selection.charFormat();
    const QList<Character> characters = selectedCharacters(selection);
    if (characters.isEmpty())
        return selection.charFormat();
    QTextCharFormat common = characters.front().format;
    for (const Character& c : characters) {
        const QMap<int, QVariant> properties = common.properties();
        for (auto it = properties.cbegin(); it != properties.cend(); ++it) {
            if (c.format.property(it.key()) != it.value())
                common.clearProperty(it.key());
        }
    }
    return common;
}

bool mixesFontNames(const QTextCursor& selection) {
    const QList<Character> characters = selectedCharacters(selection);
    for (const Character& c : characters) {
        if (fontName(c.format) != fontName(characters.front().format))
            return true;
    }
    return false;
}

void rtReset(QTextCursor& selection) {
    trap(u"texteditor / rtReset()"_s, [&] { selection.setCharFormat(normalFormat()); });
}

void formatReset(QTextCharFormat& typing) {
    trap(u"texteditor / formatReset()"_s, [&] { typing = normalFormat(); });
}

} // namespace koa::texteditor
