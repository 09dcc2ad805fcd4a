#pragma once
// The review before Load File merges a file: one row per parameter the file
// changes or adds, with its old and new value and a check box, all checked at
// the start. OK merges only the checked rows; Cancel merges nothing.

#include <QAbstractTableModel>
#include <QDialog>
#include <vector>

#include "files/load_review.h"

class QLabel;
class QPushButton;
class QTableView;

namespace vtq {

// The rows of SGReview over the changes: column 0 the parameter with its
// check box, 1 the value held ("(new)" for a parameter not held), 2 the
// file's value. Checking a row sets its change's `checked` at once.
class ReviewLoadModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit ReviewLoadModel(std::vector<LoadChange>& changes, QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void CheckAll(bool checked);
    int CheckedCount() const;

signals:
    void ChecksChanged();

private:
    std::vector<LoadChange>& changes_;
};

class TFReviewLoad : public QDialog {
    Q_OBJECT

public:
    // `changes` is not owned; its rows' check marks follow the grid.
    TFReviewLoad(QWidget* owner, std::vector<LoadChange>& changes);
    // Shows the window modally over `owner`; true for OK. On Cancel every
    // change keeps the check mark it had before.
    static bool Execute(QWidget* owner, std::vector<LoadChange>& changes);

    QLabel* LExplanation;
    QTableView* SGReview;
    QPushButton* BCheckAll;
    QPushButton* BCheckNone;
    QLabel* LCount;
    QPushButton* BOK;
    QPushButton* BCancel;

private:
    void UpdateCount();

    ReviewLoadModel model_;
};

}  // namespace vtq
