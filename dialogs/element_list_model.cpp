#include "dialogs/element_list_model.h"

#include <QPainter>
#include <algorithm>

#include "dialogs/qt_text.h"
#include "model/array_value.h"

namespace vtq {

ElementListModel::ElementListModel(std::vector<int64_t> strides, QObject* parent)
    : QAbstractListModel(parent), strides_(std::move(strides)) {}

int ElementListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(std::min<size_t>(elements_.size(), INT_MAX));
}

QVariant ElementListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() < 0 || static_cast<size_t>(index.row()) >= elements_.size()) return {};
    if (role == Qt::DisplayRole) return ToQ(elements_[static_cast<size_t>(index.row())]);
    if (role == LabelRole) return ToQ(ElementLabel(static_cast<size_t>(index.row()), strides_));
    return {};
}

void ElementListModel::Fill(std::string_view value) {
    beginResetModel();
    SplitElements(value, elements_);
    endResetModel();
}

void ElementListModel::SetElement(int row, std::string text) {
    if (row < 0 || static_cast<size_t>(row) >= elements_.size()) return;
    elements_[static_cast<size_t>(row)] = std::move(text);
    const QModelIndex changed = index(row);
    emit dataChanged(changed, changed, {Qt::DisplayRole});
}

std::string ElementListModel::Join() const { return JoinElements(elements_); }

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
