#include "viewerinteraction.h"

#include <cstdlib>

#include <QLoggingCategory>
#include <QMessageBox>

Q_LOGGING_CATEGORY(lcViewerMessages, "koa.viewer.messages")

using namespace Qt::Literals::StringLiterals;

namespace koa::viewer {

void ViewerInteraction::message(const QString& text, const QString& title) {
    // Also for a launcher's log: a box on a screen nobody watches says nothing.
    qCWarning(lcViewerMessages).noquote() << text;
    QMessageBox::information(nullptr, title.isEmpty() ? u"KOA"_s : title, text);
}

Interaction::Answer ViewerInteraction::question(const QString& text, const QString& title,
                                                Buttons buttons) {
    const QString caption = title.isEmpty() ? u"KOA"_s : title;
    switch (buttons) {
    case Buttons::YesNo:
        return QMessageBox::question(nullptr, caption, text) == QMessageBox::Yes ? Answer::Yes
                                                                                 : Answer::No;
    case Buttons::YesNoCancel: {
        const auto b = QMessageBox::question(
            nullptr, caption, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        return b == QMessageBox::Yes  ? Answer::Yes
               : b == QMessageBox::No ? Answer::No
                                      : Answer::Cancel;
    }
    case Buttons::OkCancel:
        break;
    }
    return QMessageBox::question(nullptr, caption, text, QMessageBox::Ok | QMessageBox::Cancel) ==
                   QMessageBox::Ok
               ? Answer::Ok
               : Answer::Cancel;
}

void ViewerInteraction::fatal(const QString& description, const QString& location) {
    qCCritical(lcViewerMessages).noquote() << location << description;
    QMessageBox::critical(nullptr, u"KOA"_s,
                          u"The course cannot be shown and KOA will close.\n\n"_s + description +
                              u"\n("_s + location + u")"_s);
    std::exit(1);
}

} // namespace koa::viewer
