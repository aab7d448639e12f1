#pragma once

#include "curlrequest.h"

#include <utility>

#include <QList>
#include <QString>

namespace koa::online {

// The queries of the publishing server's script: plain GET requests to the
// HTTP base with the parameters in the query string and a short text answer.
// Every value is percent-encoded (UTF-8), so "&", "#", "+" or a blank in a
// title stays part of its value. Failures throw KoaError; the callers trap
// them with their own locations.
class Server {
public:
    // `http` is the client the queries share: two queries on it never overlap.
    Server(CurlRequest& http, QString httpBase);

    using Params = QList<std::pair<QString, QString>>;
    // The address of `action` with its parameters, ending in "&dummy=" and
    // the current time, so that no cache answers.
    QUrl address(const QString& action, const Params& params = {}) const;
    // The answer's body as text. Throws KoaError when the request fails.
    QString query(const QString& action, const Params& params = {});

    // Whether the script answers "true" within `seconds`; false on any failure.
    bool CheckHTMLConnection(int seconds);
    bool CheckUser(const QString& user, const QString& password);
    // The largest package accepted, in KB; an answer that is not a whole
    // number above zero throws.
    int GetMaxFileSize();
    QString termsOfService();
    QString announcements();
    // Registers an upload; the id, a whole number in 1..32767 (else throws).
    int registerUpload(const QString& user, const QString& fileName, const QString& title,
                       const QString& author, const QString& version);
    // Whether the server confirms that it has taken the file in.
    bool confirmUpload(int id);

private:
    CurlRequest& m_http;
    QString m_base;
};

// The system reports a network connection (Qt's view of it). Unknown counts
// as connected: the query that follows tells.
bool IsNetConnected();

} // namespace koa::online
