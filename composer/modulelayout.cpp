#include "modulelayout.h"

#include "rules.h"

namespace koa::composer {

bool LayoutRow::isPage() const {
    return type == rowtypes::Pages;
}

QString LayoutRow::shownText() const {
    return name.isEmpty() ? NoNamePage : name;
}

ModuleLayout::ModuleLayout(QList<LayoutRow> rows) : m_rows(std::move(rows)) {}

bool ModuleLayout::isPage(int row) const {
    return row >= 0 && row < count() && m_rows.at(row).isPage();
}

bool ModuleLayout::ensureFirstPage() {
    if (isPage(0))
        return false;
    insertPage(0);
    return true;
}

int ModuleLayout::pageAbove(int row) const {
    for (int r = std::min(row, count() - 1); r >= 0; --r) {
        if (isPage(r))
            return r;
    }
    return -1;
}

int ModuleLayout::pagesUpTo(int row) const {
    int pages = 0;
    for (int r = 0; r <= row && r < count(); ++r)
        pages += isPage(r) ? 1 : 0;
    return pages;
}

void ModuleLayout::insertPage(int at) {
    if (at < 0 || at > count())
        at = count();
    m_rows.insert(at, LayoutRow{rowtypes::Pages, {}, {}, {}});
}

bool ModuleLayout::insertItem(int at, const LayoutRow& row) {
    if (at < 1 || at > count() || row.isPage())
        return false;
    m_rows.insert(at, row);
    return true;
}

bool ModuleLayout::canRemove(int row) const {
    if (row < 0 || row >= count())
        return false;
    return row > 0 || isPage(1);
}

bool ModuleLayout::remove(int row) {
    if (!canRemove(row))
        return false;
    m_rows.removeAt(row);
    return true;
}

ModuleLayout::SoundDrop ModuleLayout::assignSound(int at, const QString& sound) {
    const int page = pageAbove(at);
    if (at < 0 || at > count() || page < 0)
        return SoundDrop::Refused;
    if (m_rows.at(page).name.isEmpty())
        return SoundDrop::UnnamedPage;
    m_rows[page].sound = sound;
    return SoundDrop::Assigned;
}

int ModuleLayout::move(int from, int to) {
    if (from < 0 || from >= count() || to < 0 || to > count())
        return -1;
    if (from == 0 && !isPage(1))
        return -1;
    if (to == 0 && !isPage(from))
        return -1;
    const LayoutRow row = m_rows.at(from);
    m_rows.insert(to, row);
    m_rows.removeAt(from < to ? from : from + 1);
    return from < to ? to - 1 : to;
}

void ModuleLayout::setPage(int row, const QString& name, const QString& sound, const QString& tab) {
    if (!isPage(row))
        return;
    m_rows[row].name = name;
    m_rows[row].sound = sound;
    m_rows[row].tab = tab;
}

bool ModuleLayout::hasPageNamed(const QString& name) const {
    return std::any_of(m_rows.begin(), m_rows.end(), [&](const LayoutRow& r) {
        return r.isPage() && !r.name.isEmpty() && sameName(r.name, name);
    });
}

} // namespace koa::composer
