#include "commands.h"

#include "coursesummary.h"
#include "distribution/export.h"
#include "distribution/merge.h"
#include "distribution/scormexport.h"
#include "media/playablecopy.h"
#include "privateprogramfolder.h"
#include "render/renderer.h"
#include "store/cachefolder.h"
#include "store/coursedb.h"
#include "store/coursefiles.h"
#include "store/database.h"
#include "store/fileops.h"
#include "store/interaction.h"
#include "store/package.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <utility>

#include <QCommandLineParser>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlQuery>
#include <QTemporaryDir>

using namespace Qt::Literals::StringLiterals;

namespace koa::tool {

namespace {

QString row(const QString& label, const QString& value) {
    return (value.isEmpty() ? label : label.leftJustified(14) + value) + u"\n"_s;
}

bool isEmptyFolder(const QString& path) {
    return QDir(path).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden |
                              QDir::System);
}

// Removes what an unpack left in a folder that was empty before it.
void emptyFolder(const QString& path) {
    QDir dir(path);
    for (const QFileInfo& f :
         dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)) {
        try {
            removeFolder(f.filePath());
        } catch (const KoaError& e) {
            printError(e.description());
        }
    }
}

// Unpacks a package into a private folder; prints why and returns false when
// it cannot. `course` is the koa.kod that was found.
bool unpackForReading(const QString& package, const QString& destination, QString& course) {
    try {
        package::unpackPackage(package, destination);
    } catch (const KoaError& e) {
        printError(u"cannot unpack "_s + package + u": "_s + e.description());
        return false;
    }
    course = destination + u"/koa.kod"_s;
    if (!QFileInfo(course).isFile()) {
        printError(package + u" holds no course (koa.kod is missing)"_s);
        return false;
    }
    return true;
}

bool isReadableFile(const QString& path) {
    const QFileInfo f(path);
    if (!f.exists()) {
        printError(path + u": no such file"_s);
        return false;
    }
    if (!f.isFile() || !f.isReadable()) {
        printError(path + u": not a readable file"_s);
        return false;
    }
    return true;
}

// Keeps where the renderer's documents went instead of showing them.
class DocumentRecorder : public render::RenderHost {
public:
    void navigate(const QString&) override {}
    void navigateFrame(const QString&, const QString& filePath) override { document = filePath; }
    void runScript(const QString& text) override {
        if (text == u"javascript:show_glossary()"_s)
            glossaryShown = true;
    }

    QString document;
    bool glossaryShown = false;
};

// The composer numbers the layout from 0 when a course is loaded, before
// anything is rendered; pages are found by that numbering.
void numberLayoutFromZero(const QString& databasePath) {
    Database db(databasePath);
    QSqlQuery rows = db.exec(u"SELECT rowid FROM data ORDER BY \"index\""_s);
    QVariantList ids;
    while (rows.next())
        ids.append(rows.value(0));
    db.begin();
    for (qsizetype i = 0; i < ids.size(); ++i)
        db.exec(u"UPDATE data SET \"index\" = ? WHERE rowid = ?"_s, {i, ids[i]});
    db.commit();
}

int usageError(const QString& problem) {
    printError(problem);
    std::fputs(Commands::usage().toLocal8Bit().constData(), stderr);
    return Commands::BadUsage;
}

} // namespace

Commands::Commands() {
    setInteraction(&m_console);
    setErrorSink([this](const ErrorReport& r) {
        m_errors.append(r);
        printError(u"error "_s + QString::number(r.number) + u" in "_s + r.location + u": "_s +
                   r.description);
    });
}

Commands::~Commands() {
    setErrorSink({});
    setInteraction(nullptr);
}

