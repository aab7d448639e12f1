#include "richtextfield.h"

#include "documentcharacters.h"

#include <QMimeData>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

namespace koa::texteditor {

RichTextField::RichTextField(QWidget* parent) : QTextEdit(parent) {}

void RichTextField::insertFromMimeData(const QMimeData* source) {
    if (!source->hasHtml()) {
        QTextEdit::insertFromMimeData(source);
        return;
    }
    QTextDocument pasted;
    QTextCursor(&pasted).insertFragment(
        QTextDocumentFragment::fromHtml(source->html(), document()));

    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    QString run;
    QTextCharFormat runFormat;
    auto flush = [&] {
        if (!run.isEmpty())
            cursor.insertText(run, runFormat);
        run.clear();
    };
    for (Character c : charactersOf(pasted)) {
        // Links of web pages would otherwise stay clickable anchors.
        c.format.clearProperty(QTextFormat::IsAnchor);
        c.format.clearProperty(QTextFormat::AnchorHref);
        c.format.clearProperty(QTextFormat::AnchorName);
        c.format.clearProperty(QTextFormat::ObjectType);
        if (c.format != runFormat)
            flush();
        runFormat = c.format;
        run += c.ch;
    }
    flush();
    cursor.endEditBlock();
    setTextCursor(cursor);
    ensureCursorVisible();
}

} // namespace koa::texteditor
