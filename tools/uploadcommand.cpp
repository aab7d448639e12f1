// koa-tool upload: publishing a package from scripts, with the same checks,
// staging, queries and transfer as KOA's progress window.
#include "commands.h"
#include "consoleinteraction.h"
#include "online/upload.h"
#include "privateprogramfolder.h"
#include "store/coursefiles.h"

#include <cstdio>
#include <iostream>
#include <string>

#include <QCommandLineParser>
#include <QFileInfo>

#include <termios.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace koa::tool {

namespace {
// The password from KOA_PASSWORD, else asked on the terminal without echo;
// never from the command line, where other users could read it.
std::optional<QString> password() {
    if (qEnvironmentVariableIsSet("KOA_PASSWORD"))
        return qEnvironmentVariable("KOA_PASSWORD");
    if (!isatty(STDIN_FILENO))
        return std::nullopt;
    std::fputs("Password: ", stderr);
    termios before{};
    const bool terminal = tcgetattr(STDIN_FILENO, &before) == 0;
    if (terminal) {
        termios quiet = before;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::string line;
    std::getline(std::cin, line);
    if (terminal)
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &before);
    std::fputs("\n", stderr);
    return QString::fromStdString(line);
}
} // namespace

int Commands::upload(const QStringList& arguments) {
    QCommandLineParser parser;
    const QCommandLineOption server(u"server"_s, {}, u"S"_s);
    const QCommandLineOption user(u"user"_s, {}, u"U"_s);
    const QCommandLineOption readOnly(u"read-only"_s);
    // curl's "HOST:PORT:CONNECT-HOST:CONNECT-PORT" mapping, for a server
    // reached under another address (a tunnel, a test server). It moves only
    // this run's own connections; names and certificates are still checked
    // against the server setting.
    const QCommandLineOption connectTo(u"connect-to"_s, {}, u"HOST:PORT:HOST2:PORT2"_s);
    parser.addOptions({helpOption(), server, user, readOnly, connectTo});
    if (!parser.parse(QStringList{u"koa-tool"_s} + arguments)) {
        printError(u"upload: "_s + parser.errorText() + u"\n"_s + usage());
        return BadUsage;
    }
    if (parser.isSet(u"help"_s)) {
        printOut(usage());
        return Done;
    }
    const QStringList named = parser.positionalArguments();
    if (named.size() > 1) {
        printError(u"upload: unexpected argument "_s + named[1] + u"\n"_s + usage());
        return BadUsage;
    }
    const QString package = named.value(0);
    online::Account account;
    account.server = parser.value(server);
    account.user = parser.value(user);
    if (package.isEmpty() || account.server.isEmpty() || account.user.isEmpty()) {
        printError(u"upload takes PKG.kof --server S --user U\n"_s + usage());
        return BadUsage;
    }
    const std::optional<QString> secret = password();
    if (!secret) {
        printError(u"upload: set KOA_PASSWORD or run it on a terminal"_s);
        return BadUsage;
    }
    account.password = *secret;
    online::CurlRequest::setConnectTo(parser.values(connectTo));

    const auto program = openCourse(package);
    if (!program)
        return Failed;
    online::Upload upload({program->folder().workingFolder(), program->folder().path(u"upload"_s),
                           QFileInfo(package).completeBaseName(), account});
    upload.showState = [](const QString& text) {
        printOut(QString(text).replace(u"\r\n"_s, u"\n"_s) + u"\n"_s);
    };
    upload.showStatus = [](const QString& text) {
        printError(text);
    };
    upload.showFileSize = upload.showState;
    upload.showUploadTime = upload.showState;
    return upload.UpLoad(parser.isSet(readOnly)) ? Done : Failed;
}

} // namespace koa::tool
