#include "dialogs/tf_restore.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "base/text.h"
#include "channel/long_operation.h"
#include "dialogs/dialog_driver.h"
#include "dialogs/qt_text.h"

namespace vtq {

TFRestore::TFRestore(QWidget* owner, const std::vector<RestorePointInfo>& points) : QDialog(owner) {
    setObjectName(QStringLiteral("TFRestore"));
    setWindowTitle(QStringLiteral("Restore"));
    LExplanation = new QLabel(QStringLiteral("The values the target held before each write. The point chosen is "
                                             "loaded into the editor after a review of its changes; write and "
                                             "commit it as usual."),
                              this);
    LExplanation->setWordWrap(true);
    LVPoints = new QTreeWidget(this);
    LVPoints->setObjectName(QStringLiteral("LVPoints"));
    LVPoints->setRootIsDecorated(false);
    LVPoints->setHeaderLabels({QStringLiteral("Time"), QStringLiteral("Unit"), QStringLiteral("Operation"),
                               QStringLiteral("Parameters"), QStringLiteral("Groups")});
    for (const RestorePointInfo& p : points) {
        auto* row = new QTreeWidgetItem(LVPoints, {ToQ(p.time), ToQ(p.unit), ToQ(p.operation),
                                                   QString::number(p.parameters), ToQ(JoinCommaText(p.groups))});
        row->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
        row->setToolTip(4, ToQ(p.path));
    }
    for (int column = 0; column < 4; ++column) LVPoints->resizeColumnToContents(column);
    if (!points.empty()) LVPoints->setCurrentItem(LVPoints->topLevelItem(0));

    BOK = new QPushButton(QStringLiteral("Restore..."), this);
    BOK->setDefault(true);
    BOK->setEnabled(!points.empty());
    BCancel = new QPushButton(QStringLiteral("Cancel"), this);
    connect(BOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(BCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(LVPoints, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BOK);
    buttons->addWidget(BCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LExplanation);
    layout->addWidget(LVPoints);
    layout->addLayout(buttons);
    resize(760, 360);
}

int TFRestore::Execute(QWidget* owner, const std::vector<RestorePointInfo>& points) {
    QPointer<TFRestore> dialog = new TFRestore(owner, points);
    const bool accepted = RunDialog(dialog.data()) == QDialog::Accepted;
    int chosen = -1;
    if (dialog && accepted && dialog->LVPoints->currentItem())
        chosen = dialog->LVPoints->indexOfTopLevelItem(dialog->LVPoints->currentItem());
    delete dialog.data();
    return chosen;
}

}  // namespace vtq
