#pragma once

#include "shell/editorset.h"

namespace koa::app {

// The program's own windows, for the anchor window to load.
shell::EditorFactories programWindows();

} // namespace koa::app
