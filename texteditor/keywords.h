#pragma once

#include "markup.h"

namespace koa::texteditor {

// Adds a row to `keywords` of the course database at `databasePath` for a
// keyword link whose name has none yet (names compare without regard to case).
Markup::KeywordSink keywordAdder(const QString& databasePath);

} // namespace koa::texteditor
