#include "browser.h"

#include "confinement.h"
#include "store/cachefolder.h"
#include "store/errors.h"

#include <QChildEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QPointer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUuid>
#include <QWebEngineDownloadRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>

using namespace Qt::Literals::StringLiterals;

Q_LOGGING_CATEGORY(lcBrowser, "koa.browser")

namespace koa::render {

namespace {

// The engine refuses URLs longer than this, and setContent percent-encodes
// the document into a data: URL, up to three characters for every byte.
constexpr qsizetype MaxUrlLength = 2 * 1024 * 1024;

// Injected into every local document before its own scripts run; it talks
// to the browser through console messages with a private marker, which the
// engine delivers from all frames in order and drops none of.
//
// Course pages call the program by assigning window.status: every assignment
// is passed on ('s'), and reading window.status still gives the last text.
// The top-level document reports when it is made ('d') and when it has
// loaded with all its frames ('l'), after the page's own load handlers.
// Documents from the web are left alone, so they cannot drive the program.
const QString PageHook = uR"JS(
(function () {
    'use strict';
    if (location.protocol !== 'file:')
        return;
    var marker = %1;
    var key = Symbol.for('koa.browser');
    var log = console.log.bind(console);
    function hook(win) {
        try {
            if (!win || win[key])
                return;
            Object.defineProperty(win, key, {value: true});
            var text = '';
            Object.defineProperty(win, 'status', {
                configurable: true,
                enumerable: true,
                get: function () { return text; },
                set: function (value) {
                    text = String(value);
                    log(marker + 's' + text);
                }
            });
        } catch (e) {
            // a frame of another origin keeps its own window.status
        }
    }
    hook(window);
    if (window === window.top) {
        log(marker + 'd' + location.href);
        window.addEventListener('load', function () {
            setTimeout(function () { log(marker + 'l' + location.href); }, 0);
        });
    }
    // A frame that script fills itself starts as an empty document, which gets
    // no injected script; hook it when its parent reaches into it.
    if (HTMLFrameElement.prototype[key])
        return;
    Object.defineProperty(HTMLFrameElement.prototype, key, {value: true});
    [HTMLFrameElement, HTMLIFrameElement].forEach(function (type) {
        ['contentWindow', 'contentDocument'].forEach(function (name) {
            var property = Object.getOwnPropertyDescriptor(type.prototype, name);
            if (!property || !property.get)
                return;
            var get = property.get;
            Object.defineProperty(type.prototype, name, {
                configurable: true,
                enumerable: property.enumerable,
                get: function () {
                    var result = get.call(this);
                    hook(name === 'contentWindow' ? result : result && result.defaultView);
                    return result;
                }
            });
        });
    });
})();
)JS"_s;

// Finds the frame element named %1 breadth-first through nested framesets and
// runs %2 on it (as `frame`). Gives 'ok', 'missing' or 'error: ...'.
const QString InFrame = uR"JS(
(function (name) {
    var documents = [document];
    while (documents.length) {
        var frames = documents.shift().querySelectorAll('frame, iframe');
        for (var i = 0; i < frames.length; ++i) {
            if (frames[i].name !== name)
                continue;
            var frame = frames[i];
            try {
                %2;
                return 'ok';
            } catch (e) {
                return 'error: ' + e;
            }
        }
        for (var j = 0; j < frames.length; ++j) {
            if (frames[j].contentDocument)
                documents.push(frames[j].contentDocument);
        }
    }
    return 'missing';
})(%1)
)JS"_s;

// A text as a JavaScript string literal, whatever quotes it holds.
QString jsString(const QString& text) {
    const QByteArray json = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(json.mid(1, json.size() - 2));
}

bool isLocal(const QUrl& url) {
    static const QStringList schemes{u"file"_s, u"about"_s, u"data"_s, u"blob"_s, u"qrc"_s};
    return schemes.contains(url.scheme());
}

// The page hands what the browser decides on to it.
class Page : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;

    std::function<bool(const QUrl&, bool)> onNavigation;
    std::function<void(JavaScriptConsoleMessageLevel, const QString&, int, const QString&)>
        onConsole;

