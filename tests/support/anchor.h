#pragma once

#include "shell/editorset.h"
#include "shell/fileselector.h"
#include "store/coursefiles.h"
#include "store/database.h"
#include "tests/support/testsupport.h"

#include <memory>

#include <QApplication>
#include <QPointer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace koa::test {

// Probes that report the given major versions.
shell::Prerequisites versions(int browser, int media, int flash);
shell::Prerequisites allPresent();

// The program folder rooted at `root`, with the shipped data of the build tree.
ProgramFolder folderAt(const QString& root);

// The anchor window over the program's own windows, with a short splash.
// startedAt: that window started on `packages` (none: a new course); a failed start
// fails the test (and skips its body when it happens in SetUp).
std::unique_ptr<shell::fileselector> anchorAt(const QString& root,
                                              shell::Prerequisites probes = allPresent());
inline auto startedAt(const QString& root, const QStringList& packages = {}) {
    auto anchor = anchorAt(root);
    std::invoke([&] { ASSERT_TRUE(anchor->Form_Load(packages)) << root.toStdString(); });
    return anchor;
}

// Clicks the tab keyed `key` on the window's tab strip, then lets the events
// run as the event loop would before the next click.
void clickTab(shell::EditorWindow* w, const QString& key);
// The key of the tab the window's strip shows as chosen.
QString shownTab(shell::EditorWindow* w);

// The visible top-level window of type W, if there is one.
template <typename W> W* shownWindow() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* found = qobject_cast<W*>(w); found && found->isVisible())
            return found;
    }
    return nullptr;
}

// Deletes every top-level window of the given types: a failed step may
// leave an editor open over the course.
template <typename... W> void deleteWindows() {
    QList<QPointer<QWidget>> found;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if ((qobject_cast<W*>(w) || ...))
            found.append(w);
    }
    qDeleteAll(found);
}

// The program's windows over a new course in a program folder of their own,
// with scripted answers and recorded error reports.
class CourseWindows : public ::testing::Test {
protected:
    void SetUp() override { start(); }
    void TearDown() override {
        if (m_anchor)
            m_anchor->Form_Unload();
    }

    // Loads the windows afresh, with the course packages named (a new course
    // when none is).
    void start(const QStringList& packages = {}) {
        if (auto old = std::move(m_anchor)) // unloaded and gone before the next start
            old->Form_Unload();
        m_anchor = startedAt(m_dir.filePath(QStringLiteral("koa")), packages);
    }

    shell::EditorSet& set() { return m_anchor->editors(); }
    QString database() { return m_anchor->files().folder().workingDatabase(); }
    Database course() { return Database(database()); }

    QTemporaryDir m_dir;
    ScriptedScope m_scripted;
    ErrorRecorder m_errors;
    std::unique_ptr<shell::fileselector> m_anchor;
};

} // namespace koa::test
