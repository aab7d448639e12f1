#include "droplist.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QPainter>

namespace koa::composer {

DropList::DropList(QWidget* parent) : QTreeWidget(parent) {
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::CopyAction);
    // The row under the pointer is highlighted instead of a line between rows.
    setDropIndicatorShown(false);
    setAllColumnsShowFocus(true);
}

void DropList::acceptDragsFrom(const QList<const QWidget*>& sources) {
    m_sources = sources;
}

void DropList::startDrag(Qt::DropActions) {
    QTreeWidgetItem* item = currentItem();
    if (!item || !(item->flags() & Qt::ItemIsDragEnabled))
        return;
    emit dragStarting(indexOfTopLevelItem(item));
    auto* drag = new QDrag(this);
    auto* data = new QMimeData;
    data->setText(item->text(0));
    drag->setMimeData(data);
    drag->setPixmap(item->icon(0).pixmap(iconSize().isValid() ? iconSize() : QSize(16, 16)));
    drag->exec(Qt::CopyAction, Qt::CopyAction);
    emit dragFinished();
}

bool DropList::accepted(const QDropEvent* event) const {
    const auto* source = qobject_cast<const QWidget*>(event->source());
    return source && m_sources.contains(source) && event->mimeData()->hasText();
}

void DropList::dragEnterEvent(QDragEnterEvent* event) {
    if (!accepted(event)) {
        event->ignore();
        return;
    }
    setState(DraggingState);
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void DropList::dragMoveEvent(QDragMoveEvent* event) {
    // The base class scrolls the list near its edges.
    QTreeWidget::dragMoveEvent(event);
    if (!accepted(event)) {
        event->ignore();
        setDropRow(-1);
        return;
    }
    QTreeWidgetItem* item = itemAt(event->position().toPoint());
    setDropRow(item ? indexOfTopLevelItem(item) : -1);
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void DropList::dragLeaveEvent(QDragLeaveEvent* event) {
    QTreeWidget::dragLeaveEvent(event);
    setDropRow(-1);
}

void DropList::dropEvent(QDropEvent* event) {
    if (!accepted(event)) {
        event->ignore();
        return;
    }
    const int row = m_dropRow;
    event->setDropAction(Qt::CopyAction);
    event->accept();
    stopAutoScroll();
    setState(NoState);
    emit dropped(qobject_cast<QWidget*>(event->source()), row, event->mimeData()->text());
    clearDropHighlight();
}

void DropList::clearDropHighlight() {
    setDropRow(-1);
}

void DropList::setDropRow(int row) {
    if (row == m_dropRow)
        return;
    m_dropRow = row;
    viewport()->update();
}

void DropList::paintEvent(QPaintEvent* event) {
    QTreeWidget::paintEvent(event);
    if (m_dropRow < 0 || !topLevelItem(m_dropRow))
        return;
    const QRect row = visualItemRect(topLevelItem(m_dropRow));
    QPainter p(viewport());
    QColor fill = palette().color(QPalette::Highlight);
    fill.setAlpha(70);
    p.fillRect(QRect(0, row.top(), viewport()->width(), row.height()), fill);
    p.setPen(palette().color(QPalette::Highlight));
    p.drawRect(QRect(0, row.top(), viewport()->width() - 1, row.height() - 1));
}

} // namespace koa::composer
