#pragma once
// "Edit Values": the array and string value editor. Three views of one value
// kept in step: the whole comma-separated line, the value as a character
// string (byte and string types only), and the list of elements, where a
// double click or Enter opens the scalar editor on one element. The list and
// the string view follow the line 700 ms after the last keystroke.

#include <QDialog>
#include <string>
#include <vector>

class QCheckBox;
class QGroupBox;
class QLabel;
class QListView;
class QPushButton;
class QTimer;

namespace vtq {

class ArrayViews;
class ElementListModel;
class LongLineEdit;
class UserSide;

class TFEditValue : public QDialog {
    Q_OBJECT

public:
    static constexpr int kFollowDelayMs = 700;

    // `dimensions`: the array's dimension lengths, outermost first (may be
    // empty); `elementCount` above 0 is enforced on OK. The messages of OK go
    // to `messages` when given, else to a message box.
    TFEditValue(QWidget* owner, bool writeOnTheFly, const std::vector<int>& dimensions, int elementCount,
                const std::string& type, const std::string& value, const std::string& name,
                UserSide* messages = nullptr);
    ~TFEditValue() override;

    // The value last read from the target: the table marks the cells that
    // differ from it and the plot draws it beside the edited value.
    void SetReadValue(const std::string& value);

    // Edits one array or string value modally. `writeOnTheFly` comes back in
    // every case; true and `newValue` when the user pressed OK.
    static bool Execute(QWidget* parent, bool& writeOnTheFly, const std::vector<int>& dimensions, int elementCount,
                        const std::string& type, const std::string& value, const std::string& name,
                        std::string& newValue, UserSide* messages = nullptr, const std::string* readValue = nullptr);

    // Results, read by the caller after the dialog closed.
    bool accepted = false;
    std::string valueText;
    bool writeOnTheFly = false;

    ElementListModel* Elements() const { return elements_; }

    QGroupBox* GBParameter;
    QLabel* LName;
    QLabel* LType;
    QPushButton* BCopy;
    QGroupBox* GBEditAll;
    LongLineEdit* EAsString;
    QGroupBox* GBEditAsASCII;
    LongLineEdit* ETextString;
    QGroupBox* GBArray;
    QListView* ListBox;
    ArrayViews* Views;  // the list, the table and the plot, in tabs
    QPushButton* BOK;
    QPushButton* BCancel;
    QCheckBox* CWriteonthefly;
    QTimer* Timer1;

    // Handlers.
    // First showing: the line, the string view and the list get the value.
    void FormActivate();
    // Restarts the follow timer.
    void EAsStringChange();
    // The list and the string view follow the line.
    void Timer1Timer();
    void ETextStringChange();
    // Opens the scalar editor on the selected row, as a double click or Enter in the list does.
    void EditElement();
    // The same for one element (a table cell).
    void EditElementAt(int row);
    // The line follows the elements changed in the table.
    void ViewsElementsEdited();
    void BOKClick();
    void BCopyClick();
    void CWriteontheflyClick();

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Names the controls and connects their handlers.
    void WireControls();
    void FillList(const std::string& value);

    std::string name_;
    std::string type_;
    int elementCount_;
    std::string initialValue_;
    UserSide* messages_;
    ElementListModel* elements_;
    bool activated_ = false;
};

}  // namespace vtq
