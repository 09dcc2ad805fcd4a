#include "dialogs/tf_select.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>
#include <QVBoxLayout>

#include "dialogs/dialog_driver.h"
#include "dialogs/qt_text.h"
#include "model/pick_list.h"

namespace vtq {

TFSelect::TFSelect(QWidget* owner, const std::string& exclusion, bool multiple, const std::vector<std::string>* items,
                   const std::string& explanation)
    : QDialog(owner, Qt::Tool | Qt::WindowStaysOnTopHint), multiple_(multiple) {
    RETitle = new QTextEdit(this);
    RETitle->setReadOnly(true);
    RETitle->setFrameStyle(QFrame::NoFrame);
    RETitle->setAcceptRichText(false);
    RETitle->setFocusPolicy(Qt::NoFocus);
    QPalette palette = RETitle->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    RETitle->setPalette(palette);
    RETitle->setFixedHeight(RETitle->fontMetrics().lineSpacing() * 3 + 8);

    LBItems = new QListWidget(this);
    LBItems->setSortingEnabled(false);
    LBItems->setSelectionMode(multiple ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);

    BOK = new QPushButton(QStringLiteral("OK"), this);
    BCancel = new QPushButton(QStringLiteral("Cancel"), this);
    BClear = new QPushButton(QStringLiteral("Clear"), this);
    BInvert = new QPushButton(QStringLiteral("Invert"), this);
    BOK->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BClear);
    buttons->addWidget(BInvert);
    buttons->addStretch(1);
    buttons->addWidget(BOK);
    buttons->addWidget(BCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(RETitle);
    layout->addWidget(LBItems, 1);
    layout->addLayout(buttons);
    resize(380, 360);

    if (!multiple) {
        BClear->setEnabled(false);
        BClear->hide();
        BInvert->setEnabled(false);
        BInvert->hide();
    }
    RETitle->setPlainText(ToQ(explanation));
    if (items) {
        items_ = *items;
        LBItems->clear();
        for (const std::string& item : items_) LBItems->addItem(ToQ(item));
        if (!items_.empty()) {
            // Single choice: the current item is the chosen one; multiple choice: only the caret moves.
            LBItems->selectionModel()->setCurrentIndex(
                LBItems->model()->index(0, 0),
                multiple ? QItemSelectionModel::NoUpdate : QItemSelectionModel::ClearAndSelect);
        }
    }
    if (!exclusion.empty()) {
        const std::vector<bool> selected = PreselectExcept(items_, exclusion);
        for (size_t i = 0; i < selected.size(); ++i) LBItems->item(static_cast<int>(i))->setSelected(selected[i]);
    }

    connect(BOK, &QPushButton::clicked, this, &TFSelect::BOKClick);
    connect(BCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(BClear, &QPushButton::clicked, this, &TFSelect::BClearClick);
    connect(BInvert, &QPushButton::clicked, this, &TFSelect::BInvertClick);
    connect(LBItems, &QListWidget::itemDoubleClicked, this, &TFSelect::BOKClick);
}

bool TFSelect::Execute(QWidget* parent, const std::string& caption, const std::string& explanation,
                       const std::vector<std::string>& items, bool multiple, std::vector<int>& picked,
                       const std::string& exclusion, std::string* resultText) {
    auto* dialog = new TFSelect(parent, exclusion, multiple, &items, explanation);
    dialog->setWindowTitle(ToQ(caption));
    for (int index : picked) {
        if (index >= 0 && index < dialog->LBItems->count()) dialog->LBItems->item(index)->setSelected(true);
    }
    const int result = RunDialog(dialog);
    if (result < 0) return false;
    const bool accepted = result == QDialog::Accepted;
    if (accepted) {
        picked = multiple ? dialog->Selected()
                          : (dialog->chosenIndex >= 0 ? std::vector<int>{dialog->chosenIndex} : std::vector<int>{});
        if (resultText) *resultText = dialog->resultText;
    }
    delete dialog;
    return accepted;
}

std::vector<int> TFSelect::Selected() const {
    std::vector<int> selected;
    for (int i = 0; i < LBItems->count(); ++i) {
        if (LBItems->item(i)->isSelected()) selected.push_back(i);
    }
    return selected;
}

void TFSelect::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormActivate();
}

void TFSelect::FormActivate() {
    if (activated_) return;
    activated_ = true;
    if (const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    LBItems->setFocus();
}

void TFSelect::BOKClick() {
    chosenIndex = LBItems->currentRow();
    if (multiple_) {
        std::vector<bool> selected(items_.size(), false);
        for (int i : Selected()) selected[static_cast<size_t>(i)] = true;
        resultText = PickedText(items_, selected);
    } else if (chosenIndex >= 0) {
        resultText = items_[static_cast<size_t>(chosenIndex)];
    }
    accept();
}

void TFSelect::BClearClick() { LBItems->clearSelection(); }

void TFSelect::BInvertClick() {
    for (int i = 0; i < LBItems->count(); ++i) LBItems->item(i)->setSelected(!LBItems->item(i)->isSelected());
}

}  // namespace vtq
