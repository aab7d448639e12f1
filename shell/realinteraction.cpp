#include "realinteraction.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

namespace koa::shell {

namespace {
QString caption(const QString& title) {
    return title.isEmpty() ? u"KOA"_s : title;
}

// "KOA files (*.kof) |*.kof" and "KOA files |*.kof" name a description and a
// pattern; Qt wants "KOA files (*.kof)".
QString qtFilter(const QString& filter) {
    const QString description = filter.section(u'|', 0, 0).trimmed();
    const QString pattern = filter.section(u'|', 1, 1).trimmed();
    if (pattern.isEmpty())
        return description;
    if (description.contains(u'('))
        return description;
    return description + u" ("_s + pattern + u")"_s;
}

QString defaultSuffix(const QString& filter) {
    static const QRegularExpression suffix(u"\\*\\.(\\w+)"_s);
    const QRegularExpressionMatch m = suffix.match(filter);
    return m.hasMatch() ? m.captured(1) : QString();
}
} // namespace

void RealInteraction::message(const QString& text, const QString& title) {
    QMessageBox::information(QApplication::activeWindow(), caption(title), text);
}

Interaction::Answer RealInteraction::question(const QString& text, const QString& title,
                                              Buttons buttons) {
    QMessageBox::StandardButtons set = QMessageBox::Yes | QMessageBox::No;
    if (buttons == Buttons::YesNoCancel)
        set |= QMessageBox::Cancel;
    else if (buttons == Buttons::OkCancel)
        set = QMessageBox::Ok | QMessageBox::Cancel;
    switch (QMessageBox::question(QApplication::activeWindow(), caption(title), text, set)) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Ok:
        return Answer::Ok;
    default:
        return Answer::Cancel;
    }
}

std::optional<QString> RealInteraction::inputText(const QString& prompt, const QString& title,
                                                  const QString& preset) {
    bool ok = false;
    const QString text = QInputDialog::getText(QApplication::activeWindow(), caption(title), prompt,
                                               QLineEdit::Normal, preset, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

std::optional<QString> RealInteraction::openFile(const QString& title, const QString& filter) {
    const QString path = QFileDialog::getOpenFileName(QApplication::activeWindow(), caption(title),
                                                      QString(), qtFilter(filter));
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

std::optional<QString> RealInteraction::saveFile(const QString& title, const QString& filter) {
    QFileDialog dialog(QApplication::activeWindow(), caption(title), QString(), qtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix(filter));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace koa::shell
