#include "rules.h"

#include "shell/quotefree.h"
#include "store/objectkinds.h"

#include <QStringList>

using namespace Qt::Literals::StringLiterals;

namespace koa::composer {

QString moduleNameFromAnswer(const QString& answer) {
    const QString name = shell::withoutQuotes(answer.left(MaxModuleName));
    return name.trimmed().isEmpty() ? QString() : name;
}

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool isUnnamed(const QString& typed) {
    return typed.trimmed().isEmpty() || sameName(typed, NoNamePage);
}

QString storedTab(const QString& shown) {
    QString text = shown;
    return text.replace(u' ', u"&nbsp;"_s);
}

QString shownTab(const QString& stored) {
    QString text = stored;
    return text.replace(u"&nbsp;"_s, u" "_s);
}

bool isPlaceable(const QString& type) {
    const std::optional<ObjectKind> kind = kindOfTable(type);
    return kind && kindInfo(*kind).placeable && tableOf(*kind) == type;
}

int twipsToPixels(int twips) {
    constexpr int TwipsPerPixel = 15;
    return (twips + TwipsPerPixel / 2) / TwipsPerPixel;
}

int pageColumnWidth(int rows) {
    return twipsToPixels(rows > 20 ? 3720 : 3970);
}

int objectColumnWidth(int rows) {
    return twipsToPixels(rows > 14 ? 2400 : 2655);
}

} // namespace koa::composer
