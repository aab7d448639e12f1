#pragma once

#include <optional>

#include <QString>
#include <QStringList>

namespace koa::texteditor {

// The targets of the links of one open text, numbered from 1. A link carries
// its number in its font name ("koa:3"); entries are never removed, so a
// number stays valid while the text is open.
class LinkTargets {
public:
    // Appends `target` and returns its number, the new count.
    int addLinkArray(const QString& target);
    int count() const { return int(m_targets.size()); }
    std::optional<QString> at(int number) const;
    void set(int number, const QString& target);
    void clear() { m_targets.clear(); }

private:
    QStringList m_targets;
};

} // namespace koa::texteditor