QString Commands::usage() {
    return u"Usage: koa-tool COMMAND ARGUMENTS...\n"
           "\n"
           "Commands:\n"
           "  new OUT.kof [--force]  Write a new, blank course as the package OUT.kof;\n"
           "                         an existing OUT.kof only with --force.\n"
           "  info PKG.kof [--json]  Show the header, the row count of every course table\n"
           "                         and the module and page layout of a package;\n"
           "                         --json prints one JSON object.\n"
           "  check PKG.kof          Open a package as KOA does and show what it found.\n"
           "  unpack PKG.kof DIR     Unpack a package into the new or empty folder DIR.\n"
           "  pack DIR OUT.kof       Pack the folder DIR into the package OUT.kof.\n"
           "  merge OUT.kof IN1.kof IN2.kof...\n"
           "                         Merge packages into the new package OUT.kof: the\n"
           "                         header of IN1, the objects and modules of all.\n"
           "  export PKG.kof DIR [--read-only]\n"
           "                         Export the course as the self-running folder DIR\n"
           "                         (a new folder) with the viewer and autorun.inf;\n"
           "                         --read-only marks the exported copy read-only.\n"
           "                         Older movies and sounds lacking a copy that\n"
           "                         browsers play get one on the way.\n"
           "  export-web PKG.kof DIR Export the course as the folder DIR that plays in any\n"
           "                         browser (open DIR/index.html, or put DIR on a web\n"
           "                         server).\n"
           "  export-scorm PKG.kof OUT.zip [--scorm 1.2|2004]\n"
           "                         Export the course as a SCORM package for learning\n"
           "                         platforms (SCORM 2004 4th edition unless 1.2).\n"
           "  upload PKG.kof --server S --user U [--read-only]\n"
           "                         Publish the course on the server S as KOA does; the\n"
           "                         password comes from KOA_PASSWORD or the terminal.\n"
           "                         --connect-to HOST:PORT:HOST2:PORT2 (repeatable)\n"
           "                         sends the connections for HOST:PORT to HOST2:PORT2.\n"
           "  render PKG.kof (--page MODULE PAGE | --menu | --header | --glossary)\n"
           "                         Write the document that KOA shows for a page\n"
           "                         (numbers from 0), the course menu, the title page\n"
           "                         or the glossary, and print its path.\n"
           "                         --templates DIR reads includes/ and skins/ from DIR.\n"
           "\n"
           "Options:\n"
           "  -h, --help             Show this text.\n"
           "  --version              Show the version.\n"
           "  --                     Every argument after it is a file name.\n"
           "\n"
           "Packages are only read, never written into, except OUT.kof. Every command\n"
           "works in a private temporary program folder, never in KOA's own.\n"
           "KOA's messages go to stderr; its questions are answered Yes.\n"
           "\n"
           "Exit status: 0 done, 1 failed (or the package did not open), 2 bad arguments.\n"_s;
}

namespace {

// How many file names a command takes (merge: at least) and its own options.
struct Shape {
    QString name;
    qsizetype files;
    QList<QCommandLineOption> options;
};

const QList<Shape>& shapes() {
    static const QList<Shape> all = {
        {u"new"_s, 1, {QCommandLineOption(u"force"_s)}},
        {u"info"_s, 1, {QCommandLineOption(u"json"_s)}},
        {u"check"_s, 1, {}},
        {u"unpack"_s, 2, {}},
        {u"pack"_s, 2, {}},
        {u"render"_s,
         1,
         {QCommandLineOption(u"menu"_s), QCommandLineOption(u"header"_s),
          QCommandLineOption(u"glossary"_s), QCommandLineOption(u"templates"_s, {}, u"DIR"_s)}},
        {u"merge"_s, 3, {}},
        {u"export"_s, 2, {QCommandLineOption(u"read-only"_s)}},
        {u"export-web"_s, 2, {}},
        {u"export-scorm"_s, 2, {QCommandLineOption(u"scorm"_s, {}, u"VERSION"_s, u"2004"_s)}},
    };
    return all;
}

// `--page MODULE PAGE` takes two values, which QCommandLineParser cannot;
// it is taken out before the parser sees the rest. Returns an error text.
QString takePage(QStringList& arguments, int& module, int& page, int& count) {
    for (qsizetype i = 0; i < arguments.size() && arguments[i] != u"--"_s; ++i) {
        if (arguments[i] != u"--page"_s)
            continue;
        bool moduleOk = false;
        bool pageOk = false;
        if (i + 2 < arguments.size()) {
            module = arguments[i + 1].toInt(&moduleOk);
            page = arguments[i + 2].toInt(&pageOk);
        }
        if (!moduleOk || !pageOk)
            return u"--page takes a module and a page number"_s;
        arguments.remove(i, 3);
        --i;
        ++count;
    }
    return {};
}

} // namespace

QCommandLineOption Commands::helpOption() {
    return QCommandLineOption({u"h"_s, u"help"_s}, u"Show the usage."_s);
}

