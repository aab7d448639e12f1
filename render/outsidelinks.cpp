#include "outsidelinks.h"

#include "browser.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>

using namespace Qt::Literals::StringLiterals;

Q_LOGGING_CATEGORY(lcLinks, "koa.links")

namespace koa::render {

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
                m_glossary->resize(640, 720);
            }
            m_glossary->navigate(path);
            m_glossary->show();
            m_glossary->raise();
            m_glossary->activateWindow();
            return;
        }
        if (!mayOpenLocal(path)) {
            qCWarning(lcLinks).noquote() << "a page asked to open" << path << "- refused";
            return;
        }
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
        return;
    }
    const QString scheme = url.scheme();
    if (scheme == u"http"_s || scheme == u"https"_s || scheme == u"mailto"_s) {
        QDesktopServices::openUrl(url);
        return;
    }
    qCWarning(lcLinks).noquote() << "a page asked to open" << url.toString() << "- refused";
}

bool OutsideLinks::mayOpenLocal(const QString& filePath) const {
    const QString canonical = QFileInfo(filePath).canonicalFilePath();
    if (canonical.isEmpty())
        return false; // missing: the desktop would only report an error
    for (const QString& folder : m_documentFolders) {
        const QString root = QFileInfo(folder).canonicalFilePath();
        if (!root.isEmpty() && canonical.startsWith(root + u'/'))
            return true;
    }
    return false;
}

} // namespace koa::render
