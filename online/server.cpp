#include "server.h"

#include "store/errors.h"

#include <QDateTime>
#include <QLoggingCategory>
#include <QNetworkInformation>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace koa::online {

Q_LOGGING_CATEGORY(lcServer, "koa.online")

namespace {
bool isTrue(const QString& answer) {
    return answer.trimmed() == u"true"_s;
}

// A whole number in [low, high], else the server's answer is refused.
int wholeNumber(const QString& answer, int low, int high, const QString& what) {
    bool ok = false;
    const qlonglong n = answer.trimmed().toLongLong(&ok);
    if (!ok || n < low || n > high)
        throw KoaError(errnum::TypeMismatch,
                       u"The server's %1 is not a whole number from %2 to %3: \"%4\""_s.arg(
                           what, QString::number(low), QString::number(high), answer.left(40)));
    return static_cast<int>(n);
}
} // namespace

Server::Server(CurlRequest& http, QString httpBase) : m_http(http), m_base(std::move(httpBase)) {}

QUrl Server::address(const QString& action, const Params& params) const {
    QByteArray query = "action=" + QUrl::toPercentEncoding(action);
    for (const auto& [name, value] : params)
        query += '&' + name.toUtf8() + '=' + QUrl::toPercentEncoding(value);
    query += "&dummy=" + QUrl::toPercentEncoding(QDateTime::currentDateTime().toString());
    return QUrl::fromEncoded(m_base.toUtf8() + query, QUrl::StrictMode);
}

QString Server::query(const QString& action, const Params& params) {
    if (m_base.isEmpty())
        throw KoaError(errnum::NetworkError,
                       u"No KOA server is set. Check the KOA online settings."_s);
    m_http.setUrl(address(action, params));
    // The address holds the password of a login: it is never logged.
    qCDebug(lcServer) << "query" << action;
    const CurlRequest::Result r = m_http.perform();
    if (!r.ok)
        throw KoaError(errnum::NetworkError, r.error);
    return QString::fromUtf8(r.body);
}

bool Server::CheckHTMLConnection(int seconds) {
    const auto before = m_http.timeLimit();
    m_http.setTimeLimit(std::chrono::seconds(seconds));
    bool ok = false;
    try {
        ok = isTrue(query(u"checkconnection"_s));
    } catch (const KoaError&) {
    }
    m_http.setTimeLimit(before);
    return ok;
}

bool Server::CheckUser(const QString& user, const QString& password) {
    return isTrue(query(u"login"_s, {{u"user"_s, user}, {u"passw"_s, password}}));
}

int Server::GetMaxFileSize() {
    return wholeNumber(query(u"maxfilesize"_s), 1, std::numeric_limits<int>::max(),
                       u"upload limit"_s);
}

QString Server::termsOfService() {
    return query(u"tos"_s);
}

QString Server::announcements() {
    return query(u"announcements"_s);
}

int Server::registerUpload(const QString& user, const QString& fileName, const QString& title,
                           const QString& author, const QString& version) {
    const QString answer = query(u"new"_s, {{u"user"_s, user},
                                            {u"file_name"_s, fileName},
                                            {u"title"_s, title},
                                            {u"author"_s, author},
                                            {u"version"_s, version}});
    return wholeNumber(answer, 1, 32767, u"upload id"_s);
}

bool Server::confirmUpload(int id) {
    return isTrue(query(u"success"_s, {{u"id"_s, QString::number(id)}}));
}

bool IsNetConnected() {
    if (!QNetworkInformation::instance())
        QNetworkInformation::loadDefaultBackend();
    const QNetworkInformation* info = QNetworkInformation::instance();
    return !info || info->reachability() != QNetworkInformation::Reachability::Disconnected;
}

} // namespace koa::online
