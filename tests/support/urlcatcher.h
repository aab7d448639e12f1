#pragma once

#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>

namespace koa::test {

// Takes the desktop's place for the given URL schemes while it lives, so a
// test sees what the program hands to the desktop and nothing is launched.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    explicit UrlCatcher(QStringList schemes = {QStringLiteral("http"), QStringLiteral("https"),
                                               QStringLiteral("mailto"), QStringLiteral("file")});
    ~UrlCatcher() override;
    const QList<QUrl>& urls() const { return m_urls; }

public slots:
    void openUrl(const QUrl& url) { m_urls << url; }

private:
    QStringList m_schemes;
    QList<QUrl> m_urls;
};

} // namespace koa::test
