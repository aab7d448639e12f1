#include "composer.h"

#include "droplist.h"
#include "rules.h"
#include "shell/editorset.h"
#include "shell/quotefree.h"
#include "shell/typeicons.h"
#include "store/coursefiles.h"
#include "store/errors.h"
#include "store/interaction.h"
#include "store/objectkinds.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace koa::composer {

namespace {

// The object type chooser: shown text and kind, whose table is the `type`
// of a placed object and the key of its icon at once.
const std::pair<QString, ObjectKind> ObjectTypes[] = {
    {u"Texts"_s, ObjectKind::Text},   {u"Pictures"_s, ObjectKind::Picture},
    {u"Movies"_s, ObjectKind::Movie}, {u"Flash"_s, ObjectKind::Flash},
    {u"Quizzes"_s, ObjectKind::Quiz}, {u"Sounds"_s, ObjectKind::Sound},
};

constexpr int SoundColumnWidth = 90;
constexpr int TabColumnWidth = 60;
constexpr Qt::ItemFlags DraggedRow =
    Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
constexpr Qt::ItemFlags ClosingRow = Qt::ItemIsEnabled | Qt::ItemIsSelectable;

QPushButton* button(QWidget* parent, const QString& name, const QString& text, const QString& tip) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setToolTip(tip);
    b->setAutoDefault(false);
    return b;
}

QLineEdit* nameBox(QWidget* parent, const QString& name) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setValidator(new shell::QuoteFreeValidator(box));
    return box;
}

QTreeWidgetItem* closingItem(const QString& text) {
    auto* item = new QTreeWidgetItem({text});
    item->setData(0, Qt::UserRole, LastKey);
    item->setFlags(ClosingRow);
    return item;
}

} // namespace

composer::DragSource composer::DragSource::object(const QString& type, const QString& name) {
    return {List::Objects, -1, type, name};
}

composer::DragSource composer::DragSource::pageRow(int row) {
    return {List::Page, row, {}, {}};
}

composer::DragSource composer::DragSource::moduleRow(int row) {
    return {List::Modules, row, {}, {}};
}

composer::composer(shell::EditorSet& editors)
    : EditorWindow(editors,
                   {shell::keys::Composer, u"composer"_s, u"KOA Composer"_s, u"Composer"_s}),
      m_store(editors.files().folder().workingDatabase()) {
    resize(894, 719);
    buildControls();
    Form_Load();
}

// ---- controls --------------------------------------------------------------

void composer::buildControls() {
    // The side columns keep their width; the page list takes the rest.
    QWidget* modules = buildModules();
    modules->setMaximumWidth(190);
    QWidget* objects = buildObjects();
    objects->setMaximumWidth(215);
    auto* layout = new QHBoxLayout(contentArea());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(modules, 0);
    layout->addWidget(buildLayout(), 1);
    layout->addWidget(objects, 0);
    connectDrags();

    m_commitOnFocus = {chkTab,       cmbObjectTypes, cmdAddModule, cmdAddPage,
                       cmdDelModule, cmdDelPage,     cmdHline,     cmdLinebreak,
                       TabStrip1,    txtAddModule,   txtTab,       cmbSound};
    for (QObject* o : std::as_const(m_commitOnFocus))
        o->installEventFilter(this);
    for (DropList* list : {lstvModules, lstvModule, lstvObjects}) {
        list->installEventFilter(this);
        list->viewport()->installEventFilter(this);
    }

    setTabOrder(lstvModules, txtAddModule);
    setTabOrder(txtAddModule, cmdAddModule);
    setTabOrder(cmdAddModule, cmdDelModule);
    setTabOrder(cmdDelModule, lstvModule);
    setTabOrder(lstvModule, cmdHline);
    setTabOrder(cmdHline, cmdLinebreak);
    setTabOrder(cmdLinebreak, cmdAddPage);
    setTabOrder(cmdAddPage, cmdDelPage);
    setTabOrder(cmdDelPage, txtPageName);
    setTabOrder(txtPageName, cmbSound);
    setTabOrder(cmbSound, chkTab);
    setTabOrder(chkTab, txtTab);
    setTabOrder(txtTab, cmbObjectTypes);
    setTabOrder(cmbObjectTypes, lstvObjects);
}

