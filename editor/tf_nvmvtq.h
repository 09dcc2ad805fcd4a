#pragma once
// The editor window: buttons on top, the group pane at the left, the
// parameter grid at the right. Handlers only collect their inputs and call the
// core operations; the window is a view of one editing session.

#include <QPointer>
#include <QWidget>
#include <memory>
#include <string>

#include "core/editor_session.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QHeaderView;
class QLabel;
class QLineEdit;
class QModelIndex;
class QMenu;
class QPushButton;
class QStatusBar;
class QTableView;
class QToolButton;

namespace vtq {

class GroupCheckList;
class GroupItems;
class NamingPresets;
class Host;
class ParameterGridModel;
class QtUserSide;

class TFNVMVTQ : public QWidget, private GroupItemsListener {
    Q_OBJECT
public:
    // Opens the editing session (decoder, GroupItems, settings) the window shows.
    explicit TFNVMVTQ(Host& host, QWidget* parent = nullptr);
    // Closes the session: saves the checked groups, frees the groups, the decoder and the group table.
    ~TFNVMVTQ() override;

    // The show routine after creation: closing flag cleared, write-on-the-fly
    // on, caption from the version text, group list fetched (a failure is shown
    // in a message box; the window stays open either way).
    void Start(const std::string& caption);

    // Closing flag: set when the host closes the window; running operations
    // end after the current exchange without further messages.
    bool Closing() const { return session_->Closing(); }
    void SetClosing(bool closing) { session_->SetClosing(closing); }
    // Destroys `owner` (the window's frame, or the window itself) as soon as no
    // handler is on the stack any more: at once when none is. A handler can
    // only be interrupted where the user side lets the event loop run, so the
    // user side's count of those places tells whether one is on the stack.
    void DestroyWhenIdle(QObject* owner);

    EditorSession& Session() { return *session_; }
    GroupItems& Items() { return session_->Items(); }
    TargetGroupTable& GroupTable() { return session_->GroupTable(); }
    EditorSettings& Settings() { return session_->Settings(); }
    NamingPresets& Presets() { return *presets_; }
    QtUserSide& User() { return *user_; }
    Host& host() { return session_->host(); }
    ParameterGridModel& GridModel() { return *gridModel_; }

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
    void BWriteAllClick();
    void Writetotarget1Click();
    void RedirectWriteGroups1Click();
    void BCommitClick();
    void BSaveClick();
    void CBNamingPresetsChange(int index);
    void ReadDefaultClick();
    void SaveAllChangedDefaults1Click();
    void SaveSelectedChangedDefaults1Click();
    void SaveRFDefaults1Click();
    void SelectRFGroups1Click();
    void StoreDefaultValueFileinTarget1Click();
    void BLoadClick();
    void BCompareClick();
    void EAtSendKeyPress();
    void StringGridNVMDblClick(const QModelIndex& index);
    void ShowDebugATCommandline1Click();
    void BRefreshGroupListClick();
    void BSelectAllClick();
    void BSelectNoneClick();
    void Selectfix1Click();
    void Selectcal1Click();
    void Selectdyn1Click();
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
    void FillPresetsBox();
    void SelectContaining(const char* text);
    void GroupsChanged() override { UpdateSelectionDisplay(); }
    void SetOperationRunning(bool running);

    std::unique_ptr<QtUserSide> user_;
    std::unique_ptr<EditorSession> session_;
    std::unique_ptr<NamingPresets> presets_;
    ParameterGridModel* gridModel_ = nullptr;
    QPointer<QObject> destroyWhenIdle_;
};

}  // namespace vtq
