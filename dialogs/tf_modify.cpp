#include "dialogs/tf_modify.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <climits>
#include <memory>

#include "dialogs/dialog_driver.h"
#include "dialogs/key_text.h"
#include "dialogs/parameter_box.h"
#include "dialogs/qt_text.h"

namespace vtq {

TFModify::TFModify(QWidget* owner, bool writeOnTheFlyIn, const std::string& type, const std::string& value,
                   const std::string& name)
    : QDialog(owner), writeOnTheFly(writeOnTheFlyIn), converter_(type, value) {
    setWindowTitle(QStringLiteral("Modify Parameter"));

    const ParameterBox parameter = MakeParameterBox(this);
    GBParameter = parameter.group;
    LName = parameter.name;
    LType = parameter.type;
    BCopy = parameter.copy;

    GBConverter = new QGroupBox(QStringLiteral("Converter"), this);
    auto* form = new QFormLayout(GBConverter);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const std::pair<QLineEdit**, const char*> fields[] = {
        {&EDec, "&Dec"}, {&EHex, "&Hex"}, {&EBin, "&Bin"}, {&EChr, "&Char"}};
    for (const auto& [field, caption] : fields) {
        *field = new QLineEdit(GBConverter);
        (*field)->setFont(fixed);
        // Typing is limited by the codecs; a longer value given at the start is shown whole.
        (*field)->setMaxLength(INT_MAX);
        (*field)->installEventFilter(this);
        (*field)->setAcceptDrops(false);  // dropped text would bypass the codecs
        form->addRow(QString::fromLatin1(caption), *field);
    }
    EChr->setMaximumWidth(EChr->fontMetrics().horizontalAdvance(QStringLiteral("WWW")) + 12);
    // The longest field sets the width: 64 binary digits.
    EBin->setMinimumWidth(EBin->fontMetrics().horizontalAdvance(QString(66, QLatin1Char('0'))));

    CWriteonthefly = new QCheckBox(QStringLiteral("Write values on the fly"), this);
    BOK = new QPushButton(QStringLiteral("OK"), this);
    BCancel = new QPushButton(QStringLiteral("Cancel"), this);
    // Enter is handled by the fields' key filters, never by a default button.
    BOK->setAutoDefault(false);
    BCancel->setAutoDefault(false);
    BCopy->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(CWriteonthefly);
    buttons->addStretch(1);
    buttons->addWidget(BOK);
    buttons->addWidget(BCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GBParameter);
    layout->addWidget(GBConverter);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Named as the system names them, so the dialog can be found and driven from outside the plug-in.
    setObjectName(QStringLiteral("FModify"));
    const std::pair<QObject*, const char*> controls[] = {{GBParameter, "GBParameter"},
                                                         {LName, "LName"},
                                                         {LType, "LType"},
                                                         {BCopy, "BCopy"},
                                                         {GBConverter, "GBConverter"},
                                                         {EDec, "EDec"},
                                                         {EHex, "EHex"},
                                                         {EBin, "EBin"},
                                                         {EChr, "EChr"},
                                                         {CWriteonthefly, "CWriteonthefly"},
                                                         {BOK, "BOK"},
                                                         {BCancel, "BCancel"}};
    for (const auto& [object, objectName] : controls) object->setObjectName(QString::fromLatin1(objectName));

    // Show: labels, check box, then the value text into the decimal view.
    LName->setText(ToQ(name));
    LType->setText(type.empty() ? QStringLiteral("(unknown type)") : ToQ(type));
    CWriteonthefly->setChecked(writeOnTheFly);
    ShowViews(ScalarView(-1));
    EDec->setFocus();
    EDec->selectAll();

    connect(EDec, &QLineEdit::textChanged, this, &TFModify::EDecChange);
    connect(EHex, &QLineEdit::textChanged, this, &TFModify::EHexChange);
    connect(EBin, &QLineEdit::textChanged, this, &TFModify::EBinChange);
    connect(EChr, &QLineEdit::textChanged, this, &TFModify::EChrChange);
    connect(BOK, &QPushButton::clicked, this, &TFModify::BOKClick);
    connect(BCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(BCopy, &QPushButton::clicked, this, &TFModify::BCopyClick);
    connect(CWriteonthefly, &QCheckBox::toggled, this, &TFModify::CWriteontheflyClick);
}

bool TFModify::Execute(QWidget* parent, bool& writeOnTheFly, const std::string& type, const std::string& value,
                       const std::string& name, std::string& newValue) {
    auto* dialog = new TFModify(parent, writeOnTheFly, type, value, name);
    if (RunDialog(dialog) < 0) return false;
    writeOnTheFly = dialog->writeOnTheFly;
    const bool accepted = dialog->accepted;
    if (accepted) newValue = dialog->resultText;
    delete dialog;
    return accepted;
}

QLineEdit* TFModify::Edit(ScalarView view) const {
    switch (view) {
        case ScalarView::Decimal:
            return EDec;
        case ScalarView::Hexadecimal:
            return EHex;
        case ScalarView::Binary:
            return EBin;
        case ScalarView::Character:
            return EChr;
    }
    return nullptr;
}

bool TFModify::DecimalFlagged() const {
    return EDec->palette().color(QPalette::Base) == QColor::fromRgb(kOutOfRangeColor);
}

void TFModify::ShowViews(ScalarView edited) {
    for (ScalarView view : {ScalarView::Decimal, ScalarView::Hexadecimal, ScalarView::Binary, ScalarView::Character}) {
        if (view == edited) continue;
        QLineEdit* edit = Edit(view);
        const QString text = ToQ(converter_.text(view));
        if (edit->text() == text) continue;
        const QSignalBlocker silent(edit);
        edit->setText(text);
    }
    QPalette palette = EDec->palette();
    palette.setColor(QPalette::Base, converter_.outOfRange() ? QColor::fromRgb(kOutOfRangeColor)
                                                             : this->palette().color(QPalette::Base));
    EDec->setPalette(palette);
}

void TFModify::ViewChange(ScalarView view) {
    converter_.SetText(view, FromQ(Edit(view)->text()));
    ShowViews(view);
}

void TFModify::EDecChange() { ViewChange(ScalarView::Decimal); }
void TFModify::EHexChange() { ViewChange(ScalarView::Hexadecimal); }
void TFModify::EBinChange() { ViewChange(ScalarView::Binary); }
void TFModify::EChrChange() { ViewChange(ScalarView::Character); }

std::optional<ScalarView> TFModify::ViewOf(const QObject* field) const {
    for (ScalarView view : {ScalarView::Decimal, ScalarView::Hexadecimal, ScalarView::Binary, ScalarView::Character})
        if (field == Edit(view)) return view;
    return std::nullopt;
}

bool TFModify::eventFilter(QObject* watched, QEvent* event) {
    const std::optional<ScalarView> view = ViewOf(watched);
    if (!view) return QDialog::eventFilter(watched, event);
    // Pasted text takes the codec's way, like typed keys: by the paste key, the
    // field's menu, or the middle button where the window system has a selection.
    switch (event->type()) {
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(event)->matches(QKeySequence::Paste)) {
                Paste(*view, QClipboard::Clipboard);
                return true;
            }
            break;
        case QEvent::ContextMenu:
            ShowFieldMenu(*view, static_cast<QContextMenuEvent*>(event)->globalPos());
            return true;
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(event)->button() != Qt::MiddleButton) return false;
            if (QGuiApplication::clipboard()->supportsSelection()) Paste(*view, QClipboard::Selection);
            return true;
        default:
            return QDialog::eventFilter(watched, event);
    }
    const TypedKey key = TypedKeyOf(*static_cast<QKeyEvent*>(event));
    if (key.pass) return QDialog::eventFilter(watched, event);
    if (!key.character) return true;  // not a Latin-1 character: dropped

