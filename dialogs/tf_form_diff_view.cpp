#include "dialogs/tf_form_diff_view.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPainter>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include "channel/user_side.h"
#include "dialogs/dialog_driver.h"
#include "dialogs/qt_text.h"
#include "files/file_operations.h"

namespace vtq {

namespace {
constexpr int kTextColumnWidth = 559;
constexpr int kLabelColumnWidth = 64;

// A down button and an up one look much alike in most styles; a check box
// drawn beside each kind's caption tells at a glance which kinds are shown.
QIcon ShownMark(const QStyle& style) {
    QIcon icon;
    for (const QIcon::State state : {QIcon::On, QIcon::Off}) {
        QStyleOptionButton option;
        const int width = style.pixelMetric(QStyle::PM_IndicatorWidth, &option);
        const int height = style.pixelMetric(QStyle::PM_IndicatorHeight, &option);
        option.rect = QRect(0, 0, width, height);
        option.state = QStyle::State_Enabled | (state == QIcon::On ? QStyle::State_On : QStyle::State_Off);
        QPixmap picture(width, height);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        style.drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &painter);
        painter.end();
        icon.addPixmap(picture, QIcon::Normal, state);
    }
    return icon;
}
}  // namespace

void DiffTableModel::SetRows(std::vector<const Difference*> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

int DiffTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::max<int>(1, static_cast<int>(rows_.size()));
}

int DiffTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 2; }

QVariant DiffTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole) return {};
    if (rows_.empty()) return index.column() == 0 ? QString::fromLatin1(kEmptyDiffRow) : QString();
    const Difference* d = rows_[static_cast<size_t>(index.row())];
    return index.column() == 0 ? ToQ(d->text) : QString::fromLatin1(DiffLabel(d->kind));
}

TFormDiffView::TFormDiffView(QWidget* owner, NVMDiff& diff, UserSide& user)
    : QDialog(owner), diff_(diff), user_(user), model_(this) {
    setObjectName("FormDiffView");
    setWindowTitle(QStringLiteral("NVM Diff View"));

    const QIcon shownMark = ShownMark(*style());
    auto toggle = [this, &shownMark](const char* name, const char* caption, DiffKind kind) {
        auto* b = new QToolButton(this);
        b->setObjectName(name);
        b->setText(QString::fromLatin1(caption));
        b->setIcon(shownMark);
        b->setIconSize(shownMark.availableSizes().value(0));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setCheckable(true);
        b->setChecked(diff_.Shown(kind));
        connect(b, &QToolButton::clicked, this, [this, kind](bool down) { SpeedButtonClick(kind, down); });
        return b;
    };
    SpeedButtonMissing = toggle("SpeedButtonMissing", "Missing", DiffKind::Missing);
    SpeedButtonExtra = toggle("SpeedButtonExtra", "Extra", DiffKind::Extra);
    SpeedButtonDiff = toggle("SpeedButtonDiff", "!=", DiffKind::Value);
    SpeedButtonType = toggle("SpeedButtonType", "!type", DiffKind::Type);

    auto glyph = [this](const char* name, QStyle::StandardPixmap icon, const char* hint) {
        auto* b = new QToolButton(this);
        b->setObjectName(name);
        b->setIcon(style()->standardIcon(icon));
        b->setToolTip(QString::fromLatin1(hint));
        return b;
    };
    BCopy = glyph("BCopy", QStyle::SP_FileDialogDetailedView, "Copy");
    BSave = glyph("BSave", QStyle::SP_DialogSaveButton, "Save");
    connect(BCopy, &QToolButton::clicked, this, [this] { BCopyClick(); });
    connect(BSave, &QToolButton::clicked, this, [this] { BSaveClick(); });

    CBSelectedOnly = new QCheckBox(QStringLiteral("Check only filtered items"), this);
    CBSelectedOnly->setObjectName("CBSelectedOnly");
    CBSelectedOnly->setChecked(diff_.SelectedOnly());
    connect(CBSelectedOnly, &QCheckBox::clicked, this, [this] { CBSelectedOnlyClick(); });

    SGDiff = new QTableView(this);
    SGDiff->setObjectName("SGDiff");
    SGDiff->setModel(&model_);
    SGDiff->setSelectionBehavior(QAbstractItemView::SelectRows);
    SGDiff->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SGDiff->horizontalHeader()->hide();
    SGDiff->verticalHeader()->hide();
    SGDiff->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    SGDiff->verticalHeader()->setDefaultSectionSize(SGDiff->fontMetrics().height() + 4);
    SGDiff->setWordWrap(false);
    SGDiff->setColumnWidth(0, kTextColumnWidth);
    SGDiff->setColumnWidth(1, kLabelColumnWidth);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setSizeGripEnabled(false);

    auto* bar = new QHBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(SpeedButtonMissing), static_cast<QWidget*>(SpeedButtonExtra),
                       static_cast<QWidget*>(SpeedButtonDiff), static_cast<QWidget*>(SpeedButtonType),
                       static_cast<QWidget*>(BCopy), static_cast<QWidget*>(BSave)})
        bar->addWidget(w);
    bar->addSpacing(12);
    bar->addWidget(CBSelectedOnly);
    bar->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(bar);
    layout->addWidget(SGDiff, 1);
    layout->addWidget(StatusBar1);

    resize(635, 704);
    if (const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TFormDiffView::Execute(QWidget* owner, NVMDiff& diff, UserSide& user) {
    auto* view = new TFormDiffView(owner, diff, user);
    RunDialog(view);
    delete view;
}

void TFormDiffView::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (activated_) return;
    activated_ = true;
    FillGrid();
}

void TFormDiffView::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    FitColumns();
}

// Column 0 takes the grid's width less column 1's, at least 2, less 5 pixels.
void TFormDiffView::FitColumns() {
    SGDiff->setColumnWidth(1, kLabelColumnWidth);
    SGDiff->setColumnWidth(0, std::max(2, SGDiff->viewport()->width() - kLabelColumnWidth) - 5);
}

void TFormDiffView::done(int result) {
    diff_.Discard();
    QDialog::done(result);
}

void TFormDiffView::FillGrid() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::vector<const Difference*> rows = diff_.ShownDifferences();
    const int count = static_cast<int>(rows.size());
    model_.SetRows(std::move(rows));
    FitColumns();  // a model reset gives every column its default width again
    StatusBar1->showMessage(ToQ(DifferenceCountText(count)));
    QApplication::restoreOverrideCursor();
}

void TFormDiffView::SpeedButtonClick(DiffKind kind, bool down) {
    diff_.SetShown(kind, down);
    FillGrid();
}

void TFormDiffView::CBSelectedOnlyClick() {
    diff_.SetSelectedOnly(CBSelectedOnly->isChecked());
    FillGrid();
}

std::string TFormDiffView::GridText() const {
    std::string text;
    for (int row = 0; row < model_.rowCount(); ++row) text += FromQ(model_.index(row, 0).data().toString()) + "\r\n";
    return text;
}

void TFormDiffView::BCopyClick() {
    QGuiApplication::clipboard()->setText(ToQ(GridText()));
    user_.Message(kTextCopiedMessage);
}

void TFormDiffView::BSaveClick() { SaveDifferencesClick(diff_, user_); }

}  // namespace vtq
