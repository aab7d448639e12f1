#include "renderer.h"

#include "escaping.h"
#include "markupsanitizer.h"
#include "pagecss.h"
#include "store/cachefolder.h"
#include "store/courseheader.h"
#include "store/coursepaths.h"
#include "store/database.h"
#include "store/errors.h"
#include "store/interaction.h"
#include "store/textescape.h"

#include <limits>
#include <vector>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QSet>
#include <QSqlQuery>
#include <QStringDecoder>

using namespace Qt::Literals::StringLiterals;

Q_LOGGING_CATEGORY(lcRender, "koa.render")

namespace koa::render {

namespace {

const QString CrLf = u"\r\n"_s;
const QString StyleAttr = uR"(style=\'font-family: Trebuchet MS; font-size:10pt\')"_s;
const QString SmallBreak = uR"(<font style=\'font-size:5 pt\'><br></font>)"_s;
const QString DefaultSkin = u"Classic"_s;
const QString NoPageFound = u"The page this link referres to cannot be found."_s;
const QString NoFileFound = u"The file this link referres to cannot be found."_s;
const QString KeywordNotFound = u"Keyword not found"_s;
const QString FileNotFound = u"File not found"_s;
const QString CaptionStart =
    u"<tr><td><center><table border=0 cellpadding=0 cellspacing=0><tr><td><i><font color=606060 style=font-size:8pt>"_s;
const QString CaptionEnd = u"</font></i></td><tr></table></td></tr>"_s;
// Stands for the end mark's 10 to the power 99: beyond every page.
constexpr qint64 NoEnd = std::numeric_limits<qint64>::max();

// A field as concatenated text: a null field is empty text.
QString text(const QVariant& field) {
    return field.isNull() ? QString() : field.toString();
}

// A course's file lies in its own folder: a name that would lead elsewhere
// names no file at all.
QString plainFileName(const QVariant& field) {
    const QString name = text(field);
    return isPlainFileName(name) ? name : QString();
}

// A skin is a folder below skins/; a name that would lead elsewhere is not one.
bool isPlainFolderName(const QString& name) {
    return !name.contains(u'/') && !name.contains(u'\\') && name != u"."_s && name != u".."_s;
}

// The answer of a quiz statement as the page compares it: "true" or "false".
QString isTrue(const QVariant& status) {
    return text(status).compare(u"true"_s, Qt::CaseInsensitive) == 0 ? u"true"_s : u"false"_s;
}

QString makerAddress() {
    return QStringLiteral(KOA_MAKER_ADDRESS);
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
    const std::optional<QVariantList> header = CourseHeader(db).values({u"skin"_s});
    const QString skin = header ? text(header->at(0)) : QString();
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

void Renderer::InsertFile(const QString& relativePath) {
    trap(location("InsertFile"), [&] {
        const QString path = m_state.programPath + relativePath;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            if (!file.exists())
                throw KoaError(errnum::FileNotFound, u"File not found: "_s + path);
            throw KoaError(errnum::PathFileAccess, u"Cannot read "_s + path);
        }
        // Templates are UTF-8; a byte order mark at their start is dropped.
        QStringDecoder decode(QStringDecoder::Utf8);
        const QString content = decode(file.readAll());
        m_state.pageText += content;
    });
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

Renderer::ModuleBounds Renderer::moduleBounds(Database& db) const {
    QSqlQuery modules =
        db.exec(u"SELECT \"index\" FROM data WHERE type = 'modules' ORDER BY \"index\""_s);
    bool found = modules.next();
    for (int i = 0; found && i < m_state.moduleNumber; ++i)
        found = modules.next();
    if (!found || m_state.moduleNumber < 0)
        throw KoaError(errnum::NoCurrentRecord, u"No current record (module "_s +
                                                    QString::number(m_state.moduleNumber) + u")"_s);
    ModuleBounds bounds;
    bounds.start = modules.value(0).toLongLong();
    if (modules.next()) {
        bounds.end = modules.value(0).toLongLong();
        bounds.hasEnd = true;
    }
    return bounds;
}

namespace {
// The upper bound of a module's pages as a bound value: 1E+99 past the last module.
QVariant endValue(qint64 end, bool hasEnd) {
    return hasEnd ? QVariant(end) : QVariant(1e99);
}
} // namespace

void Renderer::CountModulesPages(Database& db) {
    trap(location("CountModulesPages"), [&] {
        const ModuleBounds bounds = moduleBounds(db);
        m_state.lastModuleIndex =
            db.scalar(u"SELECT count(*) FROM data WHERE type = 'modules'"_s).toInt() - 1;
        m_state.lastPageIndex =
            db.scalar(u"SELECT count(*) FROM data WHERE type = 'pages' AND \"index\" > ? AND "
                      "\"index\" < ?"_s,
                      {bounds.start, endValue(bounds.end, bounds.hasEnd)})
                .toInt() -
            1;
    });
}

Renderer::Position Renderer::LocatePosition(Database& db) {
    return trapped<Position>(location("LocatePosition"), Position{}, [&] {
        const ModuleBounds bounds = moduleBounds(db);
        QSqlQuery pages = db.exec(u"SELECT \"index\", name FROM data WHERE type = 'pages' AND "
                                  "\"index\" > ? ORDER BY \"index\""_s,
                                  {bounds.start});
        bool found = pages.next();
        for (int i = 0; found && i < m_state.pageNumber; ++i)
            found = pages.next();
        if (!found || (bounds.hasEnd && pages.value(0).toLongLong() > bounds.end))
            return Position{Position::Kind::EndOfModule, 0};
        const Position position{Position::Kind::Page, pages.value(0).toLongLong()};
        QSqlQuery settings =
            db.exec(u"SELECT sound FROM pages WHERE name = ? ORDER BY ID"_s, {pages.value(1)});
        if (settings.next()) {
            QSqlQuery sound =
                db.exec(u"SELECT filename FROM sounds WHERE name = ?"_s, {settings.value(0)});
            if (sound.next())
                m_state.pageSound = plainFileName(sound.value(0));
        }
        return position;
    });
}

void Renderer::ShowPage() {
    trap(location("ShowPage"), [&] {
        // The composer reports page 0 when no page is selected.
        if (m_state.pageNumber < 0)
            m_state.pageNumber = 0;
        Database db = open();
        m_state.pageText = u"<head><base href='"_s + m_state.programPathUrl + u"'></head>"_s;
        m_state.pictureList.clear();
        CountModulesPages(db);
        const Position position = LocatePosition(db);
        if (position.kind == Position::Kind::Failed)
            return; // reported; the browser keeps the page it shows
        if (position.kind == Position::Kind::EndOfModule) {
            m_state.previewMode = u"menu"_s;
            Initiate();
            return;
        }
        // Rows are numbered by position, so the page's objects start one row
        // after the row numbered `index`. SQLite skips the rows before them
        // (stepping through them here made a page's time grow with its place).
        QSqlQuery layout =
            db.exec(u"SELECT type, name FROM data ORDER BY \"index\" LIMIT -1 OFFSET ?"_s,
                    {position.index + 1});
        bool onRow = layout.next();

        qCDebug(lcRender) << "page" << m_state.pageNumber << "of module" << m_state.moduleNumber
                          << "at row" << position.index;
        const QString skin = m_state.skin;
        QString& page = m_state.pageText;
        InsertFile(u"/includes/page1.inc"_s);
        page += u"skinPath = '"_s + m_state.programPathUrl + u"skins/"_s + urlName(skin) +
                u"/';"_s + CrLf;
        page += uR"(displayString = '<html><head><base href=\')"_s + m_state.programPathScript +
                uR"(\'><STYLE TYPE=text/css><!--)"_s + m_state.pageCss;
        InsertFile(u"/includes/page2.inc"_s);
        page += u"skin='"_s + scriptString(skin) + u"';"_s + CrLf;
        if (!m_state.pageSound.isEmpty()) {
            page += u"displayString+='<embed hidden=\"true\" src=\""_s + m_state.programPathScript +
                    u"temp/sounds/"_s + urlName(m_state.pageSound) + u"\">';"_s + CrLf;
            m_state.pageSound.clear();
        }
        WriteIndexTabs(position.index);
        WriteInfo();
        for (; onRow; onRow = layout.next()) {
            const QString type = text(layout.value(0));
            if (type == u"modules"_s || type == u"pages"_s)
                break;
            appendPlacedRow(db, type, text(layout.value(1)));
        }
        page += u"base='"_s + m_state.programPathUrl + u"';"_s + CrLf;
        InsertFile(u"/includes/page3.inc"_s);
        page += m_state.pictureList;
        InsertFile(u"/includes/page4.inc"_s);
        page.replace(u"<br>"_s, SmallBreak);

        writeCacheFile(documentFile(), page);
        m_host.navigateFrame(u"engine"_s, documentFile());
    });
}

void Renderer::appendPlacedRow(Database& db, const QString& type, const QString& name) {
    QString& page = m_state.pageText;
    if (type == u"linebreak"_s) {
        page += u"displayString+='<br>';"_s;
        return;
    }
    if (type == u"horizontalline"_s) {
        page += u"displayString+='<hr size=1 noshade>';"_s;
        return;
    }
    const bool visual = type == u"pictures"_s || type == u"movies"_s || type == u"flash"_s;
    if (!visual && type != u"texts"_s && type != u"quizes"_s)
        return;
    // `type` is one of the tables above, never free text.
    const QString columns = visual ? u"filename, width, height, alignment, \"float\", caption"_s
                            : type == u"texts"_s ? u"text"_s
                                                 : u"ID, text, name"_s;
    QSqlQuery object =
        db.exec(u"SELECT "_s + columns + u" FROM "_s + type + u" WHERE name = ?"_s, {name});
    if (!object.next()) {
        // An object that was placed and then lost (an old merge) leaves a
        // gap instead of the whole page.
        errorDetected(errnum::NoCurrentRecord, u"No current record: "_s + type + u" "_s + name,
                      location("ShowPage"));
        return;
    }
    if (type == u"texts"_s) {
        page += u"displayString+='"_s + markupScriptString(sanitizeMarkup(text(object.value(0)))) +
                u"<br>';"_s + CrLf;
        return;
    }
    if (type == u"quizes"_s) {
        appendQuiz(db, object.value(0), text(object.value(1)), text(object.value(2)));
        return;
    }
    const QString file = urlName(plainFileName(object.value(0)));
    const QString width = numberText(object.value(1));
    const QString height = numberText(object.value(2));
    QString tag;
    if (type == u"pictures"_s) {
        tag = u"<img src=temp/pictures/"_s + file + u" width="_s + width + u" height="_s + height +
              u" border=0 hspace=0>"_s;
    } else if (type == u"movies"_s) {
        // The player's controls sit below the picture.
        const QString playerHeight =
            height.isEmpty() ? QString() : QString::number(height.toDouble() + 64, 'g', 15);
        tag =
            u"<OBJECT width="_s + width + u" height="_s + playerHeight +
            uR"( ID=Player CLASSID=CLSID:6BF52A52-394A-11d3-B153-00C04F79FAA6><PARAM name=AUTOSTART value=FALSE><PARAM name=URL value=\')"_s +
            m_state.programPathUrl + u"temp/movies/"_s + file + uR"(\'></OBJECT>)"_s;
    } else {
        tag = u"<EMBED width="_s + width + u" height="_s + height + uR"( src=\')"_s +
              m_state.programPathUrl + u"temp/flash/"_s + file + uR"(\'></EMBED>)"_s;
    }
    appendLayout(tag, width, object.value(4), text(object.value(3)),
                 scriptString(htmlText(text(object.value(5)))));
    if (type == u"pictures"_s)
        m_state.pictureList += u"<img src=temp/pictures/"_s + file + u">"_s + CrLf;
}

void Renderer::appendLayout(const QString& tag, const QString& width, const QVariant& floating,
                            const QString& alignment, const QString& caption) {
    QString& page = m_state.pageText;
    const QString captionCell =
        u"<table border=0 cellpadding=10 cellspacing=0><tr><td><i><font color=606060 style=font-size:8pt>"_s +
        caption + u"</font></i></td><tr></table>"_s;
    const QString captionRow = caption.isEmpty() ? QString() : CaptionStart + caption + CaptionEnd;
    const bool floats = !floating.isNull() && floating.toLongLong() == 1;
    if (!floats) {
        if (alignment == u"Left"_s) {
            page +=
                u"displayString+='<div align=left><table width=600 border=0 cellpadding=0 cellspacing=0><tr><td><center>"_s +
                tag + u"</center></td><td width=100%><center>"_s + captionCell +
                u"</center></td></tr></table></div>';"_s + CrLf;
        } else if (alignment == u"Right"_s) {
            page +=
                u"displayString+='<div align=right><table width=600 border=0 cellpadding=0 cellspacing=0><tr><td width=100%><center>"_s +
                captionCell + u"</center></td><td><center>"_s + tag +
                u"</center></td></tr></table></div>';"_s + CrLf;
        } else {
            page +=
                u"displayString+='<center><table border=0 cellpadding=0 cellspacing=0><tr><td><center>"_s +
                tag + u"</center></td></tr>"_s + captionRow + u"</table></center>';"_s + CrLf;
        }
        return;
    }
    if (alignment != u"Left"_s && alignment != u"Right"_s) {
        interaction().message(u"Illegal parsing combination - send an error report on "_s +
                              makerAddress());
        return;
    }
    page +=
        u"displayString+='<table align="_s + (alignment == u"Left"_s ? u"left"_s : u"right"_s) +
        u" border=0 cellpadding=10><tr><td><table border=0 cellpadding=0 cellspacing=0 width="_s +
        width + u"><tr><td><center>"_s + tag + u"</center></td></tr>"_s + captionRow +
        u"</table></td></tr></table>';"_s + CrLf;
}

void Renderer::appendQuiz(Database& db, const QVariant& id, const QString& question,
                          const QString& quizName) {
    QString& page = m_state.pageText;
    const QString form = numberText(id);
    QSqlQuery statements =
        db.exec(u"SELECT status, statement FROM statements WHERE quizname = ? ORDER BY rowid"_s,
                {quizName});
    page += u"displayString+='<form name=quiz"_s + form + u"><b>"_s +
            scriptString(htmlText(question)) + u"</b><br><br>';"_s + CrLf;
    QStringList tests;
    for (int i = 0; statements.next(); ++i) {
        const QString n = QString::number(i);
        page += u"displayString+='<input type=hidden value="_s + isTrue(statements.value(0)) +
                u" name=answer"_s + n + u">';"_s + CrLf;
        page += u"displayString+='<input type=checkbox name=box"_s + n + u">"_s +
                scriptString(htmlText(text(statements.value(1)))) + u"<br>';"_s + CrLf;
        tests.append(u"document.quiz"_s + form + u".box"_s + n +
                     u".checked.toString()==document.quiz"_s + form + u".answer"_s + n +
                     u".value"_s);
    }
    if (!tests.isEmpty()) {
        page +=
            uR"(displayString+='<br><input type=button value=\'Check answer\' onClick=\'if()"_s +
            tests.join(u" && "_s) +
            uR"(){parent.engine.correctAnswer();} else{parent.engine.falseAnswer();}\'>';)"_s;
    }
    page += u"displayString+='</form>';"_s;
}

void Renderer::ShowMenu() {
    trap(location("ShowMenu"), [&] {
        Database db = open();
        QSqlQuery modules =
            db.exec(u"SELECT name FROM data WHERE type = 'modules' ORDER BY \"index\""_s);
        QStringList names;
        while (modules.next())
            names.append(htmlText(text(modules.value(0))));
        m_state.lastModuleIndex = int(names.size()) - 1;
        const std::optional<QVariantList> header =
            CourseHeader(db).values({u"title"_s, u"menuscroll"_s});
        if (!header)
            throw KoaError(errnum::NoCurrentRecord, u"No current record (header)"_s);

        const QString skin = urlName(m_state.skin);
        QString& page = m_state.pageText;
        // The folder form of the program folder, as the title page's base.
        page = u"<html><head><base href='"_s + m_state.programPathScript + u"'>"_s;
        InsertFile(u"/includes/menu1.inc"_s);
        page += CrLf + u"button_status='"_s + numberText(header->at(1)) + u"';"_s + CrLf;
        page += u"skin='"_s + scriptString(m_state.skin) + u"';"_s + CrLf;
        page += u"numModules ="_s + QString::number(m_state.lastModuleIndex) + CrLf;
        InsertFile(u"/includes/menu2.inc"_s);
        page += htmlText(text(header->at(0)));
        InsertFile(u"/includes/menu3.inc"_s);
        const bool pictures = m_state.lastModuleIndex < 6;
        for (int i = 0; i < names.size(); ++i) {
            const QString n = QString::number(i);
            const QString click = u"onClick=\"window.status='module*"_s + n +
                                  u"'; window.status='';\"><td><img src='skins/"_s + skin +
                                  u"/spacer.gif' width='20'></td><td>"_s;
            if (pictures) {
                page += u"<tr style='cursor:hand' onMouseover='p"_s + n + u".src=activeCache["_s +
                        n + u"].src' onMouseout='p"_s + n + u".src=passiveCache["_s + n +
                        u"].src' "_s + click + u"<img name='p"_s + n +
                        u"' border='0' src='skins/"_s + skin + u"/"_s + QString::number(i + 1) +
                        u".gif'></td><td><img src='skins/"_s + skin +
                        u"/spacer.gif' width='20'></td><td>"_s;
            } else {
                page +=
                    u"<tr style='cursor:hand' "_s + click +
                    u"<table width='40' border='1' cellpadding='0' cellspacing='0' style='border-collapse: collapse' bordercolor='#111111'><tr><td><center>"_s +
                    u"<font size=5>"_s + QString::number(i + 1) +
                    u"</font></td></tr></table></td><td><img src='skins/"_s + skin +
                    u"/spacer.gif' width='20'></td><td>"_s;
            }
            page += names[i] + u"</td></tr>"_s;
        }
        InsertFile(u"/includes/menu4.inc"_s);

        writeCacheFile(documentFile(), page);
        m_host.navigateFrame(u"display"_s, documentFile());
    });
}

void Renderer::ShowHeader() {
    trap(location("ShowHeader"), [&] {
        // From the title page the learner goes on to the course menu.
        m_state.previewMode = u"menu"_s;
        Database db = open();
        const std::optional<QVariantList> header =
            CourseHeader(db).values({u"title"_s, u"author"_s, u"target_group"_s, u"description"_s});
        if (!header)
            throw KoaError(errnum::NoCurrentRecord, u"No current record (header)"_s);

        QString& page = m_state.pageText;
        page = u"<html><head><base href='"_s + m_state.programPathScript + u"skins/"_s +
               urlName(m_state.skin) + u"/'></head>"_s;
        InsertFile(u"/includes/header.inc"_s);
        page += htmlText(text(header->at(0)));
        InsertFile(u"/includes/menu3.inc"_s);
        page += u"<tr><td><b>Author</b><br><font size='2'>"_s + htmlText(text(header->at(1))) +
                u"</font><br><br>"_s;
        page += u"<b>Target group</b><br><font size='2'>"_s + htmlText(text(header->at(2))) +
                u"</font><br><br>"_s;
        page += u"<b>Description</b><br><font size='2'>"_s + htmlText(text(header->at(3))) +
                u"</font><br><br></td></tr>"_s;
        InsertFile(u"/includes/menu4.inc"_s);

        writeCacheFile(documentFile(), page);
        m_host.navigateFrame(u"display"_s, documentFile());
    });
}

void Renderer::WriteIndexTabs(qint64 position) {
    trap(location("WriteIndexTabs"), [&] {
        struct Tab {
            QString text;
            qint64 index = 0;
            QString name;
        };
        std::vector<Tab> tabs;
        {
            Database db = open();
            const ModuleBounds bounds = moduleBounds(db);
            QSqlQuery pages = db.exec(u"SELECT \"index\", name FROM data WHERE type = 'pages' "
                                      "AND \"index\" > ? AND \"index\" < ? ORDER BY \"index\""_s,
                                      {bounds.start, endValue(bounds.end, bounds.hasEnd)});
            std::vector<std::pair<qint64, QString>> modulePages;
            for (int i = 0; i <= m_state.lastPageIndex && pages.next(); ++i)
                modulePages.emplace_back(pages.value(0).toLongLong(), text(pages.value(1)));
            // Each page's settings are its name's first row. One pass over the
            // table instead of one search per page; read backwards, the first
            // row of a name comes last and wins.
            QSet<QString> wanted;
            for (const auto& [index, name] : modulePages)
                wanted.insert(name);
            QHash<QString, QString> tabTexts;
            QSqlQuery settings = db.exec(u"SELECT name, tabtext FROM pages ORDER BY ID DESC"_s);
            while (settings.next()) {
                const QString name = text(settings.value(0));
                if (wanted.contains(name))
                    tabTexts.insert(name, text(settings.value(1)));
            }
            for (const auto& [index, name] : modulePages) {
                const QString tab = tabTexts.value(name);
                if (!tab.isEmpty())
                    tabs.push_back({tab, index, name});
            }
        }
        const auto active = [&](size_t j) {
            const qint64 next = j + 1 < tabs.size() ? tabs[j + 1].index : NoEnd;
            return position >= tabs[j].index && position < next;
        };

        QString& page = m_state.pageText;
        page += uR"(parent.upper.document.write('<html><head><base href=\')"_s +
                m_state.programPathScript + uR"(\'>)"_s;
        InsertFile(u"/skins/"_s + m_state.skin + u"/tab1.inc"_s);
        if (tabs.empty()) {
            page += u"parent.upper.document.write('<tr><td></td></tr></table></body>'); "
                    "parent.upper.document.close();"_s;
            return;
        }
        const QString closeCell = uR"(parent.upper.document.write('</table></td>\n');)"_s + CrLf;
        if (active(0))
            appendTabCell(u"cleanleft.gif"_s, u"top_black.gif"_s, u"bgcolor=#FFFFFF"_s,
                          u"#000000"_s, tabs[0].name, tabs[0].text);
        else
            appendTabCell(u"greyleft.gif"_s, u"top_grey.gif"_s, QString(), u"#505050"_s,
                          tabs[0].name, tabs[0].text);
        page += closeCell;
        for (size_t j = 1; j < tabs.size(); ++j) {
            page += u"parent.upper.document.write('</td><td>')"_s + CrLf;
            if (active(j))
                appendTabCell(u"intersection_left.gif"_s, u"top_black.gif"_s, u"bgColor=#FFFFFF"_s,
                              u"#000000"_s, tabs[j].name, tabs[j].text);
            else if (active(j - 1))
                appendTabCell(u"intersection_right.gif"_s, u"top_grey.gif"_s, QString(),
                              u"#505050"_s, tabs[j].name, tabs[j].text);
            else
                appendTabCell(u"grey_intersection_right.gif"_s, u"top_grey.gif"_s, QString(),
                              u"505050"_s, tabs[j].name, tabs[j].text);
            page += closeCell;
        }
        page += u"parent.upper.document.write('</td><td>');"_s;
        page += u"parent.upper.document.write('<img src=skins/"_s + urlName(m_state.skin) +
                (active(tabs.size() - 1) ? u"/cleanright.gif>');"_s : u"/greyright.gif>');"_s);
        page += u"parent.upper.document.write('</td></tr></table>'); "
                "parent.upper.document.close();"_s;
    });
}

void Renderer::appendTabCell(const QString& image, const QString& top, const QString& attribute,
                             const QString& colour, const QString& pageName,
                             const QString& tabText) {
    const QString skin = urlName(m_state.skin);
    QString& page = m_state.pageText;
    page += u"parent.upper.document.write('<td><img src=skins/"_s + skin + u"/"_s + image +
            u"></td><td valign=top><table "_s + m_state.styleAttr +
            u" border=0 cellpadding=0 cellspacing=0 "_s + attribute +
            uR"( height=33><tr><td valign=top>\n');)"_s + CrLf;
    page += u"parent.upper.document.write('<img src=skins/"_s + skin + u"/"_s + top +
            uR"( width=100% height=5></td></tr>\n');)"_s + CrLf;
    page +=
        uR"(parent.upper.document.write('<tr><td valign=top><a href=\'JavaScript:void(0);\' onClick="parent.engine.go(\')"_s +
        nestedScriptString(pageName) + uR"(\');"><font color=)"_s + colour + u">"_s +
        scriptString(htmlText(tabText)) + uR"(</a></td></tr>\n');)"_s + CrLf;
}

void Renderer::WriteInfo() {
    trap(location("WriteInfo"), [&] {
        QString& page = m_state.pageText;
        page += u"thisPage = "_s + QString::number(m_state.pageNumber) + u";"_s + CrLf;
        page += u"numPages = "_s + QString::number(m_state.lastPageIndex) + u";"_s + CrLf;
        page += u"thisModule = "_s + QString::number(m_state.moduleNumber) + u";"_s + CrLf;
        page += u"numModules = "_s + QString::number(m_state.lastModuleIndex) + u";"_s + CrLf;
        page += uR"(parent.info.document.write('<html><head><base href=\')"_s +
                m_state.programPathScript + uR"(\'></head>');)"_s + CrLf;
        InsertFile(u"/skins/"_s + m_state.skin + u"/tab2.inc"_s);
    });
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

        if (command == u"fastbackward"_s) {
            m_state.pageNumber = 0;
            ShowPage();
        } else if (command == u"backward"_s) {
            m_state.pageNumber = qMax(0, m_state.pageNumber - 1);
            ShowPage();
        } else if (command == u"forward"_s) {
            m_state.pageNumber = qMax(0, m_state.pageNumber) + 1;
            ShowPage();
        } else if (command == u"fastforward"_s) {
            m_state.pageNumber = m_state.lastPageIndex;
            ShowPage();
        } else if (command == u"go"_s) {
            if (argument.isEmpty())
                return;
            if (!LocatePage(argument))
                m_host.runScript(u"javascript:showMessage('"_s + NoPageFound + u"')"_s);
            ShowPage();
        } else if (command == u"home"_s) {
            m_state.previewMode = u"menu"_s;
            Initiate();
        } else if (command == u"keyword"_s) {
            const QString description = GetDescription(argument);
            m_host.runScript(u"javascript:showDescription('"_s + scriptString(argument) + u"','"_s +
                             scriptString(description) + u"')"_s);
        } else if (command == u"dlink"_s) {
            const QString file = GetFile(argument);
            if (file == FileNotFound)
                m_host.runScript(u"javascript:showMessage('"_s + NoFileFound + u"')"_s);
            else
                m_host.runScript(u"javascript:showDlink('"_s + scriptString(file) + u"')"_s);
        } else if (command == u"module"_s) {
            bool ok = false;
            const short module = argument.trimmed().toShort(&ok);
            if (!ok)
                throw KoaError(errnum::TypeMismatch, u"Type mismatch: module*"_s + argument);
            m_state.moduleNumber = module;
            m_state.pageNumber = 0;
            m_state.previewMode = u"module"_s;
            Initiate();
        } else if (command == u"glossary"_s) {
            glossary();
        } else if (command == u"about"_s) {
            m_host.showAbout();
        } else if (command == u"exit"_s) {
            m_host.exitRequested();
        }
    });
}

bool Renderer::LocatePage(const QString& pageName) {
    return trapped<bool>(location("LocatePage"), false, [&] {
        Database db = open();
        const QVariant page = db.scalar(u"SELECT \"index\" FROM data WHERE type = 'pages' AND "
                                        "name = ? ORDER BY \"index\""_s,
                                        {pageName});
        if (!page.isValid())
            return false;
        QSqlQuery modules = db.exec(u"SELECT \"index\" FROM data WHERE type = 'modules' AND "
                                    "\"index\" < ? ORDER BY \"index\""_s,
                                    {page});
        int module = -1;
        QVariant moduleIndex;
        while (modules.next()) {
            ++module;
            moduleIndex = modules.value(0);
        }
        if (module < 0)
            throw KoaError(errnum::NoCurrentRecord,
                           u"No current record (no module before the page)"_s);
        const int pages = db.scalar(u"SELECT count(*) FROM data WHERE type = 'pages' AND "
                                    "\"index\" > ? AND \"index\" <= ?"_s,
                                    {moduleIndex, page})
                              .toInt();
        m_state.moduleNumber = module;
        m_state.pageNumber = pages - 1;
        return true;
    });
}

QString Renderer::GetDescription(const QString& keyword) {
    return trapped<QString>(location("GetDescription"), QString(), [&] {
        Database db = open();
        QSqlQuery q = db.exec(u"SELECT desc FROM keywords WHERE name = ?"_s, {keyword});
        return q.next() ? text(q.value(0)) : KeywordNotFound;
    });
}

QString Renderer::GetFile(const QString& documentName) {
    return trapped<QString>(location("GetFile"), QString(), [&] {
        Database db = open();
        QSqlQuery q = db.exec(u"SELECT filename FROM dlinks WHERE name = ?"_s, {documentName});
        const QString file = q.next() ? plainFileName(q.value(0)) : QString();
        return file.isEmpty() ? FileNotFound : file;
    });
}

void Renderer::glossary() {
    trap(location("glossary"), [&] {
        QString page;
        {
            Database db = open();
            readSkin(db);
            // The skin's style sheet dresses the glossary like the course.
            page =
                u"<html class='koa-glossary'><head><title>KOA Glossary</title><link rel='stylesheet' href='"_s +
                m_state.programPathUrl + u"skins/"_s + urlName(m_state.skin) +
                u"/skin.css'></head><body bgcolor='#FFFFFF'><table width='100%' border='1' style='border-collapse:collapse' bordercolor='#111111' cellpadding='3' cellspacing='0'>"_s;
            QSqlQuery keywords = db.exec(u"SELECT name, desc FROM keywords ORDER BY name ASC"_s);
            while (keywords.next())
                page += u"<tr><td width='200'><i>"_s + htmlText(text(keywords.value(0))) +
                        u"</i></td><td>"_s + htmlText(text(keywords.value(1))) +
                        u"&nbsp;</td></tr>"_s;
        }
        page += u"</body></html>"_s;
        writeCacheFile(glossaryFile(), page);
        m_host.runScript(u"javascript:show_glossary()"_s);
    });
}

} // namespace koa::render
