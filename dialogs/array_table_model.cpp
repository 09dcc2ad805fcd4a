#include "dialogs/array_table_model.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "core/array_plot.h"
#include "dialogs/element_list_model.h"
#include "dialogs/qt_text.h"

namespace vtq {

ArrayTableModel::ArrayTableModel(ElementListModel* elements, QObject* parent)
    : QAbstractTableModel(parent), elements_(elements) {
    connect(elements_, &ElementListModel::ShapeChanged, this, &ArrayTableModel::Relayout);
    connect(elements_, &QAbstractItemModel::dataChanged, this, [this] { AllCellsChanged(); });
    Relayout();
}

void ArrayTableModel::Relayout() {
    const TableShape& shape = elements_->Array().shape;
    beginResetModel();
    rows_ = shape.rows;
    columns_ = shape.columns;
    table_ = std::clamp(table_, 0, std::max(shape.tables, 1) - 1);
    endResetModel();
}

void ArrayTableModel::AllCellsChanged(const QList<int>& roles) {
    if (rows_ > 0 && columns_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, columns_ - 1), roles);
}

int ArrayTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int ArrayTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : columns_; }

bool ArrayTableModel::ElementIndex(int row, int column, size_t& index) const {
    return elements_->Array().shape.Index(table_, row, column, index);
}

QVariant ArrayTableModel::data(const QModelIndex& index, int role) const {
    size_t at = 0;
    if (!index.isValid() || !ElementIndex(index.row(), index.column(), at)) return {};
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return ToQ(elements_->Elements()[at]);
        case Qt::BackgroundRole: {
            const double value = elements_->Values()[at];
            if (!colourScale_ || std::isnan(value)) return {};
            return ScaleColour(ScalePosition(value, elements_->Span()));
        }
        case ChangedRole:
            return DiffersFromRead(elements_->Values(), elements_->ReadValues(), at);
        default:
            return {};
    }
}

QVariant ArrayTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
    // Rows of an array without a table shape of its own are labelled with their first element's index.
    if (orientation == Qt::Vertical && elements_->ColumnsAdjustable())
        return QString::number(static_cast<qlonglong>(section) * columns_);
    return QString::number(section);
}

Qt::ItemFlags ArrayTableModel::flags(const QModelIndex& index) const {
    size_t at = 0;
    if (!ElementIndex(index.row(), index.column(), at)) return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
}

void ArrayTableModel::SetTable(int table) {
    table = std::clamp(table, 0, std::max(elements_->Array().shape.tables, 1) - 1);
    if (table == table_) return;
    table_ = table;
    AllCellsChanged();
}

void ArrayTableModel::SetColourScale(bool on) {
    if (on == colourScale_) return;
    colourScale_ = on;
    AllCellsChanged({Qt::BackgroundRole});
}

QColor ScaleColour(double position) {
    return QColor::fromHsv(static_cast<int>(240 * (1 - std::clamp(position, 0.0, 1.0))), 110, 255);
}

void ArrayCellDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    const QVariant background = index.data(Qt::BackgroundRole);
    if (!(option->state & QStyle::State_Selected) || !background.isValid()) return;
    const QColor scale = background.value<QColor>();
    const QColor highlight = option->palette.color(QPalette::Highlight);
    option->backgroundBrush =
        QColor((scale.red() * 3 + highlight.red() * 2) / 5, (scale.green() * 3 + highlight.green() * 2) / 5,
               (scale.blue() * 3 + highlight.blue() * 2) / 5);
    option->state &= ~QStyle::State_Selected;
    option->font.setBold(true);
}

void ArrayCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyledItemDelegate::paint(painter, option, index);
    if (!index.data(ArrayTableModel::ChangedRole).toBool()) return;
    // A triangle in the top right corner, as a spreadsheet marks a cell with a note.
    const QRect cell = option.rect;
    const int side = std::min(7, cell.height() / 2);
    const QPoint corner = cell.topRight();
    const QPolygon mark({corner, corner - QPoint(side, 0), corner + QPoint(0, side)});
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(Qt::NoPen);
    painter->setBrush(QColor(0xC0, 0x10, 0x10));
    painter->drawPolygon(mark);
    painter->restore();
}

}  // namespace vtq
