// The dialogs as real widgets, typed into with QTest: scalar editor, long line, array editor, picker, differences.
// With VTQ_SCREENSHOT_DIR set, the difference window is saved there.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "base/file_io.h"
#include "dialogs/dialog_driver.h"
#include "dialogs/element_list_model.h"
#include "dialogs/long_line_edit.h"
#include "dialogs/qt_text.h"
#include "dialogs/tf_edit_value.h"
#include "dialogs/tf_form_diff_view.h"
#include "dialogs/tf_modify.h"
#include "dialogs/tf_select.h"
#include "files/file_operations.h"
#include "model/group_items.h"
#include "support/screenshot.h"
#include "support/scripted_host.h"
#include "support/scripted_user.h"
#include "support/temp_dir.h"

namespace vtq {
namespace {

std::string Text(const QLineEdit* edit) { return FromQ(edit->text()); }
const std::string& Text(const LongLineEdit* edit) { return edit->Text(); }
void Click(QWidget* button) { QTest::mouseClick(button, Qt::LeftButton); }
template <typename Edit>
void Type(Edit* edit, const char* keys, bool replace = false) {
    if (replace) edit->selectAll();
    QTest::keyClicks(edit, QString::fromLatin1(keys));
}

// Every later dialog of a class goes to `driver` while the scope lives.
template <typename Dialog>
struct ScopedDriver {
    explicit ScopedDriver(std::function<void(Dialog&)> driver) { DialogDriver<Dialog>::Set(std::move(driver)); }
    ~ScopedDriver() { DialogDriver<Dialog>::Set({}); }
};

// Text put over a field's whole text by the paste key.
void PasteInto(QLineEdit* edit, const char* text) {
    QGuiApplication::clipboard()->setText(QString::fromLatin1(text));
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
}

TEST(TFModifyTest, ViewsFollowTheFieldTypedInto) {
    struct Case {
        const char* type;
        const char* value;
        QLineEdit* TFModify::*field;  // typed into, over its whole text; nullptr: nothing typed
        const char *keys, *dec, *hex, *bin, *chr;
        bool flagged;
        bool pasted = false;  // the keys pasted instead of typed
    };
    const Case cases[] = {
        {"uint8", "300", nullptr, "", "300", "2C", "00101100", " ", true},
        {"uint8", "0", &TFModify::EHex, "4g1", "65", "41", "01000001", "A", false},  // g dropped
        // Pasted text goes through the same rules as typed keys.
        {"uint8", "5", &TFModify::EDec, "12abc", "12", "0C", "00001100", " ", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " " + c.value + " + " + c.keys);
        TFModify dialog(nullptr, false, c.type, c.value, "grp.param");
        dialog.show();
        if (c.field && !c.pasted) Type(dialog.*c.field, c.keys, true);
        if (c.field && c.pasted) PasteInto(dialog.*c.field, c.keys);
        EXPECT_EQ(std::tuple(Text(dialog.EDec), Text(dialog.EHex), Text(dialog.EBin), Text(dialog.EChr)),
                  std::tuple(c.dec, c.hex, c.bin, c.chr));
        EXPECT_EQ(dialog.DecimalFlagged(), c.flagged);
    }
}

TEST(TFModifyTest, ExecuteHandsBackTheTextAndWriteOnTheFly) {
    const std::pair<std::function<void(TFModify&)>, std::tuple<bool, bool, const char*>> cases[] = {
        {[](TFModify& d) { Type(d.EDec, "30099", true), QTest::keyClick(d.EDec, Qt::Key_Return); },
         {true, false, "3009"}},
        {[](TFModify& d) { Type(d.EDec, "9", true), Click(d.CWriteonthefly), Click(d.BCancel); }, {false, true, "-"}},
    };
    for (const auto& [drive, expected] : cases) {
        SCOPED_TRACE(std::get<2>(expected));
        ScopedDriver<TFModify> driver(drive);
        bool writeOnTheFly = false;
        std::string newValue = "-";
        const bool accepted = TFModify::Execute(nullptr, writeOnTheFly, "uint8", "5", "grp.param", newValue);
        EXPECT_EQ(std::tuple(accepted, writeOnTheFly, newValue), expected);
    }
}

// The long line's editing keys, each from the text "12,345,6" with the cursor after "12,3".
TEST(LongLineEditTest, EditingKeys) {
    const std::tuple<const char*, std::function<void(LongLineEdit&)>, const char*, size_t, const char*> cases[] = {
        {"typing",
         [](LongLineEdit& e) {
             QTest::keyClicks(&e, "9");
             // A Latin-1 letter has no key code of its own: the event carries only its text.
             QKeyEvent letter(QEvent::KeyPress, 0, Qt::NoModifier, QString(QChar(0xE9)));
             QCoreApplication::sendEvent(&e, &letter);
         },
         "12,39\xE9"
         "45,6",
         6, ""},
        {"backspace", [](LongLineEdit& e) { QTest::keyClick(&e, Qt::Key_Backspace); }, "12,45,6", 3, ""},
        {"select all, cut, paste twice",
         [](LongLineEdit& e) {
             for (Qt::Key k : {Qt::Key_A, Qt::Key_X, Qt::Key_V, Qt::Key_V}) QTest::keyClick(&e, k, Qt::ControlModifier);
         },
         "12,345,612,345,6", 16, ""},
    };
    for (const auto& [what, keys, text, cursor, selected] : cases) {
        SCOPED_TRACE(what);
        LongLineEdit edit;
        edit.show();
        edit.SetText("12,345,6");
        edit.SetCursorPosition(4);
        int changes = 0, returns = 0;
        QObject::connect(&edit, &LongLineEdit::TextChanged, [&] { ++changes; });
        QObject::connect(&edit, &LongLineEdit::ReturnPressed, [&] { ++returns; });
        keys(edit);
        QTest::keyClick(&edit, Qt::Key_Return);
        EXPECT_EQ(std::tuple(edit.Text(), edit.CursorPosition(), edit.SelectedText(), changes > 0, returns),
                  std::tuple(text, cursor, selected, edit.Text() != "12,345,6", 1));
    }
}

TEST(TFEditValueTest, TheStringViewEditsTheValue) {
    TFEditValue dialog(nullptr, false, {}, 0, "UInt8", "72,105,0,0", "grp.text");
    dialog.show();
    dialog.ETextString->SetCursorPosition(2);
    QTest::keyClicks(dialog.ETextString, "!");
    EXPECT_EQ(Text(dialog.EAsString), "72,105,33,0");
}

TEST(TFEditValueTest, ElementEditingThroughTheScalarEditor) {
    TFEditValue dialog(nullptr, false, {2, 3}, 6, "int8", "1,2,3,4,5,6", "grp.table");
    dialog.show();
    ScopedDriver<TFModify> driver([&](TFModify& d) {
        EXPECT_EQ(Text(d.EDec), "5");
        Type(d.EHex, "ff", true);
        Click(d.CWriteonthefly);
        QTest::keyClick(d.EHex, Qt::Key_Return);
    });
    dialog.ListBox->setCurrentIndex(dialog.Elements()->index(4));
    QTest::keyClick(dialog.ListBox, Qt::Key_Return);
    EXPECT_EQ(Text(dialog.EAsString), "1,2,3,4,-1,6");
    // The line was set without its change handler; the choice to write on the fly came back.
    EXPECT_TRUE(!dialog.Timer1->isActive() && dialog.CWriteonthefly->isChecked());
}

TEST(TFEditValueTest, OkFitsTheValueToTheElementCountAndSaysSo) {
    test::ScriptedUser user;
    ScopedDriver<TFEditValue> driver([&](TFEditValue& d) { d.EAsString->SetText("1,2"), Click(d.BOK); });
    bool writeOnTheFly = true;
    std::string newValue;
    EXPECT_TRUE(TFEditValue::Execute(nullptr, writeOnTheFly, {}, 4, "uint16", "9", "grp.arr", newValue, &user));
    EXPECT_EQ(std::tuple(newValue, writeOnTheFly, user.messages.size()), std::tuple("1,2,0,0", true, 1u));
}

// The given indexes start selected; Cancel leaves the results alone.
TEST(TFSelectTest, OkHandsBackTheChoiceCancelNothing) {
    const std::vector<std::string> groups = {"cal_t71_lut", "cal_t71_lut_aux", "fix_t71_lut"};
    std::vector<int> picked;
    std::string text;
    for (bool ok : {false, true}) {
        ScopedDriver<TFSelect> multiple([ok](TFSelect& d) {
            EXPECT_EQ(d.Selected(), (std::vector<int>{0, 2}));
            Click(ok ? d.BOK : d.BCancel);
        });
        picked = {0, 2, 9};
        text = "-";
        EXPECT_EQ(TFSelect::Execute(nullptr, "Groups", "Select 3 groups", groups, true, picked, {}, &text), ok);
        EXPECT_EQ(std::tuple(picked, text), ok ? std::tuple(std::vector<int>{0, 2}, "cal_t71_lut,fix_t71_lut")
                                               : std::tuple(std::vector<int>{0, 2, 9}, "-"));
    }
}

TEST(TFormDiffView, TogglesCountsAndCopy) {
    test::TempDir dir;
    test::ScriptedHost host;
    test::ScriptedUser user;
    GroupItems editor;
    LoadCounts counts;
    LoadParametersFromText(editor, "grp.a=1\ngrp.b=1\ngrp.gone=1\ngrp.t=5 (int8)\n", counts);
    ASSERT_TRUE(WriteFileAtomically(dir.File("f.nvm"), "grp.a=1\ngrp.b=2\ngrp.new=\xe9\ngrp.t=5 (uint8)\n"));
    auto diff = CompareWithFile(editor, host, dir.File("f.nvm"), user);
    ASSERT_NE(diff, nullptr);

    TFormDiffView view(nullptr, *diff, user);
    view.resize(560, 220);
    view.show();
    test::Shot(&view, "diff-view.png");

    QTest::mouseClick(view.SpeedButtonMissing, Qt::LeftButton);
    test::Shot(&view, "diff-view-toggle.png");
    for (QToolButton* kind : {view.SpeedButtonDiff, view.SpeedButtonType, view.SpeedButtonExtra})
        QTest::mouseClick(kind, Qt::LeftButton);
    EXPECT_EQ(FromQ(view.StatusBar1->currentMessage()), "No differences.");

    for (QToolButton* kind : {view.SpeedButtonDiff, view.SpeedButtonExtra}) QTest::mouseClick(kind, Qt::LeftButton);
    QTest::mouseClick(view.BCopy, Qt::LeftButton);
    EXPECT_EQ(FromQ(QGuiApplication::clipboard()->text()), "\"grp.b\" value: \"1\" != \"2\"\r\n\"grp.new\" added\r\n");
}

}  // namespace
}  // namespace vtq