    QLineEdit* edit = Edit(*view);
    const bool selected = edit->hasSelectedText();
    size_t pos = static_cast<size_t>(selected ? edit->selectionStart() : edit->cursorPosition());
    const size_t count = selected ? static_cast<size_t>(edit->selectedText().size()) : 0;
    switch (converter_.TypeKey(*view, pos, count, key.character)) {
        case ScalarConverter::KeyAction::Dropped:
            break;
        case ScalarConverter::KeyAction::Accept:
            BOKClick();
            break;
        case ScalarConverter::KeyAction::Edited:
            ShowEdited(*view, pos);
            break;
    }
    return true;
}

void TFModify::ShowEdited(ScalarView view, size_t cursor) {
    QLineEdit* edit = Edit(view);
    {
        const QSignalBlocker silent(edit);
        edit->setText(ToQ(converter_.text(view)));
    }
    if (view == ScalarView::Character) {
        edit->selectAll();
    } else {
        edit->setCursorPosition(static_cast<int>(cursor));
    }
    ShowViews(view);
}

void TFModify::Paste(ScalarView view, QClipboard::Mode mode) {
    QLineEdit* edit = Edit(view);
    // Characters outside Latin-1 are dropped, as typed ones are.
    std::string text;
    for (const QChar c : QGuiApplication::clipboard()->text(mode))
        if (c.unicode() <= 255) text += static_cast<char>(c.unicode());
    const bool selected = edit->hasSelectedText();
    size_t pos = static_cast<size_t>(selected ? edit->selectionStart() : edit->cursorPosition());
    const size_t count = selected ? static_cast<size_t>(edit->selectedText().size()) : 0;
    if (converter_.PasteText(view, pos, count, text) == ScalarConverter::KeyAction::Edited) ShowEdited(view, pos);
}

void TFModify::ShowFieldMenu(ScalarView view, const QPoint& at) {
    QLineEdit* edit = Edit(view);
    const std::unique_ptr<QMenu> menu(edit->createStandardContextMenu());
    for (QAction* action : menu->actions()) {
        // Found by its caption, which the line edit's own translation gives it.
        if (!action->text().startsWith(QLineEdit::tr("&Paste"))) continue;
        QObject::disconnect(action, &QAction::triggered, edit, nullptr);
        connect(action, &QAction::triggered, this, [this, view] { Paste(view, QClipboard::Clipboard); });
    }
    menu->exec(at);
}

void TFModify::BOKClick() {
    resultText = converter_.ResultText();
    accepted = true;
    writeOnTheFly = CWriteonthefly->isChecked();
    accept();
}

void TFModify::BCopyClick() { QGuiApplication::clipboard()->setText(LName->text()); }

void TFModify::CWriteontheflyClick() { writeOnTheFly = CWriteonthefly->isChecked(); }

}  // namespace vtq
