#pragma once

#include "shell/editorwindow.h"

namespace koa::render {

// The preview window: the course as the learner will see it.
class preview : public shell::EditorWindow {
    Q_OBJECT
public:
    explicit preview(shell::EditorSet& editors);
};

} // namespace koa::render
