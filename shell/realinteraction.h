#pragma once

#include "store/interaction.h"

namespace koa::shell {

// A file filter as the program writes it, "Picture files (*.gif;*.jpg)|*.gif;*.jpg"
// (what the dialog shows, "|", patterns separated by ";"), as a Qt name
// filter whose patterns match without regard to case. Dialogs given it hide
// the filter details, so that they show the description alone.
QString qtNameFilter(const QString& filter);

// Message boxes, questions, input boxes and file dialogs of the desktop.
class RealInteraction : public Interaction {
public:
    void message(const QString& text, const QString& title = QString()) override;
    Answer question(const QString& text, const QString& title, Buttons buttons) override;
    std::optional<QString> inputText(const QString& prompt, const QString& title,
                                     const QString& preset) override;
    std::optional<QString> openFile(const QString& title, const QString& filter) override;
    std::optional<QString> saveFile(const QString& title, const QString& filter,
                                    const QString& preset = QString()) override;
    std::optional<QStringList> openFiles(const QString& title, const QString& filter) override;
};

} // namespace koa::shell
