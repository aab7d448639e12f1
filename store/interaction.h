#pragma once

#include <optional>

#include <QList>
#include <QString>
#include <QStringList>

namespace koa {

// Every message box, question, input box and file dialog goes through this,
// so that tests (and the command-line tool) can answer them.
class Interaction {
public:
    enum class Buttons { YesNo, YesNoCancel, OkCancel };
    enum class Answer { Yes, No, Cancel, Ok };

    virtual ~Interaction() = default;

    virtual void message(const QString& text, const QString& title = QString()) = 0;
    virtual Answer question(const QString& text, const QString& title, Buttons buttons) = 0;
    // nullopt: the user cancelled.
    virtual std::optional<QString> inputText(const QString& prompt, const QString& title,
                                             const QString& preset) = 0;
    // nullopt: cancelled; an empty text: nothing chosen.
    virtual std::optional<QString> openFile(const QString& title, const QString& filter) = 0;
    // `preset`: the file name the dialog offers first.
    virtual std::optional<QString> saveFile(const QString& title, const QString& filter,
                                            const QString& preset = QString()) = 0;
    // Several existing files at once, in the dialog's order; nullopt:
    // cancelled. Unless overridden, openFile answers, and an answer holding
    // NUL characters is read as the folder followed by the file names.
    virtual std::optional<QStringList> openFiles(const QString& title, const QString& filter);
};

// The installed interaction (a silent scripted one until the program installs its own).
Interaction& interaction();
void setInteraction(Interaction* i);

// Answers from a queue and records everything that was shown. An empty queue
// answers Cancel / cancelled, so an unexpected question never hangs a run.
class ScriptedInteraction : public Interaction {
public:
    struct Shown {
        enum class Kind { Message, Question, Input, OpenDialog, SaveDialog } kind;
        QString text;
        QString title;
        QString preset{}; // of a save dialog
    };

    void queueAnswer(Answer a) { m_answers.append(a); }
    void queueInput(std::optional<QString> text) { m_inputs.append(text); }
    void queueFile(std::optional<QString> path) { m_files.append(path); }

    const QList<Shown>& shown() const { return m_shown; }
    QStringList messages() const; // texts of messages and questions, in order
    void clear() { m_shown.clear(); }

    void message(const QString& text, const QString& title = QString()) override;
    Answer question(const QString& text, const QString& title, Buttons buttons) override;
    std::optional<QString> inputText(const QString& prompt, const QString& title,
                                     const QString& preset) override;
    std::optional<QString> openFile(const QString& title, const QString& filter) override;
    std::optional<QString> saveFile(const QString& title, const QString& filter,
                                    const QString& preset = QString()) override;

private:
    QList<Answer> m_answers;
    QList<std::optional<QString>> m_inputs;
    QList<std::optional<QString>> m_files;
    QList<Shown> m_shown;
};

} // namespace koa
