// Pending counts and the questions before records are dropped; undo and redo, and what ends a record's history.

#include <functional>

#include "core/commit_groups.h"
#include "core/edit_parameter.h"
#include "core/pending_changes.h"
#include "core/undo_history.h"
#include "core/write_groups.h"
#include "files/load_review.h"
#include "safety_fixture.h"

namespace vtq {
namespace {

using enum ParameterState;

class PendingUndoTest : public test::SafetyTest {
protected:
    int Row(const std::string& name) { return Rec(name)->viewIndex; }
    void Edit(const std::string& name, const std::string& value) {
        ApplyEditedValue(*host, *Rec(name), value, false);
        Items().RecordChanged(*Rec(name));
    }
    // The grid's edit: the value editor confirms `value`, write on the fly as given.
    EditOutcome EditWithUndo(const std::string& name, const std::string& value, bool onTheFly = false) {
        const auto open = [&](const ValueEditRequest&) { return ValueEditAnswer{true, value, onTheFly}; };
        return EditParameterWithUndo(*session, user, Row(name), open, *undo);
    }
    void Load(const std::string& text) {
        ASSERT_TRUE(LoadFileReviewed(Items(), *host, File(text), user, nullptr, undo.get()));
    }
    void SetUp() override {
        SafetyTest::SetUp();
        undo = std::make_unique<UndoHistory>(Items());
    }
    std::unique_ptr<UndoHistory> undo;
};

TEST_F(PendingUndoTest, QuestionsBeforeDroppingAndTheHostCloseLine) {
    EXPECT_TRUE(ConfirmDropAll(Items(), user, PendingLoss::Close) && !ReportPendingOnHostClose(*session));
    EXPECT_TRUE(user.questions.empty() && host->lines.empty());

    Edit("fix_a.gain", "99");
    Edit("cal_b.mode", "3");
    WriteSelected(*session, user, {Rec("cal_b.mode")});
    host->lines.clear();
    Items().SetChecked(Items().GroupIndex("cal_b"), false);
    // A re-read drops only the checked groups' records; No keeps them.
    EXPECT_FALSE(ConfirmReread(Items(), user));
    user.yesNoAnswers = {true};
    EXPECT_TRUE(ConfirmDropAll(Items(), user, PendingLoss::Clear));
    EXPECT_EQ(user.questions, (std::vector<std::string>{PendingLossQuestion({1, 0}, PendingLoss::Reread),
                                                        PendingLossQuestion({1, 1}, PendingLoss::Clear)}));
    for (PendingLoss loss : {PendingLoss::Close, PendingLoss::Clear, PendingLoss::Reread})  // one question each
        EXPECT_EQ(PendingLossQuestion({1, 0}, loss).find('?'), PendingLossQuestion({1, 0}, loss).size() - 1);

    EXPECT_TRUE(ReportPendingOnHostClose(*session));
    EXPECT_EQ(host->lines, (std::vector<test::LoggedLine>{
                               {"Editor closed with 1 parameter not stored and 1 parameter not committed.", 0}}));
}

TEST_F(PendingUndoTest, UndoAndRedoOverEditsAndALoadRestoreValuesAndStatesExactly) {
    // Types the target reports are not edits: known before the start, they stay out of the comparison.
    for (const char* name : {"fix_a.gain", "fix_a.lut"}) QueryType(*host, *Rec(name));
    const Held start = All();
    EXPECT_TRUE(EditWithUndo("fix_a.gain", "99").changed);
    const Held afterGain = All();
    EXPECT_TRUE(EditWithUndo("fix_a.lut", "9,9,9,9").changed);
    const Held afterLut = All();
    // The load replaces gain and then drops it as the base of the new gain.hi; adds a typed record; changes mode
    // and checks its group again, which its undo unchecks.
    SelectExactGroups(Items(), "fix_a");
    Load("fix_a.gain=5\nfix_a.gain.hi=1\nfix_a.extra=3 (uint8)\ncal_b.mode=7\n");
    const Held afterLoad = All();
    ASSERT_EQ(std::pair(Rec("fix_a.gain"), undo->UndoCount()), std::pair(static_cast<NVMParameter*>(nullptr), 3));

    for (const Held* expected : {&afterLut, &afterGain, &start}) EXPECT_TRUE(undo->Undo() && All() == *expected);
    EXPECT_FALSE(undo->Undo());
    EXPECT_EQ(Items().CheckedGroupNames(), std::vector<std::string>{"fix_a"});
    {
        // Never while the view may hold records the step would free.
        UpdateBracket bracket(Items());
        EXPECT_FALSE(undo->Redo());
    }
    for (const Held* expected : {&afterGain, &afterLut, &afterLoad}) EXPECT_TRUE(undo->Redo() && All() == *expected);
    EXPECT_FALSE(undo->Redo());
    EXPECT_EQ(Items().ViewCount(), 5);  // the view follows records coming and going

    // Writing lut ends its history: its own step goes, the load's step no longer touches it.
    WriteSelected(*session, user, {Rec("fix_a.lut")});
    EXPECT_TRUE(undo->UndoCount() == 2 && undo->Undo());
    EXPECT_EQ(std::tuple(Rec("fix_a.gain")->value, Rec("fix_a.extra"), Rec("cal_b.mode")->state,
                         Rec("fix_a.lut")->value, Rec("fix_a.lut")->state),
              std::tuple("99", nullptr, Unchanged, "9,9,9,9", InTargetRAM));
    EXPECT_TRUE(undo->Undo());
    EXPECT_EQ(std::tuple(Rec("fix_a.gain")->value, Rec("fix_a.gain")->state), std::tuple("12", Unchanged));
    SelectExactGroups(Items(), "cal_b,fix_a");
    EditWithUndo("cal_b.mode", "4");
    EXPECT_FALSE(undo->CanRedo());
    Load("fix_a.more=1\n");
    EXPECT_EQ(Items().ViewCount(), 5);
    EXPECT_TRUE(undo->Undo() && Items().ViewCount() == 4 && !Rec("fix_a.more"));
}

TEST_F(PendingUndoTest, TheValueEditorIsToldWhatTheTargetHoldsWhileItIsKnown) {
    std::vector<std::optional<std::string>> told;
    const auto open = [&](const ValueEditRequest& request) {
        told.push_back(request.targetValue);
        return ValueEditAnswer{true, std::to_string(90 + told.size()), false};
    };
    for (int i = 0; i < 2; ++i) EditParameterWithUndo(*session, user, Row("fix_a.gain"), open, *undo);
    ASSERT_TRUE(undo->Undo());
    undo->Clear();
    EXPECT_FALSE(undo->CanRedo());
    EditParameterWithUndo(*session, user, Row("fix_a.gain"), open, *undo);
    EXPECT_EQ(told, (std::vector<std::optional<std::string>>{"12", "12", std::nullopt}));
}

TEST_F(PendingUndoTest, WritingRereadingOrClearingEndsTheHistory) {
    // What ends the history, and whether the history knows it at once.
    const std::vector<std::tuple<const char*, std::function<void()>, bool>> enders = {
        {"written on the fly", [&] { EditWithUndo("fix_a.gain", "98", true); }, true},
        // A commit stores only what was written: the write ended the history already.
        {"write groups", [&] { WriteGroups(*session, user); }, true},
        {"re-read", [&] { ReadGroups(*session, user), undo->EndGroups(Items().CheckedGroupNames()); }, true},
        {"clear", [&] { Items().ClearAll(); }, true},
        // Changed where the history does not see it: left as it is.
        {"changed unseen", [&] { Rec("fix_a.gain")->value = "55"; }, false},
    };
    for (const auto& [what, act, seen] : enders) {
        host->modem().Reset();
        session->RefreshGroups();
        Read("cal_b,fix_a");
        undo->Clear();
        EditWithUndo("fix_a.gain", "97");
        ASSERT_TRUE(undo->CanUndo()) << what;
        act();
        EXPECT_EQ(undo->CanUndo(), !seen) << what;
        EXPECT_FALSE(undo->Undo() || undo->CanUndo()) << what;
    }
    EXPECT_EQ(Rec("fix_a.gain")->value, "55");
}

}  // namespace
}  // namespace vtq