protected:
    // The type tells nothing here: a script's `location = ...` and a
    // script-made click come as clicked links too.
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) override {
        return onNavigation ? onNavigation(url, isMainFrame) : true;
    }
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int line, const QString& source) override {
        if (onConsole)
            onConsole(level, message, line, source);
    }
};

// Sees every request of every page: documents, frames, their files, fetches,
// XMLHttpRequests and WebSockets (data: and blob: never come here; they hold
// only what the page has already).
class RequestGuard : public QWebEngineUrlRequestInterceptor {
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        if (allowed(info))
            return;
        qCInfo(lcBrowser).noquote() << "refused" << info.requestUrl().toString() << "asked for by"
                                    << info.initiator().toString();
        info.block(true);
    }

    static Confinement& confinement() {
        static Confinement shared;
        return shared;
    }
    // The browsers' own folders for the large documents they write.
    static QStringList& scratchFolders() {
        static QStringList folders;
        return folders;
    }

private:
    static bool allowed(const QWebEngineUrlRequestInfo& info) {
        const QUrl url = info.requestUrl();
        const QString scheme = url.scheme();
        if (scheme == u"file"_s) {
            const QString path = url.toLocalFile();
            if (confinement().allows(path))
                return true;
            Confinement scratch;
            for (const QString& folder : scratchFolders())
                scratch.allowFolder(folder);
            return scratch.allows(path);
        }
        // A written document, should the engine ever ask.
        if (scheme == u"data"_s)
            return info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeMainFrame;
        // The engine's own viewer of PDF documents.
        return scheme == u"chrome-extension"_s || scheme == u"chrome"_s;
    }
};

// One profile for every browser of the program. Off the record: nothing is
// written below the user's home. Generated files are rewritten under the same
// names, so nothing may be cached. Shared, because the engine crashed once a
// few dozen profiles had been made and destroyed in one run (every New and
// Open makes the windows with their browsers afresh).
//
// Its guard judges the requests of every page of the program.
QWebEngineProfile* sharedProfile() {
    static QPointer<QWebEngineProfile> profile;
    if (!profile) {
        profile = new QWebEngineProfile(QCoreApplication::instance());
        profile->setHttpCacheType(QWebEngineProfile::NoCache);
        // A later child of the application than the profile: it outlives it.
        auto* guard = new RequestGuard(QCoreApplication::instance());
        profile->setUrlRequestInterceptor(guard);
    }
    return profile;
}

// How long a click or a key lets the page hand one address outside: long
// enough for the course's document and glossary links, which the program
// answers by having the page open them; as long as the engine lets a page
// open a window after a click.
constexpr qint64 UserActionLifespanMs = 5000;

} // namespace

Browser::Browser(QWidget* parent) : QWebEngineView(parent) {
    m_profile = sharedProfile();

    auto* page = new Page(m_profile, this);
    page->onNavigation = [this](const QUrl& url, bool isMainFrame) {
        return acceptNavigation(url, isMainFrame);
    };
    page->onConsole = [this](QWebEnginePage::JavaScriptConsoleMessageLevel level,
                             const QString& message, int line, const QString& source) {
        consoleMessage(level, message, line, source);
    };
    m_page = page;
    connect(m_page, &QWebEnginePage::newWindowRequested, this, &Browser::newWindow);

    QWebEngineSettings* settings = m_page->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, true);
    // Course frames script each other (parent.engine, parent.upper) and read
    // their own files.
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
    // Documents in the object pool may be PDF files.
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, true);
    settings->setAttribute(QWebEngineSettings::PdfViewerEnabled, true);

    m_marker = u"koa-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces) + u':';
    QWebEngineScript hook;
    hook.setName(u"koa-page-hook"_s);
    hook.setInjectionPoint(QWebEngineScript::DocumentCreation);
    hook.setRunsOnSubFrames(true);
    hook.setWorldId(QWebEngineScript::MainWorld);
    hook.setSourceCode(PageHook.arg(jsString(m_marker)));
    m_page->scripts().insert(hook);

    connect(m_page, &QWebEnginePage::loadingChanged, this, &Browser::loadingChanged);
    connect(m_profile, &QWebEngineProfile::downloadRequested, this, &Browser::download);
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this,
            [](QWebEnginePage::RenderProcessTerminationStatus status, int code) {
                qCWarning(lcBrowser) << "the page process ended:" << status << "exit code" << code;
            });
    setPage(m_page);
}

