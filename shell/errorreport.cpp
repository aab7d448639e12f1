#include "errorreport.h"

#include <QByteArray>
#include <QStringList>
#include <QSysInfo>

using namespace Qt::Literals::StringLiterals;

namespace koa::shell {

namespace {

// A report is made while something already went wrong: a fact that fails
// to read is left out rather than ending the report too.
QString safely(const std::function<QString()>& read) {
    try {
        return read ? read() : QString();
    } catch (...) {
        return {};
    }
}

QString versionOf(const std::function<int()>& probe) {
    return safely([&] { return probe ? QString::number(probe()) : QString(); });
}

} // namespace

QString operatingSystemName(int platform, const QString& version) {
    switch (platform) {
    case 0:
        return u"Win32"_s;
    case 1:
        if (version == u"4.0"_s)
            return u"Win 95"_s;
        if (version == u"4.1"_s)
            return u"Win 98"_s;
        if (version == u"5.0"_s)
            return u"Win ME"_s;
        return u"Version "_s + version;
    case 2:
        if (version == u"4.0"_s)
            return u"Win NT"_s;
        if (version == u"5.0"_s)
            return u"Win 2000"_s;
        if (version == u"6.0"_s)
            return u"Win XP"_s;
        return u"Version"_s + version;
    default:
        return {};
    }
}

SystemFacts SystemFacts::ofThisSystem(const std::function<int()>& browser,
                                      const std::function<int()>& mediaPlayer) {
    SystemFacts f;
#ifdef Q_OS_WIN
    f.platform = u"2"_s;
    f.version = safely([] { return QSysInfo::productVersion(); });
    f.osName = operatingSystemName(2, f.version);
#else
    // The Windows table means nothing here: the distribution names itself.
    f.osName = safely([] { return QSysInfo::prettyProductName(); });
    f.platform = safely([] { return QSysInfo::kernelType(); });
    f.version = safely([] { return QSysInfo::productVersion(); });
#endif
    f.build = safely([] { return QSysInfo::kernelVersion(); });
    f.browserVersion = versionOf(browser);
    f.mediaPlayerVersion = versionOf(mediaPlayer);
    f.programVersion = QStringLiteral(KOA_VERSION_TEXT);
    return f;
}

QString reportText(const ErrorReport& error, const SystemFacts& facts) {
    return QStringList({
                           u"Error "_s + QString::number(error.number) + u" ("_s +
                               error.description + u") in "_s + error.location,
                           QString(),
                           u"KOA version: "_s + facts.programVersion,
                           u"Operating system build: "_s + facts.build,
                           u"Operating system platform: "_s + facts.osName + u"("_s +
                               facts.platform + u")"_s,
                           u"Operating system version: "_s + facts.version,
                           u"Internet Explorer version:"_s + facts.browserVersion,
                           u"Windows Media Player version: "_s + facts.mediaPlayerVersion,
                       })
        .join(u"\r\n"_s);
}

QUrl reportUrl(const QString& makerAddress, const ErrorReport& error, const SystemFacts& facts) {
    const std::pair<const char*, QString> fields[] = {
        {"number", QString::number(error.number)},
        {"location", error.location},
        {"message", error.description},
        {"KOA", facts.programVersion},
        {"OS", facts.osName + u"("_s + facts.platform + u")"_s},
        {"OSVersion", facts.version},
        {"OSBuild", facts.build},
        {"IE", facts.browserVersion},
        {"WMP", facts.mediaPlayerVersion},
    };
    // Every value is percent-encoded (UTF-8), "&", "#", "+" and "=" too, so a
    // description arrives whole however the server splits the query.
    QByteArray query;
    for (const auto& [key, value] : fields) {
        if (!query.isEmpty())
            query += '&';
        query += key;
        query += '=';
        query += QUrl::toPercentEncoding(value);
    }
    QString base = makerAddress;
    while (base.endsWith(u'/'))
        base.chop(1);
    QUrl url(base + u"/errorsubmit.asp"_s);
    url.setQuery(QString::fromLatin1(query), QUrl::StrictMode);
    return url;
}

} // namespace koa::shell
