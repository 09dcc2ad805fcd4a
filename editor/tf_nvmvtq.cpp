#include "editor/tf_nvmvtq.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

#include "channel/command_exchange.h"
#include "channel/piece_decoder.h"
#include "core/commit_groups.h"
#include "core/debug_line.h"
#include "core/edit_parameter.h"
#include "core/pending_changes.h"
#include "core/read_groups.h"
#include "core/undo_history.h"
#include "core/verify_writes.h"
#include "core/write_groups.h"
#include "defaults/changed_defaults.h"
#include "defaults/header_reader.h"
#include "defaults/header_writer.h"
#include "defaults/naming_presets.h"
#include "defaults/rf_export.h"
#include "dialogs/qt_text.h"
#include "dialogs/tf_edit_value.h"
#include "dialogs/tf_form_diff_view.h"
#include "dialogs/tf_modify.h"
#include "dialogs/tf_restore.h"
#include "dialogs/tf_review_load.h"
#include "editor/group_check_list.h"
#include "editor/parameter_grid_model.h"
#include "editor/qt_user_side.h"
#include "files/file_operations.h"
#include "files/load_review.h"
#include "model/group_items.h"

namespace vtq {

TFNVMVTQ::TFNVMVTQ(Host& host, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("FNVMVTQ"));
    setWindowTitle(QStringLiteral("VTQ NVM Editor"));
    QFont font(QStringLiteral("Tahoma"), 8);
    font.setStyleHint(QFont::SansSerif);
    setFont(font);

    user_ = std::make_unique<QtUserSide>(
        this, [this] { return session_ && session_->Closing(); }, [this](bool busy) { SetOperationRunning(busy); },
        [this] {
            // The handler that let the event loop run is still on the stack:
            // the window goes once it has returned to the main loop.
            if (QObject* owner = destroyWhenIdle_.data()) {
                destroyWhenIdle_ = nullptr;
                owner->deleteLater();
            }
        });
    session_ = std::make_unique<EditorSession>(host, [this](const std::string& text) { user_->Message(text); });
    presets_ = std::make_unique<NamingPresets>();

    BuildLayout();
    BuildMenus();
    // The presets file is read and written back at once, so a missing one is created.
    StartNamingPresets(*presets_, NamingPresetsPath(), user_.get());
    presets_->SetComboFollower([this](int index) {
        const QSignalBlocker quiet(CBNamingPresets);
        CBNamingPresets->setCurrentIndex(index);
    });
    FillPresetsBox();
    session_->SetDebug(false);
    // Counts follow every change, at most a few times a second: an operation
    // changes many records and lets events through after each.
    pendingTimer_ = new QTimer(this);
    pendingTimer_->setSingleShot(true);
    pendingTimer_->setInterval(50);
    connect(pendingTimer_, &QTimer::timeout, this, &TFNVMVTQ::UpdatePendingDisplay);
    Items().AddListener(this);
    undo_ = std::make_unique<UndoHistory>(Items());
    options_ = LoadSafetyOptions(session_->SettingsPath());
    ReviewLoad1->setChecked(options_.reviewLoad);
    VerifyWrites1->setChecked(options_.verifyWrites);
    UpdateSelectionDisplay();
    UpdatePendingDisplay();
}

TFNVMVTQ::~TFNVMVTQ() {
    session_->SetClosing(true);
    // The grid and the group list must not look at records any more once they are freed.
    Items().RemoveListener(this);
    undo_.reset();
    StringGridNVM->setModel(nullptr);
    delete gridModel_;
    gridModel_ = nullptr;
    delete CheckListGroups;
    CheckListGroups = nullptr;
    session_->Close();
}

void TFNVMVTQ::Start(const std::string& caption) {
    setWindowTitle(ToQ(caption));
    const bool fetched = session_->Start();
    if (Closing()) return;
    presets_->ChooseForTarget(GroupTable());
    if (!fetched && !session_->Offline()) user_->Message(kGroupListStartMessage);
}

void TFNVMVTQ::DestroyWhenIdle(QObject* owner) {
    if (user_->InEventLoop()) {
        destroyWhenIdle_ = owner;
    } else {
        delete owner;
    }
}

void TFNVMVTQ::CloseForHost(QObject* owner) {
    if (Closing()) return;
    ReportPendingOnHostClose(*session_);
    SetClosing(true);
    if (auto* widget = qobject_cast<QWidget*>(owner)) widget->hide();
    DestroyWhenIdle(owner);
}

