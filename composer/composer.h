#pragma once

#include "shell/editorwindow.h"

namespace koa::composer {

// The composer window: the course's modules and their pages.
class composer : public shell::EditorWindow {
    Q_OBJECT
public:
    explicit composer(shell::EditorSet& editors);
};

} // namespace koa::composer
