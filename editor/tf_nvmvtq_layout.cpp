// The editor window's controls and menus: one builder per panel and menu. The
// handlers they connect to live with the window in tf_nvmvtq.cpp.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include "editor/group_check_list.h"
#include "editor/parameter_grid_model.h"
#include "editor/pictures.h"
#include "editor/tf_nvmvtq.h"

namespace vtq {

namespace {

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

// A group box holding one row of controls, as the filter and the presets boxes do.
QHBoxLayout* BoxRow(QGroupBox* box) {
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(6, 2, 6, 4);
    return row;
}

QLabel* Picture(const char* name, const QPixmap& picture, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setPixmap(picture);
    label->hide();
    return label;
}

// Shortcuts of `actions` work while `owner` or one of its children has the focus.
void AddShortcuts(QWidget* owner, std::initializer_list<QAction*> actions) {
    for (QAction* a : actions) {
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        owner->addAction(a);
    }
}

}  // namespace

void TFNVMVTQ::BuildLayout() {
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);
    BuildTopPanel();
    top->addWidget(PanelTop);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("Splitter1"));
    splitter->setChildrenCollapsible(false);
    BuildGroupPanel(splitter);
    splitter->addWidget(GBNVMGroups);
    splitter->addWidget(BuildParameterPanel(splitter));
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({161, 839});
    top->addWidget(splitter, 1);
    ConnectControls();
}

void TFNVMVTQ::BuildTopPanel() {
    PanelTop = new QWidget(this);
    PanelTop->setObjectName(QStringLiteral("PanelTop"));
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
    QHBoxLayout* filter = BoxRow(GroupBoxFilter);
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
    BoxRow(GBNamingPresets)->addWidget(CBNamingPresets);

    INotStored = Picture("INotStored", NotStoredPicture(), PanelTop);
    IInTargetRAM = Picture("IInTargetRAM", InTargetRAMPicture(), PanelTop);

    auto* row = new QHBoxLayout(PanelTop);
    row->setContentsMargins(4, 4, 4, 4);
    for (QWidget* w : std::initializer_list<QWidget*>{BReadGroups, BWriteAll, BCommit, BLoad, BSave, BCompare, BClear})
        row->addWidget(w, 0, Qt::AlignBottom);
    row->addSpacing(8);
    row->addWidget(GroupBoxFilter);
    row->addWidget(CBDebug, 0, Qt::AlignBottom);
    row->addWidget(GBNamingPresets);
    row->addStretch();
    row->addWidget(INotStored);
    row->addWidget(IInTargetRAM);
    row->addWidget(BExtra);
}

void TFNVMVTQ::BuildGroupPanel(QWidget* parent) {
    GBNVMGroups = new QGroupBox(QStringLiteral("Selected NVM Groups"), parent);
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
}

QWidget* TFNVMVTQ::BuildParameterPanel(QWidget* parent) {
    auto* panel = new QWidget(parent);
    panel->setObjectName(QStringLiteral("PanelParameters"));
    BuildGrid(panel);

    EAtSend = new QLineEdit(QStringLiteral("at@"), panel);
    EAtSend->setObjectName(QStringLiteral("EAtSend"));
    EAtSend->setToolTip(QStringLiteral("Send at or at@ commands for debugging here (press <Enter> to send)"));
    EAtSend->hide();

    StatusBar1 = new QStatusBar(panel);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    BNotStoredCount = new QToolButton(StatusBar1);
    BNotStoredCount->setObjectName(QStringLiteral("BNotStoredCount"));
    BNotStoredCount->setToolTip(QStringLiteral(
        "Parameters edited but not written to target. Click to show only these, click again to show all."));
    BNotStoredCount->setIcon(QIcon(NotStoredPicture()));
    BInTargetRAMCount = new QToolButton(StatusBar1);
    BInTargetRAMCount->setObjectName(QStringLiteral("BInTargetRAMCount"));
    BInTargetRAMCount->setToolTip(QStringLiteral(
        "Parameters written to target RAM but not committed. Click to show only these, click again to show all."));
    BInTargetRAMCount->setIcon(QIcon(InTargetRAMPicture()));
    for (QToolButton* count : {BNotStoredCount, BInTargetRAMCount}) {
        count->setCheckable(true);
        count->setAutoRaise(true);
        count->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        StatusBar1->addWidget(count);
    }

    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(StringGridNVM, 1);
    column->addWidget(EAtSend);
    column->addWidget(StatusBar1);
    return panel;
}

void TFNVMVTQ::BuildGrid(QWidget* parent) {
    StringGridNVM = new QTableView(parent);
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
}

