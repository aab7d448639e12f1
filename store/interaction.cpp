#include "interaction.h"

namespace koa {

namespace {
Interaction*& installed() {
    static Interaction* i = nullptr;
    return i;
}
} // namespace

Interaction& interaction() {
    static ScriptedInteraction silent;
    return installed() ? *installed() : silent;
}

void setInteraction(Interaction* i) {
    installed() = i;
}

QStringList ScriptedInteraction::messages() const {
    QStringList out;
    for (const Shown& s : m_shown) {
        if (s.kind == Shown::Kind::Message || s.kind == Shown::Kind::Question)
            out.append(s.text);
    }
    return out;
}

void ScriptedInteraction::message(const QString& text, const QString& title) {
    m_shown.append({Shown::Kind::Message, text, title});
}

Interaction::Answer ScriptedInteraction::question(const QString& text, const QString& title,
                                                  Buttons) {
    m_shown.append({Shown::Kind::Question, text, title});
    return m_answers.isEmpty() ? Answer::Cancel : m_answers.takeFirst();
}

std::optional<QString> ScriptedInteraction::inputText(const QString& prompt, const QString& title,
                                                      const QString&) {
    m_shown.append({Shown::Kind::Input, prompt, title});
    return m_inputs.isEmpty() ? std::nullopt : m_inputs.takeFirst();
}

std::optional<QStringList> Interaction::openFiles(const QString& title, const QString& filter) {
    const std::optional<QString> chosen = openFile(title, filter);
    if (!chosen)
        return std::nullopt;
    if (chosen->isEmpty())
        return QStringList();
    QStringList parts = chosen->split(QChar(0));
    if (parts.size() == 1)
        return parts;
    const QString folder = parts.takeFirst();
    QStringList files;
    for (const QString& name : parts)
        files.append(folder + u'/' + name);
    return files;
}

std::optional<QString> ScriptedInteraction::openFile(const QString& title, const QString& filter) {
    m_shown.append({Shown::Kind::OpenDialog, filter, title});
    return m_files.isEmpty() ? std::nullopt : m_files.takeFirst();
}

std::optional<QString> ScriptedInteraction::saveFile(const QString& title, const QString& filter,
                                                     const QString& preset) {
    m_shown.append({Shown::Kind::SaveDialog, filter, title, preset});
    return m_files.isEmpty() ? std::nullopt : m_files.takeFirst();
}

} // namespace koa
