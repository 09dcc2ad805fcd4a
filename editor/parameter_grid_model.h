#pragma once
// The parameter grid: a table model over the view of GroupItems (row N shows
// view entry N, no item per cell), and the delegate that paints the state
// colours and marks. An empty view shows one "(empty)" row.

#include <QAbstractTableModel>
#include <QColor>
#include <QStyledItemDelegate>
#include <string>
#include <vector>

#include "model/group_items.h"
#include "model/nvm_parameter.h"

class QPalette;

namespace vtq {

// Longer cell texts are drawn as their first 200 characters and "...".
inline constexpr int kGridTextLimit = 200;
QString CutCellText(const std::string& text);

class ParameterGridModel : public QAbstractTableModel, private GroupItemsListener {
    Q_OBJECT
public:
    // The state of a row's record, as int (ParameterState).
    static constexpr int StateRole = Qt::UserRole + 1;

    // Follows the container: a new view resets the grid, a changed record repaints its row.
    explicit ParameterGridModel(GroupItems& items, QObject* parent = nullptr);
    ~ParameterGridModel() override;

    // Shows the current view.
    void FillGrid();
    // True when the grid shows only the "(empty)" row.
    bool ShowsEmptyRow() const { return rows_ == 0; }
    // The record of a row, or null ("(empty)" row, out of range, or the
    // container in the middle of an update, when view entries may be stale).
    const NVMParameter* Record(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void ViewChanged() override { FillGrid(); }
    void RecordChanged(const NVMParameter& record) override;

    GroupItems& items_;
    int rows_ = 0;
};

// name=value lines (CR LF) of the given rows in ascending order, rows without
// a record skipped, the whole text trimmed.
std::string RowsAsText(const ParameterGridModel& model, std::vector<int> rows);

// Background colours of the states, worked out once from the palette.
struct GridColours {
    QColor normal, normalSelected;
    QColor notStored, notStoredSelected;
    QColor inRAM, inRAMSelected;
    QColor text, selectedText;
};
// Per-channel average of two colours.
QColor Blend(const QColor& a, const QColor& b);
GridColours MakeGridColours(const QPalette& palette);

class ParameterGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit ParameterGridDelegate(const GridColours& colours, QObject* parent = nullptr);
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    GridColours colours_;
};

}  // namespace vtq
