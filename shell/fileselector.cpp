#include "fileselector.h"

#include "about.h"
#include "fileassociation.h"
#include "online/account.h"
#include "playablecopies.h"
#include "store/errors.h"
#include "store/interaction.h"
#include "store/wait.h"
#include "working.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QLabel>
#include <QLoggingCategory>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace koa::shell {

Q_LOGGING_CATEGORY(lcStart, "koa.start")

fileselector::fileselector(ProgramFolder folder, Prerequisites probes, EditorFactories windows)
    : m_folder(std::move(folder)), m_probes(std::move(probes)),
      m_files(std::make_unique<CourseFiles>(m_folder, *this)),
      m_editors(std::make_unique<EditorSet>(*m_files, *this, std::move(windows))),
      m_programPath(QCoreApplication::applicationFilePath()) {
    setObjectName(u"fileselector"_s);
    setWindowTitle(u"KOA File Manager"_s);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(u"KOA main anchor - should not be visible"_s, this));
}

fileselector::~fileselector() {
    m_editors.reset();
    delete m_working;
}

bool fileselector::Form_Load(const QStringList& commandLine) {
    // One instance per user: the lock lives in the user's program folder and
    // dies with its process, so a killed program never locks the user out.
    QDir().mkpath(m_folder.root());
    m_instanceLock = std::make_unique<QLockFile>(m_folder.root() + u"/koa.lock"_s);
    m_instanceLock->setStaleLockTime(0);
    if (!m_instanceLock->tryLock(0)) {
        const bool otherInstance = m_instanceLock->error() == QLockFile::LockFailedError;
        m_instanceLock.reset();
        if (otherInstance) {
            interaction().message(messages::OneInstance);
            m_startRefused = true;
            return false;
        }
        // An unwritable folder is no second instance: say what is wrong and go on.
        errorDetected(errnum::PathFileAccess, u"Cannot write in "_s + m_folder.root(),
                      u"fileselector / Form_Load()"_s);
    }
    if (!checkPrerequisites())
        return false;

    showSplash();
    CheckExtensions(m_programPath, m_folder.shipped() + u"/icons"_s);
    trap(u"fileselector / Form_Load()"_s, [&] { m_folder.prepare(); });
    readServerSetting();

    // No window is made before the questions below are answered: one made
    // earlier would load a course inside their message boxes.
    bool rescued = false;
    if (m_files->rescueNeeded())
        rescued = m_files->offerRescue();
    if (!rescued) {
        const QString path = commandLine.join(u' ');
        if (path.isEmpty() || !m_files->Open_file(path, false))
            m_files->New_file(false);
    }
    // Whatever failed on the way, the user gets a window, or the program ends
    // in order: a process without one would lock the user out.
    if (!headerWindow())
        courseLoaded();
    if (!headerWindow()) {
        Form_Unload();
        return false;
    }
    return true;
}

bool fileselector::checkPrerequisites() {
    if (m_probes.browser() < RequiredBrowser) {
        interaction().message(messages::BrowserMissing);
        m_startRefused = true;
        return false;
    }
    if (m_probes.mediaPlayer() < RequiredMediaPlayer) {
        interaction().message(messages::MediaPlayerMissing);
        m_startRefused = true;
        return false;
    }
    if (m_probes.flash() < RequiredFlash)
        interaction().message(messages::FlashWarning);
    return true;
}

void fileselector::showSplash() {
    about splash;
    splash.showAsSplash(m_splashMs);
    // The author may close the splash early; no other window is open yet.
    waitUntil([&] { return !splash.isVisible(); },
              {.deadline = QDeadlineTimer(m_splashMs + 5000), .input = WaitInput::Allowed});
}

void fileselector::readServerSetting() {
    trap(u"fileselector / Form_Load()"_s, [&] {
        m_baseDirs =
            online::BaseDirs::SetBaseDirs(online::readAccount(m_folder.settingsDatabase()).server);
    });
}

void fileselector::Form_Unload() {
    if (m_startRefused || m_unloaded)
        return; // never touch another instance's working folder
    m_unloaded = true;
    m_editors->closing = true;
    if (auto* preview = qobject_cast<PreviewWindow*>(m_editors->loaded(keys::Preview)))
        preview->shutDown();
    if (HeaderWindow* header = headerWindow())
        header->close();
    trap(u"fileselector / Form_Unload()"_s, [&] { m_files->removeWorkingFolders(); });
    m_instanceLock.reset();
}

HeaderWindow* fileselector::headerWindow() const {
    return static_cast<HeaderWindow*>(m_editors->loaded(keys::Header));
}

void fileselector::startWait() {
    if (!m_working)
        m_working = new working;
    m_working->startWait(headerWindow());
}

void fileselector::endWait() {
    if (m_working)
        m_working->hide();
}

void fileselector::courseLoaded() {
    // A course made before the copies existed gets them before a page shows.
    if (!trapped<bool>(u"fileselector / courseLoaded()"_s, true,
                       [&] { return makePlayableCopies({}, {}); }))
        interaction().message(messages::CopiesCancelled);
    HeaderWindow* header = trapped<HeaderWindow*>(u"Header / Form_Load()"_s, nullptr,
                                                  [&] { return m_editors->headerWindow(); });
    if (header)
        header->Timer1_Timer();
}

bool fileselector::makePlayableCopies(const QString& table, const QString& name) {
    if (!m_working)
        m_working = new working;
    return shell::makePlayableCopies(*m_working, headerWindow(), m_folder.workingFolder(), table,
                                     name) == CopiesMade::Done;
}

void fileselector::setSkipNextRender() {
    if (auto* preview = qobject_cast<PreviewWindow*>(m_editors->loaded(keys::Preview)))
        preview->setSkipNextRender();
}

void fileselector::titlesChanged() {
    m_editors->setDisplayName(m_files->displayName());
}

} // namespace koa::shell
