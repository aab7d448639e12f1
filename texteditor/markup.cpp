#include "markup.h"

#include "charformat.h"
#include "documentcharacters.h"
#include "store/errors.h"
#include "store/textescape.h"

#include <QScopeGuard>
#include <QTextCursor>
#include <QTextDocument>

using namespace Qt::Literals::StringLiterals;

namespace koa::texteditor {

namespace {

enum class LinkKind { External, Internal, Keyword, Document };

// How each kind of link is written. The backslashes are part of the markup:
// pages place it inside a script string delimited by apostrophes.
struct LinkSyntax {
    LinkKind kind;
    QChar type;
    int colour;
    QString call;    // the script call up to the target
    QString opening; // the end of `call`, which the loader looks for
    QString closing; // from the end of the target to the link text
    QString end;     // after the link text
};

const QList<LinkSyntax>& linkSyntaxes() {
    static const QList<LinkSyntax> syntaxes = {
        {LinkKind::External, u'e', colour::External, u"parent.engine.xgo(\\'"_s, u"xgo(\\'"_s,
         u"\\');\"><cite>"_s, u"</cite></a>"_s},
        {LinkKind::Internal, u'i', colour::Internal, u"parent.engine.go(\\'"_s, u"go(\\'"_s,
         u"\\');\">"_s, u"</a>"_s},
        {LinkKind::Keyword, u'k', colour::Keyword, u"parent.engine.keyword(\\'"_s, u"rd(\\'"_s,
         u"\\');\"><dfn>"_s, u"</dfn></a>"_s},
        {LinkKind::Document, u'd', colour::Document, u"parent.engine.dlink(\\'"_s, u"nk(\\'"_s,
         u"\\');\"><code>"_s, u"</code></a>"_s},
    };
    return syntaxes;
}

const LinkSyntax* syntaxForColour(int value) {
    for (const LinkSyntax& s : linkSyntaxes()) {
        if (s.colour == value)
            return &s;
    }
    return nullptr;
}

// What a link made with the toolbar points at until the author chooses.
QString placeholderTarget(LinkKind kind) {
    switch (kind) {
    case LinkKind::External:
        return u"http://"_s;
    case LinkKind::Internal:
        return u"ilink"_s;
    case LinkKind::Document:
        return u"dlink"_s;
    case LinkKind::Keyword:
        break;
    }
    return {};
}

// An address stands in a script string inside an attribute of the page:
// the characters that could end either are percent-encoded, which leaves
// the address the browser opens as it was.
QString storedAddress(QString address) {
    address.replace(u'\\', u"%5C"_s);
    address.replace(u'\'', u"%27"_s);
    address.replace(u'"', u"%22"_s);
    address.replace(u'<', u"%3C"_s);
    address.replace(u'>', u"%3E"_s);
    return address;
}

// Outside spans a double quote stays as it is.
QString plainCharacter(QChar c) {
    if (c == u'<')
        return u"&#60;"_s;
    if (c == u'>')
        return u"&#62;"_s;
    if (c == u'\'')
        return u"&#39;"_s;
    return QString(c);
}

QString textOf(const QList<Character>& characters, qsizetype from, qsizetype to) {
    QString text;
    for (qsizetype k = from; k < to; ++k)
        text += characters.at(k).ch;
    return text;
}

QString spanText(const QList<Character>& characters, qsizetype from, qsizetype to) {
    QString text = textOf(characters, from, to);
    ParseText(text);
    return text.replace(u'\n', u"<br>"_s);
}

// In every run of blanks the first stays a blank and each following one is
// written "&nbsp;", so that pages keep the spacing.
QString withNonBreakingRuns(const QString& html) {
    QString out;
    out.reserve(html.size());
    for (qsizetype k = 0; k < html.size();) {
        if (html.at(k) != u' ') {
            out += html.at(k++);
            continue;
        }
        out += u' ';
        for (++k; k < html.size() && html.at(k) == u' '; ++k)
            out += u"&nbsp;"_s;
    }
    return out;
}

} // namespace

QString longLinkMessage(int count) {
    return u"There are "_s + QString::number(count) + u" link(s) longer than "_s +
           QString::number(MaxLinkLength) + u" characters. Formatting will be set to normal."_s;
}

Markup::Markup(KeywordSink keywords) : m_keywords(std::move(keywords)) {}

QString Markup::rtf2html(QTextDocument& document, bool& ok, int& longLinks) {
    ok = true;
    longLinks = 0;
    QString html;
    const bool converted = trap(u"texteditor / rtf2html()"_s, [&] {
        const QList<Character> characters = charactersOf(document);
        const qsizetype n = characters.size();
        QList<std::pair<int, int>> refused; // document ranges of links that are too long
        qsizetype i = 0;
        // A span runs from i while its characters keep the attribute.
        auto span = [&](const auto& has, const QString& open, const QString& close) {
            qsizetype j = i + 1;
            while (j < n && has(characters.at(j).format))
                ++j;
            html += open + spanText(characters, i, j) + close;
            i = j;
        };
        auto named = [](const QString& name) {
            return [name](const QTextCharFormat& f) {
                return fontName(f) == name;
            };
        };
        while (i < n) {
            const Character& c = characters.at(i);
            const QString name = fontName(c.format);
            const LinkSyntax* link =
                name.startsWith(u"koa"_s) ? syntaxForColour(colourValue(c.format)) : nullptr;
            if (c.ch == u'\n') {
                html += u"<br>"_s;
                ++i;
            } else if (isBold(c.format)) {
                span(isBold, u"<b>"_s, u"</b>"_s);
            } else if (c.format.fontItalic()) {
                span([](const QTextCharFormat& f) { return f.fontItalic(); }, u"<i>"_s, u"</i>"_s);
            } else if (name == tag::Head1) {
                span(named(tag::Head1), u"<em>"_s, u"</em>"_s);
            } else if (name == tag::Head2) {
                span(named(tag::Head2), u"<strong>"_s, u"</strong>"_s);
            } else if (!link) {
                html += plainCharacter(c.ch);
                ++i;
            } else {
                // Neighbouring links of one kind become one, with the first one's target.
                qsizetype j = i + 1;
                while (j < n && characters.at(j).ch.unicode() >= 32 &&
                       fontName(characters.at(j).format).startsWith(u"koa"_s) &&
                       colourValue(characters.at(j).format) == link->colour)
                    ++j;
                QString text = textOf(characters, i, j);
                if (text.size() > MaxLinkLength) {
                    ++longLinks;
                    refused.append({c.position, characters.at(j - 1).position + 1});
                } else {
                    ParseText(text);
                    QString target = text;
                    if (link->kind == LinkKind::Keyword) {
                        if (m_keywords)
                            m_keywords(text);
                    } else {
                        // A number the list does not hold (text pasted from
                        // another window) keeps the link with the placeholder.
                        const std::optional<int> number = linkNumber(name);
                        target = (number ? m_targets.at(*number) : std::nullopt)
                                     .value_or(placeholderTarget(link->kind));
                        target = link->kind == LinkKind::External ? storedAddress(target)
                                                                  : linkName(target);
                    }
                    html += u"<a type="_s + link->type + u" href=javascript:void(0); onclick=\""_s +
                            link->call + target + link->closing + text + link->end;
                }
                i = j;
            }
        }
        if (!refused.isEmpty()) {
            QTextCursor cursor(&document);
            cursor.beginEditBlock();
            for (const auto& [from, to] : refused) {
                cursor.setPosition(from);
                cursor.setPosition(to, QTextCursor::KeepAnchor);
                rtReset(cursor);
            }
            cursor.endEditBlock();
        }
        html.remove(u'\r');
        html.remove(u'\n');
        html = withNonBreakingRuns(html);
    });
    if (!converted || longLinks > 0)
        ok = false;
    return html;
}

bool Markup::html2rtf(QTextDocument& document, const QString& stored) {
    // Loading a text is not an edit the author could undo.
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    const auto restore = qScopeGuard([&] { document.setUndoRedoEnabled(undo); });

    return trap(u"texteditor / html2rtf()"_s, [&] {
        document.clear();
        QTextCursor cursor(&document);
        cursor.setCharFormat(normalFormat());
        QString s = stored;
        s.replace(u"<br>"_s, u"\n"_s);
        s.replace(u"&nbsp;"_s, u" "_s);
        m_targets.clear();

        const qsizetype len = s.size();
        // The text from `from` up to the next "<" or the end, and where it ends.
        auto contentFrom = [&](qsizetype from) {
            qsizetype end = s.indexOf(u'<', from);
            if (end < 0)
                end = len;
            // Line breaks are taken out before: an escaped "<br>" typed as
            // text stays text.
            QString content = s.mid(from, end - from);
            return std::pair{unParseCharacters(content), end};
        };
        // Inserts a span's content behind `open`; returns where reading goes on,
        // which may lie beyond the end when the closing tag is missing.
        auto insertSpan = [&](qsizetype p, const QString& open, qsizetype closeLength,
                              const QTextCharFormat& format) {
            const auto [content, end] = contentFrom(p + 1 + open.size());
            cursor.insertText(content, format);
            return end + closeLength;
        };
        // Reads a link behind "<a type=x"; nullopt when its opening or closing
        // text is missing, so that the "<" is dropped like any unknown tag.
        auto insertLink = [&](qsizetype p, const LinkSyntax& syntax) -> std::optional<qsizetype> {
            qsizetype tagEnd = s.indexOf(u'>', p);
            if (tagEnd < 0)
                tagEnd = len;
            const qsizetype opening = s.indexOf(syntax.opening, p);
            if (opening < 0 || opening >= tagEnd)
                return std::nullopt;
            const qsizetype targetStart = opening + syntax.opening.size();
            const qsizetype closing = s.indexOf(syntax.closing, targetStart);
            if (closing < 0)
                return std::nullopt;
            const QString target = s.mid(targetStart, closing - targetStart);
            const auto [content, end] = contentFrom(closing + syntax.closing.size());
            QTextCharFormat format = normalFormat();
            format.setFontUnderline(true);
            setColourValue(format, syntax.colour);
            setFontName(format, syntax.kind == LinkKind::Keyword
                                    ? tag::Keyword
                                    : tag::link(m_targets.addLinkArray(target)));
            cursor.insertText(content, format);
            return end + syntax.end.size();
        };

        QTextCharFormat bold = normalFormat();
        bold.setFontWeight(QFont::Bold);
        setFontName(bold, tag::Bold);
        QTextCharFormat italic = normalFormat();
        italic.setFontItalic(true);
        setFontName(italic, tag::Italic);
        QTextCharFormat head1 = normalFormat();
        head1.setFontPointSize(size::Head1);
        setFontName(head1, tag::Head1);
        QTextCharFormat head2 = normalFormat();
        head2.setFontPointSize(size::Head2);
        setFontName(head2, tag::Head2);

        qsizetype p = 0;
        while (p < len) {
            if (s.at(p) != u'<') {
                const auto [content, end] = contentFrom(p);
                cursor.insertText(content, normalFormat());
                p = end;
                continue;
            }
            const QStringView rest = QStringView(s).mid(p + 1);
            const LinkSyntax* link = nullptr;
            for (const LinkSyntax& syntax : linkSyntaxes()) {
                if (rest.startsWith(QString(u"a type="_s + syntax.type)))
                    link = &syntax;
            }
            if (rest.startsWith(u"b>"_s)) {
                p = insertSpan(p, u"b>"_s, 4, bold);
            } else if (rest.startsWith(u"i>"_s)) {
                p = insertSpan(p, u"i>"_s, 4, italic);
            } else if (rest.startsWith(u"em>"_s)) {
                p = insertSpan(p, u"em>"_s, 5, head1);
            } else if (rest.startsWith(u"strong>"_s)) {
                p = insertSpan(p, u"strong>"_s, 9, head2);
            } else if (const auto next = link ? insertLink(p, *link) : std::nullopt) {
                p = *next;
            } else {
                ++p; // an unknown tag shows as text without its "<"
            }
        }
    });
}

} // namespace koa::texteditor
