#pragma once

#include "consoleinteraction.h"
#include "distribution/scormexport.h"
#include "store/errors.h"

#include <functional>
#include <memory>
#include <optional>

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>

namespace koa {
class ProgramFolder;
}

namespace koa::tool {

class PrivateProgramFolder;

// The commands of koa-tool over the course store. While it lives, the store's
// messages and error reports go to the console.
class Commands {
public:
    enum ExitCode { Done = 0, Failed = 1, BadUsage = 2 };

    Commands();
    ~Commands();
    Commands(const Commands&) = delete;
    Commands& operator=(const Commands&) = delete;

    // `arguments` without the program's name; returns the exit status.
    int run(QStringList arguments);

    static QString usage();
    // -h, --help: for the tool and after every command.
    static QCommandLineOption helpOption();

private:
    int newCourse(const QString& out, bool force);
    int info(const QString& package, bool json);
    int check(const QString& package);
    int unpack(const QString& package, const QString& folder);
    int pack(const QString& folder, const QString& out);
    int merge(const QString& out, const QStringList& inputs);
    // What an export tells: the window's message and what failed, or the path to print.
    struct ExportReport {
        bool done = false;
        QString message;
        QString detail;
        QString printed;
    };
    // Opens the package, makes missing playable copies and runs the export.
    int exportWith(const QString& package,
                   const std::function<ExportReport(const ProgramFolder&)>& run);
    int exportCourse(const QString& package, const QString& folder, bool readOnly);
    // A folder for the web, or a SCORM package when a version is given.
    int exportForWeb(const QString& package, const QString& target,
                     std::optional<distribution::ScormVersion> scorm);
    // Makes the copies browsers play that older movies and sounds lack.
    void makePlayableCopies(const QString& courseFolder);
    // Publishes a package (uploadcommand.cpp).
    int upload(const QStringList& arguments);

    // What `render` writes: "page", "menu", "header" or "glossary".
    struct RenderRequest {
        QString what;
        int module = 0;
        int page = 0;
        QString templates; // empty: the shipped ones
    };
    int render(const QString& package, const RenderRequest& request);
    // A copy of the package in the tool's own folder; empty when it failed.
    static QString copyToOpen(const PrivateProgramFolder& program, const QString& package);
    // The package opened as KOA opens it, in a program folder of the tool's
    // own (reading includes/ and skins/ from `templates` when given); null
    // once the reason is told.
    std::unique_ptr<PrivateProgramFolder> openCourse(const QString& package,
                                                     const QString& templates = {});

    ConsoleInteraction m_console;
    QList<ErrorReport> m_errors;
};

} // namespace koa::tool
