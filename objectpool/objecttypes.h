#pragma once

#include "store/objectkinds.h"

#include <QList>
#include <QString>

namespace koa::objectpool {

// One kind of object as the pool offers it; its key is the name of the
// table that holds its rows, and of its icon.
struct ObjectType {
    ObjectKind kind;
    QString shownName; // "Pictures", ...
    QString filter;    // the open-file dialog's choices
    QString key() const { return tableOf(kind); }
    // below the working folder; empty when objects have no file
};

const QList<ObjectType>& mediaTypes();
const QList<ObjectType>& textTypes();
// The type keyed `key`, or nullptr.
const ObjectType* objectType(const QString& key);

inline constexpr int MaxNameLength = 50;
inline constexpr int MaxDisplaySize = 9999;

// A name as the pool stores it: its first 50 characters, apostrophes and
// double quotes turned into "#", because names end up between apostrophes
// in generated script. Empty when they hold nothing but blanks.
QString cleanObjectName(const QString& typed);
// The stored file's name: the row's id and the chosen file's extension with
// its dot, so that the desktop still knows the type ("12.gif", "12.docx",
// "12" for a name without one).
QString storedFileName(qint64 id, const QString& chosenPath);
// Bytes as kilobytes to one decimal, halves to the even neighbour.
double kilobytes(qint64 bytes);
// Rounds to a whole number, halves to the even neighbour.
qint64 roundHalfEven(double value);

} // namespace koa::objectpool
