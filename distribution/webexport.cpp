#include "webexport.h"

#include "export.h"
#include "exportsteps.h"
#include "render/coursereader.h"
#include "render/renderer.h"
#include "store/coursepaths.h"
#include "store/database.h"
#include "store/errors.h"
#include "store/fileops.h"
#include "store/schema.h"
#include "store/textescape.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QStringDecoder>
#include <QTemporaryDir>

Q_LOGGING_CATEGORY(lcWebExport, "koa.export.web")

using namespace Qt::Literals::StringLiterals;

namespace koa::distribution {

namespace {

// Where the documents name the export's own folder; the player puts in its
// address, which only the browser knows (a file on disk or a web server).
const QString RootMark = u"__KOA_ROOT__/"_s;

QString readText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw KoaError(errnum::FileNotFound, u"Cannot read "_s + path);
    QStringDecoder decode(QStringDecoder::Utf8);
    return QString(decode(file.readAll()));
}

// Takes the documents the renderer hands over instead of showing them.
class DocumentCapture : public render::RenderHost {
public:
    void navigate(const QString&) override { endOfModule = true; }
    void navigateFrame(const QString&, const QString& filePath) override {
        document = readText(filePath);
    }
    void runScript(const QString& text) override { script = text; }

    void clear() {
        document.clear();
        script.clear();
        endOfModule = false;
    }

    QString document;
    QString script;
    bool endOfModule = false;
};

// Names as the course's queries compare them: ASCII letters in either case.
QString folded(const QString& name) {
    QString out = name;
    for (QChar& c : out) {
        if (c >= u'A' && c <= u'Z')
            c = c.toLower();
    }
    return out;
}

// Every document of the course, written by the renderer with addresses
// relative to the export's own folder.
class CourseDocuments {
public:
    CourseDocuments(const QString& programFolder, const QString& cacheFolder)
        : m_renderer(m_capture, programFolder, {u"web export"_s, true, cacheFolder}) {
        render::RenderState& state = m_renderer.state();
        state.programPathScript = RootMark;
        state.programPathUrl = RootMark;
        state.previewMode = u"module"_s;
        m_renderer.Initiate(); // reads the skin
    }

    QString skin() const { return m_renderer.state().skin; }

    QString titlePage() {
        return shown([&] { m_renderer.ShowHeader(); });
    }
    QString menu() {
        return shown([&] { m_renderer.ShowMenu(); });
    }
    QString glossary() {
        m_capture.clear();
        m_renderer.glossary();
        return readText(m_renderer.glossaryFile());
    }

    // The pages of module `number`, first to last.
    QJsonArray modulePages(int number) {
        QJsonArray pages;
        render::RenderState& state = m_renderer.state();
        for (int page = 0;; ++page) {
            state.previewMode = u"module"_s;
            state.moduleNumber = number;
            state.pageNumber = page;
            m_capture.clear();
            m_renderer.ShowPage();
            if (m_capture.endOfModule)
                return pages;
            if (m_capture.document.isEmpty())
                throw KoaError(
                    errnum::Database,
                    u"Page %1 of module %2 could not be written"_s.arg(page + 1).arg(number + 1));
            pages.append(m_capture.document);
        }
    }

private:
    QString shown(const std::function<void()>& show) {
        m_capture.clear();
        show();
        if (m_capture.document.isEmpty())
            throw KoaError(errnum::Database, u"A course document could not be written"_s);
        return m_capture.document;
    }

