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

} // namespace koa::test