Browser::~Browser() {
    m_closing = true;
    // The engine wants every page gone before its profile.
    delete m_page;
    if (m_scratch)
        RequestGuard::scratchFolders().removeOne(m_scratch->path());
}

void Browser::setConfinement(const Confinement& confinement) {
    RequestGuard::confinement() = confinement;
}

void Browser::navigate(const QString& localFilePath) {
    if (localFilePath.isEmpty()) {
        qCWarning(lcBrowser) << "navigate: no file given";
        beginLoad({});
        complete(false);
        return;
    }
    const QUrl url = QUrl::fromLocalFile(QFileInfo(localFilePath).absoluteFilePath());
    qCDebug(lcBrowser).noquote() << "navigate" << url.toString();
    beginLoad(url);
    m_page->load(url);
}

void Browser::navigateFrame(const QString& frameName, const QString& localFilePath, Done done) {
    if (localFilePath.isEmpty()) {
        qCWarning(lcBrowser).noquote() << "navigateFrame" << frameName << ": no file given";
        if (done)
            post([done] { done(false); });
        return;
    }
    const QUrl url = QUrl::fromLocalFile(QFileInfo(localFilePath).absoluteFilePath());
    qCDebug(lcBrowser).noquote() << "navigate frame" << frameName << url.toString();
    runInFrame(frameName,
               u"frame.contentWindow.location.href = "_s +
                   jsString(url.toString(QUrl::FullyEncoded)),
               u"navigating to "_s + url.toString(), std::move(done));
}

void Browser::runScript(const QString& text, Done done) {
    QString code = text.trimmed();
    if (code.startsWith(u"javascript:"_s, Qt::CaseInsensitive))
        code = code.mid(11);
    qCDebug(lcBrowser).noquote() << "run" << code;
    // Evaluated by the frame's own eval, so the code sees the frame's globals
    // as a javascript: link in that frame would.
    runInFrame(u"engine"_s, u"frame.contentWindow.eval("_s + jsString(code) + u')', code,
               std::move(done));
}

void Browser::runInFrame(const QString& frameName, const QString& action, const QString& what,
                         Done done) {
    m_page->runJavaScript(
        InFrame.arg(jsString(frameName), action), [this, frameName, what, done](const QVariant& v) {
            if (m_closing)
                return;
            const QString result = v.toString();
            if (result == u"missing"_s)
                qCWarning(lcBrowser).noquote() << "no frame named" << frameName << "for" << what;
            else if (result != u"ok"_s)
                qCWarning(lcBrowser).noquote()
                    << "frame" << frameName << "failed" << what << ":" << result;
            if (done)
                post([done, ok = result == u"ok"_s] { done(ok); });
        });
}

void Browser::writeDocument(const QString& html, const QString& baseFolder) {
    const QString folder = baseFolder.isEmpty() ? scratchFolder() : baseFolder;
    // The slash makes relative references resolve inside the folder.
    const QUrl base = QUrl::fromLocalFile(QDir(folder).absolutePath() + u'/');
    const QByteArray utf8 = html.toUtf8();
    if (utf8.size() * 3 + 100 < MaxUrlLength) {
        beginLoad(base);
        m_page->setContent(utf8, u"text/html;charset=UTF-8"_s, base);
        return;
    }
    const QString file = largeDocumentFile(html, base);
    if (file.isEmpty()) {
        beginLoad({});
        complete(false);
        return;
    }
    const QUrl url = QUrl::fromLocalFile(file);
    beginLoad(url);
    m_page->load(url);
}