void TFNVMVTQ::closeEvent(QCloseEvent* event) {
    if (Closing()) {
        event->accept();
        return;
    }
    // The user's close goes through the close handler, which destroys the
    // window later: this event itself never closes it. Not while an operation
    // or a dialog of the window runs.
    event->ignore();
    if (!userClose_ || user_->Busy() || user_->InEventLoop()) return;
    if (!ConfirmDropAll(Items(), *user_, PendingLoss::Close) || Closing()) return;
    userClose_();
}

void TFNVMVTQ::SetOperationRunning(bool running) {
    // While an operation lets events through, the user may not start another
    // one or change the groups under it.
    PanelTop->setEnabled(!running);
    GBNVMGroups->setEnabled(!running);
    StringGridNVM->setEnabled(!running);
    EAtSend->setEnabled(!running);
}

void TFNVMVTQ::UpdateSelectionDisplay() {
    const SelectionDisplay display = GetSelectionDisplay(Items());
    GBNVMGroups->setTitle(ToQ(display.caption));
    BSelectNone->setEnabled(display.selectNoneEnabled);
    SelectNone->setEnabled(display.selectNoneEnabled);
    BSelectAll->setEnabled(display.selectAllEnabled);
    SelectAll->setEnabled(display.selectAllEnabled);
    BClear->setEnabled(display.clearEnabled);
}

void TFNVMVTQ::BReadGroupsClick() {
    if (user_->Busy()) return;
    if (!ConfirmReread(Items(), *user_) || Closing()) return;
    const std::vector<std::string> groups = Items().CheckedGroupNames();
    if (ReadGroups(*session_, *user_).started && !Closing()) undo_->EndGroups(groups);
    UpdatePendingDisplay();
}

void TFNVMVTQ::BWriteAllClick() {
    if (user_->Busy()) return;
    const WriteGroupsResult write = WriteGroups(*session_, *user_);
    if (options_.verifyWrites) VerifyAfterWrite(*session_, *user_, write);
}

std::vector<int> TFNVMVTQ::SelectedShownRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : StringGridNVM->selectionModel()->selectedRows())
        if (!StringGridNVM->isRowHidden(index.row())) rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TFNVMVTQ::Writetotarget1Click() {
    if (user_->Busy() || gridModel_->ShowsEmptyRow()) return;
    std::vector<NVMParameter*> records;
    for (int row : SelectedShownRows())
        if (NVMParameter* record = Items().ViewItem(row)) records.push_back(record);
    if (records.empty()) return;
    const WriteGroupsResult write = WriteSelected(*session_, *user_, std::move(records));
    if (options_.verifyWrites) VerifyAfterWrite(*session_, *user_, write);
}

void TFNVMVTQ::RedirectWriteGroups1Click() {
    if (user_->Busy()) return;
    RedirectWriteGroups(*session_, *user_);
}

void TFNVMVTQ::BSaveClick() {
    if (user_->Busy()) return;
    SaveFileClick(*session_, *user_);
}

ReviewLoadChanges TFNVMVTQ::ReviewWindow() {
    return [this](std::vector<LoadChange>& changes) {
        bool accepted = false;
        user_->RunModal([&] { accepted = TFReviewLoad::Execute(this, changes); });
        return accepted && !Closing();
    };
}

void TFNVMVTQ::BLoadClick() {
    if (user_->Busy()) return;
    LoadFileReviewedClick(*session_, *user_, options_.reviewLoad ? ReviewWindow() : ReviewLoadChanges(), undo_.get());
    if (!Closing()) UpdatePendingDisplay();
}

// A restore point loads as a file does, always through the review: only the checked rows load.
void TFNVMVTQ::Restore1Click() {
    if (user_->Busy()) return;
    const std::vector<RestorePointInfo> points = ListRestorePoints(session_->Restore().folder);
    if (points.empty()) return user_->Message(kNoRestorePointsMessage);
    int chosen = -1;
    user_->RunModal([&] { chosen = TFRestore::Execute(this, points); });
    if (chosen < 0 || Closing()) return;
    LoadFileReviewed(*session_, points[size_t(chosen)].path, *user_, ReviewWindow(), undo_.get());
    if (!Closing()) UpdatePendingDisplay();
}

