#include "dialogs/array_views.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "channel/user_side.h"
#include "core/block_paste.h"
#include "dialogs/array_plot_view.h"
#include "dialogs/array_table_model.h"
#include "dialogs/element_list_model.h"
#include "dialogs/qt_text.h"

namespace vtq {

namespace {

// The block operations as the context menu lists them, with their keys and,
// for those that take a number, the input box's prompt.
struct OperationRow {
    BlockOperation operation;
    const char* text;
    const char* keys;
    const char* prompt;  // null: no argument
};
constexpr OperationRow kOperations[] = {
    {BlockOperation::Set, "Set Value...", "=", "Value for the selected cells:"},
    {BlockOperation::Add, "Add...", "+", "Number to add to the selected cells (negative to subtract):"},
    {BlockOperation::Multiply, "Multiply...", "*", "Factor for the selected cells (0.95, or 95%):"},
    {BlockOperation::Percent, "Percent...", "%", "Percentage of each selected cell (95 makes 95 %):"},
    {BlockOperation::InterpolateRows, "Interpolate Along Rows", "H", nullptr},
    {BlockOperation::InterpolateColumns, "Interpolate Along Columns", "V", nullptr},
    {BlockOperation::InterpolateCorners, "Interpolate From Corners", "B", nullptr},
    {BlockOperation::FillRight, "Fill Right", "Ctrl+R", nullptr},
    {BlockOperation::FillDown, "Fill Down", "Ctrl+D", nullptr},
};

const OperationRow& RowOf(BlockOperation operation) {
    return *std::find_if(std::begin(kOperations), std::end(kOperations),
                         [&](const OperationRow& row) { return row.operation == operation; });
}

// A series longer than this many rows is shown as a heat map first: curves would not tell the rows apart.
constexpr int kMostCurves = 16;

}  // namespace

ArrayViews::ArrayViews(ElementListModel* elements, QListView* list, UserSide* user, QWidget* parent)
    : QWidget(parent), elements_(elements), table_(new ArrayTableModel(elements, this)), user_(user) {
    LTable = new QLabel(QStringLiteral("Table:"), this);
    SETable = new QSpinBox(this);
    LColumns = new QLabel(QStringLiteral("Columns:"), this);
    SEColumns = new QSpinBox(this);
    SEColumns->setRange(1, 4096);
    SEColumns->setValue(kDefaultTableColumns);
    CBColourScale = new QCheckBox(QStringLiteral("Colour Scale"), this);
    CBColourScale->setChecked(table_->ColourScale());
    CBHeatMap = new QCheckBox(QStringLiteral("Heat Map"), this);
    auto* controls = new QHBoxLayout;
    for (QWidget* control :
         std::initializer_list<QWidget*>{LTable, SETable, LColumns, SEColumns, CBColourScale, CBHeatMap})
        controls->addWidget(control);
    controls->addStretch(1);

    SGTable = new QTableView(this);
    SGTable->setModel(table_);
    SGTable->setItemDelegate(new ArrayCellDelegate(SGTable));
    SGTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SGTable->setContextMenuPolicy(Qt::CustomContextMenu);
    // Fixed sections: the view never measures a thousand columns.
    for (QHeaderView* header : {SGTable->horizontalHeader(), SGTable->verticalHeader()})
        header->setSectionResizeMode(QHeaderView::Fixed);
    SGTable->horizontalHeader()->setDefaultSectionSize(58);
    SGTable->verticalHeader()->setDefaultSectionSize(SGTable->fontMetrics().height() + 6);
    PlotView = new ArrayPlotView(elements, this);

    PCViews = new QTabWidget(this);
    PCViews->addTab(list, QStringLiteral("List"));
    PCViews->addTab(SGTable, QStringLiteral("Table"));
    PCViews->addTab(PlotView, QStringLiteral("Plot"));
    LStatus = new QLabel(this);
    LStatus->setTextFormat(Qt::PlainText);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(controls);
    layout->addWidget(PCViews, 1);
    layout->addWidget(LStatus);
    BuildMenu();
    const std::pair<QObject*, const char*> named[] = {
        {SETable, "SETable"},     {SEColumns, "SEColumns"}, {CBColourScale, "CBColourScale"},
        {CBHeatMap, "CBHeatMap"}, {PCViews, "PCViews"},     {SGTable, "SGTable"},
        {PlotView, "PlotView"},   {LStatus, "LStatus"},     {PMTable, "PMTable"}};
    for (const auto& [object, objectName] : named) object->setObjectName(QString::fromLatin1(objectName));

    SGTable->installEventFilter(this);
    connect(SETable, &QSpinBox::valueChanged, this, &ArrayViews::SETableChange);
    connect(SEColumns, &QSpinBox::valueChanged, this, &ArrayViews::SEColumnsChange);
    connect(CBColourScale, &QCheckBox::toggled, this, &ArrayViews::CBColourScaleClick);
    connect(CBHeatMap, &QCheckBox::toggled, this, &ArrayViews::CBHeatMapClick);
    connect(SGTable, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PMTable->popup(SGTable->viewport()->mapToGlobal(at)); });
    connect(SGTable, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& cell) {
        size_t index = 0;
        if (table_->ElementIndex(cell.row(), cell.column(), index)) emit EditElementRequested(static_cast<int>(index));
    });
    connect(elements_, &ElementListModel::ShapeChanged, this, &ArrayViews::ShapeChanged);
    ShapeChanged();
}

