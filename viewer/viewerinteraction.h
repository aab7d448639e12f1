#pragma once

#include "store/interaction.h"

namespace koa::viewer {

// The viewer's messages: message boxes over the course. The viewer asks no
// questions and opens no file dialogs.
class ViewerInteraction : public Interaction {
public:
    void message(const QString& text, const QString& title = QString()) override;
    Answer question(const QString& text, const QString& title, Buttons buttons) override;
    std::optional<QString> inputText(const QString&, const QString&, const QString&) override {
        return std::nullopt;
    }
    std::optional<QString> openFile(const QString&, const QString&) override {
        return std::nullopt;
    }
    std::optional<QString> saveFile(const QString&, const QString&, const QString&) override {
        return std::nullopt;
    }

    // Shows what failed and ends the program with status 1.
    [[noreturn]] void fatal(const QString& description, const QString& location);
};

} // namespace koa::viewer
