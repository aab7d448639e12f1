#include "objectkinds.h"

using namespace Qt::Literals::StringLiterals;

namespace koa {

const QList<KindInfo>& objectKinds() {
    using enum ObjectKind;
    static const QList<KindInfo> kinds = {
        {Picture, u"pictures"_s, u"pictures"_s, true, true, PreviewKind::Picture},
        {Movie, u"movies"_s, u"movies"_s, true, true, PreviewKind::Player},
        {Sound, u"sounds"_s, u"sounds"_s, false, false, PreviewKind::Player},
        {Flash, u"flash"_s, u"flash"_s, true, true, PreviewKind::Flash},
        {Text, u"texts"_s, {}, false, true, PreviewKind::Markup},
        {Keyword, u"keywords"_s, {}, false, false, PreviewKind::Description},
        {Document, u"dlinks"_s, u"documents"_s, false, false, PreviewKind::None},
        {Quiz, u"quizes"_s, {}, false, true, PreviewKind::Markup},
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
