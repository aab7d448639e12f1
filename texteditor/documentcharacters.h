#pragma once

#include <QChar>
#include <QList>
#include <QTextCharFormat>

class QTextDocument;

namespace koa::texteditor {

// One character of a rich-text document with its format. Every line end,
// whether the document holds it as a paragraph or a line separator, is one
// '\n'; embedded objects, which the stored markup cannot hold, are left out.
struct Character {
    QChar ch;
    QTextCharFormat format;
    int position = 0; // in the document
};

// The characters from `from` up to `to` (the end when negative).
QList<Character> charactersOf(const QTextDocument& document, int from = 0, int to = -1);

} // namespace koa::texteditor
