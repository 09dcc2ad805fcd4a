#pragma once
// The difference window: the differences between the editor's parameters and
// a parameter file, one row each with its kind, four toggles that show or hide
// each kind, the restriction to the file's filtered records, copy and save.

#include <QAbstractTableModel>
#include <QDialog>
#include <vector>

#include "files/nvm_compare.h"

class QCheckBox;
class QStatusBar;
class QTableView;
class QToolButton;

namespace vtq {

class UserSide;

// The rows of SGDiff: column 0 the text, column 1 the kind's label; one
// "(empty)" row when nothing is shown. Refers to the differences of an NVMDiff.
class DiffTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;
    void SetRows(std::vector<const Difference*> rows);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    std::vector<const Difference*> rows_;
};

class TFormDiffView : public QDialog {
    Q_OBJECT

public:
    // Neither `diff` nor `user` is owned; both must outlive the window.
    TFormDiffView(QWidget* owner, NVMDiff& diff, UserSide& user);
    // Shows the window modally over `owner` and destroys it when it closes.
    static void Execute(QWidget* owner, NVMDiff& diff, UserSide& user);

    QToolButton* SpeedButtonMissing;
    QToolButton* SpeedButtonExtra;
    QToolButton* SpeedButtonDiff;
    QToolButton* SpeedButtonType;
    QToolButton* BCopy;
    QToolButton* BSave;
    QCheckBox* CBSelectedOnly;
    QTableView* SGDiff;
    QStatusBar* StatusBar1;

    // Column 0 of every grid row, top to bottom, each ended by CR LF.
    std::string GridText() const;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void done(int result) override;

private:
    void FillGrid();
    void SpeedButtonClick(DiffKind kind, bool down);
    void CBSelectedOnlyClick();
    void BCopyClick();
    void BSaveClick();
    void FitColumns();

    NVMDiff& diff_;
    UserSide& user_;
    DiffTableModel model_;
    bool activated_ = false;
};

}  // namespace vtq
