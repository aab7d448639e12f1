#include "exportwindow.h"

#include "export.h"
#include "scormexport.h"
#include "shell/buttonrow.h"
#include "shell/editorset.h"
#include "store/coursefiles.h"
#include "store/errors.h"
#include "store/interaction.h"

#include <tuple>

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace koa::distribution {

namespace {

// Both export windows end in Export (the default) and Cancel.
std::pair<QPushButton*, QPushButton*> exportButtons(QDialog* window) {
    auto* ok = new QPushButton(u"Export"_s, window);
    ok->setObjectName(u"cmdOK"_s);
    ok->setDefault(true);
    auto* cancel = new QPushButton(u"Cancel"_s, window);
    cancel->setObjectName(u"cmdCancel"_s);
    QObject::connect(cancel, &QPushButton::clicked, window, &QDialog::reject);
    return {ok, cancel};
}

} // namespace

exportWindow::exportWindow(shell::EditorSet& editors, QWidget* parent)
    : QDialog(parent), m_editors(editors) {
    setObjectName(u"export"_s);
    setWindowTitle(u"Export"_s);
    lblFile = new QLabel(this);
    lblFile->setObjectName(u"lblFile"_s);
    auto* settings = new QGroupBox(u"Settings"_s, this);
    readonly = new QCheckBox(u"Read Only"_s, settings);
    readonly->setObjectName(u"readonly"_s);
    (new QVBoxLayout(settings))->addWidget(readonly);
    std::tie(cmdOK, cmdCancel) = exportButtons(this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblFile);
    layout->addWidget(settings);
    layout->addLayout(shell::buttonRow({cmdOK, cmdCancel}));

    connect(cmdOK, &QPushButton::clicked, this, &exportWindow::cmdOK_Click);
    Form_Activate();
}

void exportWindow::showEvent(QShowEvent* event) {
    Form_Activate();
    QDialog::showEvent(event);
}

void exportWindow::Form_Activate() {
    const CourseFiles& files = m_editors.files();
    lblFile->setText(u"File: "_s + files.displayName());
    // A read-only course is exported read-only whatever the box says.
    if (courseIsReadOnly(files.folder().workingDatabase())) {
        readonly->setChecked(true);
        readonly->setEnabled(false);
    }
}

void exportWindow::cmdOK_Click() {
    // Reports its failures itself, with the one message of the window.
    const std::optional<QString> target =
        interaction().saveFile(u"Export"_s, QString(), u"KOA export"_s);
    if (!target || target->isEmpty())
        return;
    m_editors.startWait();
    const ExportOutcome outcome = exportCourse(
        ExportSource::forProgramFolder(m_editors.files().folder()), *target, readonly->isChecked());
    m_editors.endWait();
    if (outcome.result != ExportOutcome::Result::Done) {
        interaction().message(outcome.message());
        return;
    }
    accept();
}

namespace {

// The package's name as the save dialog offers it: the course's, as a ZIP.
QString packageName(const QString& displayName) {
    const QString base = QFileInfo(displayName).completeBaseName();
    return (base.isEmpty() ? u"course"_s : base) + u".zip"_s;
}

} // namespace

webExportWindow::webExportWindow(shell::EditorSet& editors, QWidget* parent)
    : QDialog(parent), m_editors(editors) {
    setObjectName(u"webexport"_s);
    setWindowTitle(u"Export for the web"_s);
    auto* kind = new QGroupBox(u"Export as"_s, this);
    optFolder =
        new QRadioButton(u"A folder that plays in any browser (from disk or a web server)"_s, kind);
    optScorm2004 = new QRadioButton(u"A SCORM 2004 package for a learning platform"_s, kind);
    optScorm12 = new QRadioButton(u"A SCORM 1.2 package for older learning platforms"_s, kind);
    optFolder->setChecked(true);
    auto* kinds = new QVBoxLayout(kind);
    for (QRadioButton* option : {optFolder, optScorm2004, optScorm12})
        kinds->addWidget(option);
    std::tie(cmdOK, cmdCancel) = exportButtons(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(kind);
    layout->addLayout(shell::buttonRow({cmdOK, cmdCancel}));
    connect(cmdOK, &QPushButton::clicked, this, &webExportWindow::cmdOK_Click);
}

void webExportWindow::cmdOK_Click() {
    const bool folder = optFolder->isChecked();
    const std::optional<QString> target =
        interaction().saveFile(windowTitle(), folder ? QString() : u"SCORM package (*.zip)|*.zip"_s,
                               folder ? QString() : packageName(m_editors.files().displayName()));
    if (!target || target->isEmpty())
        return;
    const QString root = m_editors.files().folder().root();
    m_editors.startWait();
    const WebExportOutcome outcome =
        folder ? exportForWeb(root, *target)
               : exportScorm(root, *target,
                             optScorm12->isChecked() ? ScormVersion::Scorm12
                                                     : ScormVersion::Scorm2004);
    m_editors.endWait();
    if (outcome.result != WebExportOutcome::Result::Done) {
        interaction().message(outcome.message());
        return;
    }
    interaction().message(
        folder ? u"The course was exported for the web to "_s + QDir::toNativeSeparators(*target) +
                     u". Open index.html there in any browser, or put the folder on a web "
                     "server."_s
               : u"The course was exported as a SCORM package to "_s +
                     QDir::toNativeSeparators(*target) +
                     u". Upload it to your learning platform as a SCORM package."_s);
    accept();
}

} // namespace koa::distribution
