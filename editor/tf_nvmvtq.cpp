#include "editor/tf_nvmvtq.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

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
#include "dialogs/tf_review_load.h"
#include "editor/group_check_list.h"
#include "editor/parameter_grid_model.h"
#include "editor/pictures.h"
#include "editor/qt_user_side.h"
#include "files/file_operations.h"
#include "files/load_review.h"
#include "model/group_items.h"

namespace vtq {

namespace {

// The decoder is shared by the process; it lives while at least one window
// does (a window whose destruction waits for its handler may overlap the next).

QPushButton* Button(const char* name, const QString& caption, QWidget* parent, const QString& hint = {}) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    if (!hint.isEmpty()) button->setToolTip(hint);
    return button;
}

QAction* Action(QMenu* menu, const char* name, const QString& caption, const QString& hint = {}) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    if (!hint.isEmpty()) {
        action->setToolTip(hint);
        action->setStatusTip(hint);
    }
    return action;
}

}  // namespace

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

void TFNVMVTQ::BuildLayout() {
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);

    PanelTop = new QWidget(this);
    PanelTop->setObjectName(QStringLiteral("PanelTop"));
    auto* buttons = new QHBoxLayout(PanelTop);
    buttons->setContentsMargins(4, 4, 4, 4);
    BReadGroups = Button("BReadGroups", QStringLiteral("Read Groups"), PanelTop);
    BWriteAll = Button("BWriteAll", QStringLiteral("Write Groups"), PanelTop);
    BCommit = Button("BCommit", QStringLiteral("Commit Groups"), PanelTop,
                     QStringLiteral("Tells target to copy its RAM mirror to NVM (store changes permanently)"));
    BLoad = Button("BLoad", QStringLiteral("Load File"), PanelTop);
    BSave = Button("BSave", QStringLiteral("Save File"), PanelTop);
    BCompare = Button("BCompare", QStringLiteral("Compare..."), PanelTop);
    BClear = Button("BClear", QStringLiteral("Clear"), PanelTop);
    BClear->setEnabled(false);

    GroupBoxFilter = new QGroupBox(QStringLiteral("Parameter Filter"), PanelTop);
    GroupBoxFilter->setObjectName(QStringLiteral("GroupBoxFilter"));
    EFilter = new QLineEdit(GroupBoxFilter);
    EFilter->setObjectName(QStringLiteral("EFilter"));
    EFilter->setMinimumWidth(160);
    BitBtn1 = Button("BitBtn1", QStringLiteral("&X"), GroupBoxFilter, QStringLiteral("Clear Parameter Filter"));
    BitBtn1->setFixedWidth(28);
    auto* filter = new QHBoxLayout(GroupBoxFilter);
    filter->setContentsMargins(6, 2, 6, 4);
    filter->addWidget(EFilter);
    filter->addWidget(BitBtn1);

    CBDebug = new QCheckBox(QStringLiteral("Debug"), PanelTop);
    CBDebug->setObjectName(QStringLiteral("CBDebug"));
    CBDebug->setToolTip(QStringLiteral("Show low-level communication (useful when debugging errors)"));

    BExtra = new QToolButton(PanelTop);
    BExtra->setObjectName(QStringLiteral("BExtra"));
    BExtra->setIcon(QIcon(ExtraFeaturesPicture()));
    BExtra->setIconSize(ExtraFeaturesPicture().size());
    BExtra->setToolTip(QStringLiteral("Select Extra Features"));
    BExtra->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    BExtra->setMinimumWidth(36);

    GBNamingPresets = new QGroupBox(QStringLiteral("Naming Presets"), PanelTop);
    GBNamingPresets->setObjectName(QStringLiteral("GBNamingPresets"));
    CBNamingPresets = new QComboBox(GBNamingPresets);
    CBNamingPresets->setObjectName(QStringLiteral("CBNamingPresets"));
    CBNamingPresets->setEditable(false);
    CBNamingPresets->setMinimumWidth(140);
    auto* presets = new QHBoxLayout(GBNamingPresets);
    presets->setContentsMargins(6, 2, 6, 4);
    presets->addWidget(CBNamingPresets);

    INotStored = new QLabel(PanelTop);
    INotStored->setObjectName(QStringLiteral("INotStored"));
    INotStored->setPixmap(NotStoredPicture());
    INotStored->hide();
    IInTargetRAM = new QLabel(PanelTop);
    IInTargetRAM->setObjectName(QStringLiteral("IInTargetRAM"));
    IInTargetRAM->setPixmap(InTargetRAMPicture());
    IInTargetRAM->hide();

    for (QWidget* w : {static_cast<QWidget*>(BReadGroups), static_cast<QWidget*>(BWriteAll),
                       static_cast<QWidget*>(BCommit), static_cast<QWidget*>(BLoad), static_cast<QWidget*>(BSave),
                       static_cast<QWidget*>(BCompare), static_cast<QWidget*>(BClear)}) {
        buttons->addWidget(w, 0, Qt::AlignBottom);
    }
    buttons->addSpacing(8);
    buttons->addWidget(GroupBoxFilter);
    buttons->addWidget(CBDebug, 0, Qt::AlignBottom);
    buttons->addWidget(GBNamingPresets);
    buttons->addStretch();
    buttons->addWidget(INotStored);
    buttons->addWidget(IInTargetRAM);
    buttons->addWidget(BExtra);
    top->addWidget(PanelTop);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("Splitter1"));
    splitter->setChildrenCollapsible(false);

    GBNVMGroups = new QGroupBox(QStringLiteral("Selected NVM Groups"), splitter);
    GBNVMGroups->setObjectName(QStringLiteral("GBNVMGroups"));
    CheckListGroups = new GroupCheckList(Items(), GBNVMGroups);
    CheckListGroups->setObjectName(QStringLiteral("CheckListGroups"));
    CheckListGroups->setContextMenuPolicy(Qt::CustomContextMenu);
    BSelectAll = Button("BSelectAll", QStringLiteral("All"), GBNVMGroups, QStringLiteral("Select All Groups"));
    BSelectNone = Button("BSelectNone", QStringLiteral("None"), GBNVMGroups, QStringLiteral("Deselect Groups"));
    BRefreshGroupList = Button("BRefreshGroupList", QStringLiteral("Refresh"), GBNVMGroups,
                               QStringLiteral("Read NVM groups from target"));
    auto* groups = new QVBoxLayout(GBNVMGroups);
    groups->setContentsMargins(4, 4, 4, 4);
    groups->addWidget(CheckListGroups);
    auto* groupButtons = new QHBoxLayout;
    groupButtons->setSpacing(2);
    for (QPushButton* b : {BSelectAll, BSelectNone, BRefreshGroupList}) {
        b->setMinimumWidth(20);
        groupButtons->addWidget(b);
    }
    groups->addLayout(groupButtons);

    auto* parameters = new QWidget(splitter);
    parameters->setObjectName(QStringLiteral("PanelParameters"));
    auto* paramLayout = new QVBoxLayout(parameters);
    paramLayout->setContentsMargins(0, 0, 0, 0);
    paramLayout->setSpacing(0);

    StringGridNVM = new QTableView(parameters);
    StringGridNVM->setObjectName(QStringLiteral("StringGridNVM"));
    gridModel_ = new ParameterGridModel(Items(), this);
    StringGridNVM->setModel(gridModel_);
    StringGridNVM->setItemDelegate(new ParameterGridDelegate(MakeGridColours(palette()), StringGridNVM));
    StringGridNVM->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGridNVM->setSelectionMode(QAbstractItemView::ExtendedSelection);
    StringGridNVM->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGridNVM->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGridNVM->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    StringGridNVM->setWordWrap(false);
    StringGridNVM->setTabKeyNavigation(false);
    StringGridNVM->setContextMenuPolicy(Qt::CustomContextMenu);
    StringGridNVM->verticalHeader()->hide();
    StringGridNVM->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    StringGridNVM->verticalHeader()->setDefaultSectionSize(20);

    HeaderControl1 = StringGridNVM->horizontalHeader();
    HeaderControl1->setObjectName(QStringLiteral("HeaderControl1"));
    HeaderControl1->setSectionsClickable(false);
    HeaderControl1->setHighlightSections(false);
    HeaderControl1->setMinimumSectionSize(2);
    HeaderControl1->setMaximumSectionSize(2000);
    HeaderControl1->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // "Value" takes whatever "Parameter" leaves of the header, on every resize of either.
    HeaderControl1->setStretchLastSection(true);
    HeaderControl1->resizeSection(0, 350);

    EAtSend = new QLineEdit(QStringLiteral("at@"), parameters);
    EAtSend->setObjectName(QStringLiteral("EAtSend"));
    EAtSend->setToolTip(QStringLiteral("Send at or at@ commands for debugging here (press <Enter> to send)"));
    EAtSend->hide();

    StatusBar1 = new QStatusBar(parameters);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    BNotStoredCount = new QToolButton(StatusBar1);
    BNotStoredCount->setObjectName(QStringLiteral("BNotStoredCount"));
    BNotStoredCount->setToolTip(QStringLiteral(
        "Parameters edited but not written to target. Click to show only these, click again to show all."));
    BInTargetRAMCount = new QToolButton(StatusBar1);
    BInTargetRAMCount->setObjectName(QStringLiteral("BInTargetRAMCount"));
    BInTargetRAMCount->setToolTip(QStringLiteral(
        "Parameters written to target RAM but not committed. Click to show only these, click again to show all."));
    for (QToolButton* count : {BNotStoredCount, BInTargetRAMCount}) {
        count->setCheckable(true);
        count->setAutoRaise(true);
        StatusBar1->addWidget(count);
    }
    BNotStoredCount->setIcon(QIcon(NotStoredPicture()));
    BInTargetRAMCount->setIcon(QIcon(InTargetRAMPicture()));
    BNotStoredCount->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    BInTargetRAMCount->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    connect(BNotStoredCount, &QToolButton::clicked, this, &TFNVMVTQ::BNotStoredCountClick);
    connect(BInTargetRAMCount, &QToolButton::clicked, this, &TFNVMVTQ::BInTargetRAMCountClick);

    paramLayout->addWidget(StringGridNVM, 1);
    paramLayout->addWidget(EAtSend);
    paramLayout->addWidget(StatusBar1);

    splitter->addWidget(GBNVMGroups);
    splitter->addWidget(parameters);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({161, 839});
    top->addWidget(splitter, 1);

    connect(BReadGroups, &QPushButton::clicked, this, &TFNVMVTQ::BReadGroupsClick);
    connect(BClear, &QPushButton::clicked, this, &TFNVMVTQ::BClearClick);
    connect(BRefreshGroupList, &QPushButton::clicked, this, &TFNVMVTQ::BRefreshGroupListClick);
    connect(BSelectAll, &QPushButton::clicked, this, &TFNVMVTQ::BSelectAllClick);
    connect(BSelectNone, &QPushButton::clicked, this, &TFNVMVTQ::BSelectNoneClick);
    connect(CheckListGroups, &QListView::clicked, this, &TFNVMVTQ::CheckListGroupsClick);
    connect(EFilter, &QLineEdit::textChanged, this, &TFNVMVTQ::EFilterChange);
    connect(BitBtn1, &QPushButton::clicked, this, &TFNVMVTQ::BitBtn1Click);
    connect(BExtra, &QToolButton::clicked, this, &TFNVMVTQ::BExtraClick);
    connect(CBDebug, &QCheckBox::clicked, this, &TFNVMVTQ::CBDebugClick);
    connect(BWriteAll, &QPushButton::clicked, this, &TFNVMVTQ::BWriteAllClick);
    connect(BCommit, &QPushButton::clicked, this, &TFNVMVTQ::BCommitClick);
    connect(BSave, &QPushButton::clicked, this, &TFNVMVTQ::BSaveClick);
    connect(BLoad, &QPushButton::clicked, this, &TFNVMVTQ::BLoadClick);
    connect(BCompare, &QPushButton::clicked, this, &TFNVMVTQ::BCompareClick);
    connect(EAtSend, &QLineEdit::returnPressed, this, &TFNVMVTQ::EAtSendKeyPress);
    connect(StringGridNVM, &QAbstractItemView::doubleClicked, this, &TFNVMVTQ::StringGridNVMDblClick);
    // Enter on a row edits it as a double click does.
    auto* edit = new QAction(StringGridNVM);
    edit->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    edit->setShortcutContext(Qt::WidgetShortcut);
    StringGridNVM->addAction(edit);
    connect(edit, &QAction::triggered, this, [this] { StringGridNVMDblClick(StringGridNVM->currentIndex()); });
}

