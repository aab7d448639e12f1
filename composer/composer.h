#pragma once

#include "layoutstore.h"
#include "modulelayout.h"
#include "shell/editorwindow.h"

#include <optional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QTreeWidgetItem;

namespace koa::composer {

class DropList;

// The composer window: the course's modules, the pages of the open module and
// the objects placed on them. Every change is written to the course at once
// (LayoutStore), so the course on disk is always complete.
class composer : public shell::EditorWindow {
    Q_OBJECT
public:
    explicit composer(shell::EditorSet& editors);

    // Where a drag started: the object list (with the chosen type and the
    // object's name), or a row of the page list or the module list.
    struct DragSource {
        enum class List { Objects, Page, Modules };
        List list = List::Objects;
        int row = -1;
        QString type;
        QString name;
        static DragSource object(const QString& type, const QString& name);
        static DragSource pageRow(int row);
        static DragSource moduleRow(int row);
    };

    void flush() override;
    void arrive(const QString& fromKey) override;
    void leave() override;
    bool mayLeave() override;
    void closeCancelled() override;
    void afterCourseCommand() override;

    // Published to the other windows (the preview starts there).
    QString currentModule() const { return m_currentModule; }
    int currentModuleNumber() const { return m_currentModuleNumber; }
    int currentComposerPage() const { return m_currentComposerPage; }
    // The page list row that the page information frame belongs to; -1 for none.
    int selectedRow() const { return m_selectedRow; }
    bool pageNameConflict() const { return m_pageNameConflict; }

    void showModule(const QString& moduleName);
    void UpdateModule(const QString& moduleName);
    void UpdateModuleName();
    void UpdatePage(int row);
    void updatePageInfo();
    void UpdateCmbSound();
    void SetColumnHeaderWidth();
    void SetColumnHeaderWidth2();

    void cmbObjectTypes_Click();
    void lstvModules_ItemClick();
    void lstvModule_ItemClick();
    void cmdAddModule_Click();
    void cmdDelModule_Click();
    void cmdAddPage_Click();
    void cmdDelPage_Click();
    void cmdHline_Click();
    void cmdLinebreak_Click();
    void chkTab_Click();
    void cmbSound_Click();
    // Drops; rows count from 0 with the closing row last, -1 when no row is
    // highlighted. The lists' drag and drop ends here too.
    void lstvModule_OLEDragDrop(const DragSource& source, int targetRow);
    void lstvModules_OLEDragDrop(const DragSource& source, int targetRow);

    DropList* lstvModules = nullptr;
    QLineEdit* txtAddModule = nullptr;
    QPushButton* cmdAddModule = nullptr;
    QPushButton* cmdDelModule = nullptr;
    DropList* lstvModule = nullptr;
    QPushButton* cmdHline = nullptr;
    QPushButton* cmdLinebreak = nullptr;
    QPushButton* cmdAddPage = nullptr;
    QPushButton* cmdDelPage = nullptr;
    QGroupBox* Frame2 = nullptr;
    QLineEdit* txtPageName = nullptr;
    QComboBox* cmbSound = nullptr;
    QCheckBox* chkTab = nullptr;
    QLineEdit* txtTab = nullptr;
    QComboBox* cmbObjectTypes = nullptr;
    DropList* lstvObjects = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void buildControls();
    QWidget* buildModules();
    QWidget* buildLayout();
    QWidget* buildObjects();
    void connectDrags();

    void fillModuleList(int select);
    void fillPageList(int select);
    void showPageRow(QTreeWidgetItem* item, const LayoutRow& row);
    void selectModuleRow(int row);
    static bool isClosingRow(const QTreeWidgetItem* item);
    int pageListRow() const;
    void writeBack(const std::optional<LayoutStore::PageRename>& rename = std::nullopt);
    void publish();
    // The page commit of the focus and mouse events, while the frame shows a page.
    void commitShownPage();
    QString chosenSound() const;
    void showSound(const QString& sound);
    void addLayoutItem(const QString& type, const QString& name);
    // A drop on the page list; one it cannot take changes nothing.
    void dropOnPage(const DragSource& source, int targetRow);
    void endDrag();

    LayoutStore m_store;
    ModuleLayout m_layout;
    QString m_currentModule;
    int m_currentModuleNumber = 1;
    int m_currentComposerPage = 1;
    int m_selectedRow = -1;
    bool m_pageNameConflict = false;
    // The page or module list row being dragged; -1 for a drag from the object list.
    int m_dragItem = -1;
    bool m_moduleDragActive = false;
    QList<QObject*> m_commitOnFocus;
};

} // namespace koa::composer
