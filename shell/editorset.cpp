#include "editorset.h"

#include "store/coursedb.h"
#include "store/coursefiles.h"
#include "store/errors.h"
#include "store/interaction.h"

#include <utility>

#include <QCoreApplication>

using namespace Qt::Literals::StringLiterals;

namespace koa::shell {

EditorSet::EditorSet(CourseFiles& files, CourseHost& host, EditorFactories factories)
    : endProgram([] { QCoreApplication::quit(); }), m_files(files), m_host(host),
      m_factories(std::move(factories)) {}

EditorSet::~EditorSet() {
    for (const QPointer<EditorWindow>& w : std::as_const(m_windows))
        delete w.data();
}

void EditorSet::startWait() {
    m_host.startWait();
}

void EditorSet::endWait() {
    m_host.endWait();
}

bool EditorSet::makePlayableCopies(const QString& table, const QString& name) {
    return m_host.makePlayableCopies(table, name);
}

EditorWindow* EditorSet::loaded(const QString& key) const {
    return m_windows.value(key).data();
}

EditorWindow* EditorSet::window(const QString& key) {
    if (EditorWindow* w = loaded(key))
        return w;
    return make(key);
}

HeaderWindow* EditorSet::headerWindow() {
    return static_cast<HeaderWindow*>(window(keys::Header));
}

EditorWindow* EditorSet::make(const QString& key) {
    EditorWindow* w = nullptr;
    if (key == keys::Header && m_factories.header)
        w = m_factories.header(*this);
    else if (key == keys::ObjectPool && m_factories.objectpool)
        w = m_factories.objectpool(*this);
    else if (key == keys::Composer && m_factories.composer)
        w = m_factories.composer(*this);
    else if (key == keys::Preview && m_factories.preview)
        w = m_factories.preview(*this);
    if (!w)
        throw KoaError(errnum::FileNotFound, u"No window "_s + key);
    m_windows.insert(key, w);
    if (!m_files.displayName().isEmpty())
        w->setDisplayName(m_files.displayName());
    return w;
}

bool EditorSet::SaveCourse(bool force) {
    return trapped<bool>(u"commonModule / SaveCourse()"_s, false, [&] {
        Interaction::Answer answer = Interaction::Answer::Yes;
        if (!force) {
            const ProgramFolder& folder = m_files.folder();
            if (IsDBblank(folder.workingDatabase(), folder.blankDatabase()))
                answer = Interaction::Answer::No;
            else
                answer = interaction().question(
                    u"All unsaved data will be lost. Do you want to save the currently open file?"_s,
                    u"Save"_s, Interaction::Buttons::YesNoCancel);
        }
        if (answer == Interaction::Answer::Yes)
            return m_files.Save_course(force);
        return answer == Interaction::Answer::No;
    });
}

bool EditorSet::mayLeaveAll() const {
    for (const QPointer<EditorWindow>& w : m_windows) {
        if (w && !w->mayLeave())
            return false;
    }
    return true;
}

void EditorSet::closeWindow(const QString& key) {
    if (EditorWindow* w = m_windows.take(key)) {
        w->leave(); // lets go of what it plays or shows
        w->close();
        // It may be the window whose menu command is running.
        w->deleteLater();
    }
}

void EditorSet::closeCourseWindows() {
    // The file header window shows up again where the user was working.
    EditorWindow* current = loaded(currentWindow);
    EditorWindow* header = loaded(keys::Header);
    if (header && current && current != header)
        header->move(current->pos());
    if (auto* preview = qobject_cast<PreviewWindow*>(loaded(keys::Preview)))
        preview->shutDown();
    closeWindow(keys::Preview);
    closeWindow(keys::ObjectPool);
    closeWindow(keys::Composer);
}

void EditorSet::ExitCourse(bool endProgram) {
    trap(u"commonModule / ExitCourse()"_s, [&] {
        closing = true;
        closeCourseWindows();
        if (!endProgram) {
            closing = false;
            return;
        }
        if (EditorWindow* header = loaded(keys::Header))
            header->close();
        if (this->endProgram)
            this->endProgram();
    });
}

void EditorSet::closeStaleWindows() {
    if (!loaded(keys::ObjectPool) && !loaded(keys::Composer) && !loaded(keys::Preview))
        return;
    const bool wasClosing = std::exchange(closing, true);
    closeCourseWindows();
    closing = wasClosing;
}

void EditorSet::loadEditors(const QString& displayName) {
    for (const QString& key : {keys::ObjectPool, keys::Composer, keys::Preview})
        window(key);
    setDisplayName(displayName);
}

void EditorSet::setDisplayName(const QString& displayName) {
    for (const QPointer<EditorWindow>& w : std::as_const(m_windows)) {
        if (w)
            w->setDisplayName(displayName);
    }
}

void EditorSet::copyGeometry(const QWidget& from, QWidget& to) {
    to.move(from.pos());
    to.resize(from.size());
}

void EditorSet::switchWindow(EditorWindow& from, const QString& key) {
    from.flush();
    if (key == from.key() || !from.mayLeave())
        return;
    // A read-only course cannot be edited; the caller reselects its own tab.
    if ((key == keys::ObjectPool || key == keys::Composer) && headerWindow()->readOnly())
        return;
    currentWindow = key;
    EditorWindow* to = window(key);
    copyGeometry(from, *to);
    from.leave();
    to->arrive(from.key());
    if (to->showsInPlace()) {
        to->show();
        to->raise();
        to->activateWindow();
    }
    from.hide();
}

} // namespace koa::shell
