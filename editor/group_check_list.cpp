#include "editor/group_check_list.h"

#include <QStyledItemDelegate>

#include "editor/group_list.h"
#include "editor/qt_text.h"
#include "model/group_items.h"

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
        const int group = index.row();
        if (group >= items_.GroupCount()) return;
        option->text = ToQ(GroupLineText(items_, group));
        if (items_.IsNotOnTarget(group)) {
            const QColor grey = option->palette.color(QPalette::Disabled, QPalette::Text);
            option->palette.setColor(QPalette::Text, grey);
            option->palette.setColor(QPalette::HighlightedText, grey);
        }
    }

private:
    const GroupItems& items_;
};

}  // namespace

GroupCheckList::GroupCheckList(const GroupItems& items, QWidget* parent) : QListWidget(parent), items_(items) {
    setItemDelegate(new GroupLineDelegate(items_, this));
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemChanged, this, [this] {
        if (!refilling_) emit checkClicked();
    });
}

void GroupCheckList::Refill() {
    refilling_ = true;
    const QString focused = currentItem() ? currentItem()->text() : QString();
    clear();
    const std::vector<std::string> names = items_.AllGroupNames();
    for (size_t i = 0; i < names.size(); ++i) {
        auto* line = new QListWidgetItem(ToQ(names[i]), this);
        line->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        line->setCheckState(items_.IsChecked(static_cast<int>(i)) ? Qt::Checked : Qt::Unchecked);
    }
    if (!focused.isEmpty()) {
        const QList<QListWidgetItem*> same = findItems(focused, Qt::MatchExactly);
        if (!same.isEmpty()) setCurrentItem(same.front());
    }
    refilling_ = false;
    viewport()->update();
}

void GroupCheckList::SyncChecks() {
    refilling_ = true;
    for (int i = 0; i < count(); ++i) {
        item(i)->setCheckState(items_.IsChecked(i) ? Qt::Checked : Qt::Unchecked);
    }
    refilling_ = false;
}

std::vector<bool> GroupCheckList::CheckStates() const {
    std::vector<bool> checks;
    checks.reserve(count());
    for (int i = 0; i < count(); ++i) checks.push_back(item(i)->checkState() == Qt::Checked);
    return checks;
}

}  // namespace vtq
