#include "consoleinteraction.h"

#include <cstdio>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace koa::tool {

namespace {
QString titled(const QString& text, const QString& title) {
    return title.isEmpty() ? text : title + u": "_s + text;
}
} // namespace

void printError(const QString& text) {
    QString line = u"koa-tool: "_s + text;
    line.replace(u"\r\n"_s, u"\n"_s);
    std::fputs(line.toLocal8Bit().constData(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

void printOut(const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
}

void ConsoleInteraction::message(const QString& text, const QString& title) {
    m_shown.append(text);
    printError(titled(text, title));
}

Interaction::Answer ConsoleInteraction::question(const QString& text, const QString& title,
                                                 Buttons buttons) {
    m_shown.append(text);
    const Answer answer = buttons == Buttons::OkCancel ? Answer::Ok : Answer::Yes;
    printError(titled(text, title) +
               (answer == Answer::Ok ? u" [answered Ok]"_s : u" [answered Yes]"_s));
    return answer;
}

std::optional<QString> ConsoleInteraction::inputText(const QString& prompt, const QString& title,
                                                     const QString& preset) {
    printError(titled(prompt, title) + u" [answered \""_s + preset + u"\"]"_s);
    return preset;
}

std::optional<QString> ConsoleInteraction::openFile(const QString& title, const QString&) {
    // Every command names its files on the command line; nobody can choose one here.
    printError(title + u" dialog cancelled: no file was named for it"_s);
    return std::nullopt;
}

std::optional<QString> ConsoleInteraction::saveFile(const QString& title, const QString&,
                                                    const QString&) {
    if (!m_savePath) {
        printError(title + u" dialog cancelled: no file was named for it"_s);
        return std::nullopt;
    }
    return std::exchange(m_savePath, std::nullopt);
}

} // namespace koa::tool
