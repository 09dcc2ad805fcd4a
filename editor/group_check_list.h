#pragma once
// The group check list: one line per group of GroupItems (in group order) with
// a check box. The line text is worked out when it is painted: the name and,
// when the group holds parameters, their count; groups the target did not list
// are drawn in the grey-text colour, also when highlighted.

#include <QListWidget>
#include <vector>

namespace vtq {

class GroupItems;

class GroupCheckList : public QListWidget {
    Q_OBJECT
public:
    static constexpr int kLineHeight = 16;

    explicit GroupCheckList(const GroupItems& items, QWidget* parent = nullptr);

    // Refills the lines from the groups and their checked flags, keeping the
    // focused line when a line of the same name is still there. Emits no
    // check signal.
    void Refill();
    // Sets the boxes from the checked flags of the groups.
    void SyncChecks();
    std::vector<bool> CheckStates() const;

signals:
    // The user changed a check box.
    void checkClicked();

private:
    const GroupItems& items_;
    bool refilling_ = false;
};

}  // namespace vtq
