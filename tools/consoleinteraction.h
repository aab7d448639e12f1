#pragma once

#include "store/interaction.h"

#include <optional>

#include <QString>
#include <QStringList>

namespace koa::tool {

// The store's messages and questions on a terminal without anyone to answer:
// each text goes to stderr and is kept, questions are answered Yes (Ok), input
// boxes keep their preset, and a file dialog gets the one path the command
// named or is cancelled.
class ConsoleInteraction : public Interaction {
public:
    // The answer to the next save dialog (the OUT of `new`); used once.
    void answerSaveWith(const QString& path) { m_savePath = path; }
    // Texts of the messages and questions shown so far, in order.
    const QStringList& shownTexts() const { return m_shown; }

    void message(const QString& text, const QString& title = QString()) override;
    Answer question(const QString& text, const QString& title, Buttons buttons) override;
    std::optional<QString> inputText(const QString& prompt, const QString& title,
                                     const QString& preset) override;
    std::optional<QString> openFile(const QString& title, const QString& filter) override;
    std::optional<QString> saveFile(const QString& title, const QString& filter,
                                    const QString& preset = QString()) override;

private:
    std::optional<QString> m_savePath;
    QStringList m_shown;
};

// One line on stderr, prefixed with the program's name; line breaks of the
// store's texts ("\r\n") become plain ones.
void printError(const QString& text);
// Text on stdout as it is.
void printOut(const QString& text);

} // namespace koa::tool
