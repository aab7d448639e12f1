#pragma once

#include "editorset.h"
#include "online/account.h"
#include "prerequisites.h"
#include "store/coursefiles.h"
#include "store/programfolder.h"

#include <memory>

#include <QLockFile>
#include <QPointer>
#include <QStringList>
#include <QWidget>

namespace koa::shell {

class working;

// The hidden anchor window: owns the start-up, the file operations and the
// values of the run, and its unload is the program's orderly end.
class fileselector : public QWidget, public CourseHost {
    Q_OBJECT
public:
    fileselector(ProgramFolder folder, Prerequisites probes, EditorFactories windows);
    ~fileselector() override;

    // The start-up. False when this instance must end at once.
    bool Form_Load(const QStringList& commandLine);
    // The orderly end: releases and deletes the working folder.
    void Form_Unload();

    void setSplashMilliseconds(int ms) { m_splashMs = ms; }
    void setProgramPath(const QString& path) { m_programPath = path; }

    bool startRefused() const { return m_startRefused; }
    CourseFiles& files() { return *m_files; }
    EditorSet& editors() { return *m_editors; }
    HeaderWindow* headerWindow() const;
    // The publishing server's addresses from the account settings.
    QString httpBase() const { return m_baseDirs.http; }
    QString ftpBase() const { return m_baseDirs.ftp; }

    // CourseHost
    bool SaveCourse(bool force) override { return m_editors->SaveCourse(force); }
    void closeEditors() override { m_editors->ExitCourse(false); }
    void startWait() override;
    void endWait() override;
    void courseLoaded() override;
    void titlesChanged() override;
    void setSkipNextRender() override;
    bool makePlayableCopies(const QString& table, const QString& name) override;

private:
    bool checkPrerequisites();
    void showSplash();
    void readServerSetting();

    ProgramFolder m_folder;
    Prerequisites m_probes;
    std::unique_ptr<CourseFiles> m_files;
    std::unique_ptr<EditorSet> m_editors;
    std::unique_ptr<QLockFile> m_instanceLock;
    QPointer<working> m_working;
    QString m_programPath;
    online::BaseDirs m_baseDirs;
    int m_splashMs = 2000;
    bool m_startRefused = false;
    bool m_unloaded = false;
};

} // namespace koa::shell