int Commands::run(QStringList arguments) {
    // The options before the command are the tool's; those after it are the command's.
    QCommandLineParser tool;
    const QCommandLineOption help = helpOption();
    const QCommandLineOption version(u"version"_s, u"Show the version."_s);
    tool.addOption(help);
    tool.addOption(version);
    tool.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    if (!tool.parse(QStringList{u"koa-tool"_s} + arguments))
        return usageError(tool.errorText());
    if (tool.isSet(help)) {
        printOut(usage());
        return Done;
    }
    if (tool.isSet(version)) {
        printOut(u"koa-tool "_s + QString::fromLatin1(KOA_VERSION_TEXT) + u"\n"_s);
        return Done;
    }
    arguments = tool.positionalArguments();
    if (arguments.isEmpty())
        return usageError(u"no command given"_s);
    const QString command = arguments.takeFirst();
    if (command == u"help"_s) {
        printOut(usage());
        return Done;
    }
    if (command == u"upload"_s)
        return upload(arguments);
    const auto shape = std::find_if(shapes().begin(), shapes().end(),
                                    [&](const Shape& s) { return s.name == command; });
    if (shape == shapes().end())
        return usageError(u"unknown command "_s + command);

    RenderRequest request;
    int pages = 0;
    if (command == u"render"_s) {
        const QString problem = takePage(arguments, request.module, request.page, pages);
        if (!problem.isEmpty())
            return usageError(problem);
    }
    QCommandLineParser parser;
    parser.addOption(help);
    parser.addOptions(shape->options);
    if (!parser.parse(QStringList{u"koa-tool"_s} + arguments))
        return usageError(command + u": "_s + parser.errorText());
    if (parser.isSet(help)) {
        printOut(usage());
        return Done;
    }
    const QStringList files = parser.positionalArguments();
    // merge takes the output and at least two inputs.
    if (command == u"merge"_s ? files.size() < shape->files : files.size() != shape->files)
        return usageError(command + u" takes "_s +
                          (command == u"merge"_s ? u"at least "_s : QString()) +
                          QString::number(shape->files) +
                          (shape->files == 1 ? u" file name"_s : u" file names"_s) + u", not "_s +
                          QString::number(files.size()));
    if (files.contains(QString()))
        return usageError(u"an empty file name"_s);

    if (command == u"render"_s) {
        const QStringList documents{u"menu"_s, u"header"_s, u"glossary"_s};
        QStringList named;
        for (const QString& option : parser.optionNames()) {
            if (documents.contains(option))
                named.append(option);
        }
        if (pages + named.size() > 1)
            return usageError(u"render writes one document at a time"_s);
        if (pages + named.size() == 0)
            return usageError(u"render needs --page, --menu, --header or --glossary"_s);
        request.what = pages ? u"page"_s : named.first();
        request.templates = parser.value(u"templates"_s);
        if (parser.isSet(u"templates"_s) && request.templates.isEmpty())
            return usageError(u"--templates takes a folder"_s);
        return render(files[0], request);
    }
    if (command == u"new"_s)
        return newCourse(files[0], parser.isSet(u"force"_s));
    if (command == u"info"_s)
        return info(files[0], parser.isSet(u"json"_s));
    if (command == u"check"_s)
        return check(files[0]);
    if (command == u"unpack"_s)
        return unpack(files[0], files[1]);
    if (command == u"merge"_s)
        return merge(files[0], files.mid(1));
    if (command == u"export"_s)
        return exportCourse(files[0], files[1], parser.isSet(u"read-only"_s));
    if (command == u"export-web"_s)
        return exportForWeb(files[0], files[1], std::nullopt);
    if (command == u"export-scorm"_s) {
        const QString version = parser.value(u"scorm"_s);
        if (version != u"1.2"_s && version != u"2004"_s) {
            printError(u"--scorm takes 1.2 or 2004"_s);
            return BadUsage;
        }
        return exportForWeb(files[0], files[1],
                            version == u"1.2"_s ? distribution::ScormVersion::Scorm12
                                                : distribution::ScormVersion::Scorm2004);
    }
    return pack(files[0], files[1]);
}