QAction* ArrayViews::AddAction(const QString& text, const QKeySequence& keys, QWidget* on) {
    auto* action = new QAction(text, on);
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    on->addAction(action);
    PMTable->addAction(action);
    return action;
}

void ArrayViews::BuildMenu() {
    PMTable = new QMenu(this);
    for (const OperationRow& row : kOperations) {
        connect(AddAction(QString::fromLatin1(row.text), QKeySequence(QString::fromLatin1(row.keys)), SGTable),
                &QAction::triggered, this, [this, operation = row.operation] { RunOperation(operation); });
    }
    PMTable->addSeparator();
    connect(AddAction(QStringLiteral("Copy"), QKeySequence::Copy, SGTable), &QAction::triggered, this,
            &ArrayViews::CopyClick);
    connect(AddAction(QStringLiteral("Paste"), QKeySequence::Paste, SGTable), &QAction::triggered, this,
            &ArrayViews::PasteClick);
    PMTable->addSeparator();
    // Undo and redo also reach the list's and the plot's edits.
    connect(AddAction(QStringLiteral("Undo"), QKeySequence(QStringLiteral("Ctrl+Z")), this), &QAction::triggered, this,
            &ArrayViews::UndoClick);
    connect(AddAction(QStringLiteral("Redo"), QKeySequence(QStringLiteral("Ctrl+Y")), this), &QAction::triggered, this,
            &ArrayViews::RedoClick);
}

void ArrayViews::ShapeChanged() {
    const TableShape& shape = elements_->Array().shape;
    const bool tables = shape.tables > 1;
    LTable->setVisible(tables);
    SETable->setVisible(tables);
    SETable->setRange(0, std::max(shape.tables, 1) - 1);
    const bool adjustable = elements_->ColumnsAdjustable();
    LColumns->setVisible(adjustable);
    SEColumns->setVisible(adjustable);
    SETableChange();
    CBHeatMap->setVisible(PlotView->Rows() > 1);
    CBHeatMap->setChecked(PlotView->Rows() > kMostCurves);
    CBHeatMapClick();
}

void ArrayViews::SETableChange() {
    table_->SetTable(SETable->value());
    const TableShape& shape = elements_->Array().shape;
    // A one-dimensional array is one line over its index, whatever its rows in the table.
    if (elements_->ColumnsAdjustable()) {
        PlotView->SetRange(0, shape.count, 1);
    } else {
        PlotView->SetRange(static_cast<size_t>(table_->Table()) * shape.CellsPerTable(), shape.CellsPerTable(),
                           shape.rows);
    }
}

void ArrayViews::SEColumnsChange() { elements_->SetColumns(SEColumns->value()); }

void ArrayViews::CBColourScaleClick() { table_->SetColourScale(CBColourScale->isChecked()); }

