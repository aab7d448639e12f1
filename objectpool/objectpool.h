#pragma once

#include "shell/editorwindow.h"

namespace koa::objectpool {

// The object pool window: the course's pictures, movies, sounds, Flash, texts, keywords, documents
// and quizzes.
class objectpool : public shell::EditorWindow {
    Q_OBJECT
public:
    explicit objectpool(shell::EditorSet& editors);
};

} // namespace koa::objectpool
