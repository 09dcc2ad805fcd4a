#pragma once
// The editor window: buttons on top, the group pane at the left, the
// parameter grid at the right. Handlers only collect their inputs and call the
// core operations; the window is a view of one editing session.

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/editor_session.h"
#include "core/safety_options.h"
#include "files/load_review.h"

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
class QTimer;
class QToolButton;

namespace vtq {

class GroupCheckList;
class GroupItems;
class NamingPresets;
class Host;
class ParameterGridModel;
class QtUserSide;
class UndoHistory;

class TFNVMVTQ : public QWidget, private GroupItemsListener {
    Q_OBJECT
public:
    // Opens the editing session (decoder, GroupItems, settings) the window shows.
    explicit TFNVMVTQ(Host& host, QWidget* parent = nullptr);
    // Closes the session: saves the checked groups, frees the groups, the decoder and the group table.
    ~TFNVMVTQ() override;

    // The show routine after creation: closing flag cleared, caption from the
    // version text, group list fetched (a failure is shown in a message box;
    // the window stays open either way). Write-on-the-fly stays as stored.
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
    // The host closes the window: never asked, never delayed. Changes not
    // stored or not committed are named on the host's show line; then the
    // closing flag is set, `owner` hidden and destroyed when idle.
    void CloseForHost(QObject* owner);
    // What closes the window when the user closes it (its frame's close
    // button) and agreed to lose the changes pending. Without one, only the
    // host closes the window.
    void SetUserClose(std::function<void()> close) { userClose_ = std::move(close); }

    EditorSession& Session() { return *session_; }
    GroupItems& Items() { return session_->Items(); }
    TargetGroupTable& GroupTable() { return session_->GroupTable(); }
    EditorSettings& Settings() { return session_->Settings(); }
    NamingPresets& Presets() { return *presets_; }
    QtUserSide& User() { return *user_; }
    Host& host() { return session_->host(); }
    ParameterGridModel& GridModel() { return *gridModel_; }
    UndoHistory& Undo() { return *undo_; }
    SafetyOptions& Options() { return options_; }

    // The pending counts in the status bar, the narrowed grid rows and the
    // undo actions, as the records are now. Runs shortly after every change.
    void UpdatePendingDisplay();

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
    // The pending counts; a click shows only those rows, a second click all.
    QToolButton* BNotStoredCount;
    QToolButton* BInTargetRAMCount;

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
    QAction* Undo1;
    QAction* Redo1;

    QMenu* PopupMenuExtra;
    QAction* StoreDefaultValueFileinTarget1;
    QAction* ReadDefault;
    QAction* SaveAllChangedDefaults1;
    QAction* SaveSelectedChangedDefaults1;
    QAction* SaveRFDefaults1;
    QAction* RedirectWriteGroups1;
    QAction* ReviewLoad1;
    QAction* Restore1;
    QAction* VerifyWrites1;

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
    void Undo1Click();
    void Redo1Click();
    void BNotStoredCountClick();
    void BInTargetRAMCountClick();
    void ReviewLoad1Click();
    void Restore1Click();
    void VerifyWrites1Click();

protected:
    // The host's close goes through; the user's asks first when changes are
    // pending, and only with a close handler set (SetUserClose).
    void closeEvent(QCloseEvent* event) override;

private:
    // The controls and menus (tf_nvmvtq_layout.cpp), one builder per panel.
    void BuildLayout();
    void BuildTopPanel();
    void BuildGroupPanel(QWidget* parent);
    QWidget* BuildParameterPanel(QWidget* parent);
    void BuildGrid(QWidget* parent);
    void ConnectControls();
    void BuildMenus();
    void BuildGroupsMenu();
    void BuildParametersMenu();
    void BuildExtraMenu();
    void FillPresetsBox();
    void SelectContaining(const char* text);
    void GroupsChanged() override;
    void ViewChanged() override;
    void RecordChanged(const NVMParameter& record) override;
    void SetOperationRunning(bool running);
    void Narrow(ParameterState state);
    // The selected grid rows the user can see, top-down: a narrowed grid
    // keeps hidden rows in a select-all, and they are neither written nor copied.
    std::vector<int> SelectedShownRows() const;
    // The review window before a load, answering whether it was accepted.
    ReviewLoadChanges ReviewWindow();

    std::unique_ptr<QtUserSide> user_;
    std::unique_ptr<EditorSession> session_;
    std::unique_ptr<NamingPresets> presets_;
    ParameterGridModel* gridModel_ = nullptr;
    QPointer<QObject> destroyWhenIdle_;
    std::unique_ptr<UndoHistory> undo_;
    SafetyOptions options_;
    QTimer* pendingTimer_ = nullptr;
    std::optional<ParameterState> narrowedTo_;
    std::function<void()> userClose_;
};

}  // namespace vtq
