#include "objectkinds.h"

using namespace Qt::Literals::StringLiterals;

namespace koa {

const QList<KindInfo>& objectKinds() {
    using enum ObjectKind;
    static const QList<KindInfo> kinds = {
        {Picture, u"pictures"_s, u"pictures"_s, true, true},
        {Movie, u"movies"_s, u"movies"_s, true, true},
        {Sound, u"sounds"_s, u"sounds"_s, false, false},
        {Flash, u"flash"_s, u"flash"_s, true, true},
        {Text, u"texts"_s, {}, false, true},
        {Keyword, u"keywords"_s, {}, false, false},
        {Document, u"dlinks"_s, u"documents"_s, false, false},
        {Quiz, u"quizes"_s, {}, false, true},
    };
    return kinds;
}

const KindInfo& kindInfo(ObjectKind kind) {
    return objectKinds()[qsizetype(kind)];
}

std::optional<ObjectKind> kindOfTable(const QString& table) {
    for (const KindInfo& k : objectKinds()) {
        if (k.table.compare(table, Qt::CaseInsensitive) == 0)
            return k.kind;
    }
    return std::nullopt;
}

} // namespace koa