void ArrayViews::CBHeatMapClick() {
    PlotView->SetMode(CBHeatMap->isChecked() ? ArrayPlotView::Mode::HeatMap : ArrayPlotView::Mode::Curves);
}

bool ArrayViews::SelectedBlock(CellBlock& block) const {
    const QItemSelection selection = SGTable->selectionModel()->selection();
    block.table = table_->Table();
    if (selection.isEmpty()) {
        const QModelIndex current = SGTable->currentIndex();
        if (!current.isValid()) return false;
        block.row = current.row(), block.column = current.column(), block.rows = block.columns = 1;
        return true;
    }
    // The ranges must tile one rectangle: their cells add up to its area.
    int top = INT_MAX, left = INT_MAX, bottom = -1, right = -1;
    long long cells = 0;
    for (const QItemSelectionRange& range : selection) {
        top = std::min(top, range.top()), left = std::min(left, range.left());
        bottom = std::max(bottom, range.bottom()), right = std::max(right, range.right());
        cells += static_cast<long long>(range.height()) * range.width();
    }
    block.row = top, block.column = left, block.rows = bottom - top + 1, block.columns = right - left + 1;
    return cells == static_cast<long long>(block.rows) * block.columns;
}

void ArrayViews::RunOperation(BlockOperation operation) {
    CellBlock block;
    if (!SelectedBlock(block)) {
        Refuse("Select one rectangular block of cells.");
        return;
    }
    std::string argument;
    const QPointer<ArrayViews> self(this);
    const bool asked = AskArgument(operation, argument);
    if (!self) return;
    if (RowOf(operation).prompt) {
        // The input box has gone: the keys go to the table again.
        window()->activateWindow();
        SGTable->setFocus();
    }
    if (asked) ShowResult(ApplyBlock(elements_->Array(), block, operation, argument));
}

bool ArrayViews::AskArgument(BlockOperation operation, std::string& argument) {
    const OperationRow& row = RowOf(operation);
    if (!row.prompt) return true;
    std::string caption(row.text);
    caption.erase(caption.find("..."));
    if (user_) return user_->InputBox(caption, row.prompt, argument);
    bool ok = false;
    const QString answer =
        QInputDialog::getText(this, ToQ(caption), QString::fromLatin1(row.prompt), QLineEdit::Normal, QString(), &ok);
    argument = FromQ(answer);
    return ok;
}

void ArrayViews::CopyClick() {
    CellBlock block;
    if (!SelectedBlock(block)) {
        Refuse("Select one rectangular block of cells.");
        return;
    }
    QApplication::clipboard()->setText(ToQ(CopyBlock(elements_->Array(), block)));
}

void ArrayViews::PasteClick() {
    const QModelIndex current = SGTable->currentIndex();
    if (!current.isValid()) return;
    ShowResult(PasteBlock(elements_->Array(), table_->Table(), current.row(), current.column(),
                          FromQ(QApplication::clipboard()->text())));
}

void ArrayViews::UndoClick() {
    if (elements_->Undo()) {
        LStatus->setText(QStringLiteral("Undone."));
        emit ElementsEdited();
    }
}

void ArrayViews::RedoClick() {
    if (elements_->Redo()) {
        LStatus->setText(QStringLiteral("Done again."));
        emit ElementsEdited();
    }
}

void ArrayViews::ShowResult(const BlockResult& result) {
    if (!result.done) {
        Refuse(result.message);
        return;
    }
    LStatus->setText(ToQ(result.message));
    if (elements_->Apply(result)) emit ElementsEdited();
}

void ArrayViews::Refuse(const std::string& message) {
    LStatus->setText(ToQ(message));
    if (user_) {
        user_->Message(message);
        return;
    }
    QMessageBox box(QMessageBox::Information, window()->windowTitle(), ToQ(message), QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool ArrayViews::eventFilter(QObject* watched, QEvent* event) {
    if (watched == SGTable && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            size_t index = 0;
            const QModelIndex cell = SGTable->currentIndex();
            if (table_->ElementIndex(cell.row(), cell.column(), index))
                emit EditElementRequested(static_cast<int>(index));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace vtq