QWidget* composer::buildModules() {
    auto* column = new QWidget(contentArea());
    lstvModules = new DropList(column);
    lstvModules->setObjectName(u"lstvModules"_s);
    lstvModules->setHeaderLabels({u"Modules"_s});
    lstvModules->setMinimumWidth(140);
    txtAddModule = nameBox(column, u"txtAddModule"_s);
    txtAddModule->setMaxLength(MaxModuleName);
    txtAddModule->setToolTip(u"Module name"_s);
    cmdAddModule = button(column, u"cmdAddModule"_s, u"&Add module"_s, u"Add new module"_s);
    cmdDelModule = button(column, u"cmdDelModule"_s, u"&Delete"_s, u"Delete module"_s);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdAddModule);
    buttons->addWidget(cmdDelModule);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(lstvModules, 1);
    layout->addWidget(txtAddModule);
    layout->addLayout(buttons);

    connect(lstvModules, &QTreeWidget::currentItemChanged, this, &composer::lstvModules_ItemClick);
    connect(cmdAddModule, &QPushButton::clicked, this, &composer::cmdAddModule_Click);
    connect(cmdDelModule, &QPushButton::clicked, this, &composer::cmdDelModule_Click);
    return column;
}

QWidget* composer::buildLayout() {
    auto* frame = new QGroupBox(u"Module layout"_s, contentArea());
    frame->setObjectName(u"fraLayout"_s);
    lstvModule = new DropList(frame);
    lstvModule->setObjectName(u"lstvModule"_s);
    lstvModule->setHeaderLabels({QString(), u"Sound"_s, u"Tab"_s});
    // The tab caption column takes the room that is left, never more.
    lstvModule->header()->setStretchLastSection(false);
    lstvModule->header()->setMinimumSectionSize(TabColumnWidth / 2);
    lstvModule->header()->setSectionResizeMode(2, QHeaderView::Stretch);
    lstvModule->setColumnWidth(1, SoundColumnWidth);
    // On small screens the columns scroll rather than widen the window.
    lstvModule->setMinimumWidth(pageColumnWidth(0) + 40);

    cmdHline = button(frame, u"cmdHline"_s, u"Hori&zontal line"_s, u"Add horizontal line"_s);
    cmdLinebreak = button(frame, u"cmdLinebreak"_s, u"&Line break"_s, u"Add extra linebreak"_s);
    cmdAddPage = button(frame, u"cmdAddPage"_s, u"&Page"_s, u"Add new page"_s);
    cmdDelPage = button(frame, u"cmdDelPage"_s, u"Dele&te"_s, u"Delete object"_s);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {cmdHline, cmdLinebreak, cmdAddPage, cmdDelPage})
        buttons->addWidget(b);
    buttons->addStretch(1);

    Frame2 = new QGroupBox(u"Page Info"_s, frame);
    Frame2->setObjectName(u"Frame2"_s);
    txtPageName = nameBox(Frame2, u"txtPageName"_s);
    cmbSound = new QComboBox(Frame2);
    cmbSound->setObjectName(u"cmbSound"_s);
    cmbSound->setMinimumContentsLength(20);
    cmbSound->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    chkTab = new QCheckBox(u"Tab &caption"_s, Frame2);
    chkTab->setObjectName(u"chkTab"_s);
    txtTab = nameBox(Frame2, u"txtTab"_s);
    // The caption box keeps its place while it is hidden.
    QSizePolicy keepPlace = txtTab->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    txtTab->setSizePolicy(keepPlace);
    auto* nameLabel = new QLabel(u"&Name"_s, Frame2);
    nameLabel->setBuddy(txtPageName);
    auto* soundLabel = new QLabel(u"&Sound"_s, Frame2);
    soundLabel->setBuddy(cmbSound);
    auto* info = new QGridLayout(Frame2);
    info->addWidget(nameLabel, 0, 0);
    info->addWidget(txtPageName, 0, 1);
    info->addWidget(soundLabel, 1, 0);
    info->addWidget(cmbSound, 1, 1);
    info->addWidget(chkTab, 2, 0);
    info->addWidget(txtTab, 2, 1);
    info->setColumnStretch(1, 1);
    // The frame comes and goes with the selection; the list keeps its height.
    QSizePolicy frameKeepsPlace = Frame2->sizePolicy();
    frameKeepsPlace.setRetainSizeWhenHidden(true);
    Frame2->setSizePolicy(frameKeepsPlace);

    auto* layout = new QVBoxLayout(frame);
    layout->addWidget(lstvModule, 1);
    layout->addLayout(buttons);
    layout->addWidget(Frame2);

    connect(lstvModule, &QTreeWidget::currentItemChanged, this, &composer::lstvModule_ItemClick);
    connect(cmdHline, &QPushButton::clicked, this, &composer::cmdHline_Click);
    connect(cmdLinebreak, &QPushButton::clicked, this, &composer::cmdLinebreak_Click);
    connect(cmdAddPage, &QPushButton::clicked, this, &composer::cmdAddPage_Click);
    connect(cmdDelPage, &QPushButton::clicked, this, &composer::cmdDelPage_Click);
    connect(chkTab, &QCheckBox::clicked, this, &composer::chkTab_Click);
    connect(cmbSound, &QComboBox::activated, this, &composer::cmbSound_Click);
    connect(txtTab, &QLineEdit::textEdited, this, [this] { UpdatePage(m_selectedRow); });
    connect(txtPageName, &QLineEdit::textEdited, this, [this](const QString& text) {
        // Only a named page has a sound and a tab.
        const bool named = !isUnnamed(text);
        for (QWidget* w : std::initializer_list<QWidget*>{cmbSound, txtTab, chkTab})
            w->setEnabled(named);
        if (!named)
            cmbSound->setCurrentIndex(-1);
    });
    return frame;
}

