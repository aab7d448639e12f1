#pragma once

#include <functional>
#include <optional>

#include <QSize>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace koa::objectpool {

// The objects of the open course: the rows of the object tables and the
// files of media and documents in the working folder. No widgets, so the
// window stays thin and the rules can be tested alone.
class ObjectStore {
public:
    explicit ObjectStore(QString workingFolder);

    // What the property fields of a media object show.
    struct Properties {
        QString filename;
        QVariant size;
        QString alignment; // "Center" when empty
        bool floating = false;
        QString width;   // "1" when empty
        QString height;  // "1" when empty
        QString caption; // as the caption field shows it
    };

    // Names of the objects of the type keyed `key`, in the table's own order.
    QStringList names(const QString& key) const;
    bool exists(const QString& key, const QString& name) const;

    std::optional<Properties> read(const QString& key, const QString& name) const;
    // Stores the fields of a picture, movie or Flash object; an empty
    // width or height is stored empty, a larger one than 9999 as 9999.
    void write(const QString& key, const QString& name, const Properties& shown);

    // Adds an object with a file (media, documents): the row, the copied
    // file and, for media, its size in KB. `measure` gets the copied file
    // and returns its display size (invalid for sounds and documents).
    // Nothing is left behind when any step fails.
    void addWithFile(const QString& key, const QString& name, const QString& chosenFile,
                     const std::function<QSize(const QString& copiedFile)>& measure = {});
    // Adds a text, keyword or quiz: a row with only its name.
    void add(const QString& key, const QString& name);
    // Renames the object and every placement of it, a sound's pages and a
    // quiz's statements.
    void rename(const QString& key, const QString& oldName, const QString& newName);
    // Placed on a page, or a page's sound.
    bool inUse(const QString& key, const QString& name) const;
    // The first text (in table order) whose keyword links name `keyword`.
    std::optional<QString> textUsingKeyword(const QString& keyword) const;
    // Deletes the row, its file (read-only too; a missing one is no
    // obstacle) and a quiz's statements. A stored file name that leads out
    // of the object's folder deletes the row only.
    enum class Removed { Done, FileLeftAlone };
    Removed remove(const QString& key, const QString& name);

    // A keyword's description as its field shows it, and back.
    QString description(const QString& keyword) const;
    void setDescription(const QString& keyword, const QString& shown);
    // A text's stored markup, and back; setMarkup throws KoaError when the
    // text is gone.
    QString markup(const QString& text) const;
    void setMarkup(const QString& text, const QString& markup);

    // The full path of a stored file of the type keyed `key` in its folder,
    // or empty when the stored name would lead out of that folder.
    QString filePath(const QString& key, const QString& filename) const;
    QString database() const;

private:
    // The stored file name of a new object: "<id>.<extension>", or
    // "<id>_<n>.<extension>" when that name is taken in the folder.
    QString freeFileName(const QString& key, qint64 id, const QString& chosenFile) const;

    QString m_workingFolder;
};

} // namespace koa::objectpool