int Commands::newCourse(const QString& out, bool force) {
    // A course that is there already is somebody's work.
    if (QFileInfo(out).isDir()) {
        printError(out + u" is a folder"_s);
        return Failed;
    }
    if (QFileInfo::exists(out) && !force) {
        printError(out + u" exists; --force writes over it"_s);
        return Failed;
    }
    const auto program = PrivateProgramFolder::make();
    if (!program)
        return Failed;
    CourseHost host;
    CourseFiles files(program->folder(), host);
    files.New_file(false);
    // New_file reports its own failure; without a working course there is nothing to save.
    if (!QFileInfo::exists(program->folder().workingDatabase())) {
        printError(out + u" was not written: the blank course could not be made"_s);
        return Failed;
    }
    m_console.answerSaveWith(QFileInfo(out).absoluteFilePath());
    if (!files.Save_course(false)) {
        printError(out + u" was not written"_s);
        return Failed;
    }
    return Done;
}

int Commands::info(const QString& package, bool json) {
    if (!isReadableFile(package))
        return Failed;
    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        printError(u"cannot create a temporary folder: "_s + scratch.errorString());
        return Failed;
    }
    QString course;
    if (!unpackForReading(package, scratch.filePath(u"course"_s), course))
        return Failed;
    std::optional<CourseSummary> summary;
    try {
        summary = CourseSummary::read(course);
    } catch (const KoaError& e) {
        printError(u"cannot read the course of "_s + package + u": "_s + e.description());
        return Failed;
    }

    const QString path = QFileInfo(package).absoluteFilePath();
    const bool marked = package::hasPackageMarker(package);
    if (json) {
        QJsonObject out = summary->toJson();
        out.insert(u"file"_s, path);
        out.insert(u"marker"_s, marked);
        const QByteArray bytes = QJsonDocument(out).toJson(QJsonDocument::Indented);
        std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
        std::fflush(stdout);
    } else {
        printOut(row(u"file"_s, path) + row(u"marker"_s, marked ? u"KO"_s : u"none (plain ZIP)"_s) +
                 summary->headerText() + u"\n"_s + summary->tablesText() + u"\n"_s +
                 summary->layoutText());
    }
    return Done;
}

QString Commands::copyToOpen(const PrivateProgramFolder& program, const QString& package) {
    // Opened from a copy of its own: whatever happens, the package stays as it was.
    const QString copy = program.scratch(u"package/"_s + QFileInfo(package).fileName());
    if (!QDir().mkpath(QFileInfo(copy).path()) || !QFile::copy(package, copy)) {
        printError(u"cannot copy "_s + package + u" to a temporary folder"_s);
        return {};
    }
    return copy;
}

std::unique_ptr<PrivateProgramFolder> Commands::openCourse(const QString& package,
                                                           const QString& templates) {
    auto program = PrivateProgramFolder::make();
    if (!program)
        return nullptr;
    if (!templates.isEmpty() && !program->useTemplatesFrom(templates))
        return nullptr;
    const QString copy = copyToOpen(*program, package);
    if (copy.isEmpty())
        return nullptr;
    CourseHost host;
    CourseFiles files(program->folder(), host);
    if (!files.Open_file(copy, false)) {
        printError(package + u" did not open"_s);
        return nullptr;
    }
    return program;
}