void TFNVMVTQ::BuildMenus() {
    PopupMenuGroups = new QMenu(this);
    PopupMenuGroups->setObjectName(QStringLiteral("PopupMenuGroups"));
    SelectAll = Action(PopupMenuGroups, "SelectAll", QStringLiteral("Select All"));
    SelectAll->setShortcut(QKeySequence(QStringLiteral("Ctrl+A")));
    SelectNone = Action(PopupMenuGroups, "SelectNone", QStringLiteral("Select None"));
    SelectNone->setShortcut(QKeySequence(QStringLiteral("Ctrl+D")));
    PopupMenuGroups->addSeparator();
    Selectfix1 = Action(PopupMenuGroups, "Selectfix1", QStringLiteral("Select fix_*"));
    Selectcal1 = Action(PopupMenuGroups, "Selectcal1", QStringLiteral("Select cal_*"));
    Selectdyn1 = Action(PopupMenuGroups, "Selectdyn1", QStringLiteral("Select dyn_*"));
    SelectRFGroups1 = Action(PopupMenuGroups, "SelectRFGroups1", QStringLiteral("Select RF Groups Only"));
    PopupMenuGroups->addSeparator();
    RefreshGroups = Action(PopupMenuGroups, "RefreshGroups", QStringLiteral("Refresh Groups"));
    RefreshGroups->setShortcut(QKeySequence(QStringLiteral("Ctrl+R")));
    for (QAction* a : {SelectAll, SelectNone, Selectfix1, Selectcal1, Selectdyn1, SelectRFGroups1, RefreshGroups}) {
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        GBNVMGroups->addAction(a);
    }
    connect(SelectAll, &QAction::triggered, this, &TFNVMVTQ::BSelectAllClick);
    connect(SelectNone, &QAction::triggered, this, &TFNVMVTQ::BSelectNoneClick);
    connect(Selectfix1, &QAction::triggered, this, &TFNVMVTQ::Selectfix1Click);
    connect(Selectcal1, &QAction::triggered, this, &TFNVMVTQ::Selectcal1Click);
    connect(Selectdyn1, &QAction::triggered, this, &TFNVMVTQ::Selectdyn1Click);
    connect(SelectRFGroups1, &QAction::triggered, this, &TFNVMVTQ::SelectRFGroups1Click);
    connect(RefreshGroups, &QAction::triggered, this, &TFNVMVTQ::BRefreshGroupListClick);
    connect(CheckListGroups, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenuGroups->popup(CheckListGroups->viewport()->mapToGlobal(at)); });

    PopupMenuParameters = new QMenu(this);
    PopupMenuParameters->setObjectName(QStringLiteral("PopupMenuParameters"));
    PopupMenuParameters->setToolTipsVisible(true);
    Writetotarget1 =
        Action(PopupMenuParameters, "Writetotarget1", QStringLiteral("Write Selected Parameters to target"));
    PopupMenuParameters->addSeparator();
    CopyNameandvalue1 =
        Action(PopupMenuParameters, "CopyNameandvalue1", QStringLiteral("Copy Selected Parameters to Clipboard"));
    CopyNameandvalue1->setShortcut(QKeySequence(QStringLiteral("Ctrl+C")));
    SelectAllParametersinthisGroup1 = Action(PopupMenuParameters, "SelectAllParametersinthisGroup1",
                                             QStringLiteral("Select All Parameters in this Group"));
    SelectAllParametersinthisGroup1->setShortcut(QKeySequence(QStringLiteral("Ctrl+A")));
    PopupMenuParameters->addSeparator();
    CommitGroups1 = Action(PopupMenuParameters, "CommitGroups1", QStringLiteral("Commit Groups"),
                           QStringLiteral("Permanently store items in target RAM on target"));
    PopupMenuParameters->addSeparator();
    ShowDebugATCommandline1 =
        Action(PopupMenuParameters, "ShowDebugATCommandline1", QStringLiteral("Show Debug AT-Command line"));
    ShowDebugATCommandline1->setCheckable(true);
    for (QAction* a :
         {Writetotarget1, CopyNameandvalue1, SelectAllParametersinthisGroup1, CommitGroups1, ShowDebugATCommandline1}) {
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        StringGridNVM->addAction(a);
    }
    // Undo and redo of edits and loads not yet written, anywhere in the window
    // (an edit box with focus undoes its own typing first).
    PopupMenuParameters->addSeparator();
    Undo1 = Action(PopupMenuParameters, "Undo1", QStringLiteral("Undo"));
    Undo1->setShortcuts({QKeySequence(QStringLiteral("Ctrl+Z"))});
    Redo1 = Action(PopupMenuParameters, "Redo1", QStringLiteral("Redo"));
    Redo1->setShortcuts({QKeySequence(QStringLiteral("Ctrl+Y")), QKeySequence(QStringLiteral("Ctrl+Shift+Z"))});
    for (QAction* a : {Undo1, Redo1}) {
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(a);
    }
    connect(Undo1, &QAction::triggered, this, &TFNVMVTQ::Undo1Click);
    connect(Redo1, &QAction::triggered, this, &TFNVMVTQ::Redo1Click);
    connect(CopyNameandvalue1, &QAction::triggered, this, &TFNVMVTQ::CopyNameandvalue1Click);
    connect(Writetotarget1, &QAction::triggered, this, &TFNVMVTQ::Writetotarget1Click);
    connect(CommitGroups1, &QAction::triggered, this, &TFNVMVTQ::BCommitClick);
    connect(ShowDebugATCommandline1, &QAction::triggered, this, &TFNVMVTQ::ShowDebugATCommandline1Click);
    connect(SelectAllParametersinthisGroup1, &QAction::triggered, this,
            &TFNVMVTQ::SelectAllParametersinthisGroup1Click);
    connect(StringGridNVM, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        ShowDebugATCommandline1->setChecked(EAtSend->isVisible());
        PopupMenuParameters->popup(StringGridNVM->viewport()->mapToGlobal(at));
    });

    PopupMenuExtra = new QMenu(this);
    PopupMenuExtra->setObjectName(QStringLiteral("PopupMenuExtra"));
    PopupMenuExtra->setToolTipsVisible(true);
    StoreDefaultValueFileinTarget1 = Action(PopupMenuExtra, "StoreDefaultValueFileinTarget1",
                                            QStringLiteral("Load Default Values Source Code File To Target..."));
    ReadDefault = Action(PopupMenuExtra, "ReadDefault",
                         QStringLiteral("Save Selected Groups Default Values from Target To Source Code File..."));
    PopupMenuExtra->addSeparator();
    SaveAllChangedDefaults1 =
        Action(PopupMenuExtra, "SaveAllChangedDefaults1",
               QStringLiteral("Save All Changed Default Values on Target as VTQ Commands To File..."));
    SaveSelectedChangedDefaults1 =
        Action(PopupMenuExtra, "SaveSelectedChangedDefaults1",
               QStringLiteral("Save Selected Groups Changed Default Values on Target as VTQ Commands To File..."));
    PopupMenuExtra->addSeparator();
    SaveRFDefaults1 = Action(PopupMenuExtra, "SaveRFDefaults1",
                             QStringLiteral("Save RF NVM Default Values from Target To Source Code File..."));
    PopupMenuExtra->addSeparator();
    RedirectWriteGroups1 = Action(
        PopupMenuExtra, "RedirectWriteGroups1", QStringLiteral("Redirect \"Write Groups\" Target Commands to File..."),
        QStringLiteral("Useful if you want to write the values using an external program. You will not be able to "
                       "load this format back again in this tool unless none of the written parameters have been "
                       "truncated due to size constraints"));
    PopupMenuExtra->addSeparator();
    ReviewLoad1 = Action(PopupMenuExtra, "ReviewLoad1", QStringLiteral("Review Changes Before Loading a File"),
                         QStringLiteral("\"Load File\" first shows what the file changes; only the checked "
                                        "parameters are loaded"));
    VerifyWrites1 = Action(PopupMenuExtra, "VerifyWrites1", QStringLiteral("Verify Writes by Reading Back"),
                           QStringLiteral("\"Write Groups\" and \"Write Selected\" read every written value back "
                                          "and log each one the target did not keep"));
    ReviewLoad1->setCheckable(true);
    VerifyWrites1->setCheckable(true);
    connect(ReviewLoad1, &QAction::triggered, this, &TFNVMVTQ::ReviewLoad1Click);
    connect(VerifyWrites1, &QAction::triggered, this, &TFNVMVTQ::VerifyWrites1Click);
    connect(RedirectWriteGroups1, &QAction::triggered, this, &TFNVMVTQ::RedirectWriteGroups1Click);
    connect(ReadDefault, &QAction::triggered, this, &TFNVMVTQ::ReadDefaultClick);
    connect(SaveAllChangedDefaults1, &QAction::triggered, this, &TFNVMVTQ::SaveAllChangedDefaults1Click);
    connect(SaveSelectedChangedDefaults1, &QAction::triggered, this, &TFNVMVTQ::SaveSelectedChangedDefaults1Click);
    connect(SaveRFDefaults1, &QAction::triggered, this, &TFNVMVTQ::SaveRFDefaults1Click);
    connect(StoreDefaultValueFileinTarget1, &QAction::triggered, this, &TFNVMVTQ::StoreDefaultValueFileinTarget1Click);
    connect(CBNamingPresets, &QComboBox::currentIndexChanged, this, &TFNVMVTQ::CBNamingPresetsChange);
}

void TFNVMVTQ::Start(const std::string& caption) {
    setWindowTitle(ToQ(caption));
    const bool fetched = session_->Start();
    if (Closing()) return;
    presets_->ChooseForTarget(GroupTable());
    if (!fetched) user_->Message(kGroupListStartMessage);
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

void TFNVMVTQ::BLoadClick() {
    if (user_->Busy()) return;
    ReviewLoadChanges review;
    if (options_.reviewLoad) {
        review = [this](std::vector<LoadChange>& changes) {
            bool accepted = false;
            user_->RunModal([&] { accepted = TFReviewLoad::Execute(this, changes); });
            return accepted && !Closing();
        };
    }
    LoadFileReviewedClick(*session_, *user_, review, undo_.get());
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
                                         request.type, request.value, request.name, answer.value, user_.get());
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

}  // namespace vtq

namespace vtq {

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
