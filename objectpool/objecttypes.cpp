#include "objecttypes.h"

#include <cmath>

#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace koa::objectpool {

const QList<ObjectType>& mediaTypes() {
    // The long-known types first, then what authors have today.
    static const QList<ObjectType> types = {
        {ObjectKind::Picture, u"Pictures"_s,
         u"Picture files (*.gif;*.jpg;*.jpeg;*.png;*.webp;*.svg)|*.gif;*.jpg;*.jpeg;*.png;*.webp;*.svg"_s},
        {ObjectKind::Movie, u"Movies"_s,
         u"Movie files (*.mpg;*.avi;*.wmv;*.mp4;*.webm;*.ogv)|*.mpg;*.avi;*.wmv;*.mp4;*.webm;*.ogv"_s},
        {ObjectKind::Sound, u"Sounds"_s,
         u"Sound files (*.mp3;*.wma;*.wav;*.ogg;*.opus;*.m4a;*.flac)|*.mp3;*.wma;*.wav;*.ogg;*.opus;*.m4a;*.flac"_s},
        {ObjectKind::Flash, u"Flash"_s, u"SWF files (*.swf)|*.swf"_s},
    };
    return types;
}

const QList<ObjectType>& textTypes() {
    static const QList<ObjectType> types = {
        {ObjectKind::Text, u"Texts"_s, {}},
        {ObjectKind::Keyword, u"Keywords"_s, {}},
        {ObjectKind::Document, u"Documents"_s, {}},
        {ObjectKind::Quiz, u"Quizzes"_s, {}},
    };
    return types;
}

const ObjectType* objectType(const QString& key) {
    for (const QList<ObjectType>* list : {&mediaTypes(), &textTypes()}) {
        for (const ObjectType& t : *list) {
            if (t.key() == key)
                return &t;
        }
    }
    return nullptr;
}

QString cleanObjectName(const QString& typed) {
    // A name of blanks names nothing the author could tell apart.
    if (typed.left(MaxNameLength).trimmed().isEmpty())
        return {};
    QString name = typed.left(MaxNameLength);
    name.replace(u'"', u'#');
    name.replace(u'\'', u'#');
    return name;
}

QString storedFileName(qint64 id, const QString& chosenPath) {
    const QString suffix = QFileInfo(chosenPath).suffix();
    return QString::number(id) + (suffix.isEmpty() ? QString() : u'.' + suffix);
}

qint64 roundHalfEven(double value) {
    return static_cast<qint64>(std::nearbyint(value)); // the default rounding mode: to even
}

double kilobytes(qint64 bytes) {
    // Tenths counted in whole numbers, so 1.25 KB is a true half.
    const double tenths = static_cast<double>(bytes) * 10.0 / 1024.0;
    return static_cast<double>(roundHalfEven(tenths)) / 10.0;
}

} // namespace koa::objectpool
