#include "richtextfield.h"

#include "charformat.h"
#include "documentcharacters.h"
#include "linktargets.h"

#include <memory>

#include <QJsonArray>
#include <QJsonDocument>
#include <QMap>
#include <QMimeData>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

using namespace Qt::Literals::StringLiterals;

namespace koa::texteditor {

namespace {
// The targets of the copied text's links, by number: a JSON array of texts.
const QString LinkTargetsFormat = u"application/x-koa-link-targets"_s;
} // namespace

RichTextField::RichTextField(QWidget* parent) : QTextEdit(parent) {}

QMimeData* RichTextField::createMimeDataFromSelection() const {
    // The field's own data lists only the formats it makes itself.
    const std::unique_ptr<QMimeData> made(QTextEdit::createMimeDataFromSelection());
    auto* data = new QMimeData;
    if (made) {
        for (const QString& format : made->formats())
            data->setData(format, made->data(format));
    }
    if (m_targets) {
        QJsonArray targets;
        for (int number = 1; number <= m_targets->count(); ++number)
            targets.append(m_targets->at(number).value_or(QString()));
        data->setData(LinkTargetsFormat, QJsonDocument(targets).toJson(QJsonDocument::Compact));
    }
    return data;
}

void RichTextField::insertFromMimeData(const QMimeData* source) {
    if (!source->hasHtml()) {
        QTextEdit::insertFromMimeData(source);
        return;
    }
    QTextDocument pasted;
    QTextCursor(&pasted).insertFragment(
        QTextDocumentFragment::fromHtml(source->html(), document()));

    QStringList sourceTargets;
    for (const QJsonValue& target :
         QJsonDocument::fromJson(source->data(LinkTargetsFormat)).array())
        sourceTargets << target.toString();
    QMap<int, int> renumbered; // a pasted link's number -> its entry here

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
        if (const std::optional<int> number = linkNumber(fontName(c.format))) {
            // A link whose target did not come along becomes plain text.
            if (!m_targets || *number < 1 || *number > sourceTargets.size()) {
                c.format = normalFormat();
            } else {
                auto entry = renumbered.find(*number);
                if (entry == renumbered.end())
                    entry = renumbered.insert(
                        *number, m_targets->addLinkArray(sourceTargets.at(*number - 1)));
                setFontName(c.format, tag::link(*entry));
            }
        }
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
