#pragma once

#include <functional>
#include <memory>

#include <QElapsedTimer>
#include <QString>
#include <QUrl>
#include <QWebEngineView>

class QTemporaryDir;
class QWebEngineDownloadRequest;
class QWebEngineLoadingInfo;
class QWebEngineNewWindowRequest;
class QWebEnginePage;
class QWebEngineProfile;

namespace koa::render {

class Confinement;

// The browser that shows generated course pages: object previews, the preview
// windows, the viewer and announcements. Courses come from anyone, so their
// pages are kept in: they load only the local files the running program
// allows (setConfinement), no page of the web and nothing by any other
// scheme, not even in a frame, and they connect nowhere. A link that leads
// outside, a new window or a file that is not shown here is handed to
// externalLinkRequested instead, and only when the user has just clicked or
// typed in the page: script alone opens nothing.
//
// Every document gets a fresh read of its files (no cache), frames of local
// pages may script each other, and media play without a click.
//
// Frame commands (navigateFrame, runScript) act on the document shown now:
// call them once documentComplete has arrived for the document they address.
// Use navigate and writeDocument rather than QWebEngineView's load/setHtml,
// which bypass the ready state and the large-document route.
//
// The engine works on this thread: wait for the signals with the event loop
// running, never by sleeping. hide() keeps the document; close() lets the
// engine discard it, and showing the browser again reloads it.
class Browser : public QWebEngineView {
    Q_OBJECT
public:
    // As a classic browser control counts: Loaded once the new document
    // exists. Interactive is never reported: the frames of a frameset are not
    // there yet at that point, so a document counts as usable only once it is
    // complete.
    enum ReadyState { Uninitialized = 0, Loading = 1, Loaded = 2, Interactive = 3, Complete = 4 };

    // Receives whether a frame command reached its frame and ran without error.
    using Done = std::function<void(bool ok)>;

    explicit Browser(QWidget* parent = nullptr);
    ~Browser() override;

    // The local files the pages of every browser of the program may load,
    // from now on; until it is called, none.
    static void setConfinement(const Confinement& confinement);

    // Shows a local file as the top-level document.
    void navigate(const QString& localFilePath);
    // Shows a local file in the frame named `frameName`, searched through
    // nested framesets; only that frame loads, no documentComplete follows.
    void navigateFrame(const QString& frameName, const QString& localFilePath, Done done = {});
    // Runs "javascript:code" (the prefix may be left out) in the frame named
    // "engine", where the course's functions live.
    void runScript(const QString& text, Done done = {});
    // Replaces the document with `html`; relative references resolve against
    // `baseFolder`.
    void writeDocument(const QString& html, const QString& baseFolder = QString());

    // Loading as soon as navigate or writeDocument is called.
    ReadyState readyState() const { return m_readyState; }

signals:
    // The top-level document has loaded with all its frames and its own load
    // handlers have run; `ok` is false when it could not be shown. Frame loads
    // do not report here; a load overtaken by the next one reports only once,
    // for the next.
    void documentComplete(bool ok);
    // Page script in some frame assigned window.status; every assignment
    // arrives, in order, even when the text repeats.
    void statusTextChange(const QString& text);
    // The user asked for a page outside the course (the web, mail), for a
    // new window or for a file that is not shown here (an archive), by a
    // click or key in the page a moment ago; one click or key hands out one
    // address. Nothing was navigated.
    void externalLinkRequested(const QUrl& url);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void runInFrame(const QString& frameName, const QString& action, const QString& what,
                    Done done);
    void beginLoad(const QUrl& requested);
    void complete(bool ok);
    void completeWhenBothDone();
    void loadingChanged(const QWebEngineLoadingInfo& info);
    void pageReport(QChar kind, const QString& text);
    void download(QWebEngineDownloadRequest* download);
    bool acceptNavigation(const QUrl& url, bool isMainFrame);
    void consoleMessage(int level, const QString& message, int line, const QString& source);
    void newWindow(QWebEngineNewWindowRequest& request);
    // Hands `url` outside when the user asked for it; the page alone may not.
    void handOutside(const QUrl& url, bool userInitiated);
    QString scratchFolder();
    QString largeDocumentFile(const QString& html, const QUrl& base);
    // Signals and callbacks go out through the event loop.
    void post(std::function<void()> call);

    QWebEngineProfile* m_profile = nullptr;
    QWebEnginePage* m_page = nullptr;
    QString m_marker; // starts the page hook's console messages
    ReadyState m_readyState = Uninitialized;
    bool m_loading = false;        // a top-level document is on its way
    QUrl m_requestedUrl;           // ... asked for by navigate or writeDocument
    bool m_documentMade = false;   // ... has been made
    bool m_documentLoaded = false; // ... says it has loaded
    bool m_engineDone = false;     // ... and the engine has ended its load
    QUrl m_refusedUrl;             // a top-level navigation refused as external
    QElapsedTimer m_userActed;     // the user's last click or key in the page
    bool m_closing = false;
    std::unique_ptr<QTemporaryDir> m_scratch; // written documents too large for a URL
    QString m_lastLargeDocument;
    int m_largeDocuments = 0;
};

} // namespace koa::render
