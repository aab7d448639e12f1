#include "renderer.h"

#include "coursereader.h"
#include "escaping.h"
#include "menuwriter.h"
#include "pagecss.h"
#include "pagewriter.h"
#include "store/cachefolder.h"
#include "store/database.h"
#include "store/errors.h"
#include "store/textescape.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QStringDecoder>

using namespace Qt::Literals::StringLiterals;

Q_LOGGING_CATEGORY(lcRender, "koa.render")

namespace koa::render {

namespace {

const QString CrLf = u"\r\n"_s;
const QString StyleAttr = uR"(style=\'font-family: Trebuchet MS; font-size:10pt\')"_s;
const QString DefaultSkin = u"Classic"_s;
const QString NoPageFound = u"The page this link referres to cannot be found."_s;
const QString NoFileFound = u"The file this link referres to cannot be found."_s;
const QString KeywordNotFound = u"Keyword not found"_s;
const QString FileNotFound = u"File not found"_s;

// A skin is a folder below skins/; a name that would lead elsewhere is not one.
bool isPlainFolderName(const QString& name) {
    return !name.contains(u'/') && !name.contains(u'\\') && name != u"."_s && name != u".."_s;
}

} // namespace

Renderer::Renderer(RenderHost& host, const QString& programFolder)
    : Renderer(host, programFolder, Options()) {}

Renderer::Renderer(RenderHost& host, const QString& programFolder, Options options)
    : m_host(host), m_options(std::move(options)) {
    m_state.skin = DefaultSkin;
    m_state.pageCss = pageCss;
    m_state.styleAttr = StyleAttr;
    SatPaths(programFolder);
}

QString Renderer::location(const char* procedure) const {
    return koa::location(m_options.window, QString::fromLatin1(procedure));
}

QString Renderer::databasePath() const {
    return m_state.programPath + u"/temp/koa.kod"_s;
}

QString Renderer::documentFile() const {
    return m_state.cacheFolder + u"/htmlcache.htm"_s;
}

QString Renderer::glossaryFile() const {
    return m_state.cacheFolder + u"/glossary.htm"_s;
}

Database Renderer::open() const {
    return Database(databasePath(),
                    m_options.readOnly ? Database::Mode::Immutable : Database::Mode::ReadWrite);
}

void Renderer::SatPaths(const QString& programFolder) {
    trap(location("SatPaths"), [&] {
        m_state.programPath = QDir::cleanPath(QDir(programFolder).absolutePath());
        // Backslashes, which the script form would double, are percent-encoded
        // like every other character that could end a string or an attribute.
        m_state.programPathScript = urlPath(m_state.programPath);
        if (!m_state.programPathScript.endsWith(u'/'))
            m_state.programPathScript += u'/';
        m_state.programPathUrl = u"file://"_s + m_state.programPathScript;
        m_state.cacheFolder =
            m_options.cacheFolder.isEmpty() ? cacheFolder() : m_options.cacheFolder;
    });
}

void Renderer::readSkin(Database& db) {
    const QString skin = CourseReader(db).skin();
    if (skin.isEmpty()) {
        m_state.skin = DefaultSkin;
    } else if (!isPlainFolderName(skin)) {
        qCWarning(lcRender).noquote()
            << "the skin" << skin << "is no folder name; using" << DefaultSkin;
        m_state.skin = DefaultSkin;
    } else if (!QFileInfo(m_state.programPath + u"/skins/"_s + skin).isDir()) {
        // A course made where another skin was installed still shows.
        qCWarning(lcRender).noquote()
            << "the skin" << skin << "is not installed; using" << DefaultSkin;
        m_state.skin = DefaultSkin;
    } else {
        m_state.skin = skin;
    }
}

void Renderer::Initiate() {
    trap(location("Initiate"), [&] {
        m_state.documentLoaded = false;
        {
            Database db = open();
            readSkin(db);
        }
        m_state.styleAttr = StyleAttr;
        m_state.pageCss = pageCss;
        m_state.frameset = framesetFor(m_state.previewMode);
        m_host.navigate(m_state.programPath + u"/skins/"_s + m_state.skin + u"/"_s +
                        m_state.frameset);
    });
}

QString Renderer::framesetFor(const QString& previewMode) {
    if (previewMode == u"menu"_s)
        return u"menu_frameset.htm"_s;
    if (previewMode == u"header"_s)
        return u"header_frameset.htm"_s;
    return u"page_frameset.htm"_s;
}

void Renderer::renderCurrent() {
    if (m_state.previewMode == u"menu"_s)
        ShowMenu();
    else if (m_state.previewMode == u"header"_s)
        ShowHeader();
    else
        ShowPage();
}

QString Renderer::templateText(const QString& relativePath) const {
    return trapped<QString>(location("InsertFile"), QString(), [&] {
        const QString path = m_state.programPath + relativePath;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            if (!file.exists())
                throw KoaError(errnum::FileNotFound, u"File not found: "_s + path);
            throw KoaError(errnum::PathFileAccess, u"Cannot read "_s + path);
        }
        // Templates are UTF-8; a byte order mark at their start is dropped.
        QStringDecoder decode(QStringDecoder::Utf8);
        return QString(decode(file.readAll()));
    });
}

