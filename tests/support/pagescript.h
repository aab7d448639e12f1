#pragma once

#include "tests/support/testsupport.h"

#include <memory>
#include <optional>

#include <QVariant>
#include <QWebEnginePage>

namespace koa::test {

// What `js` gives in the page's top-level document, or an empty text when
// the page does not answer within `milliseconds`. A late answer is dropped.
inline QString evalIn(QWebEnginePage* page, const QString& js, int milliseconds = 10000) {
    auto result = std::make_shared<std::optional<QVariant>>();
    page->runJavaScript(js, [result](const QVariant& v) { *result = v; });
    waitUntil([&] { return result->has_value(); }, milliseconds);
    return result->value_or(QVariant()).toString();
}

// Script that gives what `action` makes of the first element `e` matching
// `selector`, depth first through the frames, in a document parsed so far
// that its script has wired the element; false when there is none.
inline QString onFirst(const QString& selector, const QString& action) {
    return QStringLiteral(R"((function find(w) {
    try {
        var e = w.document.querySelector('%1');
        if (e && w.document.readyState !== 'loading') return %2;
    } catch (x) {}
    for (var i = 0; i < w.frames.length; ++i) if (find(w.frames[i])) return true;
    return false;
})(window))")
        .arg(selector, action);
}

inline QString clickFirst(const QString& selector) {
    return onFirst(selector, QStringLiteral("(e.click(), true)"));
}

// Clicks the first element matching `selector` once, as soon as a frame
// has it; false when none does in time. The waiting itself never clicks.
inline bool clickOnce(QWebEnginePage* page, const QString& selector, int milliseconds = 10000) {
    const QString yes = QStringLiteral("true");
    return waitUntil([&] { return evalIn(page, onFirst(selector, yes)) == yes; }, milliseconds) &&
           evalIn(page, clickFirst(selector)) == yes;
}

} // namespace koa::test
