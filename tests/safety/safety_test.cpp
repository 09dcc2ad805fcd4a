// Pending counts and the questions before records are dropped; undo and redo, and what ends a record's history;
// read-back verify against a simulated modem that forgets some writes, and the reviewed load.

#include <functional>

#include "channel/long_operation.h"
#include "core/commit_groups.h"
#include "core/edit_parameter.h"
#include "core/pending_changes.h"
#include "core/safety_options.h"
#include "core/settings.h"
#include "core/undo_history.h"
#include "core/verify_writes.h"
#include "core/write_groups.h"
#include "files/load_review.h"
#include "files/nvm_file.h"
#include "safety_fixture.h"

namespace vtq {
namespace {

using enum ParameterState;

class PendingUndoTest : public test::SafetyTest {
protected:
    int Row(const std::string& name) { return Rec(name)->viewIndex; }
    // The grid's edit: the value editor confirms `value`, write on the fly as given.
    EditOutcome EditWithUndo(const std::string& name, const std::string& value, bool onTheFly = false) {
        const auto open = [&](const ValueEditRequest&) { return ValueEditAnswer{true, value, onTheFly}; };
        return EditParameterWithUndo(*session, user, Row(name), open, *undo);
    }
    void Load(const std::string& text) {
        ASSERT_TRUE(LoadFileReviewed(Items(), *host, File(text), user, nullptr, undo.get()));
    }
    void EditAll() {
        const std::pair<const char*, const char*> edits[] = {
            {"fix_a.gain", "0x63"}, {"fix_a.lut", "5, 6,7,8"}, {"fix_a.label", "\"yo\""}, {"cal_b.mode", "3"}};
        for (const auto& [name, value] : edits) ApplyEditedValue(*host, *Rec(name), value, false);
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

    for (const auto& [name, value] : {std::pair("fix_a.gain", "99"), {"cal_b.mode", "3"}})
        ApplyEditedValue(*host, *Rec(name), value, false);
    WriteSelected(*session, user, {Rec("cal_b.mode")});
    host->lines.clear();
    Items().SetChecked(Items().GroupIndex("cal_b"), false);
    // A re-read drops only the checked groups' records; No keeps them.
    EXPECT_FALSE(ConfirmReread(Items(), user));
    user.yesNoAnswers = {true};
    EXPECT_TRUE(ConfirmDropAll(Items(), user, PendingLoss::Clear));
    EXPECT_EQ(user.questions, (std::vector<std::string>{PendingLossQuestion({1, 0}, PendingLoss::Reread),
                                                        PendingLossQuestion({1, 1}, PendingLoss::Clear)}));

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
    EXPECT_TRUE(undo->Redo() && Items().ViewCount() == 5);
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

using VerifyReviewTest = PendingUndoTest;

TEST(VerifyCompare, ValuesAsTheTargetAnswersThem) {
    const std::tuple<const char*, const char*, bool> cases[] = {  // written, read back, same
        {"12", "12", true}, {"0x10", "16", true}, {"0x1,0x2", "1,2", true}, {"", "{}", true}, {"-0", "0", true},
        {"1, 2,3", "{1,2,3}", true}, {"\"a b\"", "\"a b\"", true}, {"\"a b\"", "\"ab\"", false},
        {"1,2", "{1,3}", false}, {"1", "1,0", false}, {"-1", "255", false}, {"0x", "0", false}, {"9x10", "16", false},
        {"18446744073709551615", "0xFFFFFFFFFFFFFFFF", true}, {"18446744073709551616", "0", false},
        {"1,,2", "1,0,2", false}, {"0xaf", "175", true}};
    for (const auto& [written, readBack, same] : cases)
        EXPECT_EQ(SameWrittenValue(written, readBack), same) << written << " / " << readBack;
}

TEST_F(VerifyReviewTest, VerifyCatchesWhatTheTargetDoesNotKeepAndPassesOtherwise) {
    using Lines = std::vector<test::LoggedLine>;
    // Writes the modem forgets, Write Selected of cal_b.mode instead of Write Groups, the lines of the read-back
    // (array answers lose their braces, as the editor holds arrays).
    const std::tuple<const char*, bool, Lines> cases[] = {
        {"", false, {{"Verify OK (4 parameters read back from target).", 1}}},
        {"fix_a\\.l", false,
         {{"Verify failed: fix_a.label written as \"yo\", target holds \"hi\"", 0},
          {"Verify failed: fix_a.lut written as 5, 6,7,8, target holds 1,2,3,4", 0},
          {"Verify Done (2 of 4 parameters not kept by target).", 0}}},
        {"cal_b", true,
         {{"Verify failed: cal_b.mode written as 3, target holds 2", 0},
          {"Verify Done (1 of 1 parameter not kept by target).", 0}}},
        {"fix_a", true, {{"Verify OK (1 parameter read back from target).", 1}}},
    };
    for (const auto& [forget, selectedOnly, lines] : cases) {
        host->modem().Reset();
        ReadGroups(*session, user);
        EditAll();
        host->faults().forgetWritesPattern = forget;
        const WriteGroupsResult write =
            selectedOnly ? WriteSelected(*session, user, {Rec("cal_b.mode")}) : WriteGroups(*session, user);
        host->lines.clear();
        test::Changes changes(Items());  // the grid repaints every record found not kept
        const VerifyResult verify = VerifyAfterWrite(*session, user, write);
        const int failed = static_cast<int>(lines.size()) - 1;
        EXPECT_EQ(host->lines, lines) << forget;
        EXPECT_EQ(std::tuple(verify.failures.size(), verify.checked, changes.count, user.busyDepth),
                  std::tuple(size_t(failed), selectedOnly ? 1 : 4, failed, 0)) << forget;
        for (const VerifyFailure& f : verify.failures) EXPECT_EQ(Rec(f.name)->state, NotStored) << f.name;
    }
    EXPECT_EQ(Rec("cal_b.mode")->state, InTargetRAM);
}

TEST_F(VerifyReviewTest, VerifyStopsOnCancelOrALostTarget) {
    EditAll();
    WriteGroups(*session, user);
    const std::vector<NVMParameter*> records(Items().View().begin(), Items().View().end());
    user = test::ScriptedUser();
    user.onProcessEvents = [this](int call) { user.cancelled = call == 2; };
    VerifyResult verify = VerifyWrittenRecords(*session, user, records);
    EXPECT_EQ(std::tuple(user.busyCalls, verify.cancelled, verify.checked, host->Texts().end()[-2]),
              std::tuple(2, true, 1, kVerifyCancelledLine));

    user.onProcessEvents = nullptr;
    host->faults().loseAfter = host->modem().commandCount() + 2;
    host->lines.clear();
    verify = VerifyWrittenRecords(*session, user, records);
    EXPECT_TRUE(verify.targetLost && verify.failures.empty());
    EXPECT_EQ(host->Texts(),
              (std::vector<std::string>{"Verify OK (1 parameter read back from target).", kTargetLostMessage}));
    ExpectCleanEnd();

    // A write that lost the target is not read back.
    host->modem().Reset();
    host->faults().loseAfter = 2;
    host->lines.clear();
    const WriteGroupsResult lostWrite = WriteGroups(*session, user);
    EXPECT_TRUE(!VerifyAfterWrite(*session, user, lostWrite).started && host->Texts().back() == kTargetLostMessage);

    // The host closes the window during a read-back that differs: nothing more is shown or changed.
    host->faults() = nvmsim::Faults();
    host->modem().Reset();
    Fresh();
    host->afterExchange = [&] { user.closing = true; };
    const VerifyResult closed = VerifyWrittenRecords(*session, user, records);
    EXPECT_EQ(std::tuple(closed.checked, closed.failures.size(), closed.closing, host->lines.size()),
              std::tuple(1, 0u, true, 0u));
}

TEST_F(VerifyReviewTest, ReviewMergesExactlyTheCheckedRows) {
    const std::string text =
        "// NVM Parameter file saved from Brevant\n"
        "fix_a.gain=13\n"
        "fix_a.lut[0]={1, 2, 3, 4}\n"
        "fix_a.label=\"yo\" (string)\n"
        "cal_b.mode=2\n"
        "cal_b.mode2=5\n"
        "fix_a.gain=14\n";
    ASSERT_EQ(FindLoadChanges(Items(), text).size(), 3u);  // gain (given twice), label, mode2

    using Review = std::function<bool(std::vector<LoadChange>&)>;
    const auto uncheck = [](std::vector<size_t> rows) -> Review {
        return [rows](std::vector<LoadChange>& changes) {
            for (size_t row : rows) changes[row].checked = false;
            return true;
        };
    };
    // The review, whether the load happened, the counts of its log line, the records changed.
    const std::tuple<const char*, Review, bool, LoadCounts, std::vector<std::string>> cases[] = {
        {"no review", nullptr, true, {1, 3, 2}, {"fix_a.gain", "fix_a.label", "cal_b.mode2"}},
        {"label unchecked", uncheck({1}), true, {1, 2, 2}, {"fix_a.gain", "cal_b.mode2"}},
        {"gain and label unchecked", uncheck({0, 1}), true, {1, 0, 2}, {"cal_b.mode2"}},
        {"none checked", uncheck({0, 1, 2}), false, {}, {}},
        {"cancelled", [](std::vector<LoadChange>&) { return false; }, false, {}, {}},
    };
    const std::string path = File(text);
    for (const auto& [what, review, loaded, counts, expected] : cases) {
        ReadGroups(*session, user);
        Fresh();
        EXPECT_EQ(LoadFileReviewed(Items(), *host, path, user, review, nullptr), loaded) << what;
        std::vector<std::string> changed;
        for (const char* name : {"fix_a.gain", "fix_a.label", "cal_b.mode2"})
            if (Rec(name) && Rec(name)->state == ParameterState::NotStored) changed.push_back(name);
        EXPECT_TRUE(changed == expected && user.messages.empty()) << what;
        EXPECT_EQ(host->Texts(), loaded ? std::vector<std::string>{LoadReport(counts)} : std::vector<std::string>{})
            << what;
    }
    EXPECT_FALSE(LoadFileReviewed(Items(), *host, dir.File("none.nvm"), user, nullptr, nullptr) ||
                 LoadFileReviewed(Items(), *host, File("// x.y=1\n"), user, nullptr, nullptr));
    EXPECT_EQ(user.messages,
              (std::vector<std::string>{CouldNotLoadMessage(dir.File("none.nvm")), kNothingToLoadMessage}));
    // A file that changes nothing is not shown for review.
    ReadGroups(*session, user);
    bool shown = false;
    EXPECT_TRUE(LoadFileReviewed(
        Items(), *host, File("cal_b.mode=2\n"), user, [&](auto&) { return shown = true; }, nullptr));
    EXPECT_FALSE(shown);
}

TEST_F(VerifyReviewTest, OptionsAreOffByDefaultAndStored) {
    const std::string path = dir.File("Brevant.ini");
    EXPECT_FALSE(LoadSafetyOptions(path).reviewLoad || LoadSafetyOptions(path).verifyWrites);
    ASSERT_TRUE(SaveSafetyOption(path, kReviewLoadKey, true) && SaveSafetyOption(path, kVerifyWritesKey, false));
    EXPECT_TRUE(LoadSafetyOptions(path).reviewLoad && !LoadSafetyOptions(path).verifyWrites);
}

}  // namespace
}  // namespace vtq
