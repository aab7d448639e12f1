#pragma once

#include <QPlainTextEdit>
#include <QString>
#include <QValidator>

namespace koa::shell {

// Names and free texts end up in script strings between apostrophes, so
// text boxes keep apostrophes and double quotes out, typed or pasted.
bool isQuote(QChar c);
QString withoutQuotes(QString text);

// For line edits: drops quotes from whatever is typed, pasted or dropped.
class QuoteFreeValidator : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};

// A multi-line box that drops quotes from pasted or dropped text; typed
// ones are filtered by the window's key filter.
class QuoteFreeTextEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    using QPlainTextEdit::QPlainTextEdit;

protected:
    void insertFromMimeData(const QMimeData* source) override;
};

} // namespace koa::shell
