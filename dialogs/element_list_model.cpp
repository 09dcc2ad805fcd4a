#include "dialogs/element_list_model.h"

#include <QPainter>
#include <algorithm>

#include "dialogs/qt_text.h"
#include "model/array_value.h"

namespace vtq {

ElementListModel::ElementListModel(const std::vector<int>& dimensions, std::string_view typeText, QObject* parent)
    : QAbstractListModel(parent), strides_(StrideList(dimensions)), dimensions_(dimensions) {
    array_.type = TypeOf(typeText);
    Reshape();
}

int ElementListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(std::min<size_t>(array_.elements.size(), INT_MAX));
}

QVariant ElementListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() < 0 || static_cast<size_t>(index.row()) >= array_.elements.size()) return {};
    if (role == Qt::DisplayRole) return ToQ(array_.elements[static_cast<size_t>(index.row())]);
    if (role == LabelRole) return ToQ(ElementLabel(static_cast<size_t>(index.row()), strides_));
    return {};
}

void ElementListModel::Fill(std::string_view value) {
    beginResetModel();
    SplitElements(value, array_.elements);
    history_.Clear();
    valuesStale_ = spanStale_ = true;
    endResetModel();
    Reshape();
}

void ElementListModel::SetElement(int row, std::string text) {
    if (row < 0 || static_cast<size_t>(row) >= array_.elements.size()) return;
    const size_t at = static_cast<size_t>(row);
    BlockResult edit;
    edit.done = true;
    edit.changes.push_back({at, array_.elements[at], std::move(text)});
    if (!history_.Apply(array_.elements, edit)) return;
    if (!valuesStale_) UpdateElementValues(values_, array_.elements, array_.type, at, 1);
    spanStale_ = true;
    const QModelIndex changed = index(row);
    emit dataChanged(changed, changed, {Qt::DisplayRole});
}

std::string ElementListModel::Join() const { return JoinElements(array_.elements); }

bool ElementListModel::ColumnsAdjustable() const {
    size_t product = 1;
    for (const int length : dimensions_) product *= static_cast<size_t>(std::max(length, 0));
    return dimensions_.size() < 2 || product != array_.elements.size();
}

void ElementListModel::SetTableDimensions(std::vector<int> dimensions) {
    dimensions_ = std::move(dimensions);
    Reshape();
}

void ElementListModel::SetColumns(int columns) {
    if (columns < 1 || columns == columns_) return;
    columns_ = columns;
    Reshape();
}

void ElementListModel::Reshape() {
    array_.shape = ShapeOf(dimensions_, array_.elements.size(), columns_);
    emit ShapeChanged();
}

bool ElementListModel::Apply(const BlockResult& result) {
    if (!history_.Apply(array_.elements, result)) return false;
    AllChanged();
    return true;
}

bool ElementListModel::Undo() {
    if (!history_.Undo(array_.elements)) return false;
    AllChanged();
    return true;
}

bool ElementListModel::Redo() {
    if (!history_.Redo(array_.elements)) return false;
    AllChanged();
    return true;
}

void ElementListModel::AllChanged() {
    valuesStale_ = spanStale_ = true;
    if (!array_.elements.empty()) emit dataChanged(index(0), index(rowCount() - 1), {Qt::DisplayRole});
}

const std::vector<double>& ElementListModel::Values() const {
    if (valuesStale_) {
        values_ = ElementValues(array_.elements, array_.type);
        valuesStale_ = false;
    }
    return values_;
}

const ValueSpan& ElementListModel::Span() const {
    if (spanStale_) {
        span_ = SpanOf(Values());
        spanStale_ = false;
    }
    return span_;
}

void ElementListModel::SetReadValue(std::string_view value) {
    std::vector<std::string> read;
    SplitElements(value, read);
    readValues_ = ElementValues(read, array_.type);
}

QColor ElementDelegate::Tint(const QColor& color) {
    return QColor((color.red() + 0xC0) / 2, (color.green() + 0xC0) / 2, (color.blue() + 0xC0) / 2);
}

void ElementDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette& palette = option.palette;
    const QRect row = option.rect;
    const QRect labelRect(row.left(), row.top(), kLabelWidth, row.height());
    const QRect valueRect(row.left() + kLabelWidth, row.top(), std::max(0, row.width() - kLabelWidth), row.height());

    painter->save();
    painter->fillRect(labelRect, Tint(palette.color(selected ? QPalette::Highlight : QPalette::Base)));
    painter->fillRect(valueRect, palette.color(selected ? QPalette::Highlight : QPalette::Base));
    painter->setFont(option.font);
    painter->setPen(palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    // Right-aligned with a 2-pixel margin; a label too wide for the strip starts 2 pixels from the left edge.
    const QString label = index.data(ElementListModel::LabelRole).toString();
    const int labelWidth = option.fontMetrics.horizontalAdvance(label);
    const int labelLeft = std::max(labelRect.left() + 2, labelRect.right() - 1 - labelWidth);
    painter->setClipRect(labelRect);
    painter->drawText(QRect(labelLeft, row.top(), labelWidth + 1, row.height()), Qt::AlignLeft | Qt::AlignVCenter,
                      label);
    painter->setClipping(false);
    painter->drawText(valueRect.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                      index.data(Qt::DisplayRole).toString());
    painter->restore();
}

QSize ElementDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    return QSize(option.rect.width(), kRowHeight);
}

}  // namespace vtq
