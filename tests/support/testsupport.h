#pragma once

#include "store/errors.h"
#include "store/interaction.h"
#include "store/programfolder.h"
#include "store/schema.h"

#include <functional>
#include <memory>
#include <ostream>

#include <QByteArray>
#include <QCoreApplication>
#include <QList>
#include <QMessageLogContext>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

class QComboBox;
class QListWidget;
class QTreeWidget;

// Readable failures: texts instead of their bytes. Beside QString, where the
// test framework looks for it.
void PrintTo(const QString& text, std::ostream* out);

namespace koa::test {

// XDG_DATA_HOME, XDG_CONFIG_HOME, XDG_RUNTIME_DIR below `base`.
void pointUserFoldersAt(const QString& base);

// Records every error report while it lives.
// A report the test never looked at (through reports() or locations()) after
// it arrived fails the test when the recorder goes.
class ErrorRecorder {
public:
    ErrorRecorder();
    ~ErrorRecorder();
    const QList<ErrorReport>& reports() const {
        m_seen = true;
        return m_reports;
    }
    QStringList locations() const;

private:
    QList<ErrorReport> m_reports;
    mutable bool m_seen = true;
};

// Collects what the browser's pages complain of while it lives: warnings of
// the "koa.browser" category and uncaught script errors. One at a time.
class BrowserWarnings {
public:
    BrowserWarnings();
    ~BrowserWarnings();
    BrowserWarnings(const BrowserWarnings&) = delete;
    BrowserWarnings& operator=(const BrowserWarnings&) = delete;
    const QStringList& texts() const { return m_texts; }
    std::string joined() const { return m_texts.join(u'\n').toStdString(); }

private:
    static void handler(QtMsgType type, const QMessageLogContext& context, const QString& text);

    QStringList m_texts;
    QtMessageHandler m_previous = nullptr;
};

// Installs a scripted interaction while it lives.
class ScriptedScope {
public:
    ScriptedScope();
    ~ScriptedScope();
    ScriptedInteraction& operator*() { return m_scripted; }
    ScriptedInteraction* operator->() { return &m_scripted; }

private:
    ScriptedInteraction m_scripted;
};

// A fresh program folder in a temporary directory, linked to the shipped
// data of the build tree.
class TempProgramFolder {
public:
    TempProgramFolder();
    const ProgramFolder& folder() const { return *m_folder; }
    QString path(const QString& rel) const { return m_folder->path(rel); }
    QString scratch(const QString& rel) const; // a path outside the program folder

private:
    QTemporaryDir m_dir;
    std::unique_ptr<ProgramFolder> m_folder;
};

// An editor window W over a stand-in object pool, on a blank course in a
// temporary folder; a window left open is closed and deleted after the test.
template <typename W> class PoolEditorTest : public ::testing::Test {
protected:
    void SetUp() override { schema::createBlankCourse(m_dir.path()); }
    void TearDown() override {
        if (m_window)
            m_window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Shows the new `window`, counting its closed() from now on.
    W& show(W* window) {
        m_window = window;
        m_closed = 0;
        QObject::connect(window, &W::closed, [this] { ++m_closed; });
        window->show();
        return *window;
    }
    // The window closed once, gave the object pool back and is gone.
    void expectClosed() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(m_window.isNull());
        EXPECT_EQ(m_closed, 1);
        EXPECT_TRUE(m_pool.isEnabled());
    }

    QTemporaryDir m_dir;
    QWidget m_pool;
    ErrorRecorder m_errors;
    QPointer<W> m_window;
    int m_closed = 0;
};

// Runs the event loop until `condition` holds or `milliseconds` are up;
// the browser engine works on this thread, so tests never wait in sleeps.
bool waitUntil(const std::function<bool()>& condition, int milliseconds);

// The course's layout (its `data` rows) as "type:name", in index order;
// indexedLayoutOf adds ":index".
QStringList layoutOf(const QString& database);
QStringList indexedLayoutOf(const QString& database);
// Appends "type:name" rows to the layout, numbered on from its last row;
// setLayout empties the layout first.
void addLayout(const QString& database, const QStringList& rows);
void setLayout(const QString& database, const QStringList& rows);

// A link of a stored text, as the text editor writes it: `kind` is its type
// letter, `function` the engine's handler, `inner` the linked markup.
QString link(char kind, const QString& function, const QString& target, const QString& inner);

// Templates that only name themselves ("[page1]") below `root`, in the
// places the renderer takes them from.
void writeStubTemplates(const QString& root);

// The item texts of a list, in their order.
QStringList itemsOf(const QComboBox* box);
QStringList itemsOf(const QListWidget* list);
QStringList itemsOf(const QTreeWidget* tree, int column = 0);

QByteArray readFile(const QString& path);
void writeFile(const QString& path, const QByteArray& bytes);
// Relative paths of every file and folder below `folder` ("pictures/", "koa.kod").
QStringList treeOf(const QString& folder);

} // namespace koa::test