int Commands::check(const QString& package) {
    if (!isReadableFile(package))
        return Failed;
    const auto program = PrivateProgramFolder::make();
    if (!program)
        return Failed;
    const QString copy = copyToOpen(*program, package);
    if (copy.isEmpty())
        return Failed;

    CourseHost host;
    CourseFiles files(program->folder(), host);
    const qsizetype shownBefore = m_console.shownTexts().size();
    const qsizetype errorsBefore = m_errors.size();
    const bool opened = files.Open_file(copy, false);
    const QStringList shown = m_console.shownTexts().mid(shownBefore);
    // A converted course has no file of its own yet: it must be saved as a new one.
    const bool converted = files.currentPath().isEmpty();

    QString messages;
    for (const QString& text : shown)
        messages += row(u"message"_s, QString(text).replace(u"\r\n"_s, u" "_s));
    QString out = row(u"file"_s, QFileInfo(package).absoluteFilePath());
    if (!opened) {
        printOut(out + row(u"opened"_s, u"no"_s) + messages);
        return Failed;
    }

    // An open that reported errors on its way is no sound course.
    const QString version = CheckKOFVersion(program->folder().workingDatabase());
    std::optional<CourseSummary> summary;
    try {
        // The file header window reads the header first; what fails there fails in KOA.
        readHeader(program->folder().workingDatabase());
        summary = CourseSummary::read(program->folder().workingDatabase());
    } catch (const KoaError& e) {
        errorDetected(e.number(), e.description(), u"koa-tool / check"_s);
    }
    const bool sound = summary && m_errors.size() == errorsBefore;

    out += row(u"opened"_s, sound ? u"yes"_s : u"with errors"_s);
    out += row(u"version"_s, version == u"error"_s ? u"(none)"_s : version);
    out += row(u"converted"_s, converted ? u"yes (older format)"_s : u"no"_s);
    out += row(u"display name"_s, files.displayName());
    out += messages;
    for (qsizetype i = errorsBefore; i < m_errors.size(); ++i)
        out += row(u"error"_s, QString::number(m_errors[i].number) + u" in "_s +
                                   m_errors[i].location + u": "_s + m_errors[i].description);
    if (summary)
        out += summary->tablesText();
    printOut(out);
    return sound ? Done : Failed;
}

int Commands::unpack(const QString& package, const QString& folder) {
    if (!isReadableFile(package))
        return Failed;
    const QFileInfo target(folder);
    const bool existed = target.exists();
    // Unpacking never mixes with or overwrites files that were there before.
    if (existed && !target.isDir()) {
        printError(folder + u" exists and is not a folder"_s);
        return Failed;
    }
    if (existed && !isEmptyFolder(folder)) {
        printError(folder + u" is not empty; unpack into a new or empty folder"_s);
        return Failed;
    }
    try {
        package::unpackPackage(package, target.absoluteFilePath());
    } catch (const KoaError& e) {
        // Nothing half unpacked stays behind.
        if (existed) {
            emptyFolder(folder);
        } else {
            try {
                removeFolder(folder);
            } catch (const KoaError& removeError) {
                printError(removeError.description());
            }
        }
        printError(u"cannot unpack "_s + package + u": "_s + e.description());
        return Failed;
    }
    return Done;
}

int Commands::pack(const QString& folder, const QString& out) {
    const QFileInfo source(folder);
    if (!source.isDir()) {
        printError(folder + u": no such folder"_s);
        return Failed;
    }
    const QFileInfo target(out);
    if (target.isDir()) {
        printError(out + u" is a folder"_s);
        return Failed;
    }
    const QFileInfo targetFolder(target.absolutePath());
    if (!targetFolder.isDir()) {
        printError(u"the folder of "_s + out + u" does not exist"_s);
        return Failed;
    }
    // A package written into the folder it packs would hold its own older copy.
    const QString from = source.canonicalFilePath();
    const QString into = targetFolder.canonicalFilePath();
    if (into == from || into.startsWith(from.endsWith(u'/') ? from : from + u"/"_s)) {
        printError(out + u" lies inside "_s + folder + u"; write the package elsewhere"_s);
        return Failed;
    }

    if (!QFileInfo::exists(folder + u"/koa.kod"_s))
        printError(u"warning: "_s + folder + u" holds no koa.kod; the package is no course"_s);
    QDirIterator links(folder,
                       QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                       QDirIterator::Subdirectories);
    while (links.hasNext()) {
        links.next();
        if (links.fileInfo().isSymLink())
            printError(u"warning: the link "_s + links.filePath() + u" is not packed"_s);
    }

    try {
        // The store lists the folder's entries relative to an absolute path.
        package::packFolder(source.absoluteFilePath(), target.absoluteFilePath());
    } catch (const KoaError& e) {
        printError(u"cannot write "_s + out + u": "_s + e.description());
        return Failed;
    }
    return Done;
}

