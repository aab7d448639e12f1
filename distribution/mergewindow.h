#pragma once

#include "merge.h"

#include <QListWidget>
#include <QWidget>

class QLabel;
class QPushButton;
class QGroupBox;

namespace koa::shell {
class EditorSet;
} // namespace koa::shell

namespace koa::distribution {

// The file list of the merge window: a row dragged onto another row moves
// to the place the target row had.
class MergeList : public QListWidget {
    Q_OBJECT
public:
    explicit MergeList(QWidget* parent = nullptr);

    // Dropped row `from` on row `to`.
    void list_OLEDragDrop(int from, int to);

protected:
    void dropEvent(QDropEvent* event) override;
};

// The merge window: chooses the packages, orders them and merges them into
// a new package. The open course is not touched.
class merge : public QWidget, private MergeHost {
    Q_OBJECT
public:
    explicit merge(shell::EditorSet& editors, QWidget* parent = nullptr);

    // The list's paths in merge order.
    QStringList paths() const;

    QGroupBox* Frame1 = nullptr;
    QPushButton* cmdAdd = nullptr;
    MergeList* list = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* cmdMerge = nullptr;
    QPushButton* cmdCancel = nullptr;

    void cmdAdd_Click();
    void cmdMerge_Click();
    void cmdCancel_Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void startWait() override;
    void endWait() override;

    shell::EditorSet& m_editors;
};

} // namespace koa::distribution
