#pragma once
// The editor window: buttons on top, the group pane at the left, the
// parameter grid at the right. Handlers only collect their inputs and call the
// core operations; the window owns the one GroupItems of its life.

#include <QPointer>
#include <QWidget>
#include <memory>
#include <string>

#include "editor/group_list.h"
#include "editor/settings.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QHeaderView;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QStatusBar;
class QTableView;
class QToolButton;

namespace vtq {

class GroupCheckList;
class GroupItems;
class Host;
class ParameterGridModel;
class QtUserSide;

class TFNVMVTQ : public QWidget {
    Q_OBJECT
public:
    // Builds the decoder, creates GroupItems and loads the settings.
    explicit TFNVMVTQ(Host& host, QWidget* parent = nullptr);
    // Saves the checked groups, then frees the groups, the decoder and the group table.
    ~TFNVMVTQ() override;

    // The show routine after creation: closing flag cleared, write-on-the-fly
    // on, caption from the version text, group list fetched (a failure is shown
    // in a message box; the window stays open either way).
    void Start(const std::string& caption);

    // Closing flag: set when the host closes the window; running operations
    // end after the current exchange without further messages.
    bool Closing() const { return closing_; }
    void SetClosing(bool closing) { closing_ = closing; }
    // Destroys `owner` (the window's frame, or the window itself) as soon as no
    // handler is on the stack any more: at once when none is. A handler can
    // only be interrupted where the user side lets the event loop run, so the
    // user side's count of those places tells whether one is on the stack.
    void DestroyWhenIdle(QObject* owner);

    GroupItems& Items() { return *items_; }
    TargetGroupTable& GroupTable() { return groupTable_; }
    EditorSettings& Settings() { return settings_; }
    QtUserSide& User() { return *user_; }
    Host& host() { return host_; }
    ParameterGridModel& GridModel() { return *gridModel_; }

    // Shows the current view in the grid and repaints the group list.
    void FillGrid();
    // Group box caption and enabled states of the selection controls.
    void UpdateSelectionDisplay();

    // Controls, named as the system names them.
    QWidget* PanelTop;
    QPushButton* BReadGroups;
    QPushButton* BWriteAll;
    QPushButton* BLoad;
    QPushButton* BSave;
    QPushButton* BCompare;
    QPushButton* BClear;
    QGroupBox* GroupBoxFilter;
    QLineEdit* EFilter;
    QPushButton* BitBtn1;
    QCheckBox* CBDebug;
    QPushButton* BCommit;
    QToolButton* BExtra;
    QGroupBox* GBNamingPresets;
    QComboBox* CBNamingPresets;
    QLabel* INotStored;
    QLabel* IInTargetRAM;
    QGroupBox* GBNVMGroups;
    GroupCheckList* CheckListGroups;
    QPushButton* BSelectAll;
    QPushButton* BSelectNone;
    QPushButton* BRefreshGroupList;
    QHeaderView* HeaderControl1;
    QTableView* StringGridNVM;
    QLineEdit* EAtSend;
    QStatusBar* StatusBar1;

    QMenu* PopupMenuGroups;
    QAction* SelectAll;
    QAction* SelectNone;
    QAction* Selectfix1;
    QAction* Selectcal1;
    QAction* Selectdyn1;
    QAction* SelectRFGroups1;
    QAction* RefreshGroups;

    QMenu* PopupMenuParameters;
    QAction* Writetotarget1;
    QAction* CopyNameandvalue1;
    QAction* SelectAllParametersinthisGroup1;
    QAction* CommitGroups1;
    QAction* ShowDebugATCommandline1;

    QMenu* PopupMenuExtra;
    QAction* StoreDefaultValueFileinTarget1;
    QAction* ReadDefault;
    QAction* SaveAllChangedDefaults1;
    QAction* SaveSelectedChangedDefaults1;
    QAction* SaveRFDefaults1;
    QAction* RedirectWriteGroups1;

public slots:
    void BReadGroupsClick();
    void BClearClick();
    void BRefreshGroupListClick();
    void BSelectAllClick();
    void BSelectNoneClick();
    void Selectfix1Click();
    void Selectcal1Click();
    void Selectdyn1Click();
    void CheckListGroupsClickCheck();
    void CheckListGroupsClick();
    void EFilterChange();
    void BitBtn1Click();
    void CBDebugClick();
    void CopyNameandvalue1Click();
    void SelectAllParametersinthisGroup1Click();
    void BExtraClick();

protected:
    // The window has no close button of its own: only the host closes it.
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildLayout();
    void BuildMenus();
    void SelectContaining(const char* text);
    void AfterSelectionChange(bool rebuildGrid);
    void SetOperationRunning(bool running);

    Host& host_;
    std::unique_ptr<GroupItems> items_;
    TargetGroupTable groupTable_;
    EditorSettings settings_;
    std::unique_ptr<QtUserSide> user_;
    ParameterGridModel* gridModel_ = nullptr;
    bool closing_ = false;
    QPointer<QObject> destroyWhenIdle_;
};

}  // namespace vtq
