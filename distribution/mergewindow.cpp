#include "mergewindow.h"

#include "shell/buttonrow.h"
#include "shell/editorset.h"
#include "shell/topmost.h"
#include "store/coursefiles.h"
#include "store/errors.h"
#include "store/interaction.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace koa::distribution {

namespace {
const QString Filter = u"KOA files |*.kof"_s;
} // namespace

MergeList::MergeList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragDropMode(QAbstractItemView::InternalMove);
    setDefaultDropAction(Qt::MoveAction);
    setDropIndicatorShown(true);
}

void MergeList::list_OLEDragDrop(int from, int to) {
    trap(u"Merge / list_OLEDragDrop()"_s, [&] {
        if (from < 0 || to < 0 || from >= count() || to >= count() || from == to)
            return;
        // Taken out first: downwards it lands after its target, upwards before it.
        QListWidgetItem* row = takeItem(from);
        insertItem(to, row);
        setCurrentItem(row);
    });
}

void MergeList::dropEvent(QDropEvent* event) {
    // The rows are moved here, not by the view, so the drop itself moves nothing.
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
    list_OLEDragDrop(currentRow(), indexAt(event->position().toPoint()).row());
}

merge::merge(shell::EditorSet& editors, QWidget* parent)
    : QWidget(parent, Qt::Window), m_editors(editors) {
    trap(u"Merge / Form_Load()"_s, [&] {
        setObjectName(u"merge"_s);
        setWindowTitle(u"Merge"_s);

        Frame1 = new QGroupBox(u"Choose files"_s, this);
        cmdAdd = new QPushButton(u"Add file(s)"_s, Frame1);
        cmdAdd->setObjectName(u"cmdAdd"_s);
        list = new MergeList(Frame1);
        list->setObjectName(u"list"_s);
        auto* frameLayout = new QVBoxLayout(Frame1);
        frameLayout->addWidget(cmdAdd, 0, Qt::AlignLeft);
        frameLayout->addWidget(list);

        Label1 = new QLabel(u"Header information will be taken from the first file. Drag and "
                            "drop to reorder files."_s,
                            this);
        Label1->setWordWrap(true);
        cmdMerge = new QPushButton(u"Merge"_s, this);
        cmdMerge->setObjectName(u"cmdMerge"_s);
        cmdCancel = new QPushButton(u"Close"_s, this);
        cmdCancel->setObjectName(u"cmdCancel"_s);
        QHBoxLayout* buttons = shell::buttonRow({cmdMerge, cmdCancel});

        auto* layout = new QVBoxLayout(this);
        layout->addWidget(Frame1);
        layout->addWidget(Label1);
        layout->addLayout(buttons);
        resize(420, 360);

        connect(cmdAdd, &QPushButton::clicked, this, &merge::cmdAdd_Click);
        connect(cmdMerge, &QPushButton::clicked, this, &merge::cmdMerge_Click);
        connect(cmdCancel, &QPushButton::clicked, this, &merge::cmdCancel_Click);
    });
}

void merge::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    shell::SetTopMostWindow(this, true);
}

QStringList merge::paths() const {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out.append(list->item(i)->data(Qt::UserRole).toString());
    return out;
}

void merge::cmdAdd_Click() {
    trap(u"Merge / cmdAdd_Click()"_s, [&] {
        const std::optional<QStringList> chosen = interaction().openFiles(u"Add file(s)"_s, Filter);
        if (!chosen)
            return;
        for (const QString& path : *chosen) {
            // The key is the path as the file system finds it: the same file
            // through a link or in another letter case is the same key.
            for (const QString& key : paths()) {
                if (key == path || isSameFile(key, path))
                    throw KoaError(errnum::KeyNotUnique, u"Key is not unique in collection"_s);
            }
            // Shown in lower case; the key keeps the real path, which opens.
            auto* row = new QListWidgetItem(QFileInfo(path).fileName().toLower(), list);
            row->setData(Qt::UserRole, path);
            row->setToolTip(path);
        }
    });
}

void merge::cmdMerge_Click() {
    const QStringList inputs = paths();
    if (inputs.size() < 2)
        return;
    const std::optional<QString> output = interaction().saveFile(u"Merge"_s, Filter);
    if (!output || output->isEmpty())
        return;
    CourseMerge(m_editors.files().folder(), *this).merge(inputs, *output);
}

void merge::cmdCancel_Click() {
    trap(u"Merge / cmdCancel_Click()"_s, [&] { close(); });
}

void merge::startWait() {
    m_editors.startWait();
}

void merge::endWait() {
    m_editors.endWait();
}

} // namespace koa::distribution