    DocumentCapture m_capture;
    render::Renderer m_renderer;
};

QJsonObject lookups(const QString& databasePath) {
    Database db(databasePath, Database::Mode::ReadOnly);
    render::CourseReader reader(db);
    QJsonObject pages;
    for (const QString& name : reader.pageNames()) {
        if (const auto place = reader.locatePage(name))
            pages.insert(folded(name), QJsonArray{place->moduleNumber, place->pageNumber});
    }
    // Keywords and documents go by their escaped names, as links ask for them;
    // a name stored with its brackets plain (the pool's) is found under its
    // escaped form unless an escaped one holds it, as the viewer finds them.
    QJsonObject keywords;
    QJsonObject documents;
    const std::vector<render::Keyword> storedKeywords = reader.keywords();
    const auto storedDocuments = reader.documents();
    for (const bool escape : {false, true}) {
        const auto add = [escape](QJsonObject& into, QString name, const QString& value) {
            if (escape)
                ParseText(name);
            if (!into.contains(folded(name)))
                into.insert(folded(name), value);
        };
        for (const render::Keyword& k : storedKeywords)
            add(keywords, k.name, k.description);
        for (const auto& [name, file] : storedDocuments)
            add(documents, name, file);
    }
    const std::optional<render::TitleFields> title = reader.titleFields();
    return {{u"pages"_s, pages},
            {u"keywords"_s, keywords},
            {u"documents"_s, documents},
            {u"moduleCount"_s, reader.moduleCount()},
            {u"statementCount"_s, reader.placedStatementCount()},
            {u"title"_s, title ? title->title : QString()},
            {u"description"_s, title ? title->description : QString()}};
}

QJsonObject courseData(const QString& programFolder, const QString& cacheFolder) {
    const QString database = programFolder + u"/temp/koa.kod"_s;
    QJsonObject course = lookups(database);
    CourseDocuments documents(programFolder, cacheFolder);
    const QString skin = documents.skin();
    const QString skinFolder = programFolder + u"/skins/"_s + skin;
    course.insert(u"skin"_s, skin);
    course.insert(u"rootMark"_s, RootMark);
    course.insert(u"framesets"_s,
                  QJsonObject{{u"page"_s, readText(skinFolder + u"/page_frameset.htm"_s)},
                              {u"menu"_s, readText(skinFolder + u"/menu_frameset.htm"_s)},
                              {u"header"_s, readText(skinFolder + u"/header_frameset.htm"_s)}});
    course.insert(u"titlePage"_s, documents.titlePage());
    course.insert(u"menu"_s, documents.menu());
    QJsonArray modules;
    for (int m = 0; m < course.value(u"moduleCount"_s).toInt(); ++m)
        modules.append(documents.modulePages(m));
    course.insert(u"modules"_s, modules);
    course.insert(u"glossary"_s, documents.glossary());
    return course;
}

// The course's media (never its database), the shipped scripts and player,
// the skin and the web player's own files.
void copyParts(const QString& programFolder, const QString& skin, const QString& stage) {
    const QString working = programFolder + u"/temp"_s;
    for (const QString& folder : {u"/temp"_s, u"/skins"_s}) {
        if (!QDir().mkpath(stage + folder))
            throw KoaError(errnum::PathFileAccess, u"Cannot create "_s + stage + folder);
    }
    for (const QString& folder : schema::courseFolders()) {
        if (QFileInfo(working + u'/' + folder).isDir())
            copyFolder(working + u'/' + folder, stage + u"/temp/"_s + folder);
        else if (!QDir().mkpath(stage + u"/temp/"_s + folder))
            throw KoaError(errnum::PathFileAccess, u"Cannot create "_s + folder);
    }
    copyFolder(programFolder + u"/includes"_s, stage + u"/includes"_s);
    // The page templates are in the documents already.
    QDirIterator templates(stage + u"/includes"_s, {u"*.inc"_s}, QDir::Files);
    while (templates.hasNext())
        QFile::remove(templates.next());
    copyFolder(programFolder + u"/skins/"_s + skin, stage + u"/skins/"_s + skin);
    const QString web = programFolder + u"/web"_s;
    for (const QString& file : QDir(web).entryList(QDir::Files))
        copyFileOver(web + u'/' + file, stage + u'/' + file);
}

// What the pages name that is not there (or leads out of its folder).
QStringList missingMedia(const QString& programFolder) {
    static const QHash<QString, QString> shown = {{u"pictures"_s, u"Picture"_s},
                                                  {u"movies"_s, u"Movie"_s},
                                                  {u"flash"_s, u"Flash animation"_s},
                                                  {u"sounds"_s, u"Sound"_s}};
    const QString working = programFolder + u"/temp"_s;
    Database db(working + u"/koa.kod"_s, Database::Mode::ReadOnly);
    QStringList missing;
    for (const auto& named : render::CourseReader(db).namedMediaFiles()) {
        const QString path = courseFilePath(working, named.table, named.file);
        if (path.isEmpty() || !QFileInfo(path).isFile())
            missing.append(shown.value(named.table) + u" '"_s + unParseText(named.objectName) +
                           u"' ("_s + named.file + u")"_s);
    }
    return missing;
}

} // namespace

QString WebExportOutcome::message() const {
    switch (result) {
    case Result::Done:
        return {};
    case Result::TargetExists:
        return messages::ExportExists;
    case Result::MediaMissing:
        return messages::MediaMissing + u"\n\n"_s + missing.join(u'\n');
    case Result::Failed:
        break;
    }
    return messages::WebExportFailed;
}

WebCourse writeWebFolder(const QString& programFolder, const QString& folder) {
    QTemporaryDir cache;
    if (!cache.isValid())
        throw KoaError(errnum::PathFileAccess, u"Cannot create a folder: "_s + cache.errorString());
    const QJsonObject course = courseData(programFolder, cache.path());
    copyParts(programFolder, course.value(u"skin"_s).toString(), folder);
    writeFileWhole(folder + u"/course.js"_s,
                   "var KOA_COURSE = " + QJsonDocument(course).toJson(QJsonDocument::Compact) +
                       ";\n");
    // A file of its own beside index.html: its addresses are relative.
    writeFileWhole(folder + u"/glossary.html"_s,
                   course.value(u"glossary"_s).toString().remove(RootMark).toUtf8());
    openToReaders(folder);
    return {unParseText(course.value(u"title"_s).toString()),
            unParseText(course.value(u"description"_s).toString())};
}

WebExportOutcome
runExport(const QString& programFolder, const QString& target,
          const std::function<void(const QString& to, const QString& staging)>& build) {
    WebExportOutcome outcome;
    const auto staged = [&](const QString& to, const QString& staging) {
        outcome.missing = missingMedia(programFolder);
        if (outcome.missing.isEmpty())
            build(to, staging);
    };
    switch (runStaged(target, staged, outcome.detail)) {
    case StagedEnd::Done:
        outcome.result = outcome.missing.isEmpty() ? WebExportOutcome::Result::Done
                                                   : WebExportOutcome::Result::MediaMissing;
        break;
    case StagedEnd::TargetExists:
        outcome.result = WebExportOutcome::Result::TargetExists;
        break;
    case StagedEnd::Failed:
        outcome.result = WebExportOutcome::Result::Failed;
        break;
    }
    return outcome;
}

WebExportOutcome exportForWeb(const QString& programFolder, const QString& target) {
    return runExport(programFolder, target, [&](const QString& to, const QString& staging) {
        const QString stage = staging + u"/web"_s;
        writeWebFolder(programFolder, stage);
        moveIntoPlace(stage, to);
    });
}

} // namespace koa::distribution