QString Browser::scratchFolder() {
    if (!m_scratch) {
        // In the private cache folder, which the pages may read, and nobody else.
        QString cache;
        try {
            cache = cacheFolder();
        } catch (const KoaError& e) {
            qCWarning(lcBrowser).noquote() << "no private folder:" << e.description();
            return {};
        }
        m_scratch = std::make_unique<QTemporaryDir>(cache + u"/browser-XXXXXX"_s);
        if (m_scratch->isValid())
            RequestGuard::scratchFolders().append(m_scratch->path());
    }
    return m_scratch->isValid() ? m_scratch->path() : QString();
}

QString Browser::largeDocumentFile(const QString& html, const QUrl& base) {
    const QString folder = scratchFolder();
    if (folder.isEmpty()) {
        qCWarning(lcBrowser) << "no private folder for a large document";
        return {};
    }
    if (!m_lastLargeDocument.isEmpty())
        QFile::remove(m_lastLargeDocument);
    m_lastLargeDocument = folder + u"/document-%1.html"_s.arg(++m_largeDocuments);

    // The file lies in the private folder, so a <base> points relative
    // references at the caller's folder. It goes after a leading doctype, which
    // must stay first to keep the document out of quirks mode.
    static const QRegularExpression doctype(uR"(^\s*<!doctype[^>]*>)"_s,
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = doctype.match(html);
    const qsizetype at = match.hasMatch() ? match.capturedEnd() : 0;
    const QString text = html.left(at) + u"<base href=\""_s +
                         base.toString(QUrl::FullyEncoded).toHtmlEscaped() + u"\">"_s +
                         html.mid(at);

    QFile file(m_lastLargeDocument);
    // The byte order mark settles the encoding before any <meta charset>.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write("\xEF\xBB\xBF") < 0 ||
        file.write(text.toUtf8()) < 0 || !file.flush()) {
        qCWarning(lcBrowser).noquote()
            << "could not write" << m_lastLargeDocument << ":" << file.errorString();
        return {};
    }
    return m_lastLargeDocument;
}

void Browser::beginLoad(const QUrl& requested) {
    // Loading from the call on, so a caller waiting for a usable document does
    // not take the previous one for it.
    m_requestedUrl = requested;
    m_loading = true;
    m_documentMade = false;
    m_documentLoaded = false;
    m_engineDone = false;
    m_readyState = Loading;
}

void Browser::complete(bool ok) {
    m_loading = false;
    m_requestedUrl.clear();
    m_readyState = Complete;
    post([this, ok] { emit documentComplete(ok); });
}

void Browser::completeWhenBothDone() {
    // The engine's end of a load goes astray when a refused navigation
    // overlaps the next load: it may report that load as failed or stopped
    // without an error, early, and then not at all. The document's own report
    // shows when it has loaded; the engine's, that no newer load is on its way
    // (the previous document may still finish loading meanwhile).
    if (m_loading && m_documentLoaded && m_engineDone) {
        qCDebug(lcBrowser).noquote() << "complete" << m_page->url().toString();
        complete(true);
    }
}

void Browser::loadingChanged(const QWebEngineLoadingInfo& info) {
    // A top-level navigation refused in acceptNavigation still comes through
    // as a load that starts and stops; the shown document stays as it was.
    if (!m_refusedUrl.isEmpty() && info.url() == m_refusedUrl) {
        if (info.status() != QWebEngineLoadingInfo::LoadStartedStatus)
            m_refusedUrl.clear();
        return;
    }
    if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) {
        // Also a navigation started by the page itself.
        if (!m_loading)
            beginLoad({});
        return;
    }
    if (!m_loading)
        return;
    if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus && info.errorCode() != 0) {
        qCWarning(lcBrowser).noquote()
            << "could not show" << info.url().toString() << ":" << info.errorString();
        complete(false);
        return;
    }
    m_engineDone = true;
    completeWhenBothDone();
}

