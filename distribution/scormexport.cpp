#include "scormexport.h"

#include "exportsteps.h"
#include "store/errors.h"
#include "store/fileops.h"
#include "store/package.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QUrl>
#include <QXmlStreamWriter>

using namespace Qt::Literals::StringLiterals;

namespace koa::distribution {

namespace {

struct Schema {
    QString version; // of the metadata
    QString cp;      // content packaging
    QString adlcp;
    QString schemaLocation;
    QString scormTypeAttribute;
};

const Schema Scorm12Schema = {
    u"1.2"_s,
    u"http://www.imsproject.org/xsd/imscp_rootv1p1p2"_s,
    u"http://www.adlnet.org/xsd/adlcp_rootv1p2"_s,
    u"http://www.imsproject.org/xsd/imscp_rootv1p1p2 imscp_rootv1p1p2.xsd "
    "http://www.imsglobal.org/xsd/imsmd_rootv1p2p1 imsmd_rootv1p2p1.xsd "
    "http://www.adlnet.org/xsd/adlcp_rootv1p2 adlcp_rootv1p2.xsd"_s,
    u"scormtype"_s,
};

const Schema Scorm2004Schema = {
    u"2004 4th Edition"_s,
    u"http://www.imsglobal.org/xsd/imscp_v1p1"_s,
    u"http://www.adlnet.org/xsd/adlcp_v1p3"_s,
    u"http://www.imsglobal.org/xsd/imscp_v1p1 imscp_v1p1.xsd "
    "http://www.adlnet.org/xsd/adlcp_v1p3 adlcp_v1p3.xsd "
    "http://ltsc.ieee.org/xsd/LOM lom.xsd"_s,
    u"scormType"_s,
};

const QString Scorm12Lom = u"http://www.imsglobal.org/xsd/imsmd_rootv1p2p1"_s;
const QString Scorm2004Lom = u"http://ltsc.ieee.org/xsd/LOM"_s;

// The course's title and description as learning-object metadata.
void writeLom(QXmlStreamWriter& xml, ScormVersion version, const WebCourse& course) {
    const bool old = version == ScormVersion::Scorm12;
    const QString ns = old ? Scorm12Lom : Scorm2004Lom;
    const auto text = [&](const QString& element, const QString& value) {
        xml.writeStartElement(ns, element);
        xml.writeStartElement(ns, old ? u"langstring"_s : u"string"_s);
        xml.writeAttribute(old ? u"xml:lang"_s : u"language"_s, u"en"_s);
        xml.writeCharacters(value);
        xml.writeEndElement();
        xml.writeEndElement();
    };
    xml.writeStartElement(ns, u"lom"_s);
    xml.writeStartElement(ns, u"general"_s);
    text(u"title"_s, course.title);
    text(u"description"_s, course.description);
    xml.writeEndElement();
    xml.writeEndElement();
}

QStringList filesBelow(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(QDir(folder).relativeFilePath(it.next()));
    files.sort();
    return files;
}

// The script that reports to the platform comes after the player's.
void addPlatformScript(const QString& programFolder, const QString& folder) {
    copyFileOver(programFolder + u"/web/scorm/scorm.js"_s, folder + u"/scorm.js"_s);
    QFile index(folder + u"/index.html"_s);
    if (!index.open(QIODevice::ReadOnly))
        throw KoaError(errnum::FileNotFound, u"Cannot read "_s + index.fileName());
    QByteArray page = index.readAll();
    index.close();
    const QByteArray player = "<script src=\"koa-web.js\"></script>";
    if (!page.contains(player))
        throw KoaError(errnum::FileNotFound, u"The player is missing from index.html"_s);
    page.replace(player, player + "\n<script src=\"scorm.js\"></script>");
    writeFileWhole(index.fileName(), page);
}

} // namespace

QByteArray scormManifest(ScormVersion version, const WebCourse& course, const QString& folder) {
    const Schema& schema = version == ScormVersion::Scorm12 ? Scorm12Schema : Scorm2004Schema;
    const QString title = course.title.trimmed().isEmpty() ? u"Course"_s : course.title;
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeDefaultNamespace(schema.cp);
    xml.writeNamespace(schema.adlcp, u"adlcp"_s);
    xml.writeNamespace(u"http://www.w3.org/2001/XMLSchema-instance"_s, u"xsi"_s);
    xml.writeNamespace(version == ScormVersion::Scorm12 ? Scorm12Lom : Scorm2004Lom,
                       version == ScormVersion::Scorm12 ? u"imsmd"_s : u"lom"_s);
    xml.writeStartElement(schema.cp, u"manifest"_s);
    xml.writeAttribute(u"identifier"_s, u"koa-course"_s);
    xml.writeAttribute(u"version"_s, u"1.0"_s);
    xml.writeAttribute(u"http://www.w3.org/2001/XMLSchema-instance"_s, u"schemaLocation"_s,
                       schema.schemaLocation);

    xml.writeStartElement(schema.cp, u"metadata"_s);
    xml.writeTextElement(schema.cp, u"schema"_s, u"ADL SCORM"_s);
    xml.writeTextElement(schema.cp, u"schemaversion"_s, schema.version);
    writeLom(xml, version, course);
    xml.writeEndElement();

    xml.writeStartElement(schema.cp, u"organizations"_s);
    xml.writeAttribute(u"default"_s, u"koa-organization"_s);
    xml.writeStartElement(schema.cp, u"organization"_s);
    xml.writeAttribute(u"identifier"_s, u"koa-organization"_s);
    xml.writeTextElement(schema.cp, u"title"_s, title);
    xml.writeStartElement(schema.cp, u"item"_s);
    xml.writeAttribute(u"identifier"_s, u"koa-item"_s);
    xml.writeAttribute(u"identifierref"_s, u"koa-sco"_s);
    xml.writeTextElement(schema.cp, u"title"_s, title);
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndElement();

    xml.writeStartElement(schema.cp, u"resources"_s);
    xml.writeStartElement(schema.cp, u"resource"_s);
    xml.writeAttribute(u"identifier"_s, u"koa-sco"_s);
    xml.writeAttribute(u"type"_s, u"webcontent"_s);
    xml.writeAttribute(schema.adlcp, schema.scormTypeAttribute, u"sco"_s);
    xml.writeAttribute(u"href"_s, u"index.html"_s);
    for (const QString& file : filesBelow(folder)) {
        if (file == u"imsmanifest.xml"_s)
            continue;
        xml.writeEmptyElement(schema.cp, u"file"_s);
        xml.writeAttribute(u"href"_s, QString::fromLatin1(QUrl::toPercentEncoding(file, "/")));
    }
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    return out;
}

WebExportOutcome exportScorm(const QString& programFolder, const QString& target,
                             ScormVersion version) {
    return runExport(programFolder, target, [&](const QString& to, const QString& staging) {
        const QString sco = staging + u"/sco"_s;
        const WebCourse course = writeWebFolder(programFolder, sco);
        addPlatformScript(programFolder, sco);
        writeFileWhole(sco + u"/imsmanifest.xml"_s, scormManifest(version, course, sco));
        package::packFolder(sco, to, package::Marker::None);
    });
}

} // namespace koa::distribution
