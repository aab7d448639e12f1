#include "urlcatcher.h"

#include <QDesktopServices>

namespace koa::test {

UrlCatcher::UrlCatcher(QStringList schemes) : m_schemes(std::move(schemes)) {
    for (const QString& scheme : std::as_const(m_schemes))
        QDesktopServices::setUrlHandler(scheme, this, "openUrl");
}

UrlCatcher::~UrlCatcher() {
    for (const QString& scheme : std::as_const(m_schemes))
        QDesktopServices::unsetUrlHandler(scheme);
}

} // namespace koa::test
