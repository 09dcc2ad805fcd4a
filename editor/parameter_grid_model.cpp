#include "editor/parameter_grid_model.h"

#include <QPainter>
#include <QPalette>
#include <algorithm>

#include "base/text.h"
#include "dialogs/qt_text.h"
#include "editor/pictures.h"
#include "model/group_items.h"

namespace vtq {

QString CutCellText(const std::string& text) {
    if (text.size() <= static_cast<size_t>(kGridTextLimit)) return ToQ(text);
    return ToQ(text.substr(0, kGridTextLimit)) + QStringLiteral("...");
}

ParameterGridModel::ParameterGridModel(GroupItems& items, QObject* parent)
    : QAbstractTableModel(parent), items_(items) {
    items_.AddListener(this);
    rows_ = items_.ViewCount();
}

ParameterGridModel::~ParameterGridModel() { items_.RemoveListener(this); }

void ParameterGridModel::RecordChanged(const NVMParameter& record) {
    if (record.viewIndex < 0 || record.viewIndex >= rows_ || items_.ViewItem(record.viewIndex) != &record) return;
    emit dataChanged(index(record.viewIndex, 0), index(record.viewIndex, 1));
}

void ParameterGridModel::FillGrid() {
    beginResetModel();
    rows_ = items_.ViewCount();
    endResetModel();
}

const NVMParameter* ParameterGridModel::Record(int row) const {
    // Inside an update bracket records may already be freed while the view still lists them.
    if (items_.UpdateLock() > 0 || row < 0 || row >= rows_) return nullptr;
    return items_.ViewItem(row);
}

int ParameterGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : std::max(rows_, 1); }

int ParameterGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 2; }

QVariant ParameterGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role != Qt::DisplayRole && role != StateRole) return {};
    if (rows_ == 0) {
        if (role == StateRole) return static_cast<int>(ParameterState::Unchanged);
        return index.column() == 0 ? QStringLiteral("(empty)") : QString();
    }
    const NVMParameter* record = Record(index.row());
    if (role == StateRole) return static_cast<int>(record ? record->state : ParameterState::Unchanged);
    if (!record) return QString();
    return CutCellText(index.column() == 0 ? record->name : record->value);
}

QVariant ParameterGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (section == 1) return QStringLiteral("Value");
    if (rows_ == 0) return QStringLiteral("Parameter");
    return QStringLiteral("Parameter (%1)").arg(rows_);
}

std::string RowsAsText(const ParameterGridModel& model, std::vector<int> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::string text;
    for (int row : rows) {
        if (const NVMParameter* record = model.Record(row)) text += record->name + "=" + record->value + "\r\n";
    }
    return Trim(text);
}

QColor Blend(const QColor& a, const QColor& b) {
    return QColor((a.red() + b.red()) >> 1, (a.green() + b.green()) >> 1, (a.blue() + b.blue()) >> 1);
}

GridColours MakeGridColours(const QPalette& palette) {
    const QColor grey = Blend(Qt::white, QColor(128, 128, 128));
    GridColours c;
    c.normal = palette.color(QPalette::Active, QPalette::Base);
    c.normalSelected = palette.color(QPalette::Active, QPalette::Highlight);
    c.notStored = Blend(c.normal, grey);
    c.notStoredSelected = Blend(c.normalSelected, grey);
    c.inRAM = QColor(207, 223, 207);
    c.inRAMSelected = Blend(c.normalSelected, QColor(0, 128, 0));
    c.text = palette.color(QPalette::Active, QPalette::Text);
    c.selectedText = palette.color(QPalette::Active, QPalette::HighlightedText);
    return c;
}

ParameterGridDelegate::ParameterGridDelegate(const GridColours& colours, QObject* parent)
    : QStyledItemDelegate(parent), colours_(colours) {}

void ParameterGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
    const auto state = static_cast<ParameterState>(index.data(ParameterGridModel::StateRole).toInt());
    const bool selected = option.state & QStyle::State_Selected;
    QColor background = selected ? colours_.normalSelected : colours_.normal;
    if (state == ParameterState::NotStored) background = selected ? colours_.notStoredSelected : colours_.notStored;
    if (state == ParameterState::InTargetRAM) background = selected ? colours_.inRAMSelected : colours_.inRAM;

    const QRect cell = option.rect;
    painter->save();
    painter->setClipRect(cell);
    painter->fillRect(cell, background);
    painter->setFont(option.font);
    painter->setPen(selected ? colours_.selectedText : colours_.text);
    painter->drawText(cell.adjusted(2, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                      index.data(Qt::DisplayRole).toString());

    if (index.column() == 1 && state != ParameterState::Unchanged) {
        const QPixmap& mark = state == ParameterState::NotStored ? NotStoredPicture() : InTargetRAMPicture();
        // The cell ends at the viewport's edge, so the vertical scroll bar never covers the mark.
        const int x = cell.right() + 1 - mark.width() - 2;
        const int y = std::max(cell.top(), cell.top() + (cell.height() - mark.height()) / 2);
        painter->drawPixmap(x, y, mark);
    }
    painter->restore();
}

}  // namespace vtq