QWidget* composer::buildObjects() {
    auto* frame = new QGroupBox(u"Objects"_s, contentArea());
    frame->setObjectName(u"fraObjects"_s);
    cmbObjectTypes = new QComboBox(frame);
    cmbObjectTypes->setObjectName(u"cmbObjectTypes"_s);
    lstvObjects = new DropList(frame);
    lstvObjects->setObjectName(u"lstvObjects"_s);
    lstvObjects->setHeaderHidden(true);
    lstvObjects->setAcceptDrops(false);
    lstvObjects->setDragDropMode(QAbstractItemView::DragOnly);
    lstvObjects->setMinimumWidth(objectColumnWidth(0) + 6);
    auto* layout = new QVBoxLayout(frame);
    layout->addWidget(cmbObjectTypes);
    layout->addWidget(lstvObjects, 1);
    connect(cmbObjectTypes, &QComboBox::activated, this, &composer::cmbObjectTypes_Click);
    return frame;
}

void composer::connectDrags() {
    lstvModule->acceptDragsFrom({lstvObjects, lstvModule, lstvModules});
    lstvModules->acceptDragsFrom({lstvObjects, lstvModule, lstvModules});

    connect(lstvObjects, &DropList::dragStarting, this, [this] {
        m_dragItem = -1;
        m_moduleDragActive = false;
    });
    connect(lstvModule, &DropList::dragStarting, this, [this](int row) {
        Frame2->hide();
        m_dragItem = row;
        m_moduleDragActive = false;
    });
    connect(lstvModules, &DropList::dragStarting, this, [this](int row) {
        m_dragItem = row;
        m_moduleDragActive = true;
    });
    // A drag that ends outside the lists leaves no state behind.
    for (DropList* list : {lstvObjects, lstvModule, lstvModules}) {
        connect(list, &DropList::dragFinished, this, [this, list] {
            const bool pageDrag = list == lstvModule;
            endDrag();
            if (pageDrag)
                updatePageInfo();
        });
    }

    auto source = [this](QWidget* from, const QString& text) -> std::optional<DragSource> {
        if (from == lstvObjects)
            return DragSource::object(cmbObjectTypes->currentData().toString(), text);
        if (from == lstvModule && !m_moduleDragActive)
            return DragSource::pageRow(m_dragItem);
        if (from == lstvModules && m_moduleDragActive)
            return DragSource::moduleRow(m_dragItem);
        return std::nullopt;
    };
    connect(lstvModule, &DropList::dropped, this,
            [this, source](QWidget* from, int row, const QString& text) {
                if (const std::optional<DragSource> s = source(from, text))
                    lstvModule_OLEDragDrop(*s, row);
                else
                    endDrag();
            });
    connect(lstvModules, &DropList::dropped, this,
            [this, source](QWidget* from, int row, const QString& text) {
                if (const std::optional<DragSource> s = source(from, text))
                    lstvModules_OLEDragDrop(*s, row);
                else
                    endDrag();
            });
}

