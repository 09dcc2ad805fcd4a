#pragma once
// "Modify Parameter": the scalar value editor. One value in four views kept in
// step (decimal, hexadecimal, binary, character); decimal input outside the
// type's range turns the decimal field light red, but the text is kept.

#include <QClipboard>
#include <QDialog>
#include <optional>
#include <string>

#include "model/value_codec.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vtq {

class TFModify : public QDialog {
    Q_OBJECT

public:
    // Light red of an out-of-range decimal text.
    static constexpr unsigned kOutOfRangeColor = 0xF78981;  // red, green, blue

    TFModify(QWidget* owner, bool writeOnTheFly, const std::string& type, const std::string& value,
             const std::string& name);

    // Edits one value modally. `writeOnTheFly` comes back in every case; true
    // and `newValue` (the decimal text, trimmed, "0" when empty) when the user
    // pressed OK.
    static bool Execute(QWidget* parent, bool& writeOnTheFly, const std::string& type, const std::string& value,
                        const std::string& name, std::string& newValue);

    // Results, read by the caller after the dialog closed.
    bool accepted = false;
    std::string resultText;
    bool writeOnTheFly = false;

    const ScalarConverter& Converter() const { return converter_; }
    // The decimal field shows the out-of-range colour.
    bool DecimalFlagged() const;
    QLineEdit* Edit(ScalarView view) const;

    QGroupBox* GBParameter;
    QLabel* LName;
    QLabel* LType;
    QPushButton* BCopy;
    QGroupBox* GBConverter;
    QLineEdit* EDec;
    QLineEdit* EHex;
    QLineEdit* EBin;
    QLineEdit* EChr;
    QPushButton* BOK;
    QPushButton* BCancel;
    QCheckBox* CWriteonthefly;

protected:
    // The key filters of the four fields.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void EDecChange();
    void EHexChange();
    void EBinChange();
    void EChrChange();
    void ViewChange(ScalarView view);
    void BOKClick();
    void BCopyClick();
    void CWriteontheflyClick();
    // Shows the converter's texts in every field but `edited`, without change handlers.
    void ShowViews(ScalarView edited);
    // The view whose field `field` is.
    std::optional<ScalarView> ViewOf(const QObject* field) const;
    // The converter's new text of `view` into its field, cursor at `cursor`, and the other views after it.
    void ShowEdited(ScalarView view, size_t cursor);
    // The clipboard's text (or the window system's selection) pasted into the field through its codec.
    void Paste(ScalarView view, QClipboard::Mode mode);
    // The field's usual menu, its Paste going through Paste().
    void ShowFieldMenu(ScalarView view, const QPoint& at);

    ScalarConverter converter_;
};

}  // namespace vtq