PageWriter Renderer::pageWriter() const {
    return PageWriter(m_state, [this](const QString& path) { return templateText(path); });
}

MenuWriter Renderer::menuWriter() const {
    return MenuWriter(m_state, [this](const QString& path) { return templateText(path); });
}

void Renderer::writeCacheFile(const QString& path, const QString& content) const {
    // Without the private folder (SatPaths reported why) nothing is written anywhere else.
    if (m_state.cacheFolder.isEmpty())
        throw KoaError(errnum::PathNotFound, u"There is no private folder for "_s + path);
    QSaveFile file(path);
    // The byte order mark tells the browser the encoding even where no
    // template declares it (the glossary).
    const QByteArray bytes = "\xEF\xBB\xBF" + (content + CrLf).toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw KoaError(errnum::PathFileAccess,
                       u"Cannot write "_s + path + u": "_s + file.errorString());
}

void Renderer::showDocument(const QString& frame) {
    writeCacheFile(documentFile(), m_state.pageText);
    m_host.navigateFrame(frame, documentFile());
}

void Renderer::CountModulesPages(Database& db) {
    trap(location("CountModulesPages"), [&] {
        CourseReader reader(db);
        const ModuleBounds bounds = reader.moduleBounds(m_state.moduleNumber);
        m_state.lastModuleIndex = reader.moduleCount() - 1;
        m_state.lastPageIndex = reader.pageCount(bounds) - 1;
    });
}

Renderer::Position Renderer::LocatePosition(Database& db) {
    return trapped<Position>(location("LocatePosition"), Position{}, [&] {
        CourseReader reader(db);
        const std::optional<PageRow> page =
            reader.page(reader.moduleBounds(m_state.moduleNumber), m_state.pageNumber);
        if (!page)
            return Position{Position::Kind::EndOfModule, 0};
        if (page->soundFile)
            m_state.pageSound = *page->soundFile;
        return Position{Position::Kind::Page, page->index};
    });
}

void Renderer::ShowPage() {
    trap(location("ShowPage"), [&] {
        // The composer reports page 0 when no page is selected.
        if (m_state.pageNumber < 0)
            m_state.pageNumber = 0;
        Database db = open();
        CountModulesPages(db);
        const Position position = LocatePosition(db);
        if (position.kind == Position::Kind::Failed)
            return; // reported; the browser keeps the page it shows
        if (position.kind == Position::Kind::EndOfModule) {
            m_state.previewMode = u"menu"_s;
            Initiate();
            return;
        }
        writePage(db, position.index);
        showDocument(u"engine"_s);
    });
}

void Renderer::writePage(Database& db, qint64 position) {
    qCDebug(lcRender) << "page" << m_state.pageNumber << "of module" << m_state.moduleNumber
                      << "at row" << position;
    const PageWriter writer = pageWriter();
    m_state.pageText = writer.start();
    m_state.pageSound.clear(); // played once
    WriteIndexTabs(db, position);
    WriteInfo();
    const std::vector<PlacedObject> shown =
        writeObjects(writer, CourseReader(db).placedObjects(position));
    m_state.pageText = writer.finished(m_state.pageText, PageWriter::pictureList(shown));
}

std::vector<PlacedObject> Renderer::writeObjects(const PageWriter& writer,
                                                 std::vector<PlacedObject> objects) {
    std::vector<PlacedObject> shown;
    for (PlacedObject& object : objects) {
        // An object that was placed and then lost (an old merge) leaves a
        // gap instead of the whole page.
        if (!object.lost.isEmpty()) {
            errorDetected(errnum::NoCurrentRecord, u"No current record: "_s + object.lost,
                          location("ShowPage"));
            continue;
        }
        m_state.pageText += writer.placed(object);
        shown.push_back(std::move(object));
    }
    return shown;
}

void Renderer::ShowMenu() {
    trap(location("ShowMenu"), [&] {
        Database db = open();
        CourseReader reader(db);
        const QStringList names = reader.moduleNames();
        m_state.lastModuleIndex = int(names.size()) - 1;
        const std::optional<TitleFields> header = reader.menuFields();
        if (!header)
            throw KoaError(errnum::NoCurrentRecord, u"No current record (header)"_s);
        m_state.pageText = menuWriter().menu(*header, names);
        showDocument(u"display"_s);
    });
}