bool composer::eventFilter(QObject* watched, QEvent* event) {
    const bool onList = watched == lstvModules || watched == lstvModule || watched == lstvObjects;
    switch (event->type()) {
    case QEvent::FocusIn: {
        // Focus that comes back with the window or from a popup is no move of the author's.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
            break;
        const bool byKeyboard = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                                reason == Qt::ShortcutFocusReason;
        // The lists commit on a mouse press; reached from the keyboard they commit here.
        if (m_commitOnFocus.contains(watched) || (onList && byKeyboard))
            commitShownPage();
        if (watched == cmbSound && !m_pageNameConflict)
            UpdateCmbSound();
        break;
    }
    case QEvent::FocusOut: {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
            break;
        if (watched == cmbSound && !m_pageNameConflict)
            UpdatePage(m_selectedRow);
        // A press on the module list commits the name itself.
        if (watched == txtAddModule && QApplication::focusWidget() != lstvModules)
            UpdateModuleName();
        break;
    }
    case QEvent::MouseButtonPress:
        if (watched == lstvModules->viewport() || watched == lstvModule->viewport() ||
            watched == lstvObjects->viewport())
            commitShownPage();
        if (watched == lstvModules->viewport() && !m_pageNameConflict)
            UpdateModuleName();
        break;
    default:
        break;
    }
    return EditorWindow::eventFilter(watched, event);
}

// ---- start and hand-over -----------------------------------------------------

void composer::Form_Load() {
    trap(location(u"Form_Load"_s), [&] {
        for (const auto& [text, kind] : ObjectTypes)
            cmbObjectTypes->addItem(shell::typeIcon(tableOf(kind)), text, tableOf(kind));
        cmbObjectTypes->setCurrentIndex(0);
        cmbObjectTypes_Click();
        // A course whose layout holds no module yet gets one to work in.
        m_store.ensureModule();
        fillModuleList(0);
        const QString first = lstvModules->topLevelItem(0)->text(0);
        m_currentModuleNumber = 1;
        m_currentComposerPage = 1;
        m_selectedRow = -1;
        publish();
        txtAddModule->setText(first);
        showModule(first);
        selectOwnTab();
        // Numbers the layout from 0 before anything is rendered.
        UpdateModule(m_currentModule);
    });
}

void composer::flush() {
    UpdateModuleName();
    commitShownPage();
    UpdateModule(m_currentModule);
}

void composer::arrive(const QString& fromKey) {
    Q_UNUSED(fromKey)
    // Objects may have been made or renamed meanwhile.
    cmbObjectTypes_Click();
    showModule(m_currentModule);
}

void composer::leave() {
    m_currentComposerPage = m_layout.pagesUpTo(m_selectedRow);
    publish();
}

bool composer::mayLeave() {
    // A refused page name keeps the author here, on the name (see UpdatePage).
    return !m_pageNameConflict;
}

void composer::closeCancelled() {
    showModule(m_currentModule);
}

void composer::afterCourseCommand() {
    showModule(m_currentModule);
}

void composer::publish() {
    editors().composerModuleNumber = m_currentModuleNumber;
    editors().composerPage = m_currentComposerPage;
}

// ---- the lists ---------------------------------------------------------------

bool composer::isClosingRow(const QTreeWidgetItem* item) {
    return item && item->data(0, Qt::UserRole).toString() == LastKey;
}

int composer::pageListRow() const {
    QTreeWidgetItem* item = lstvModule->currentItem();
    return item ? lstvModule->indexOfTopLevelItem(item) : -1;
}

