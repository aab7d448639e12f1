#pragma once

#include "linktargets.h"

#include <functional>

#include <QString>

class QTextDocument;

namespace koa::texteditor {

inline constexpr int MaxLinkLength = 50;

// "There are 2 link(s) longer than 50 characters. Formatting will be set to normal."
QString longLinkMessage(int count);

// The stored markup of a formatted text, a fixed dialect of HTML that pages
// show unchanged, and its two conversions over the rich-text document whose
// character formats carry the formatting (see charformat.h). Holds the
// link-target list of the open text.
class Markup {
public:
    // Told the name of every keyword link of a text being stored, so that the
    // glossary gains the keywords it lacks (see keywordAdder()).
    using KeywordSink = std::function<void(const QString& name)>;

    explicit Markup(KeywordSink keywords = {});

    // The document as stored markup. `ok` is false when links were longer
    // than 50 characters (`longLinks` counts them; their characters are
    // given the normal format in the document) or when an error was trapped
    // and reported; either way the markup must not be stored.
    QString rtf2html(QTextDocument& document, bool& ok, int& longLinks);
    // Replaces the document's content by the stored markup and restarts the
    // link-target list. False when an error was trapped and reported.
    bool html2rtf(QTextDocument& document, const QString& stored);

    LinkTargets& targets() { return m_targets; }
    const LinkTargets& targets() const { return m_targets; }

private:
    KeywordSink m_keywords;
    LinkTargets m_targets;
};

} // namespace koa::texteditor
