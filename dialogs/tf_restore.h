#pragma once
// "Restore...": the restore points, newest first, one row each with its time,
// unit, the operation it was saved before, its number of parameters and its
// groups. OK (or a double click) chooses the selected point; the window then
// loads it through the review of its changes.

#include <QDialog>
#include <vector>

#include "core/restore_points.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace vtq {

class TFRestore : public QDialog {
    Q_OBJECT

public:
    TFRestore(QWidget* owner, const std::vector<RestorePointInfo>& points);
    // Shows the list modally over `owner`; the index of the chosen point, or -1 on Cancel.
    static int Execute(QWidget* owner, const std::vector<RestorePointInfo>& points);

    QLabel* LExplanation;
    QTreeWidget* LVPoints;
    QPushButton* BOK;
    QPushButton* BCancel;
};

}  // namespace vtq
