#pragma once

#include <optional>

#include <QList>
#include <QString>

namespace koa {

// The kinds of objects a course holds, each in a table of its own.
enum class ObjectKind { Picture, Movie, Sound, Flash, Text, Keyword, Document, Quiz };

struct KindInfo {
    ObjectKind kind;
    QString table;    // as stored courses name it ("quizes", "dlinks")
    QString folder;   // of its files below the course folder; empty when it has none
    bool displaySize; // width, height, alignment, float and caption
    bool placeable;   // can stand on a page
};

// Every kind: the media first, then the texts, in the pool's order.
const QList<KindInfo>& objectKinds();
const KindInfo& kindInfo(ObjectKind kind);
inline QString tableOf(ObjectKind kind) {
    return kindInfo(kind).table;
}
// The kind kept in `table`; nullopt for the other tables ("pages", "data").
std::optional<ObjectKind> kindOfTable(const QString& table);
// Whether `table` keeps objects of `kind`.
inline bool isKind(const QString& table, ObjectKind kind) {
    return kindOfTable(table) == kind;
}

} // namespace koa