void TFNVMVTQ::BCompareClick() {
    if (user_->Busy()) return;
    std::unique_ptr<NVMDiff> diff = CompareClick(*session_, *user_);
    if (!diff || Closing()) return;
    user_->RunModal([&] { TFormDiffView::Execute(this, *diff, *user_); });
}

void TFNVMVTQ::BCommitClick() {
    if (user_->Busy()) return;
    CommitGroups(*session_, *user_);
}

void TFNVMVTQ::StringGridNVMDblClick(const QModelIndex& index) {
    if (user_->Busy() || !index.isValid() || gridModel_->Record(index.row()) == nullptr) return;
    const auto open = [this](const ValueEditRequest& request) {
        ValueEditAnswer answer;
        answer.writeOnTheFly = request.writeOnTheFly;
        user_->RunModal([&] {
            if (request.editor == ValueEditor::Scalar) {
                answer.confirmed = TFModify::Execute(this, answer.writeOnTheFly, request.type, request.value,
                                                     request.name, answer.value);
            } else {
                answer.confirmed =
                    TFEditValue::Execute(this, answer.writeOnTheFly, request.dimensions, request.elementCount,
                                         request.type, request.value, request.name, answer.value, user_.get(),
                                         request.targetValue ? &*request.targetValue : nullptr);
            }
        });
        return answer;
    };
    EditParameterWithUndo(*session_, *user_, index.row(), open, *undo_);
    if (!Closing()) UpdatePendingDisplay();
}

void TFNVMVTQ::EAtSendKeyPress() {
    if (user_->Busy()) return;
    SendDebugCommand(host(), FromQ(EAtSend->text()));
}

void TFNVMVTQ::ShowDebugATCommandline1Click() { EAtSend->setVisible(!EAtSend->isVisible()); }

void TFNVMVTQ::BClearClick() {
    if (user_->Busy()) return;
    if (!ConfirmDropAll(Items(), *user_, PendingLoss::Clear) || Closing()) return;
    Items().ClearAll();
    UpdatePendingDisplay();
}

void TFNVMVTQ::BRefreshGroupListClick() {
    if (user_->Busy()) return;
    session_->RefreshGroups();
    if (!Closing()) presets_->ChooseForTarget(GroupTable());
}

void TFNVMVTQ::FillPresetsBox() {
    const QSignalBlocker quiet(CBNamingPresets);
    CBNamingPresets->clear();
    for (const std::string& name : presets_->Names()) CBNamingPresets->addItem(ToQ(name));
    presets_->Select(0, false);
    CBNamingPresets->setCurrentIndex(0);
    GBNamingPresets->setVisible(presets_->ComboShown());
}

void TFNVMVTQ::CBNamingPresetsChange(int index) { presets_->Select(index, false); }

void TFNVMVTQ::ReadDefaultClick() {
    if (user_->Busy()) return;
    ExportDefaultHeader(*session_, *user_, *presets_);
}

void TFNVMVTQ::SaveAllChangedDefaults1Click() {
    if (user_->Busy()) return;
    SaveAllChangedDefaults(*session_, *user_);
}

void TFNVMVTQ::SaveSelectedChangedDefaults1Click() {
    if (user_->Busy()) return;
    SaveSelectedChangedDefaults(*session_, *user_);
}

void TFNVMVTQ::SaveRFDefaults1Click() {
    if (user_->Busy()) return;
    ExportRfDefaults(*session_, *user_, *presets_);
}

void TFNVMVTQ::SelectRFGroups1Click() {
    if (user_->Busy()) return;
    SelectRfGroups(*session_, *user_, *presets_);
}

void TFNVMVTQ::StoreDefaultValueFileinTarget1Click() {
    if (user_->Busy()) return;
    LoadDefaultHeaderToTarget(*session_, *user_);
}

void TFNVMVTQ::BSelectAllClick() {
    if (user_->Busy()) return;
    Items().CheckAllGroups();
}

void TFNVMVTQ::BSelectNoneClick() {
    if (user_->Busy()) return;
    Items().UncheckAllGroups();
}

void TFNVMVTQ::SelectContaining(const char* text) {
    if (user_->Busy()) return;
    SelectGroupsContaining(Items(), text);
}

void TFNVMVTQ::Selectfix1Click() { SelectContaining("fix_"); }
void TFNVMVTQ::Selectcal1Click() { SelectContaining("cal_"); }
void TFNVMVTQ::Selectdyn1Click() { SelectContaining("dyn_"); }

