#pragma once
// The array editor's table: the elements of the list model laid out in its
// table shape (ShapeOf), one table at a time, without a copy. Cells may be
// coloured by value on a colour scale, and a cell whose value differs from
// the one last read from the target carries a mark (ChangedRole), which the
// delegate draws.

#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <cstddef>

namespace vtq {

class ElementListModel;

class ArrayTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // True for a cell that differs from the value last read from the target.
    static constexpr int ChangedRole = Qt::UserRole + 2;

    explicit ArrayTableModel(ElementListModel* elements, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The table shown, of the shape's tables.
    int Table() const { return table_; }
    void SetTable(int table);
    void SetColourScale(bool on);
    bool ColourScale() const { return colourScale_; }

    // The element shown in a cell of the current table; false outside the elements.
    bool ElementIndex(int row, int column, size_t& index) const;

private:
    void Relayout();
    void AllCellsChanged(const QList<int>& roles = {});

    ElementListModel* elements_;
    int rows_ = 0;
    int columns_ = 0;
    int table_ = 0;
    bool colourScale_ = true;
};

// Draws a cell as usual plus a small corner mark when it differs from the
// value read. A selected cell on the colour scale keeps its colour, mixed
// with the highlight, so the selection does not hide the values' shape.
class ArrayCellDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

// The colour of a position on the colour scale, 0 (low, blue) to 1 (high, red), pale enough for text.
QColor ScaleColour(double position);

}  // namespace vtq
