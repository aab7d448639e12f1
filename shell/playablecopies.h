#pragma once

#include <QString>

class QWidget;

namespace koa::shell {

class working;

enum class CopiesMade { Done, Cancelled };

// Makes the browser-playable copies that the course in `courseFolder` lacks
// (older movie and sound formats) under the "Please wait" window with its
// progress and Cancel, and tells the author which could not be made and why.
// Only the copy of the object `name` of `table` when they are given.
CopiesMade makePlayableCopies(working& window, QWidget* over, const QString& courseFolder,
                              const QString& table = {}, const QString& name = {});

} // namespace koa::shell
