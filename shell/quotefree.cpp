#include "quotefree.h"

#include <QMimeData>

namespace koa::shell {

bool isQuote(QChar c) {
    return c == u'"' || c == u'\'';
}

QString withoutQuotes(QString text) {
    text.remove(u'"');
    text.remove(u'\'');
    return text;
}

QValidator::State QuoteFreeValidator::validate(QString& input, int& pos) const {
    for (qsizetype i = input.size() - 1; i >= 0; --i) {
        if (isQuote(input[i])) {
            input.remove(i, 1);
            if (i < pos)
                --pos;
        }
    }
    return Acceptable;
}

void QuoteFreeTextEdit::insertFromMimeData(const QMimeData* source) {
    insertPlainText(withoutQuotes(source->text()));
}

} // namespace koa::shell
