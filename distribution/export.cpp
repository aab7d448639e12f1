#include "export.h"

#include "exportsteps.h"
#include "store/courseheader.h"
#include "store/database.h"
#include "store/errors.h"
#include "store/fileops.h"
#include "store/programfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcExport, "koa.export")

using namespace Qt::Literals::StringLiterals;

namespace koa::distribution {

namespace {

const QString TemplateViewer = u"koa_viewer"_s;

struct ExportedHeader {
    QString skin;
    bool readOnly = false;
};

ExportedHeader readCourseHeader(const QString& databasePath) {
    Database db(databasePath, Database::Mode::ReadOnly);
    const std::optional<QVariantList> stored = CourseHeader(db).values({u"skin"_s, u"status"_s});
    ExportedHeader header;
    if (stored) {
        header.skin = stored->at(0).toString();
        header.readOnly = stored->at(1).toInt() != 0;
    }
    return header;
}

void markReadOnly(const QString& databasePath) {
    Database db(databasePath);
    CourseHeader(db).markReadOnly();
}

// The viewer's name may not take the place of another file of the export
// (a target called "temp" or "koa.inf"); it then gets a suffix.
QString freeViewerName(const QString& folder, const QString& wanted) {
    if (wanted == TemplateViewer || !QFileInfo::exists(folder + u'/' + wanted))
        return wanted;
    return wanted + u"_viewer"_s;
}

} // namespace

QString viewerNameFor(const QString& target) {
    QString name = QFileInfo(QDir::cleanPath(target)).fileName();
    name.replace(u' ', u'_');
    return name;
}

QByteArray autorunInf(const QString& viewerName) {
    return "[autorun]\r\nopen = " + viewerName.toUtf8() + "\r\nIcon = Icons\\geom1b.ico\r\n";
}

ExportSource ExportSource::forProgramFolder(const ProgramFolder& folder) {
    return {folder.path(u"export"_s), folder.workingFolder(), folder.path(u"skins"_s)};
}

bool courseIsReadOnly(const QString& databasePath) {
    try {
        return readCourseHeader(databasePath).readOnly;
    } catch (const KoaError& e) {
        qCWarning(lcExport).noquote() << e.description();
        return false;
    }
}

QString ExportOutcome::message() const {
    switch (result) {
    case Result::Done:
        return {};
    case Result::TargetExists:
        return messages::ExportExists;
    case Result::Failed:
        break;
    }
    return messages::ExportFailed;
}

namespace {

// Builds the export in `stage`, below the staging folder, and moves it to `to`.
void buildExport(const ExportSource& source, const QString& to, const QString& stage, bool readOnly,
                 ExportOutcome& outcome) {
    if (outcome.viewerName.isEmpty())
        throw KoaError(errnum::PathNotFound, u"No folder name in "_s + to);
    if (!QFileInfo(source.templateFolder).isDir())
        throw KoaError(errnum::PathNotFound,
                       u"The export template "_s + source.templateFolder + u" is missing"_s);
    copyFolder(source.templateFolder, stage);
    copyFolder(source.workingFolder, stage + u"/temp"_s);
    openToReaders(stage + u"/temp"_s);

    const ExportedHeader header = readCourseHeader(source.workingFolder + u"/koa.kod"_s);
    outcome.readOnly = readOnly || header.readOnly;
    const QString skin = exportedSkin(source.skinsFolder, header.skin);
    if (!QDir().mkpath(stage + u"/skins"_s))
        throw KoaError(errnum::PathFileAccess, u"Cannot create "_s + stage + u"/skins"_s);
    copyFolder(source.skinsFolder + u'/' + skin, stage + u"/skins/"_s + skin);

    if (outcome.readOnly)
        markReadOnly(stage + u"/temp/koa.kod"_s);

    outcome.viewerName = freeViewerName(stage, outcome.viewerName);
    if (outcome.viewerName != TemplateViewer &&
        !QFile::rename(stage + u'/' + TemplateViewer, stage + u'/' + outcome.viewerName))
        throw KoaError(errnum::PathFileAccess, u"Cannot name the viewer "_s + outcome.viewerName);
    writeFileWhole(stage + u"/autorun.inf"_s, autorunInf(outcome.viewerName));
    // Kept executable whatever the medium it was copied from.
    QFile::setPermissions(stage + u"/autorun.sh"_s, QFile::permissions(stage + u"/autorun.sh"_s) |
                                                        QFile::ExeOwner | QFile::ExeGroup |
                                                        QFile::ExeOther);
    moveIntoPlace(stage, to);
}

} // namespace

ExportOutcome exportCourse(const ExportSource& source, const QString& target, bool readOnly) {
    ExportOutcome outcome;
    outcome.viewerName = viewerNameFor(QDir::cleanPath(QFileInfo(target).absoluteFilePath()));
    switch (runStaged(
        target,
        [&](const QString& to, const QString& staging) {
            buildExport(source, to, staging + u"/export"_s, readOnly, outcome);
        },
        outcome.detail)) {
    case StagedEnd::Done:
        outcome.result = ExportOutcome::Result::Done;
        break;
    case StagedEnd::TargetExists:
        outcome.result = ExportOutcome::Result::TargetExists;
        break;
    case StagedEnd::Failed:
        outcome.result = ExportOutcome::Result::Failed;
        break;
    }
    return outcome;
}

} // namespace koa::distribution
