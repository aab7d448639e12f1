#include "merge.h"

#include "media/playablecopy.h"
#include "store/coursedb.h"
#include "store/courseheader.h"
#include "store/coursepaths.h"
#include "store/database.h"
#include "store/errors.h"
#include "store/fileops.h"
#include "store/interaction.h"
#include "store/package.h"
#include "store/schema.h"

#include <filesystem>
#include <optional>

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QSqlRecord>

using namespace Qt::Literals::StringLiterals;

namespace koa::distribution {

Q_LOGGING_CATEGORY(lcMerge, "koa.merge")

namespace {

// Object tables in merge order: sounds before pages, so the pages' sounds
// are renamed already; pages and documents before texts, so links follow.
const QStringList objectTables = {u"flash"_s,    u"sounds"_s,   u"quizes"_s,
                                  u"pages"_s,    u"keywords"_s, u"movies"_s,
                                  u"pictures"_s, u"dlinks"_s,   u"texts"_s};

// A refusal with its message; anything else thrown fails the merge.
struct Refusal {
    QString message;
};

// Old name (case folded, as the database compares) to new name, per table.
using Renames = QHash<QString, QHash<QString, QString>>;

QString folded(const QString& name) {
    return name.toCaseFolded();
}

QString renamed(const Renames& renames, const QString& table, const QString& name) {
    return renames.value(table).value(folded(name), name);
}

// Links of stored markup that name a page or a document by name.
QString followRenames(const QString& markup, const Renames& renames) {
    static const QRegularExpression target(uR"re(parent\.engine\.(go|dlink)\(\\'(.*?)\\'\))re"_s);
    QString out;
    qsizetype from = 0;
    auto it = target.globalMatch(markup);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        const QString table = m.captured(1) == u"go"_s ? u"pages"_s : u"dlinks"_s;
        out += markup.mid(from, m.capturedStart(2) - from);
        out += renamed(renames, table, m.captured(2));
        from = m.capturedEnd(2);
    }
    return out + markup.mid(from);
}

bool hasName(Database& db, const QString& table, const QString& name) {
    // The column compares without regard to case, as the program's lookups do.
    return db
        .scalar(u"SELECT 1 FROM "_s + quoteIdentifier(table) + u" WHERE name = ? LIMIT 1"_s, {name})
        .isValid();
}

QString freeName(Database& db, const QString& table, const QString& name) {
    QString candidate = name;
    for (int n = 1; hasName(db, table, candidate); ++n)
        candidate = name + u"("_s + QString::number(n) + u")"_s;
    return candidate;
}

// The output's columns that the input has too, in the output's order.
QStringList sharedColumns(Database& in, Database& out, const QString& table) {
    QStringList inColumns;
    for (const QString& c : in.columns(table))
        inColumns.append(c.toLower());
    QStringList shared;
    for (const QString& c : out.columns(table)) {
        if (inColumns.contains(c.toLower()))
            shared.append(c);
    }
    return shared;
}

QString insertSql(const QString& table, const QStringList& columns) {
    QStringList names;
    for (const QString& c : columns)
        names.append(quoteIdentifier(c));
    return u"INSERT INTO "_s + quoteIdentifier(table) + u" ("_s + names.join(u", "_s) +
           u") VALUES ("_s + QStringList(columns.size(), u"?"_s).join(u", "_s) + u")"_s;
}

// Both lie in the scratch folder: a second name for the file costs no copy.
void linkOrCopy(const QString& from, const QString& to) {
    std::error_code ec;
    std::filesystem::create_hard_link(fsPath(from), fsPath(to), ec);
    if (ec)
        copyFileOver(from, to);
}

bool nameTaken(const QString& outFolder, const QString& table, const QString& name) {
    return !isPlainFileName(name) || QFileInfo::exists(outFolder + u"/"_s + name) ||
           QFileInfo::exists(outFolder + u"/"_s + media::playableCopyName(table, name));
}

// Gives the file of a merged media row its place in the output: the old id
// in its name becomes the new one, and a name that is taken already gets
// the new id in front, so no file of another course is overwritten. The
// playable copy of an older movie or sound goes with its file.
QString placeFile(const QString& inCourse, const QString& outCourse, const QString& table,
                  const QString& file, const QString& oldId, const QString& newId) {
    const QString outFolder = outCourse + u"/"_s + fileFolderOf(table);
    QString name = QString(file).replace(oldId, newId);
    for (int n = 0; nameTaken(outFolder, table, name); ++n)
        name = newId + u"_"_s + (n ? QString::number(n) + u"_"_s : QString()) + file;
    const QString from = courseFilePath(inCourse, table, file);
    const QString to = fileInFolder(outFolder, name);
    if (from.isEmpty() || !QFileInfo(from).isFile() || to.isEmpty()) {
        // As a conversion does: the object stays, its missing file stays missing.
        qCWarning(lcMerge) << "no file" << file << "in" << table << "of" << inCourse;
        return name;
    }
    linkOrCopy(from, to);
    const QString copy = media::existingPlayableCopy(inCourse, table, file);
    if (!copy.isEmpty())
        linkOrCopy(copy, fileInFolder(outFolder, media::playableCopyName(table, name)));
    return name;
}

struct LayoutRow {
    QString type;
    QString name;
};

// Appends input `number` (from 1), unpacked in `inCourse`, to the output.
void mergeInput(int number, const QString& inCourse, Database& out, const QString& outCourse) {
    Database in(inCourse + u"/koa.kod"_s, Database::Mode::ReadOnly);

    // The layout's working copy, in which the renames are made.
    std::vector<LayoutRow> layout;
    if (in.hasTable(u"data"_s)) {
        QSqlQuery rows = in.exec(u"SELECT type, name FROM data ORDER BY \"index\""_s);
        while (rows.next())
            layout.push_back({rows.value(0).toString(), rows.value(1).toString()});
    }

    if (number == 1) {
        const QStringList columns = sharedColumns(in, out, u"header"_s);
        if (const std::optional<QSqlRecord> header = CourseHeader(in).record()) {
            QVariantList values;
            for (const QString& c : columns)
                values.append(header->value(c));
            CourseHeader(out).assign(columns, values);
        }
    }

    Renames renames;
    for (const QString& table : objectTables) {
        if (!in.hasTable(table))
            continue;
        const QString idColumn = out.columns(table).value(0);
        QStringList columns = sharedColumns(in, out, table);
        columns.removeIf(
            [&](const QString& c) { return c.compare(idColumn, Qt::CaseInsensitive) == 0; });
        const QString insert = insertSql(table, columns);
        const QString fileFolder = fileFolderOf(table);
        QSqlQuery rows =
            in.exec(u"SELECT * FROM "_s + quoteIdentifier(table) + u" ORDER BY rowid"_s);
        while (rows.next()) {
            const QString name = rows.value(u"name"_s).toString();
            if (table == u"keywords"_s && hasName(out, table, name))
                continue; // pooled by name: the first course's description stays
            // An unnamed page is no object: many share the empty name.
            const QString newName =
                table == u"pages"_s && name.isEmpty() ? name : freeName(out, table, name);
            if (newName != name)
                renames[table].insert(folded(name), newName);

            QVariantList values;
            for (const QString& c : columns) {
                const QString column = c.toLower();
                QVariant value = rows.value(c);
                if (column == u"name"_s)
                    value = newName;
                else if (table == u"pages"_s && column == u"sound"_s && !value.isNull())
                    value = renamed(renames, u"sounds"_s, value.toString());
                else if (table == u"texts"_s && column == u"text"_s && !value.isNull())
                    value = followRenames(value.toString(), renames);
                values.append(value);
            }
            const QVariant newId = out.exec(insert, values).lastInsertId();

            if (table == u"quizes"_s && in.hasTable(u"statements"_s)) {
                QSqlQuery statements = in.exec(
                    u"SELECT statement, status FROM statements WHERE quizname = ? ORDER BY rowid"_s,
                    {name});
                while (statements.next())
                    out.exec(
                        u"INSERT INTO statements (quizname, statement, status) VALUES (?, ?, ?)"_s,
                        {newName, statements.value(0), statements.value(1)});
            }
            const QString file = columns.contains(u"filename"_s, Qt::CaseInsensitive)
                                     ? rows.value(u"filename"_s).toString()
                                     : QString();
            if (!fileFolder.isEmpty() && !file.isEmpty()) {
                const QString placed = placeFile(inCourse, outCourse, table, file,
                                                 rows.value(idColumn).toString(), newId.toString());
                out.exec(u"UPDATE "_s + quoteIdentifier(table) + u" SET filename = ? WHERE "_s +
                             quoteIdentifier(idColumn) + u" = ?"_s,
                         {placed, newId});
            }
        }
    }

    // Each row keeps the object it placed: renames are looked up once, by
    // the name the row had, never carried on to a name made by another rename.
    qint64 next = 0;
    const QVariant last = out.scalar(u"SELECT MAX(\"index\") FROM data"_s);
    if (last.isValid() && !last.isNull())
        next = last.toLongLong() + 1;
    for (const LayoutRow& row : layout) {
        QString name = row.name;
        if (row.type == u"modules"_s)
            name += u"("_s + QString::number(number) + u")"_s;
        else if (objectTables.contains(row.type))
            name = renamed(renames, row.type, name);
        out.exec(u"INSERT INTO data (type, name, \"index\") VALUES (?, ?, ?)"_s,
                 {row.type, name, next++});
    }
}

// Unpacks and checks input `path` into `course`; throws a Refusal.
void unpackInput(const QString& path, const QString& course) {
    try {
        package::unpackPackage(path, course);
        if (!QFileInfo(course + u"/koa.kod"_s).isFile())
            throw KoaError(errnum::FileNotFound, u"The package holds no koa.kod"_s);
        checkCourseDatabase(course + u"/koa.kod"_s);
    } catch (const KoaError& e) {
        qCWarning(lcMerge) << "cannot unpack" << path << e.description();
        throw Refusal{mergemessages::Corrupt};
    }
    if (CheckKOFVersion(course + u"/koa.kod"_s) != QString::fromLatin1(schema::CurrentVersion))
        throw Refusal{mergemessages::NotCurrentVersion};
    std::optional<HeaderFields> header;
    try {
        header = readHeader(course + u"/koa.kod"_s);
    } catch (const KoaError&) {
        throw Refusal{mergemessages::Corrupt};
    }
    if (header && header->readOnly)
        throw Refusal{mergemessages::ReadOnly};
}

void removeQuietly(const QString& folder) {
    std::error_code ec;
    std::filesystem::remove_all(fsPath(folder), ec);
    if (ec)
        qCWarning(lcMerge) << "cannot remove" << folder << QString::fromStdString(ec.message());
}

} // namespace