void TFNVMVTQ::CheckListGroupsClick() {
    const int row = Items().FirstViewIndex(CheckListGroups->currentRow());
    if (row < 0 || gridModel_->Record(row) == nullptr) return;
    const QModelIndex index = gridModel_->index(row, 0);
    StringGridNVM->scrollTo(index, QAbstractItemView::PositionAtTop);
    StringGridNVM->setCurrentIndex(index);
}

void TFNVMVTQ::EFilterChange() {
    Items().SetFilter(FromQ(EFilter->text()));
    QPalette pal = EFilter->palette();
    pal.setColor(QPalette::Base, Items().FilterHidesAll() ? QColor(255, 0, 0) : palette().color(QPalette::Base));
    EFilter->setPalette(pal);
}

void TFNVMVTQ::BitBtn1Click() { EFilter->clear(); }

// The dump parser logs every parsed line while the box is checked; reads also echo their exchanges.
void TFNVMVTQ::CBDebugClick() { session_->SetDebug(CBDebug->isChecked()); }

void TFNVMVTQ::CopyNameandvalue1Click() {
    const std::string text = RowsAsText(*gridModel_, SelectedShownRows());
    if (text.empty()) {
        user_->Message("Nothing selected to copy.");
        return;
    }
    QGuiApplication::clipboard()->setText(ToQ(text));
}

void TFNVMVTQ::SelectAllParametersinthisGroup1Click() {
    if (!gridModel_->ShowsEmptyRow()) StringGridNVM->selectAll();
}

void TFNVMVTQ::BExtraClick() { PopupMenuExtra->popup(BExtra->mapToGlobal(QPoint(2, BExtra->height() - 5))); }

void TFNVMVTQ::GroupsChanged() {
    UpdateSelectionDisplay();
    pendingTimer_->start();
}

void TFNVMVTQ::ViewChanged() { pendingTimer_->start(); }

void TFNVMVTQ::RecordChanged(const NVMParameter&) {
    if (!pendingTimer_->isActive()) pendingTimer_->start();
}

void TFNVMVTQ::UpdatePendingDisplay() {
    pendingTimer_->stop();
    const PendingCounts counts = CountPending(Items());
    BNotStoredCount->setText(ToQ(NotStoredCountText(counts.notStored)));
    BInTargetRAMCount->setText(ToQ(NotCommittedCountText(counts.inTargetRAM)));
    BNotStoredCount->setChecked(narrowedTo_ == ParameterState::NotStored);
    BInTargetRAMCount->setChecked(narrowedTo_ == ParameterState::InTargetRAM);
    Undo1->setEnabled(undo_->CanUndo());
    Redo1->setEnabled(undo_->CanRedo());
    // Rows whose record is in the middle of an update keep their place until it ends.
    const int rows = gridModel_->rowCount();
    for (int row = 0; row < rows; ++row) {
        const NVMParameter* record = gridModel_->Record(row);
        if (narrowedTo_ && !record && !gridModel_->ShowsEmptyRow()) continue;
        const bool hide = narrowedTo_ && record && record->state != *narrowedTo_;
        if (StringGridNVM->isRowHidden(row) != hide) StringGridNVM->setRowHidden(row, hide);
    }
}

void TFNVMVTQ::Narrow(ParameterState state) {
    if (narrowedTo_ == state)
        narrowedTo_.reset();
    else
        narrowedTo_ = state;
    UpdatePendingDisplay();
}

void TFNVMVTQ::BNotStoredCountClick() { Narrow(ParameterState::NotStored); }

void TFNVMVTQ::BInTargetRAMCountClick() { Narrow(ParameterState::InTargetRAM); }

void TFNVMVTQ::Undo1Click() {
    if (user_->Busy() || user_->InEventLoop()) return;
    undo_->Undo();
    UpdatePendingDisplay();
}

void TFNVMVTQ::Redo1Click() {
    if (user_->Busy() || user_->InEventLoop()) return;
    undo_->Redo();
    UpdatePendingDisplay();
}

void TFNVMVTQ::ReviewLoad1Click() {
    options_.reviewLoad = ReviewLoad1->isChecked();
    SaveSafetyOption(session_->SettingsPath(), kReviewLoadKey, options_.reviewLoad);
}

void TFNVMVTQ::VerifyWrites1Click() {
    options_.verifyWrites = VerifyWrites1->isChecked();
    SaveSafetyOption(session_->SettingsPath(), kVerifyWritesKey, options_.verifyWrites);
}

}  // namespace vtq