bool Browser::acceptNavigation(const QUrl& url, bool isMainFrame) {
    // Which local files may show is the guard's to say.
    if (isLocal(url))
        return true;
    // No page of the web shows here, not in a frame either: the page names
    // the address, which could carry whatever it has read.
    if (isMainFrame)
        m_refusedUrl = url;
    handOutside(url, false);
    return false;
}

void Browser::handOutside(const QUrl& url, bool userInitiated) {
    // The engine says whether a new window comes from the user, but not for
    // links, script's addresses and files; the user's own input events are
    // the program's to see, and no script can make one.
    const bool userActed = m_userActed.isValid() && m_userActed.elapsed() < UserActionLifespanMs;
    if (!userInitiated && !userActed) {
        qCInfo(lcBrowser).noquote() << "not asked for by the user:" << url.toString();
        return;
    }
    // One address for one action.
    m_userActed.invalidate();
    qCInfo(lcBrowser).noquote() << "outside:" << url.toString();
    post([this, url] { emit externalLinkRequested(url); });
}

bool Browser::event(QEvent* event) {
    // The engine shows the page in a child widget of its own, made anew when
    // the page's process starts again.
    if (event->type() == QEvent::ChildAdded) {
        if (auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child()))
            child->installEventFilter(this);
    }
    return QWebEngineView::event(event);
}

bool Browser::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::KeyPress:
    case QEvent::TouchBegin:
        m_userActed.start();
        break;
    default:
        break;
    }
    return QWebEngineView::eventFilter(watched, event);
}

void Browser::consoleMessage(int level, const QString& message, int line, const QString& source) {
    if (message.startsWith(m_marker) && message.size() > m_marker.size()) {
        pageReport(message.at(m_marker.size()), message.mid(m_marker.size() + 1));
        return;
    }
    if (source.startsWith(u"chrome-error:"_s))
        return; // the engine's own error page
    const QString where =
        source.isEmpty() ? QString() : u" ("_s + source + u':' + QString::number(line) + u')';
    if (level == QWebEnginePage::InfoMessageLevel)
        qCInfo(lcBrowser).noquote() << "page:" << message + where;
    else
        qCWarning(lcBrowser).noquote() << "page:" << message + where;
}

void Browser::pageReport(QChar kind, const QString& text) {
    if (kind == u's') {
        qCDebug(lcBrowser).noquote() << "status" << text;
        post([this, text] { emit statusTextChange(text); });
    } else if (kind == u'd' && m_loading) {
        m_documentMade = true;
        m_documentLoaded = false;
        m_readyState = Loaded;
    } else if (kind == u'l' && m_loading && m_documentMade) {
        m_documentLoaded = true;
        completeWhenBothDone();
    }
}

void Browser::download(QWebEngineDownloadRequest* download) {
    // The profile is shared: only this browser's pages are its business.
    if (download->page() != m_page)
        return;
    // Nothing is saved (the request is left unaccepted); a file that cannot be
    // shown here is the desktop's to open.
    const QUrl url = download->url();
    if (m_loading && !m_requestedUrl.isEmpty() && url == m_requestedUrl) {
        qCWarning(lcBrowser).noquote() << "not a document:" << url.toString();
        complete(false);
        return;
    }
    qCInfo(lcBrowser).noquote() << "a file not shown here:" << url.toString();
    if (m_loading && m_requestedUrl.isEmpty() && !m_documentMade) {
        // the page's own top-level link: its document stays
        m_loading = false;
        m_readyState = Complete;
    }
    handOutside(url, false);
}

void Browser::newWindow(QWebEngineNewWindowRequest& request) {
    // No window opens here: where it would lead goes outside. Left unopened,
    // the request makes no page.
    qCInfo(lcBrowser).noquote() << "new window for" << request.requestedUrl().toString();
    handOutside(request.requestedUrl(), request.isUserInitiated());
}

void Browser::post(std::function<void()> call) {
    // Callers may close or reload the browser in their slots; the engine must
    // not be inside one of its own callbacks then.
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

} // namespace koa::render
