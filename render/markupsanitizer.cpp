#include "markupsanitizer.h"

#include <algorithm>
#include <array>
#include <cmath>

#include <QRegularExpression>
#include <QStringList>
#include <QStringView>
#include <QVariant>

using namespace Qt::Literals::StringLiterals;

namespace koa::render {

namespace {

const std::array<QString, 9> FormatTags = {u"<br>"_s,  u"<b>"_s,      u"</b>"_s,
                                           u"<i>"_s,   u"</i>"_s,     u"<em>"_s,
                                           u"</em>"_s, u"<strong>"_s, u"</strong>"_s};

// The four link forms as the editor writes them. An argument may hold no
// character that could end the script string, the attribute or the script
// block it ends up in; the link text holds no tag.
const QRegularExpression& linkForm() {
    static const QRegularExpression form(
        uR"(<a type=([eikd]) href=javascript:void\(0\); onclick="parent\.engine\.(xgo|go|keyword|dlink)\(\\'([^'"\\<>\x00-\x1F]*)\\'\);">(<cite>|<dfn>|<code>|)([^<]*)(</cite></a>|</dfn></a>|</code></a>|</a>))"_s);
    return form;
}

struct LinkParts {
    QChar type;
    QString call, inner, close;
};

// Each link type goes with one call and one wrapping of its text.
bool isLinkForm(QChar type, const QString& call, const QString& inner, const QString& close) {
    static const std::array<LinkParts, 4> forms = {
        LinkParts{u'e', u"xgo"_s, u"<cite>"_s, u"</cite></a>"_s},
        LinkParts{u'i', u"go"_s, QString(), u"</a>"_s},
        LinkParts{u'k', u"keyword"_s, u"<dfn>"_s, u"</dfn></a>"_s},
        LinkParts{u'd', u"dlink"_s, u"<code>"_s, u"</code></a>"_s},
    };
    for (const LinkParts& f : forms) {
        if (f.type == type)
            return f.call == call && f.inner == inner && f.close == close;
    }
    return false;
}

// Length of a numeric character reference ("&#60;", "&#x3C;") at `at`, or 0.
qsizetype numericReference(QStringView s, qsizetype at) {
    if (!s.mid(at).startsWith(u"&#"))
        return 0;
    qsizetype k = at + 2;
    const bool hex = k < s.size() && (s[k] == u'x' || s[k] == u'X');
    if (hex)
        ++k;
    const qsizetype digits = k;
    while (k < s.size() && k - digits < 8 &&
           (s[k].isDigit() ||
            (hex && ((s[k] >= u'a' && s[k] <= u'f') || (s[k] >= u'A' && s[k] <= u'F')))))
        ++k;
    if (k == digits || k >= s.size() || s[k] != u';')
        return 0;
    return k + 1 - at;
}

// Text between tags: a stray "<" or ">" shows as itself. Character
// references stay; a bare "&" cannot start markup in text.
void appendText(QString& out, QStringView text) {
    for (const QChar c : text) {
        if (c == u'<')
            out += u"&lt;"_s;
        else if (c == u'>')
            out += u"&gt;"_s;
        else
            out += c;
    }
}

// A link argument stands inside an attribute, where a reference would turn
// into the character it names: only the four the store's escaping writes
// stay, any other "&" is written as "&amp;" and reads back as itself.
void appendArgument(QString& out, QStringView argument) {
    static const std::array<QString, 4> kept = {u"&#39;"_s, u"&#34;"_s, u"&#60;"_s, u"&#62;"_s};
    for (qsizetype k = 0; k < argument.size();) {
        if (argument[k] != u'&') {
            out += argument[k++];
            continue;
        }
        const auto match = std::find_if(kept.begin(), kept.end(), [&](const QString& r) {
            return argument.mid(k).startsWith(r);
        });
        if (match != kept.end()) {
            out += *match;
            k += match->size();
        } else {
            out += u"&amp;"_s;
            ++k;
        }
    }
}

} // namespace

QString sanitizeMarkup(const QString& markup) {
    QString out;
    out.reserve(markup.size());
    const QStringView s(markup);
    // Open format tags, so that a stray closing tag is text and an unclosed
    // one ends with the text instead of running over the rest of the page.
    QStringList open;
    qsizetype i = 0;
    while (i < s.size()) {
        const qsizetype lt = s.indexOf(u'<', i);
        appendText(out, s.mid(i, (lt < 0 ? s.size() : lt) - i));
        if (lt < 0)
            break;
        i = lt;
        const QStringView rest = s.mid(i);
        // Older texts may spell them in capitals; they mean the same.
        const auto tag = std::find_if(FormatTags.begin(), FormatTags.end(), [&](const QString& t) {
            return rest.startsWith(t, Qt::CaseInsensitive);
        });
        if (tag != FormatTags.end()) {
            const QStringView stored = rest.left(tag->size());
            const bool closing = tag->at(1) == u'/';
            const QString name = closing ? u'<' + tag->mid(2) : *tag;
            if (*tag == u"<br>"_s) {
                out += stored;
            } else if (!closing) {
                out += stored;
                open.append(name);
            } else if (!open.isEmpty() && open.last() == name) {
                out += stored;
                open.removeLast();
            } else {
                appendText(out, stored);
            }
            i += tag->size();
            continue;
        }
        const QRegularExpressionMatch link = linkForm().match(
            s, i, QRegularExpression::NormalMatch, QRegularExpression::AnchorAtOffsetMatchOption);
        if (link.hasMatch() && isLinkForm(link.capturedView(1).at(0), link.captured(2),
                                          link.captured(4), link.captured(6))) {
            out += u"<a type="_s + link.captured(1) +
                   u" href=javascript:void(0); onclick=\"parent.engine."_s + link.captured(2) +
                   u"(\\'"_s;
            appendArgument(out, link.capturedView(3));
            out += u"\\');\">"_s + link.captured(4);
            appendText(out, link.capturedView(5));
            out += link.capturedView(6);
            i = link.capturedEnd(0);
            continue;
        }
        out += u"&lt;"_s;
        ++i;
    }
    for (qsizetype k = open.size() - 1; k >= 0; --k)
        out += u"</"_s + open.at(k).mid(1);
    return out;
}

QString htmlText(const QString& text) {
    QString out;
    out.reserve(text.size());
    const QStringView s(text);
    for (qsizetype i = 0; i < s.size();) {
        const QChar c = s[i];
        if (c == u'<' && s.mid(i).startsWith(u"<br>")) {
            out += u"<br>"_s;
            i += 4;
        } else if (c == u'&') {
            // Blanks of tab captions are stored as "&nbsp;".
            const qsizetype n = s.mid(i).startsWith(u"&nbsp;") ? 6 : numericReference(s, i);
            out += n ? s.mid(i, n).toString() : u"&amp;"_s;
            i += n ? n : 1;
        } else {
            out += c == u'<' ? u"&lt;"_s : c == u'>' ? u"&gt;"_s : QString(c);
            ++i;
        }
    }
    return out;
}

QString numberText(const QVariant& field) {
    if (field.isNull())
        return {};
    const QString value = field.toString().trimmed();
    bool ok = false;
    const qlonglong number = value.toLongLong(&ok);
    if (ok)
        return QString::number(number);
    // A size stored as a real number ("160.0", "12.5") keeps its value.
    const double real = value.toDouble(&ok);
    return ok && std::isfinite(real) ? QString::number(real, 'g', 15) : QString();
}

} // namespace koa::render
