#pragma once

#include <QList>
#include <QTreeWidget>

namespace koa::composer {

// A list of the composer that rows are dragged from and dropped onto. A drag
// offers the row's text; the row under the pointer is highlighted while
// dragging over the list, and a drop reports that row (-1 for none). Only
// drags from the composer's own lists are taken.
class DropList : public QTreeWidget {
    Q_OBJECT
public:
    explicit DropList(QWidget* parent = nullptr);

    void acceptDragsFrom(const QList<const QWidget*>& sources);
    // The highlighted row, -1 for none.
    int dropRow() const { return m_dropRow; }
    void clearDropHighlight();

signals:
    void dragStarting(int row);
    // The drag is over, dropped or not.
    void dragFinished();
    void dropped(QWidget* source, int row, const QString& text);

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool accepted(const QDropEvent* event) const;
    void setDropRow(int row);

    QList<const QWidget*> m_sources;
    int m_dropRow = -1;
};

} // namespace koa::composer