void composer::fillModuleList(int select) {
    const QSignalBlocker blocker(lstvModules);
    lstvModules->clear();
    for (const QString& name : m_store.modules()) {
        auto* item = new QTreeWidgetItem(lstvModules, {name});
        item->setIcon(0, shell::typeIcon(rowtypes::Modules));
        item->setFlags(DraggedRow);
    }
    lstvModules->addTopLevelItem(closingItem(EndOfProject));
    if (QTreeWidgetItem* item = lstvModules->topLevelItem(select)) {
        lstvModules->setCurrentItem(item);
        lstvModules->scrollToItem(item);
    }
}

void composer::selectModuleRow(int row) {
    const QSignalBlocker blocker(lstvModules);
    lstvModules->setCurrentItem(lstvModules->topLevelItem(row));
}

void composer::showPageRow(QTreeWidgetItem* item, const LayoutRow& row) {
    item->setText(0, row.shownText());
    item->setIcon(0, shell::typeIcon(row.type));
    item->setText(1, row.isPage() ? row.sound : QString());
    item->setText(2, row.isPage() ? row.tab : QString());
    if (row.isPage())
        item->setForeground(0, QColor(255, 0, 0));
}

void composer::fillPageList(int select) {
    const QSignalBlocker blocker(lstvModule);
    const int scrolled = lstvModule->verticalScrollBar()->value();
    lstvModule->clear();
    for (const LayoutRow& row : m_layout.rows()) {
        auto* item = new QTreeWidgetItem(lstvModule);
        item->setFlags(DraggedRow);
        showPageRow(item, row);
    }
    lstvModule->addTopLevelItem(closingItem(EndOfModule));
    lstvModule->verticalScrollBar()->setValue(scrolled);
    if (select >= 0) {
        QTreeWidgetItem* item = lstvModule->topLevelItem(std::min(select, m_layout.count()));
        lstvModule->setCurrentItem(item);
        lstvModule->scrollToItem(item);
    }
}

void composer::SetColumnHeaderWidth() {
    lstvModule->setColumnWidth(0, pageColumnWidth(lstvModule->topLevelItemCount()));
}

void composer::SetColumnHeaderWidth2() {
    lstvObjects->setColumnWidth(0, objectColumnWidth(lstvObjects->topLevelItemCount()));
}

void composer::writeBack(const std::optional<LayoutStore::PageRename>& rename) {
    m_store.writeModule(m_currentModule, m_layout.rows(), rename);
}

// ---- modules -----------------------------------------------------------------

void composer::showModule(const QString& moduleName) {
    trap(location(u"showModule"_s), [&] {
        m_layout = ModuleLayout(m_store.readModule(moduleName));
        m_currentModule = moduleName;
        m_pageNameConflict = false;
        lstvModule->headerItem()->setText(0, moduleName);
        // A module always starts with a page; one that lost it gets it back.
        if (m_layout.ensureFirstPage())
            writeBack();
        fillPageList(m_selectedRow);
        SetColumnHeaderWidth();
        updatePageInfo();
    });
}

void composer::UpdateModule(const QString& moduleName) {
    trap(location(u"UpdateModule"_s), [&] {
        m_store.writeModule(moduleName, m_layout.rows());
        SetColumnHeaderWidth();
    });
}

void composer::lstvModules_ItemClick() {
    trap(location(u"lstvModules_ItemClick"_s), [&] {
        QTreeWidgetItem* item = lstvModules->currentItem();
        if (!item)
            return;
        if (isClosingRow(item)) {
            txtAddModule->clear();
            txtAddModule->setEnabled(false);
            return;
        }
        const QString name = item->text(0);
        UpdateModule(m_currentModule);
        m_selectedRow = -1;
        showModule(name);
        txtAddModule->setEnabled(true);
        txtAddModule->setText(name);
        updatePageInfo();
        m_currentModuleNumber = lstvModules->indexOfTopLevelItem(item) + 1;
        publish();
    });
}