void TFNVMVTQ::ConnectControls() {
    connect(BReadGroups, &QPushButton::clicked, this, &TFNVMVTQ::BReadGroupsClick);
    connect(BWriteAll, &QPushButton::clicked, this, &TFNVMVTQ::BWriteAllClick);
    connect(BCommit, &QPushButton::clicked, this, &TFNVMVTQ::BCommitClick);
    connect(BLoad, &QPushButton::clicked, this, &TFNVMVTQ::BLoadClick);
    connect(BSave, &QPushButton::clicked, this, &TFNVMVTQ::BSaveClick);
    connect(BCompare, &QPushButton::clicked, this, &TFNVMVTQ::BCompareClick);
    connect(BClear, &QPushButton::clicked, this, &TFNVMVTQ::BClearClick);
    connect(EFilter, &QLineEdit::textChanged, this, &TFNVMVTQ::EFilterChange);
    connect(BitBtn1, &QPushButton::clicked, this, &TFNVMVTQ::BitBtn1Click);
    connect(CBDebug, &QCheckBox::clicked, this, &TFNVMVTQ::CBDebugClick);
    connect(BExtra, &QToolButton::clicked, this, &TFNVMVTQ::BExtraClick);
    connect(BRefreshGroupList, &QPushButton::clicked, this, &TFNVMVTQ::BRefreshGroupListClick);
    connect(BSelectAll, &QPushButton::clicked, this, &TFNVMVTQ::BSelectAllClick);
    connect(BSelectNone, &QPushButton::clicked, this, &TFNVMVTQ::BSelectNoneClick);
    connect(CheckListGroups, &QListView::clicked, this, &TFNVMVTQ::CheckListGroupsClick);
    connect(EAtSend, &QLineEdit::returnPressed, this, &TFNVMVTQ::EAtSendKeyPress);
    connect(BNotStoredCount, &QToolButton::clicked, this, &TFNVMVTQ::BNotStoredCountClick);
    connect(BInTargetRAMCount, &QToolButton::clicked, this, &TFNVMVTQ::BInTargetRAMCountClick);
    connect(StringGridNVM, &QAbstractItemView::doubleClicked, this, &TFNVMVTQ::StringGridNVMDblClick);
    // Enter on a row edits it as a double click does.
    auto* edit = new QAction(StringGridNVM);
    edit->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    edit->setShortcutContext(Qt::WidgetShortcut);
    StringGridNVM->addAction(edit);
    connect(edit, &QAction::triggered, this, [this] { StringGridNVMDblClick(StringGridNVM->currentIndex()); });
}

void TFNVMVTQ::BuildMenus() {
    BuildGroupsMenu();
    BuildParametersMenu();
    BuildExtraMenu();
    connect(CBNamingPresets, &QComboBox::currentIndexChanged, this, &TFNVMVTQ::CBNamingPresetsChange);
}

void TFNVMVTQ::BuildGroupsMenu() {
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
    AddShortcuts(GBNVMGroups,
                 {SelectAll, SelectNone, Selectfix1, Selectcal1, Selectdyn1, SelectRFGroups1, RefreshGroups});
    connect(SelectAll, &QAction::triggered, this, &TFNVMVTQ::BSelectAllClick);
    connect(SelectNone, &QAction::triggered, this, &TFNVMVTQ::BSelectNoneClick);
    connect(Selectfix1, &QAction::triggered, this, &TFNVMVTQ::Selectfix1Click);
    connect(Selectcal1, &QAction::triggered, this, &TFNVMVTQ::Selectcal1Click);
    connect(Selectdyn1, &QAction::triggered, this, &TFNVMVTQ::Selectdyn1Click);
    connect(SelectRFGroups1, &QAction::triggered, this, &TFNVMVTQ::SelectRFGroups1Click);
    connect(RefreshGroups, &QAction::triggered, this, &TFNVMVTQ::BRefreshGroupListClick);
    connect(CheckListGroups, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenuGroups->popup(CheckListGroups->viewport()->mapToGlobal(at)); });
}

void TFNVMVTQ::BuildParametersMenu() {
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
    AddShortcuts(StringGridNVM, {Writetotarget1, CopyNameandvalue1, SelectAllParametersinthisGroup1, CommitGroups1,
                                 ShowDebugATCommandline1});
    // Undo and redo of edits and loads not yet written, anywhere in the window
    // (an edit box with focus undoes its own typing first).
    PopupMenuParameters->addSeparator();
    Undo1 = Action(PopupMenuParameters, "Undo1", QStringLiteral("Undo"));
    Undo1->setShortcuts({QKeySequence(QStringLiteral("Ctrl+Z"))});
    Redo1 = Action(PopupMenuParameters, "Redo1", QStringLiteral("Redo"));
    Redo1->setShortcuts({QKeySequence(QStringLiteral("Ctrl+Y")), QKeySequence(QStringLiteral("Ctrl+Shift+Z"))});
    AddShortcuts(this, {Undo1, Redo1});
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
}

void TFNVMVTQ::BuildExtraMenu() {
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
    PopupMenuExtra->addSeparator();
    Restore1 = Action(PopupMenuExtra, "Restore1", QStringLiteral("Restore..."),
                      QStringLiteral("Lists the values saved before each write and loads the chosen ones"));
    ReviewLoad1->setCheckable(true);
    VerifyWrites1->setCheckable(true);
    connect(ReviewLoad1, &QAction::triggered, this, &TFNVMVTQ::ReviewLoad1Click);
    connect(Restore1, &QAction::triggered, this, &TFNVMVTQ::Restore1Click);
    connect(VerifyWrites1, &QAction::triggered, this, &TFNVMVTQ::VerifyWrites1Click);
    connect(RedirectWriteGroups1, &QAction::triggered, this, &TFNVMVTQ::RedirectWriteGroups1Click);
    connect(ReadDefault, &QAction::triggered, this, &TFNVMVTQ::ReadDefaultClick);
    connect(SaveAllChangedDefaults1, &QAction::triggered, this, &TFNVMVTQ::SaveAllChangedDefaults1Click);
    connect(SaveSelectedChangedDefaults1, &QAction::triggered, this, &TFNVMVTQ::SaveSelectedChangedDefaults1Click);
    connect(SaveRFDefaults1, &QAction::triggered, this, &TFNVMVTQ::SaveRFDefaults1Click);
    connect(StoreDefaultValueFileinTarget1, &QAction::triggered, this, &TFNVMVTQ::StoreDefaultValueFileinTarget1Click);
}

}  // namespace vtq
