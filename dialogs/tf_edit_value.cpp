#include "dialogs/tf_edit_value.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

#include "base/text.h"
#include "channel/user_side.h"
#include "core/array_block.h"
#include "dialogs/array_views.h"
#include "dialogs/dialog_driver.h"
#include "dialogs/element_list_model.h"
#include "dialogs/long_line_edit.h"
#include "dialogs/parameter_box.h"
#include "dialogs/qt_text.h"
#include "dialogs/tf_modify.h"
#include "model/array_value.h"

namespace vtq {

TFEditValue::TFEditValue(QWidget* owner, bool writeOnTheFlyIn, const std::vector<int>& dimensions, int elementCount,
                         const std::string& type, const std::string& value, const std::string& name, UserSide* messages)
    : QDialog(owner),
      writeOnTheFly(writeOnTheFlyIn),
      name_(name),
      type_(ToLower(type)),
      elementCount_(elementCount),
      initialValue_(value),
      messages_(messages),
      elements_(new ElementListModel(dimensions, type, this)) {
    // A table read by index ranges ("tab[0,6][0,6]") has its shape in its name.
    if (std::vector<int> ranges = RangeDimensions(name); ranges.size() >= 2) elements_->SetTableDimensions(ranges);
    setWindowTitle(QStringLiteral("Edit Values"));

    const ParameterBox parameter = MakeParameterBox(this);
    GBParameter = parameter.group;
    LName = parameter.name;
    LType = parameter.type;
    BCopy = parameter.copy;

    GBEditAll = new QGroupBox(QStringLiteral("Edit All"), this);
    EAsString = new LongLineEdit(GBEditAll);
    (new QVBoxLayout(GBEditAll))->addWidget(EAsString);

    GBEditAsASCII = new QGroupBox(QStringLiteral("Edit as String"), this);
    ETextString = new LongLineEdit(GBEditAsASCII);
    (new QVBoxLayout(GBEditAsASCII))->addWidget(ETextString);

    GBArray = new QGroupBox(QStringLiteral("Edit as Array"), this);
    ListBox = new QListView(GBArray);
    ListBox->setModel(elements_);
    ListBox->setItemDelegate(new ElementDelegate(ListBox));
    // Every row is as high as the first: the view never measures a million rows.
    ListBox->setUniformItemSizes(true);
    ListBox->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Views = new ArrayViews(elements_, ListBox, messages_, GBArray);
    (new QVBoxLayout(GBArray))->addWidget(Views);

    CWriteonthefly = new QCheckBox(QStringLiteral("Write values on the fly"), this);
    BOK = new QPushButton(QStringLiteral("OK"), this);
    BCancel = new QPushButton(QStringLiteral("Cancel"), this);
    // Enter is handled by the fields and the list, never by a default button.
    for (QPushButton* button : {BOK, BCancel, BCopy}) button->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(CWriteonthefly);
    buttons->addStretch(1);
    buttons->addWidget(BOK);
    buttons->addWidget(BCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GBParameter);
    layout->addWidget(GBEditAll);
    layout->addWidget(GBEditAsASCII);
    layout->addWidget(GBArray, 1);
    layout->addLayout(buttons);
    resize(560, 520);

    Timer1 = new QTimer(this);
    Timer1->setInterval(kFollowDelayMs);
    Timer1->setSingleShot(true);

    LName->setText(ToQ(name_));
    LType->setText(ToQ(ArrayTypeLabel(type_, dimensions)));
    CWriteonthefly->setChecked(writeOnTheFly);
    GBEditAsASCII->setVisible(HasStringView(type_));

    WireControls();
}

TFEditValue::~TFEditValue() = default;

void TFEditValue::WireControls() {
    // Named as the system names them, so the dialog can be found and driven from outside the plug-in.
    setObjectName(QStringLiteral("FEditValue"));
    const std::pair<QObject*, const char*> controls[] = {
        {EAsString, "EAsString"}, {ETextString, "ETextString"}, {ListBox, "ListBox"},
        {BOK, "BOK"},             {BCancel, "BCancel"},         {CWriteonthefly, "CWriteonthefly"}};
    for (const auto& [object, objectName] : controls) object->setObjectName(QString::fromLatin1(objectName));

    EAsString->installEventFilter(this);
    ETextString->installEventFilter(this);
    ListBox->installEventFilter(this);
    connect(EAsString, &LongLineEdit::TextChanged, this, &TFEditValue::EAsStringChange);
    connect(ETextString, &LongLineEdit::TextChanged, this, &TFEditValue::ETextStringChange);
    connect(Timer1, &QTimer::timeout, this, &TFEditValue::Timer1Timer);
    connect(ListBox, &QListView::doubleClicked, this, &TFEditValue::EditElement);
    connect(Views, &ArrayViews::EditElementRequested, this, &TFEditValue::EditElementAt);
    connect(Views, &ArrayViews::ElementsEdited, this, &TFEditValue::ViewsElementsEdited);
    connect(BOK, &QPushButton::clicked, this, &TFEditValue::BOKClick);
    connect(BCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(BCopy, &QPushButton::clicked, this, &TFEditValue::BCopyClick);
    connect(CWriteonthefly, &QCheckBox::toggled, this, &TFEditValue::CWriteontheflyClick);
}

bool TFEditValue::Execute(QWidget* parent, bool& writeOnTheFly, const std::vector<int>& dimensions, int elementCount,
                          const std::string& type, const std::string& value, const std::string& name,
                          std::string& newValue, UserSide* messages, const std::string* readValue) {
    auto* dialog = new TFEditValue(parent, writeOnTheFly, dimensions, elementCount, type, value, name, messages);
    if (readValue) dialog->SetReadValue(*readValue);
    if (RunDialog(dialog) < 0) return false;
    writeOnTheFly = dialog->writeOnTheFly;
    const bool accepted = dialog->accepted;
    if (accepted) newValue = dialog->valueText;
    delete dialog;
    return accepted;
}

void TFEditValue::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormActivate();
}

void TFEditValue::FormActivate() {
    if (activated_) return;
    activated_ = true;
    {
        const QSignalBlocker silent(EAsString);
        EAsString->SetText(initialValue_);
    }
    {
        const QSignalBlocker silent(ETextString);
        ETextString->SetText(ArrayToString(initialValue_));
    }
    FillList(initialValue_);
}

void TFEditValue::FillList(const std::string& value) {
    elements_->Fill(value);
    GBArray->setTitle(ToQ(ArrayCaption(elements_->Elements().size())));
}

void TFEditValue::EAsStringChange() {
    Timer1->stop();
    Timer1->start();
}

void TFEditValue::Timer1Timer() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Timer1->stop();
    const std::string& value = EAsString->Text();
    FillList(value);
    {
        const QSignalBlocker silent(ETextString);
        ETextString->SetText(ArrayToString(value));
    }
    QApplication::restoreOverrideCursor();
}

