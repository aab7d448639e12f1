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

// A pattern that matches without regard to case, in every dialog: the
// desktop's own dialogs compare names case-sensitively. "*.*" matches names
// without a dot too.
QString anyCase(const QString& pattern) {
    if (pattern == u"*.*"_s)
        return u"*"_s;
    QString out;
    for (const QChar c : pattern) {
        if (c.toLower() != c.toUpper())
            out += u'[' + c.toLower() + c.toUpper() + u']';
        else
            out += c;
    }
    return out;
}
} // namespace

QString qtNameFilter(const QString& filter) {
    QString description = filter.section(u'|', 0, 0).trimmed();
    QStringList patterns = filter.section(u'|', 1).split(u';', Qt::SkipEmptyParts);
    for (QString& p : patterns)
        p = p.trimmed();
    patterns.removeAll(QString());
    if (patterns.isEmpty())
        return description;
    if (!description.contains(u'('))
        description += u" ("_s + patterns.join(u' ') + u')';
    QStringList matching;
    for (const QString& p : std::as_const(patterns))
        matching << anyCase(p);
    // Qt takes the last parenthesis for the patterns and, with the details
    // hidden, shows what stands before it.
    return description + u" ("_s + matching.join(u' ') + u')';
}

namespace {
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
                                                      QString(), qtNameFilter(filter), nullptr,
                                                      QFileDialog::HideNameFilterDetails);
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

std::optional<QStringList> RealInteraction::openFiles(const QString& title, const QString& filter) {
    const QStringList paths = QFileDialog::getOpenFileNames(
        QApplication::activeWindow(), caption(title), QString(), qtNameFilter(filter), nullptr,
        QFileDialog::HideNameFilterDetails);
    if (paths.isEmpty())
        return std::nullopt;
    return paths;
}

std::optional<QString> RealInteraction::saveFile(const QString& title, const QString& filter,
                                                 const QString& preset) {
    QFileDialog dialog(QApplication::activeWindow(), caption(title), QString(),
                       qtNameFilter(filter));
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix(filter));
    if (!preset.isEmpty())
        dialog.selectFile(preset);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace koa::shell
