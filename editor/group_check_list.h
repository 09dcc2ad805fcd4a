#pragma once
// The group check list: one line per group of GroupItems (in group order) with
// a check box. It is a view of the container: the lines, their check boxes and
// their texts come from the groups when painted, and a click on a box sets the
// group's checked flag. The line shows the name and, when the group holds
// parameters, their count; groups the target did not list are drawn in the
// grey-text colour, also when highlighted.

#include <QAbstractListModel>
#include <QListView>

#include "model/group_items.h"

namespace vtq {

class GroupListModel : public QAbstractListModel, private GroupItemsListener {
    Q_OBJECT
public:
    explicit GroupListModel(GroupItems& items, QObject* parent = nullptr);
    ~GroupListModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    // The user changed a check box.
    void checkClicked();

private:
    void GroupsChanged() override;

    GroupItems& items_;
    int rows_ = 0;
};

class GroupCheckList : public QListView {
    Q_OBJECT
public:
    static constexpr int kLineHeight = 16;

    explicit GroupCheckList(GroupItems& items, QWidget* parent = nullptr);

    int count() const;
    int currentRow() const;
    void setCurrentRow(int row);
    bool IsLineChecked(int row) const;
    // As a click on the line's box does.
    void SetLineChecked(int row, bool checked);
    QString LineText(int row) const;

signals:
    // The user changed a check box.
    void checkClicked();

private:
    GroupListModel* model_;
};

}  // namespace vtq
