#pragma once

#include "render/coursecontent.h"

#include <string>
#include <vector>

#include <QFileInfo>
#include <QString>

// What the render tests share: the document's forms and the stand-in templates.
namespace koa::test {

inline const QString CrLf = QStringLiteral("\r\n");

// Line breaks made visible, so a failed comparison shows a readable diff.
inline std::string visible(QString text) {
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\\r\\n\n")).toStdString();
}

// The stand-in template of a path, "[page1]", as test::writeStubTemplates writes it.
inline QString stubTemplate(const QString& relativePath) {
    return u'[' + QFileInfo(relativePath).baseName() + u']';
}

// Placed objects as the reader gives them.
inline render::PlacedObject object(render::PlacedObject::Kind kind, const QString& text = {}) {
    return {kind, text, {}, {}, {}, {}, false, {}, {}, {}, {}};
}

inline render::PlacedObject quiz(int id, const QString& question,
                                 std::vector<render::Statement> statements) {
    render::PlacedObject o = object(render::PlacedObject::Kind::Quiz, question);
    o.id = id;
    o.statements = std::move(statements);
    return o;
}

inline render::PlacedObject visual(render::PlacedObject::Kind kind, const QString& file,
                                   const QVariant& width, const QVariant& height,
                                   const QString& alignment = QStringLiteral("Center"),
                                   bool floats = false, const QString& caption = {}) {
    return {kind, {}, file, width, height, alignment, floats, caption, {}, {}, {}};
}

} // namespace koa::test