void composer::UpdateModuleName() {
    trap(location(u"UpdateModuleName"_s), [&] {
        const QString name = txtAddModule->text();
        if (name.trimmed().isEmpty())
            return;
        QTreeWidgetItem* selected = lstvModules->currentItem();
        bool taken = false;
        for (int i = 0; i < lstvModules->topLevelItemCount(); ++i)
            taken = taken || sameName(lstvModules->topLevelItem(i)->text(0), name);
        // The module's own name in other letters is no clash.
        if (taken && !(selected && sameName(selected->text(0), name))) {
            selectOwnTab();
            interaction().message(u"'"_s + name +
                                  u"' already exists, please choose another name!"_s);
            txtAddModule->setFocus();
            return;
        }
        if (name == m_currentModule || !selected || isClosingRow(selected))
            return;
        m_store.renameModule(m_currentModule, name);
        selected->setText(0, name);
        m_currentModule = name;
        lstvModule->headerItem()->setText(0, name);
    });
}

void composer::cmdAddModule_Click() {
    trap(location(u"cmdAddModule_Click"_s), [&] {
        const std::optional<QString> answer =
            interaction().inputText(u"Name your new module."_s, u"KOA"_s, QString());
        if (!answer)
            return;
        const QString name = moduleNameFromAnswer(*answer);
        if (name.isEmpty())
            return;
        for (int i = 0; i < lstvModules->topLevelItemCount(); ++i) {
            if (sameName(lstvModules->topLevelItem(i)->text(0), name)) {
                interaction().message(u"'"_s + name +
                                      u"' already exists, please choose another name!"_s);
                return;
            }
        }
        UpdateModule(m_currentModule);
        m_store.addModule(name);
        const int row = lstvModules->topLevelItemCount() - 1; // before the closing row
        fillModuleList(row);
        m_currentModuleNumber = row + 1;
        publish();
        m_selectedRow = -1;
        showModule(name);
        Frame2->hide();
        txtAddModule->setEnabled(true);
        txtAddModule->setText(name);
    });
}

void composer::cmdDelModule_Click() {
    trap(location(u"cmdDelModule_Click"_s), [&] {
        QTreeWidgetItem* item = lstvModules->currentItem();
        if (!item || isClosingRow(item) || lstvModules->topLevelItemCount() <= 2)
            return;
        int row = lstvModules->indexOfTopLevelItem(item);
        // The module goes with all its rows; no question is asked.
        m_store.deleteModule(item->text(0));
        fillModuleList(row);
        if (isClosingRow(lstvModules->topLevelItem(row)))
            --row;
        selectModuleRow(row);
        m_currentModule = lstvModules->topLevelItem(row)->text(0);
        m_currentModuleNumber = row + 1;
        m_selectedRow = -1;
        publish();
        showModule(m_currentModule);
        txtAddModule->setEnabled(true);
        txtAddModule->setText(m_currentModule);
    });
}

void composer::lstvModules_OLEDragDrop(const DragSource& source, int targetRow) {
    trap(location(u"lstvModules_OLEDragDrop"_s), [&] {
        const int modules = lstvModules->topLevelItemCount() - 1;
        if (source.list != DragSource::List::Modules || source.row < 0 || source.row >= modules ||
            targetRow < 0 || targetRow > modules)
            return;
        const QString name = lstvModules->topLevelItem(source.row)->text(0);
        // The moved module is the open one, as a press on it opens it.
        if (name != m_currentModule) {
            selectModuleRow(source.row);
            lstvModules_ItemClick();
        }
        const int position = targetRow > source.row ? targetRow - 1 : targetRow;
        if (position != source.row) {
            const QString before =
                targetRow == modules ? QString() : lstvModules->topLevelItem(targetRow)->text(0);
            m_store.moveModule(name, before);
        }
        fillModuleList(position);
        m_currentModuleNumber = position + 1;
        publish();
    });
    endDrag();
}

// ---- pages and their content ------------------------------------------------

void composer::lstvModule_ItemClick() {
    // The author is held on a refused page name: the selection stays on its page.
    if (m_pageNameConflict && m_layout.isPage(m_selectedRow)) {
        const QSignalBlocker blocker(lstvModule);
        lstvModule->setCurrentItem(lstvModule->topLevelItem(m_selectedRow));
        return;
    }
    updatePageInfo();
}

void composer::cmdAddPage_Click() {
    trap(location(u"cmdAddPage_Click"_s), [&] {
        const int row = pageListRow() < 0 ? m_layout.count() : pageListRow();
        m_layout.insertPage(row);
        writeBack();
        fillPageList(row);
        updatePageInfo();
        lstvModule->setFocus();
        SetColumnHeaderWidth();
    });
}

