#include "dialogs/tf_review_load.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "dialogs/dialog_driver.h"
#include "dialogs/qt_text.h"

namespace vtq {

namespace {

// Cells show at most this many characters (long arrays); the tool tip a few more.
constexpr size_t kCellLimit = 200;
constexpr size_t kTipLimit = 2000;

QString Cut(const std::string& text, size_t limit) {
    if (text.size() <= limit) return ToQ(text);
    return ToQ(text.substr(0, limit)) + QStringLiteral("...");
}

}  // namespace

ReviewLoadModel::ReviewLoadModel(std::vector<LoadChange>& changes, QObject* parent)
    : QAbstractTableModel(parent), changes_(changes) {}

int ReviewLoadModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(changes_.size());
}

int ReviewLoadModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 3; }

QVariant ReviewLoadModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const LoadChange& change = changes_[static_cast<size_t>(index.row())];
    const std::string& text = index.column() == 0   ? change.name
                              : index.column() == 1 ? change.oldValue
                                                    : change.newValue;
    switch (role) {
        case Qt::DisplayRole:
            if (index.column() == 1 && change.isNew) return QStringLiteral("(new)");
            return Cut(text, kCellLimit);
        case Qt::ToolTipRole:
            return text.size() > kCellLimit ? Cut(text, kTipLimit) : QVariant();
        case Qt::CheckStateRole:
            if (index.column() == 0) return change.checked ? Qt::Checked : Qt::Unchecked;
            return {};
        default:
            return {};
    }
}

bool ReviewLoadModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() != 0 || role != Qt::CheckStateRole || index.row() >= rowCount())
        return false;
    changes_[static_cast<size_t>(index.row())].checked = value.toInt() == Qt::Checked;
    emit dataChanged(index, index, {Qt::CheckStateRole});
    emit ChecksChanged();
    return true;
}

Qt::ItemFlags ReviewLoadModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == 0) flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QVariant ReviewLoadModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
        case 0:
            return QStringLiteral("Parameter");
        case 1:
            return QStringLiteral("Value Held");
        case 2:
            return QStringLiteral("Value in File");
        default:
            return {};
    }
}

void ReviewLoadModel::CheckAll(bool checked) {
    for (LoadChange& change : changes_) change.checked = checked;
    if (!changes_.empty()) emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::CheckStateRole});
    emit ChecksChanged();
}

int ReviewLoadModel::CheckedCount() const {
    int count = 0;
    for (const LoadChange& change : changes_) count += change.checked ? 1 : 0;
    return count;
}

TFReviewLoad::TFReviewLoad(QWidget* owner, std::vector<LoadChange>& changes) : QDialog(owner), model_(changes, this) {
    setObjectName(QStringLiteral("TFReviewLoad"));
    setWindowTitle(QStringLiteral("Review File Changes"));
    LExplanation = new QLabel(
        QStringLiteral("Loading the file changes these parameters. Only the checked ones are loaded."), this);
    SGReview = new QTableView(this);
    SGReview->setObjectName(QStringLiteral("SGReview"));
    SGReview->setModel(&model_);
    SGReview->setSelectionBehavior(QAbstractItemView::SelectRows);
    SGReview->setSelectionMode(QAbstractItemView::SingleSelection);
    SGReview->setWordWrap(false);
    SGReview->verticalHeader()->hide();
    SGReview->verticalHeader()->setDefaultSectionSize(20);
    SGReview->horizontalHeader()->setStretchLastSection(true);
    SGReview->setColumnWidth(0, 260);
    SGReview->setColumnWidth(1, 180);
    BCheckAll = new QPushButton(QStringLiteral("All"), this);
    BCheckAll->setObjectName(QStringLiteral("BCheckAll"));
    BCheckNone = new QPushButton(QStringLiteral("None"), this);
    BCheckNone->setObjectName(QStringLiteral("BCheckNone"));
    LCount = new QLabel(this);
    LCount->setObjectName(QStringLiteral("LCount"));
    BOK = new QPushButton(QStringLiteral("Load Checked"), this);
    BOK->setObjectName(QStringLiteral("BOK"));
    BOK->setDefault(true);
    BCancel = new QPushButton(QStringLiteral("Cancel"), this);
    BCancel->setObjectName(QStringLiteral("BCancel"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BCheckAll);
    buttons->addWidget(BCheckNone);
    buttons->addWidget(LCount, 1);
    buttons->addWidget(BOK);
    buttons->addWidget(BCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LExplanation);
    layout->addWidget(SGReview, 1);
    layout->addLayout(buttons);
    resize(720, 420);

    connect(BCheckAll, &QPushButton::clicked, this, [this] { model_.CheckAll(true); });
    connect(BCheckNone, &QPushButton::clicked, this, [this] { model_.CheckAll(false); });
    connect(&model_, &ReviewLoadModel::ChecksChanged, this, &TFReviewLoad::UpdateCount);
    connect(BOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(BCancel, &QPushButton::clicked, this, &QDialog::reject);
    if (model_.rowCount() > 0) SGReview->setCurrentIndex(model_.index(0, 0));
    UpdateCount();
}

void TFReviewLoad::UpdateCount() {
    const int checked = model_.CheckedCount();
    LCount->setText(QStringLiteral("%1 of %2 checked").arg(checked).arg(model_.rowCount()));
    BOK->setEnabled(checked > 0);
}

bool TFReviewLoad::Execute(QWidget* owner, std::vector<LoadChange>& changes) {
    std::vector<bool> before;
    for (const LoadChange& change : changes) before.push_back(change.checked);
    QPointer<TFReviewLoad> dialog = new TFReviewLoad(owner, changes);
    const int result = RunDialog(dialog.data());
    delete dialog.data();
    if (result == QDialog::Accepted) return true;
    for (size_t i = 0; i < changes.size(); ++i) changes[i].checked = before[i];
    return false;
}

}  // namespace vtq
