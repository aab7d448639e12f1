#include "linktargets.h"

#include "store/errors.h"

using namespace Qt::Literals::StringLiterals;

namespace koa::texteditor {

int LinkTargets::addLinkArray(const QString& target) {
    trap(u"texteditor / addLinkArray()"_s, [&] { m_targets.append(target); });
    return count();
}

std::optional<QString> LinkTargets::at(int number) const {
    if (number < 1 || number > count())
        return std::nullopt;
    return m_targets.at(number - 1);
}

void LinkTargets::set(int number, const QString& target) {
    if (number >= 1 && number <= count())
        m_targets[number - 1] = target;
}

} // namespace koa::texteditor