bool isSameFile(const QString& a, const QString& b) {
    std::error_code ec;
    const bool same = std::filesystem::equivalent(fsPath(a), fsPath(b), ec);
    return !ec && same;
}

CourseMerge::CourseMerge(ProgramFolder folder, MergeHost& host)
    : m_folder(std::move(folder)), m_host(host) {}

bool CourseMerge::merge(const QStringList& inputs, const QString& output) {
    if (inputs.size() < 2 || output.isEmpty())
        return false;
    m_host.startWait();
    const auto tell = [&](const QString& text) {
        m_host.endWait();
        interaction().message(text);
        return false;
    };
    // Before anything is written: the output would replace an input.
    for (const QString& input : inputs) {
        if (isSameFile(input, output))
            return tell(mergemessages::SameFile);
    }

    const QString scratch = scratchFolder();
    const QString outCourse = scratch + u"/merge"_s;
    try {
        removeFolder(scratch);
        if (!QDir().mkpath(scratch))
            throw KoaError(errnum::PathNotFound, u"Cannot create "_s + scratch);
        // The user's courses are theirs alone, also while they lie unpacked here.
        std::filesystem::permissions(fsPath(scratch), std::filesystem::perms::owner_all);
        for (qsizetype i = 0; i < inputs.size(); ++i)
            unpackInput(inputs[i], scratch + u"/"_s + QString::number(i + 1));

        copyFolder(m_folder.blankFolder(), outCourse);
        const QString outDatabase = outCourse + u"/koa.kod"_s;
        {
            Database out(outDatabase);
            out.begin();
            out.exec(u"DELETE FROM data"_s);
            for (qsizetype i = 0; i < inputs.size(); ++i)
                mergeInput(int(i + 1), scratch + u"/"_s + QString::number(i + 1), out, outCourse);
            out.commit();
        }
        // Its scratch file lies outside the folder that is packed.
        CompressDatabase(outDatabase, scratch);
        package::packFolder(outCourse, output);
    } catch (const Refusal& r) {
        removeQuietly(scratch);
        return tell(r.message);
    } catch (const std::exception& e) {
        qCWarning(lcMerge) << "merge failed:" << e.what();
        removeQuietly(scratch);
        return tell(mergemessages::Failed);
    }
    removeQuietly(scratch);
    m_host.endWait();
    return true;
}

} // namespace koa::distribution
