#pragma once

#include "store/interaction.h"

namespace koa::shell {

// Message boxes, questions, input boxes and file dialogs of the desktop.
class RealInteraction : public Interaction {
public:
    void message(const QString& text, const QString& title = QString()) override;
    Answer question(const QString& text, const QString& title, Buttons buttons) override;
    std::optional<QString> inputText(const QString& prompt, const QString& title,
                                     const QString& preset) override;
    std::optional<QString> openFile(const QString& title, const QString& filter) override;
    std::optional<QString> saveFile(const QString& title, const QString& filter) override;
};

} // namespace koa::shell
