#pragma once
// The elements of an array value as a list model for the array editor: one
// text per element, held once, converted for the view only for the rows it
// shows, so a value of a million elements opens and scrolls without delay.
// The delegate draws each row's element label on a tinted strip at its left.
//
// The same elements back the editor's table and plot: the model also keeps
// the array's type and table shape, the history of block operations (each one
// undo step), the elements as numbers (read again only after a change) and
// the value last read from the target.

#include <QAbstractListModel>
#include <QStyledItemDelegate>
#include <string>
#include <string_view>
#include <vector>

#include "core/array_block.h"
#include "core/array_history.h"
#include "core/array_plot.h"

namespace vtq {

class ElementListModel : public QAbstractListModel {
    Q_OBJECT

public:
    // The element label of a row ("[1][2]"), as a QString.
    static constexpr int LabelRole = Qt::UserRole + 1;

    // `dimensions` outermost first (may be empty); `typeText` as the target reports it.
    ElementListModel(const std::vector<int>& dimensions, std::string_view typeText, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // Replaces the list with the elements of a value text, in one reset. The
    // history of block operations ends: its cells may no longer exist.
    void Fill(std::string_view value);
    const std::vector<std::string>& Elements() const { return array_.elements; }
    // One element set as one undo step.
    void SetElement(int row, std::string text);
    // All elements joined with ",".
    std::string Join() const;

    // The array as the block operations see it; the shape follows the element
    // count and, for an array without a table shape of its own, the columns chosen.
    const ArrayTable& Array() const { return array_; }
    bool ColumnsAdjustable() const;
    // The dimensions the table is laid out by, when they are not those the labels come from.
    void SetTableDimensions(std::vector<int> dimensions);
    void SetColumns(int columns);
    // Applies a block operation's or a paste's result as one undo step; false when it changed nothing.
    bool Apply(const BlockResult& result);
    bool Undo();
    bool Redo();
    bool CanUndo() const { return history_.CanUndo(); }
    bool CanRedo() const { return history_.CanRedo(); }

    // The elements as numbers, NaN for a text that is no number.
    const std::vector<double>& Values() const;
    // The lowest and highest of those numbers.
    const ValueSpan& Span() const;
    // The value last read from the target, as numbers; empty when it is not known.
    void SetReadValue(std::string_view value);
    const std::vector<double>& ReadValues() const { return readValues_; }

signals:
    // The table shape changed (element count or columns): views lay themselves out again.
    void ShapeChanged();

private:
    void Reshape();
    void AllChanged();

    std::vector<int64_t> strides_;
    std::vector<int> dimensions_;
    int columns_ = kDefaultTableColumns;
    ArrayTable array_;
    ArrayHistory history_;
    mutable std::vector<double> values_;
    mutable bool valuesStale_ = true;
    mutable ValueSpan span_;
    mutable bool spanStale_ = true;
    std::vector<double> readValues_;
};

class ElementDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    static constexpr int kLabelWidth = 66;
    static constexpr int kRowHeight = 16;

    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // A colour mixed half and half with silver (C0C0C0).
    static QColor Tint(const QColor& color);
};

}  // namespace vtq
