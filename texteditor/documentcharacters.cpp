#include "documentcharacters.h"

#include <QTextBlock>
#include <QTextDocument>

namespace koa::texteditor {

QList<Character> charactersOf(const QTextDocument& document, int from, int to) {
    if (to < 0)
        to = document.characterCount() - 1; // the last paragraph separator is not text
    QList<Character> out;
    for (QTextBlock block = document.findBlock(from); block.isValid() && block.position() <= to;
         block = block.next()) {
        // The separator that ends the previous block carries the format that
        // the block reports as its own character format.
        const int separator = block.position() - 1;
        if (separator >= from && separator < to && block != document.begin())
            out.append({u'\n', block.charFormat(), separator});
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QString text = fragment.text();
            for (qsizetype k = 0; k < text.size(); ++k) {
                const int position = fragment.position() + int(k);
                if (position < from || position >= to)
                    continue;
                QChar ch = text.at(k);
                if (ch == QChar::ObjectReplacementCharacter)
                    continue;
                if (ch == QChar::LineSeparator || ch == QChar::ParagraphSeparator || ch == u'\n' ||
                    ch == u'\r')
                    ch = u'\n';
                out.append({ch, fragment.charFormat(), position});
            }
        }
    }
    return out;
}

} // namespace koa::texteditor
