#include "exportwindow.h"

#include "export.h"
#include "shell/buttonrow.h"
#include "shell/editorset.h"
#include "store/coursefiles.h"
#include "store/errors.h"
#include "store/interaction.h"
#include "webexport.h"

#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace koa::distribution {

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
    cmdOK = new QPushButton(u"Export"_s, this);
    cmdOK->setObjectName(u"cmdOK"_s);
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(u"Cancel"_s, this);
    cmdCancel->setObjectName(u"cmdCancel"_s);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblFile);
    layout->addWidget(settings);
    layout->addLayout(shell::buttonRow({cmdOK, cmdCancel}));

    connect(cmdOK, &QPushButton::clicked, this, &exportWindow::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
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

void exportForWebCommand(shell::EditorSet& editors) {
    const std::optional<QString> target =
        interaction().saveFile(u"Export for the web"_s, QString(), u"KOA web export"_s);
    if (!target || target->isEmpty())
        return;
    editors.startWait();
    const WebExportOutcome outcome = exportForWeb(editors.files().folder().root(), *target);
    editors.endWait();
    if (outcome.result != WebExportOutcome::Result::Done) {
        interaction().message(outcome.message());
        return;
    }
    interaction().message(u"The course was exported for the web to "_s +
                          QDir::toNativeSeparators(*target) +
                          u". Open index.html there in any browser, or put the folder on a web "
                          "server."_s);
}

} // namespace koa::distribution
