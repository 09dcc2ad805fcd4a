#pragma once
// The one general picker: a multi-line explanation above a list of texts; the
// user picks one text, or several.

#include <QDialog>
#include <string>
#include <vector>

class QListWidget;
class QPushButton;
class QTextEdit;

namespace vtq {

class TFSelect : public QDialog {
    Q_OBJECT

public:
    // `exclusion` not empty: the items that do not contain it (without regard
    // to case) start selected, provided at least one item contains it.
    // `items` may be null: the list starts empty.
    TFSelect(QWidget* owner, const std::string& exclusion, bool multiple, const std::vector<std::string>* items,
             const std::string& explanation);

    // Picks modally. On entry `picked` holds indexes to select besides those
    // the exclusion selects; on OK it holds the chosen indexes in list order
    // (multiple choice: the selected items; single choice: the current item,
    // none when there is none) and `resultText`, when given, the result text.
    // False when cancelled.
    static bool Execute(QWidget* parent, const std::string& caption, const std::string& explanation,
                        const std::vector<std::string>& items, bool multiple, std::vector<int>& picked,
                        const std::string& exclusion = {}, std::string* resultText = nullptr);

    // Results, valid after OK.
    int chosenIndex = -1;
    std::string resultText;
    std::vector<int> Selected() const;

    QTextEdit* RETitle;
    QListWidget* LBItems;
    QPushButton* BOK;
    QPushButton* BCancel;
    QPushButton* BClear;
    QPushButton* BInvert;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormActivate();
    void BOKClick();
    void BClearClick();
    void BInvertClick();

    bool multiple_;
    std::vector<std::string> items_;
    bool activated_ = false;
};

}  // namespace vtq
