#include "outsidelinks.h"

#include "browser.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QScreen>
#include <QUrlQuery>

using namespace Qt::Literals::StringLiterals;

Q_LOGGING_CATEGORY(lcLinks, "koa.links")

namespace koa::render {

namespace {

// A reading window beside the course: at most 640 x 720, and within the
// screen's free area on small screens.
QSize glossarySize(const QWidget* owner) {
    const QScreen* screen =
        owner && owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
    const QSize room = screen ? screen->availableGeometry().size() * 9 / 10 : QSize(640, 720);
    return QSize(640, 720).boundedTo(room);
}

} // namespace

OutsideLinks::OutsideLinks(QWidget* owner, QString glossaryFile, QStringList documentFolders)
    : QObject(owner), m_owner(owner), m_glossaryFile(std::move(glossaryFile)),
      m_documentFolders(std::move(documentFolders)) {}

void OutsideLinks::open(const QUrl& url) {
    if (url.isLocalFile()) {
        const QString path = QFileInfo(url.toLocalFile()).absoluteFilePath();
        if (path == QFileInfo(m_glossaryFile).absoluteFilePath()) {
            if (!m_glossary) {
                // A window of its own above the course, reused for every showing.
                m_glossary = new Browser(m_owner);
                m_glossary->setObjectName(u"glossary"_s);
                m_glossary->setWindowFlag(Qt::Window);
                m_glossary->setAttribute(Qt::WA_DeleteOnClose);
                m_glossary->setWindowTitle(u"KOA Glossary"_s);
                m_glossary->resize(glossarySize(m_owner));
            }
            m_glossary->navigate(path);
            m_glossary->show();
            m_glossary->raise();
            m_glossary->activateWindow();
            return;
        }
        const QString document = openableDocument(path);
        if (document.isEmpty()) {
            qCWarning(lcLinks).noquote() << "a page asked to open" << path << "- refused";
            return;
        }
        QDesktopServices::openUrl(QUrl::fromLocalFile(document));
        return;
    }
    const QString scheme = url.scheme();
    if (scheme == u"http"_s || scheme == u"https"_s) {
        QDesktopServices::openUrl(url);
        return;
    }
    if (scheme == u"mailto"_s) {
        // A mail link may name its receiver, subject and text, not files to attach.
        QUrl mail(url);
        QUrlQuery query(mail);
        QList<std::pair<QString, QString>> kept;
        for (const auto& [key, value] : query.queryItems()) {
            if (key.compare(u"attach"_s, Qt::CaseInsensitive) != 0 &&
                key.compare(u"attachment"_s, Qt::CaseInsensitive) != 0)
                kept.append({key, value});
        }
        query.setQueryItems(kept);
        mail.setQuery(query);
        QDesktopServices::openUrl(mail);
        return;
    }
    qCWarning(lcLinks).noquote() << "a page asked to open" << url.toString() << "- refused";
}

void OutsideLinks::closeWindows() {
    if (m_glossary)
        m_glossary->close();
}

QString OutsideLinks::openableDocument(const QString& filePath) const {
    const QFileInfo file(QFileInfo(filePath).canonicalFilePath());
    if (!file.isFile())
        return {}; // missing: the desktop would only report an error
    // The desktop would run these rather than show them.
    if (file.isExecutable() || file.suffix().compare(u"desktop"_s, Qt::CaseInsensitive) == 0)
        return {};
    for (const QString& folder : m_documentFolders) {
        const QString root = QFileInfo(folder).canonicalFilePath();
        if (!root.isEmpty() && file.filePath().startsWith(root + u'/'))
            return file.filePath();
    }
    return {};
}

} // namespace koa::render
