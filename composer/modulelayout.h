#pragma once

#include <QList>
#include <QString>

namespace koa::composer {

// One row of a module below its module row: a page, a placed object, a line
// break or a horizontal line.
struct LayoutRow {
    QString type;  // "pages", "texts", ..., "linebreak", "horizontalline"
    QString name;  // as stored: empty for an unnamed page
    QString sound; // pages: the sound that plays with the page
    QString tab;   // pages: the index tab's caption as shown (blanks, not "&nbsp;")

    bool isPage() const;
    // The text of the row in the page list.
    QString shownText() const;
    bool operator==(const LayoutRow&) const = default;
};

// The rows of the open module and the rules of editing them. Rows count from
// 0; the closing row "[END OF MODULE]" would stand at count(), so a target of
// count() appends. A module always starts with a page.
class ModuleLayout {
public:
    ModuleLayout() = default;
    explicit ModuleLayout(QList<LayoutRow> rows);

    const QList<LayoutRow>& rows() const { return m_rows; }
    int count() const { return int(m_rows.size()); }
    const LayoutRow& at(int row) const { return m_rows.at(row); }
    bool isPage(int row) const;

    // A module whose first row is no page gets an unnamed one; true when added.
    bool ensureFirstPage();
    // The page that holds `row`: the row itself or the nearest page above; -1 for none.
    int pageAbove(int row) const;
    // The number of page rows among rows 0 to `row`.
    int pagesUpTo(int row) const;

    // An unnamed page at `at` (the end when `at` lies outside).
    void insertPage(int at);
    // An object, line break or horizontal line at `at`; nothing may stand
    // before the first page, so `at` 0 is refused.
    bool insertItem(int at, const LayoutRow& row);
    // The first page goes only when the second row is a page too, so its
    // objects have a page to fall to; the closing row never goes.
    bool canRemove(int row) const;
    bool remove(int row);

    enum class SoundDrop { Assigned, UnnamedPage, Refused };
    // The sound plays with the page that holds `at`.
    SoundDrop assignSound(int at, const QString& sound);

    // Moves the row `from` before the row `to`; returns its new place, or -1
    // when the move would leave the module without a page in front.
    int move(int from, int to);

    // The page `row` with its name, sound and tab caption.
    void setPage(int row, const QString& name, const QString& sound, const QString& tab);
    bool hasPageNamed(const QString& name) const;

private:
    QList<LayoutRow> m_rows;
};

} // namespace koa::composer
