#pragma once

#include "store/errors.h"

#include <functional>

#include <QString>
#include <QUrl>

namespace koa::shell {

// What an error report tells about the system the error happened on.
struct SystemFacts {
    QString osName;
    QString platform;
    QString version;
    QString build;
    QString browserVersion;
    QString mediaPlayerVersion;
    QString programVersion;

    // Reads the facts of this system; a value that cannot be read stays empty.
    static SystemFacts ofThisSystem(const std::function<int()>& browser,
                                    const std::function<int()>& mediaPlayer);
};

// The name of a Windows version by platform id and version number ("Win 98").
QString operatingSystemName(int platform, const QString& version);

// The report the user sees and may copy, lines separated by CR LF.
QString reportText(const ErrorReport& error, const SystemFacts& facts);

// The address that submits the report to the maker's website.
QUrl reportUrl(const QString& makerAddress, const ErrorReport& error, const SystemFacts& facts);

} // namespace koa::shell