int Commands::render(const QString& package, const RenderRequest& request) {
    if (!isReadableFile(package))
        return Failed;
    const auto program = openCourse(package, request.templates);
    if (!program)
        return Failed;
    // Documents of the tool never replace the ones a running KOA shows.
    QString cache;
    try {
        numberLayoutFromZero(program->folder().workingDatabase());
        cache = cacheFolder(u"koa-tool"_s);
    } catch (const KoaError& e) {
        printError(e.description());
        return Failed;
    }

    const qsizetype errorsBefore = m_errors.size();
    DocumentRecorder shown;
    render::Renderer::Options options;
    options.window = u"koa-tool"_s;
    options.cacheFolder = cache;
    render::Renderer renderer(shown, program->folder().root(), options);
    render::RenderState& state = renderer.state();
    state.previewMode = request.what == u"page"_s ? u"module"_s : request.what;
    // Reads the skin as the program does before it renders.
    renderer.Initiate();
    QString written;
    if (request.what == u"glossary"_s) {
        renderer.glossary();
        if (shown.glossaryShown)
            written = renderer.glossaryFile();
    } else {
        state.moduleNumber = request.module;
        state.pageNumber = request.page;
        renderer.renderCurrent();
        written = shown.document;
    }
    if (written.isEmpty()) {
        if (request.what == u"page"_s && m_errors.size() == errorsBefore)
            printError(u"module "_s + QString::number(request.module) + u" has no page "_s +
                       QString::number(request.page) + u"; KOA shows the course menu there"_s);
        else
            printError(u"no document was written"_s);
        return Failed;
    }
    printOut(written + u"\n"_s);
    return m_errors.size() == errorsBefore ? Done : Failed;
}

int Commands::merge(const QString& out, const QStringList& inputs) {
    for (const QString& input : inputs) {
        if (!isReadableFile(input))
            return Failed;
    }
    if (QFileInfo(out).isDir()) {
        printError(out + u" is a folder"_s);
        return Failed;
    }
    const auto program = PrivateProgramFolder::make();
    if (!program)
        return Failed;
    // The refusals and failures are told as the merge window tells them.
    distribution::MergeHost host;
    distribution::CourseMerge merging(program->folder(), host);
    QStringList absolute;
    for (const QString& input : inputs)
        absolute.append(QFileInfo(input).absoluteFilePath());
    return merging.merge(absolute, QFileInfo(out).absoluteFilePath()) ? Done : Failed;
}

void Commands::makePlayableCopies(const QString& courseFolder) {
    try {
        for (const media::MissingCopy& m : media::missingPlayableCopies(courseFolder)) {
            // On stderr: stdout names only the exported viewer.
            printError(u"making a copy of '"_s + m.name + u"' that browsers can play"_s);
            const media::CopyOutcome outcome = media::makePlayableCopy(m.source, m.target);
            if (outcome.end != media::CopyEnd::Done)
                printError(u"no playable copy of '"_s + m.name + u"': "_s + outcome.error);
        }
    } catch (const KoaError& e) {
        printError(e.description());
    }
}

int Commands::exportWith(const QString& package,
                         const std::function<ExportReport(const ProgramFolder&)>& run) {
    if (!isReadableFile(package))
        return Failed;
    const auto program = openCourse(package);
    if (!program)
        return Failed;
    makePlayableCopies(program->folder().workingFolder());
    const ExportReport report = run(program->folder());
    if (!report.done) {
        // The window's message, and for the command line what failed.
        printError(report.message);
        if (!report.detail.isEmpty())
            printError(report.detail);
        return Failed;
    }
    printOut(report.printed + u"\n"_s);
    return Done;
}

int Commands::exportCourse(const QString& package, const QString& folder, bool readOnly) {
    const QString to = QFileInfo(folder).absoluteFilePath();
    return exportWith(package, [&](const ProgramFolder& program) {
        const distribution::ExportOutcome outcome = distribution::exportCourse(
            distribution::ExportSource::forProgramFolder(program), to, readOnly);
        return ExportReport{outcome.result == distribution::ExportOutcome::Result::Done,
                            outcome.message(), outcome.detail, to + u"/"_s + outcome.viewerName};
    });
}

int Commands::exportForWeb(const QString& package, const QString& target,
                           std::optional<distribution::ScormVersion> scorm) {
    const QString to = QFileInfo(target).absoluteFilePath();
    return exportWith(package, [&](const ProgramFolder& program) {
        const distribution::WebExportOutcome outcome =
            scorm ? distribution::exportScorm(program.root(), to, *scorm)
                  : distribution::exportForWeb(program.root(), to);
        return ExportReport{outcome.result == distribution::WebExportOutcome::Result::Done,
                            outcome.message(), outcome.detail, scorm ? to : to + u"/index.html"_s};
    });
}

} // namespace koa::tool