void Renderer::ShowHeader() {
    trap(location("ShowHeader"), [&] {
        // From the title page the learner goes on to the course menu.
        m_state.previewMode = u"menu"_s;
        Database db = open();
        const std::optional<TitleFields> header = CourseReader(db).titleFields();
        if (!header)
            throw KoaError(errnum::NoCurrentRecord, u"No current record (header)"_s);
        m_state.pageText = menuWriter().titlePage(*header);
        showDocument(u"display"_s);
    });
}

void Renderer::WriteIndexTabs(Database& db, qint64 position) {
    trap(location("WriteIndexTabs"), [&] {
        CourseReader reader(db);
        const std::vector<Tab> tabs =
            reader.tabs(reader.moduleBounds(m_state.moduleNumber), m_state.lastPageIndex + 1);
        m_state.pageText += pageWriter().tabs(tabs, position);
    });
}

void Renderer::WriteInfo() {
    m_state.pageText += pageWriter().info();
}

void Renderer::HandleInput(const QString& statusText) {
    trap(location("HandleInput"), [&] {
        qCDebug(lcRender).noquote() << "status text" << statusText;
        const qsizetype star = statusText.indexOf(u'*');
        const QString command = star < 0 ? statusText : statusText.left(star);
        QString argument = star < 0 ? QString() : statusText.mid(star + 1);
        // Keyword and document names are stored escaped, page names as typed.
        if (command != u"go"_s)
            ParseText(argument);
        if (!moveTo(command, argument))
            answer(command, argument);
    });
}

bool Renderer::moveTo(const QString& command, const QString& argument) {
    if (command == u"fastbackward"_s) {
        m_state.pageNumber = 0;
    } else if (command == u"backward"_s) {
        m_state.pageNumber = qMax(0, m_state.pageNumber - 1);
    } else if (command == u"forward"_s) {
        m_state.pageNumber = qMax(0, m_state.pageNumber) + 1;
    } else if (command == u"fastforward"_s) {
        m_state.pageNumber = m_state.lastPageIndex;
    } else if (command == u"go"_s) {
        if (argument.isEmpty())
            return true;
        if (!LocatePage(argument))
            m_host.runScript(u"javascript:showMessage('"_s + NoPageFound + u"')"_s);
    } else if (command == u"home"_s) {
        m_state.previewMode = u"menu"_s;
        Initiate();
        return true;
    } else if (command == u"module"_s) {
        bool ok = false;
        const short module = argument.trimmed().toShort(&ok);
        if (!ok)
            throw KoaError(errnum::TypeMismatch, u"Type mismatch: module*"_s + argument);
        m_state.moduleNumber = module;
        m_state.pageNumber = 0;
        m_state.previewMode = u"module"_s;
        Initiate();
        return true;
    } else {
        return false;
    }
    ShowPage();
    return true;
}

void Renderer::answer(const QString& command, const QString& argument) {
    if (command == u"keyword"_s) {
        const QString description = GetDescription(argument);
        m_host.runScript(u"javascript:showDescription('"_s + scriptString(argument) + u"','"_s +
                         scriptString(description) + u"')"_s);
    } else if (command == u"dlink"_s) {
        const QString file = GetFile(argument);
        if (file == FileNotFound)
            m_host.runScript(u"javascript:showMessage('"_s + NoFileFound + u"')"_s);
        else
            m_host.runScript(u"javascript:showDlink('"_s + scriptString(file) + u"')"_s);
    } else if (command == u"glossary"_s) {
        glossary();
    } else if (command == u"about"_s) {
        m_host.showAbout();
    } else if (command == u"exit"_s) {
        m_host.exitRequested();
    }
}

bool Renderer::LocatePage(const QString& pageName) {
    return trapped<bool>(location("LocatePage"), false, [&] {
        Database db = open();
        const std::optional<CourseReader::Place> place = CourseReader(db).locatePage(pageName);
        if (!place)
            return false;
        m_state.moduleNumber = place->moduleNumber;
        m_state.pageNumber = place->pageNumber;
        return true;
    });
}

QString Renderer::GetDescription(const QString& keyword) {
    return trapped<QString>(location("GetDescription"), QString(), [&] {
        Database db = open();
        return CourseReader(db).keywordDescription(keyword).value_or(KeywordNotFound);
    });
}

QString Renderer::GetFile(const QString& documentName) {
    return trapped<QString>(location("GetFile"), QString(), [&] {
        Database db = open();
        const QString file = CourseReader(db).documentFile(documentName);
        return file.isEmpty() ? FileNotFound : file;
    });
}

void Renderer::glossary() {
    trap(location("glossary"), [&] {
        std::vector<Keyword> keywords;
        {
            Database db = open();
            readSkin(db);
            keywords = CourseReader(db).keywords();
        }
        writeCacheFile(glossaryFile(), menuWriter().glossary(keywords));
        m_host.runScript(u"javascript:show_glossary()"_s);
    });
}

} // namespace koa::render
