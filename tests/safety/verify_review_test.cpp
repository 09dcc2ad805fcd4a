// Read-back verify against a simulated modem that forgets some writes, and the reviewed load.

#include <functional>

#include "channel/long_operation.h"
#include "core/edit_parameter.h"
#include "core/safety_options.h"
#include "core/settings.h"
#include "core/verify_writes.h"
#include "core/write_groups.h"
#include "files/load_review.h"
#include "files/nvm_file.h"
#include "safety_fixture.h"

namespace vtq {
namespace {

class VerifyReviewTest : public test::SafetyTest {
protected:
    void EditAll() {
        const std::pair<const char*, const char*> edits[] = {
            {"fix_a.gain", "0x63"}, {"fix_a.lut", "5, 6,7,8"}, {"fix_a.label", "\"yo\""}, {"cal_b.mode", "3"}};
        for (const auto& [name, value] : edits) ApplyEditedValue(*host, *Rec(name), value, false);
    }
};

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
    // Writes the modem forgets, Write Selected of cal_b.mode instead of Write Groups, not kept, summary.
    const std::tuple<const char*, bool, std::vector<std::string>, const char*> cases[] = {
        {"", false, {}, "Verify OK (4 parameters read back from target)."},
        {"fix_a\\.l", false, {"fix_a.label", "fix_a.lut"}, "Verify Done (2 of 4 parameters not kept by target)."},
        {"cal_b", true, {"cal_b.mode"}, "Verify Done (1 of 1 parameter not kept by target)."},
        {"fix_a", true, {}, "Verify OK (1 parameter read back from target)."},
    };
    for (const auto& [forget, selectedOnly, notKept, summary] : cases) {
        host->modem().Reset();
        ReadGroups(*session, user);
        EditAll();
        host->faults().forgetWritesPattern = forget;
        host->lines.clear();
        const WriteGroupsResult write =
            selectedOnly ? WriteSelected(*session, user, {Rec("cal_b.mode")}) : WriteGroups(*session, user);
        test::Changes changes;  // the grid repaints every record found not kept
        Items().AddListener(&changes);
        const VerifyResult verify = VerifyAfterWrite(*session, user, write);
        Items().RemoveListener(&changes);
        std::vector<std::string> failed, expectedLines;
        for (const VerifyFailure& f : verify.failures) failed.push_back(f.name);
        EXPECT_EQ(std::tuple(failed, verify.checked, changes.count),
                  std::tuple(notKept, selectedOnly ? 1 : 4, static_cast<int>(notKept.size()))) << forget;
        for (const std::string& name : notKept) {
            EXPECT_EQ(Rec(name)->state, ParameterState::NotStored) << name;
            // Array answers lose their braces in the line, as the editor holds arrays.
            std::string held = host->modem().ValueOf(name);
            if (held.front() == '{') held = held.substr(1, held.size() - 2);
            expectedLines.push_back("Verify failed: " + name + " written as " + Rec(name)->value + ", target holds " +
                                    held);
        }
        EXPECT_EQ(host->lines.back(), (test::LoggedLine{summary, notKept.empty() ? uint8_t(1) : uint8_t(0)}));
        std::vector<std::string> errors;
        for (const auto& line : host->lines)
            if (line.flag == 0) errors.push_back(line.text);
        if (!notKept.empty()) errors.pop_back();  // the summary
        EXPECT_TRUE(errors == expectedLines && user.busyDepth == 0) << forget;
    }
    EXPECT_EQ(Rec("cal_b.mode")->state, ParameterState::InTargetRAM);
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
    const std::vector<LoadChange> changes = FindLoadChanges(Items(), text);
    ASSERT_EQ(changes.size(), 3u);
    EXPECT_EQ(changes[0].name + ": " + changes[0].oldValue + " -> " + changes[0].newValue, "fix_a.gain: 12 -> 14");
    EXPECT_EQ(std::tuple(changes[0].lines, changes[1].newValue, changes[2].isNew, changes[2].oldValue),
              std::tuple(std::vector<size_t>{1, 6}, "\"yo\" (string)", true, ""));

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

TEST_F(VerifyReviewTest, OptionsAreOffByDefaultAndStoredBesideTheOthers) {
    const std::string path = dir.File("Brevant.ini");
    ASSERT_TRUE(WriteProfileString(path, kSettingsSection, kSelectedGroupsKey, "fix_a"));
    EXPECT_FALSE(LoadSafetyOptions(path).reviewLoad || LoadSafetyOptions(path).verifyWrites);
    ASSERT_TRUE(SaveSafetyOption(path, kReviewLoadKey, true) && SaveSafetyOption(path, kVerifyWritesKey, false));
    EXPECT_TRUE(LoadSafetyOptions(path).reviewLoad && !LoadSafetyOptions(path).verifyWrites);
    EXPECT_EQ(ReadProfileString(path, kSettingsSection, kSelectedGroupsKey, "") +
                  ReadProfileString(path, kSettingsSection, kReviewLoadKey, ""), "fix_a1");
}

}  // namespace
}  // namespace vtq