void TFEditValue::ETextStringChange() { EAsString->SetText(StringToArray(ETextString->Text())); }

void TFEditValue::SetReadValue(const std::string& value) { elements_->SetReadValue(value); }

void TFEditValue::EditElement() {
    const QModelIndexList rows = ListBox->selectionModel()->selectedRows();
    if (!rows.isEmpty()) EditElementAt(rows.first().row());
}

void TFEditValue::EditElementAt(int row) {
    if (row < 0 || static_cast<size_t>(row) >= elements_->Elements().size()) return;
    bool onTheFly = CWriteonthefly->isChecked();
    std::string result;
    const QPointer<TFEditValue> self(this);
    const bool changed = TFModify::Execute(this, onTheFly, type_, elements_->Elements()[static_cast<size_t>(row)],
                                           ElementName(name_, static_cast<size_t>(row)), result);
    if (!self) return;  // closed with its owner meanwhile
    CWriteonthefly->setChecked(onTheFly);
    if (!changed) return;
    elements_->SetElement(row, std::move(result));
    ViewsElementsEdited();
}

void TFEditValue::ViewsElementsEdited() {
    const QSignalBlocker silent(EAsString);
    EAsString->SetText(elements_->Join());
}

bool TFEditValue::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && watched == EAsString) {
        ListBox->clearSelection();
    } else if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == ListBox) {
                EditElement();
                return true;
            }
            if (watched == EAsString || watched == ETextString) {
                BOKClick();
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFEditValue::BOKClick() {
    Timer1->stop();
    const FittedValue fitted = FitElementCount(EAsString->Text(), elementCount_);
    valueText = fitted.value;
    if (!fitted.message.empty()) {
        const QPointer<TFEditValue> self(this);
        if (messages_) {
            messages_->Message(fitted.message);
        } else {
            QPointer<QMessageBox> box =
                new QMessageBox(QMessageBox::Information, windowTitle(), ToQ(fitted.message), QMessageBox::Ok, this);
            box->setTextFormat(Qt::PlainText);
            box->exec();
            delete box.data();
        }
        if (!self) return;
    }
    accepted = true;
    accept();
}

void TFEditValue::done(int result) {
    Timer1->stop();
    QDialog::done(result);
}

void TFEditValue::BCopyClick() { QApplication::clipboard()->setText(LName->text()); }

void TFEditValue::CWriteontheflyClick() { writeOnTheFly = CWriteonthefly->isChecked(); }

}  // namespace vtq
