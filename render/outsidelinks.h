#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QUrl>

class QWidget;

namespace koa::render {

class Browser;

// Where links that leave the course go: the glossary into a window of the
// program's own, documents of the course and web or mail addresses to the
// desktop. Anything else a page asks to open is refused, so a course cannot
// make the desktop open arbitrary local files.
class OutsideLinks : public QObject {
    Q_OBJECT
public:
    // `owner`: the window the glossary window stays above.
    // `glossaryFile`: the generated glossary page.
    // `documentFolders`: local folders whose files may be opened.
    OutsideLinks(QWidget* owner, QString glossaryFile, QStringList documentFolders);

    void open(const QUrl& url);
    // Closes the glossary window: the course it belongs to is left.
    void closeWindows();
    // The glossary window once it has been shown.
    Browser* glossaryWindow() const { return m_glossary; }

private:
    // The file itself when it lies in a document folder and the desktop would
    // show it; empty otherwise.
    QString openableDocument(const QString& filePath) const;

    QPointer<QWidget> m_owner;
    QString m_glossaryFile;
    QStringList m_documentFolders;
    QPointer<Browser> m_glossary;
};

} // namespace koa::render