void composer::cmdDelPage_Click() {
    trap(location(u"cmdDelPage_Click"_s), [&] {
        const int row = pageListRow();
        // The page's `pages` row goes with the write-back.
        if (m_layout.remove(row)) {
            writeBack();
            fillPageList(row);
        }
        updatePageInfo();
        lstvModule->setFocus();
        SetColumnHeaderWidth();
    });
}

void composer::addLayoutItem(const QString& type, const QString& name) {
    const int row = pageListRow();
    if (m_layout.insertItem(row, {type, name, {}, {}})) {
        writeBack();
        fillPageList(row);
    }
    updatePageInfo();
    lstvModule->setFocus();
    SetColumnHeaderWidth();
}

void composer::cmdHline_Click() {
    trap(location(u"cmdHline_Click"_s),
         [&] { addLayoutItem(rowtypes::HorizontalLine, u"Horizontal line"_s); });
}

void composer::cmdLinebreak_Click() {
    trap(location(u"cmdLinebreak_Click"_s),
         [&] { addLayoutItem(rowtypes::Linebreak, u"Linebreak"_s); });
}

void composer::lstvModule_OLEDragDrop(const DragSource& source, int targetRow) {
    trap(location(u"lstvModule_OLEDragDrop"_s), [&] { dropOnPage(source, targetRow); });
    // Every drop, taken or refused, ends the drag and shows the chosen row again.
    endDrag();
    updatePageInfo();
    SetColumnHeaderWidth();
}

void composer::dropOnPage(const DragSource& source, int targetRow) {
    if (targetRow < 0 || targetRow > m_layout.count())
        return;
    switch (source.list) {
    case DragSource::List::Modules:
        return;
    case DragSource::List::Objects:
        if (source.type == rowtypes::Sounds) {
            const ModuleLayout::SoundDrop result = m_layout.assignSound(targetRow, source.name);
            if (result == ModuleLayout::SoundDrop::UnnamedPage)
                interaction().message(u"Cannot assign a sound to an unnamed page!"_s);
            if (result == ModuleLayout::SoundDrop::Assigned) {
                writeBack();
                fillPageList(pageListRow());
            }
        } else if (isPlaceable(source.type) && !source.name.isEmpty() &&
                   m_layout.insertItem(targetRow, {source.type, source.name, {}, {}})) {
            writeBack();
            fillPageList(targetRow);
        }
        return;
    case DragSource::List::Page:
        if (const int moved = m_layout.move(source.row, targetRow); moved >= 0) {
            writeBack();
            fillPageList(moved);
        }
        return;
    }
}

void composer::endDrag() {
    m_dragItem = -1;
    m_moduleDragActive = false;
    lstvModule->clearDropHighlight();
    lstvModules->clearDropHighlight();
}

// ---- the page information frame -------------------------------------------------

void composer::updatePageInfo() {
    trap(location(u"updatePageInfo"_s), [&] {
        const int row = pageListRow();
        const QSignalBlocker blockName(txtPageName);
        const QSignalBlocker blockSound(cmbSound);
        const QSignalBlocker blockTab(txtTab);
        const QSignalBlocker blockCheck(chkTab);
        if (m_layout.isPage(row)) {
            const LayoutRow& page = m_layout.at(row);
            Frame2->show();
            txtPageName->setText(page.shownText());
            const bool named = !page.name.isEmpty();
            chkTab->setEnabled(named);
            cmbSound->setEnabled(named);
            txtTab->setEnabled(named);
            if (named)
                showSound(page.sound);
            else
                cmbSound->setCurrentIndex(-1);
            chkTab->setChecked(named && !page.tab.isEmpty());
            txtTab->setText(named ? page.tab : QString());
            txtTab->setVisible(named && !page.tab.isEmpty());
        } else {
            Frame2->hide();
            txtPageName->clear();
            cmbSound->setCurrentIndex(-1);
            cmbSound->setEnabled(false);
            txtTab->clear();
            txtTab->hide();
        }
        m_selectedRow = row;
        // The frame shows a stored page again: no refused name is pending.
        m_pageNameConflict = false;
    });
}

