#include "editor/group_check_list.h"

#include <QStyledItemDelegate>

#include "core/group_list.h"
#include "dialogs/qt_text.h"

namespace vtq {

namespace {

class GroupLineDelegate : public QStyledItemDelegate {
public:
    GroupLineDelegate(const GroupItems& items, QObject* parent) : QStyledItemDelegate(parent), items_(items) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(GroupCheckList::kLineHeight);
        return size;
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (items_.IsNotOnTarget(index.row())) {
            const QColor grey = option->palette.color(QPalette::Disabled, QPalette::Text);
            option->palette.setColor(QPalette::Text, grey);
            option->palette.setColor(QPalette::HighlightedText, grey);
        }
    }

private:
    const GroupItems& items_;
};

}  // namespace

GroupListModel::GroupListModel(GroupItems& items, QObject* parent) : QAbstractListModel(parent), items_(items) {
    items_.AddListener(this);
    rows_ = items_.GroupCount();
}

GroupListModel::~GroupListModel() { items_.RemoveListener(this); }

void GroupListModel::GroupsChanged() {
    if (rows_ != items_.GroupCount()) {
        beginResetModel();
        rows_ = items_.GroupCount();
        endResetModel();
    } else if (rows_ > 0) {
        emit dataChanged(index(0), index(rows_ - 1));
    }
}

int GroupListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

QVariant GroupListModel::data(const QModelIndex& index, int role) const {
    const int group = index.row();
    if (!index.isValid() || group >= items_.GroupCount()) return {};
    if (role == Qt::DisplayRole) return ToQ(GroupLineText(items_, group));
    if (role == Qt::CheckStateRole) return items_.IsChecked(group) ? Qt::Checked : Qt::Unchecked;
    return {};
}

bool GroupListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::CheckStateRole) return false;
    const bool checked = value.toInt() == Qt::Checked;
    if (items_.SetChecked(index.row(), checked)) emit checkClicked();
    return true;
}

Qt::ItemFlags GroupListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable;
}

GroupCheckList::GroupCheckList(GroupItems& items, QWidget* parent) : QListView(parent) {
    model_ = new GroupListModel(items, this);
    setModel(model_);
    setItemDelegate(new GroupLineDelegate(items, this));
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(model_, &GroupListModel::checkClicked, this, &GroupCheckList::checkClicked);
}

int GroupCheckList::count() const { return model_->rowCount(); }

int GroupCheckList::currentRow() const { return currentIndex().isValid() ? currentIndex().row() : -1; }

void GroupCheckList::setCurrentRow(int row) { setCurrentIndex(model_->index(row)); }

bool GroupCheckList::IsLineChecked(int row) const {
    return model_->data(model_->index(row), Qt::CheckStateRole).toInt() == Qt::Checked;
}

void GroupCheckList::SetLineChecked(int row, bool checked) {
    model_->setData(model_->index(row), checked ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
}

QString GroupCheckList::LineText(int row) const { return model_->data(model_->index(row), Qt::DisplayRole).toString(); }

}  // namespace vtq