void composer::commitShownPage() {
    if (!Frame2->isHidden())
        UpdatePage(m_selectedRow);
}

QString composer::chosenSound() const {
    // "No sound" is the first entry; a sound object may bear that name too.
    return cmbSound->currentIndex() <= 0 ? QString() : cmbSound->currentText();
}

void composer::showSound(const QString& sound) {
    if (cmbSound->count() == 0)
        UpdateCmbSound();
    int index = sound.isEmpty() ? 0 : cmbSound->findText(sound, Qt::MatchExactly);
    if (index < 0) {
        UpdateCmbSound(); // a sound added since the chooser was filled
        index = cmbSound->findText(sound, Qt::MatchExactly);
    }
    if (index < 1 && !sound.isEmpty()) {
        cmbSound->addItem(shell::typeIcon(rowtypes::Sounds), sound);
        index = cmbSound->count() - 1;
    }
    cmbSound->setCurrentIndex(index);
}

void composer::UpdateCmbSound() {
    trap(location(u"UpdateCmbSound"_s), [&] {
        const QSignalBlocker blocker(cmbSound);
        const int shown = cmbSound->currentIndex();
        const QString sound = chosenSound();
        cmbSound->clear();
        cmbSound->addItem(NoSound);
        for (const QString& name : m_store.soundNames())
            cmbSound->addItem(shell::typeIcon(rowtypes::Sounds), name);
        // Refilling keeps what the chooser shows.
        if (shown < 0) {
            cmbSound->setCurrentIndex(-1);
        } else if (!sound.isEmpty()) {
            int index = cmbSound->findText(sound, Qt::MatchExactly);
            if (index < 1) {
                cmbSound->addItem(shell::typeIcon(rowtypes::Sounds), sound);
                index = cmbSound->count() - 1;
            }
            cmbSound->setCurrentIndex(index);
        }
    });
}

void composer::cmbSound_Click() {
    UpdatePage(m_selectedRow);
}

void composer::chkTab_Click() {
    if (chkTab->isChecked()) {
        txtTab->clear();
        txtTab->show();
        txtTab->setFocus();
        return;
    }
    txtTab->hide();
    txtTab->clear();
    UpdatePage(m_selectedRow);
}

void composer::UpdatePage(int row) {
    trap(location(u"UpdatePage"_s), [&] {
        if (!m_layout.isPage(row))
            return;
        const LayoutRow page = m_layout.at(row);
        const QString typed = txtPageName->text();
        std::optional<LayoutStore::PageRename> rename;
        if (isUnnamed(typed)) {
            // An unnamed page has neither sound nor tab.
            m_layout.setPage(row, QString(), QString(), QString());
        } else if (typed != page.shownText()) {
            m_pageNameConflict = false;
            // The page's own row counts: a change of letter case alone is refused.
            const QStringList stored = m_store.pageNames();
            const bool taken = m_layout.hasPageNamed(typed) ||
                               std::any_of(stored.begin(), stored.end(), [&](const QString& name) {
                                   return sameName(name, typed);
                               });
            if (taken) {
                selectOwnTab();
                interaction().message(u"Page name already exists"_s);
                m_pageNameConflict = true;
                txtPageName->setFocus();
                return;
            }
            rename = LayoutStore::PageRename{page.name, typed};
            m_layout.setPage(row, typed, chosenSound(), txtTab->text());
        } else {
            m_layout.setPage(row, page.name, chosenSound(), txtTab->text());
        }
        // An accepted commit ends any refusal that held the author.
        m_pageNameConflict = false;
        if (QTreeWidgetItem* item = lstvModule->topLevelItem(row))
            showPageRow(item, m_layout.at(row));
        writeBack(rename);
    });
}

// ---- objects -------------------------------------------------------------------

void composer::cmbObjectTypes_Click() {
    trap(location(u"cmbObjectTypes_Click"_s), [&] {
        const QStringList names = m_store.objectNames(cmbObjectTypes->currentData().toString());
        lstvObjects->clear();
        for (const QString& name : names) {
            auto* item = new QTreeWidgetItem(lstvObjects, {name});
            item->setFlags(DraggedRow);
        }
        SetColumnHeaderWidth2();
    });
}

} // namespace koa::composer
