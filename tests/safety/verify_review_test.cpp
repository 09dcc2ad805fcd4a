// Read-back verify against the simulated modem that forgets some writes, the
// value comparison, the reviewed load merging exactly the checked rows, and
// the stored options.

#include <functional>

#include "base/file_io.h"
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
    // Every record edited, not written.
    void EditAll() {
        for (const auto& [name, value] : {std::pair<const char*, const char*>{"fix_a.gain", "0x63"},
                                          {"fix_a.lut", "5, 6,7,8"},
                                          {"fix_a.label", "\"yo\""},
                                          {"cal_b.mode", "3"}})
            ApplyEditedValue(*host, *Rec(name), value, false);
    }
    std::vector<std::string> Lines(uint8_t flag) const {
        std::vector<std::string> texts;
        for (const auto& line : host->lines)
            if (line.flag == flag) texts.push_back(line.text);
        return texts;
    }
};

TEST(VerifyCompare, ValuesAsTheTargetAnswersThem) {
    struct Case {
        const char* written;
        const char* readBack;
        bool same;
    };
    for (const Case& c : std::vector<Case>{{"12", "12", true},
                                           {"0x10", "16", true},
                                           {"0x1,0x2", "1,2", true},
                                           {"", "{}", true},
                                           {"-0", "0", true},
                                           {"1, 2,3", "{1,2,3}", true},
                                           {"\"a b\"", "\"a b\"", true},
                                           {"\"a b\"", "\"ab\"", false},
                                           {"1,2", "{1,3}", false},
                                           {"1", "1,0", false},
                                           {"-1", "255", false},
                                           {"0x", "0", false},
                                           {"9x10", "16", false},
                                           {"18446744073709551615", "0xFFFFFFFFFFFFFFFF", true},
                                           {"18446744073709551616", "0", false}})
        EXPECT_EQ(SameWrittenValue(c.written, c.readBack), c.same) << c.written << " / " << c.readBack;
}

TEST_F(VerifyReviewTest, VerifyCatchesWhatTheTargetDoesNotKeepAndPassesOtherwise) {
    struct Case {
        const char* forget;
        bool selectedOnly;  // Write Selected of cal_b.mode instead of Write Groups
        std::vector<std::string> failed;
        const char* summary;
    };
    const std::vector<Case> cases = {
        {"", false, {}, "Verify OK (4 parameters read back from target)."},
        {"fix_a\\.l", false, {"fix_a.label", "fix_a.lut"}, "Verify Done (2 of 4 parameters not kept by target)."},
        {"cal_b", true, {"cal_b.mode"}, "Verify Done (1 of 1 parameter not kept by target)."},
        {"fix_a", true, {}, "Verify OK (1 parameter read back from target)."},
    };
    for (const Case& c : cases) {
        host->modem().Reset();
        ReadGroups(*session, user);
        EditAll();
        host->faults().forgetWritesPattern = c.forget;
        host->lines.clear();
        const int first = c.selectedOnly ? Rec("cal_b.mode")->viewIndex : 0;
        const WriteGroupsResult write =
            c.selectedOnly ? WriteSelected(*session, user, first, first) : WriteGroups(*session, user);
        const VerifyResult verify = VerifyAfterWrite(*session, user, first, write);
        std::vector<std::string> failed, expectedLines;
        for (const VerifyFailure& f : verify.failures) failed.push_back(f.name);
        EXPECT_EQ(failed, c.failed) << c.forget;
        EXPECT_EQ(verify.checked, c.selectedOnly ? 1 : 4) << c.forget;
        for (const std::string& name : c.failed) {
            EXPECT_EQ(Rec(name)->state, ParameterState::NotStored) << name;
            // Array answers lose their braces in the line, as the editor holds arrays.
            std::string held = host->modem().ValueOf(name);
            if (held.front() == '{') held = held.substr(1, held.size() - 2);
            expectedLines.push_back("Verify failed: " + name + " written as " + Rec(name)->value + ", target holds " +
                                    held);
        }
        EXPECT_EQ(host->lines.back().text, c.summary);
        EXPECT_EQ(host->lines.back().flag, c.failed.empty() ? 1 : 0);
        std::vector<std::string> errors = Lines(0);
        if (!c.failed.empty()) errors.pop_back();  // the summary
        EXPECT_EQ(errors, expectedLines) << c.forget;
        EXPECT_EQ(user.busyDepth, 0);
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
    EXPECT_EQ(user.busyCalls, 2);
    EXPECT_TRUE(verify.cancelled);
    EXPECT_EQ(verify.checked, 1);
    EXPECT_EQ(host->Texts().end()[-2], kVerifyCancelledLine);

    user.onProcessEvents = nullptr;
    host->faults().loseAfter = host->modem().commandCount() + 2;
    host->lines.clear();
    verify = VerifyWrittenRecords(*session, user, records);
    EXPECT_TRUE(verify.targetLost);
    EXPECT_TRUE(verify.failures.empty());
    EXPECT_EQ(host->Texts(),
              (std::vector<std::string>{"Verify OK (1 parameter read back from target).", kTargetLostMessage}));
    EXPECT_EQ(user.busyDepth, 0);
    EXPECT_EQ(user.progressOpened, user.progressClosed);

    // A write that lost the target is not read back.
    host->modem().Reset();
    host->faults().loseAfter = 2;
    host->lines.clear();
    const WriteGroupsResult lostWrite = WriteGroups(*session, user);
    EXPECT_FALSE(VerifyAfterWrite(*session, user, 0, lostWrite).started);
    EXPECT_EQ(host->Texts().back(), kTargetLostMessage);
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
    EXPECT_EQ(changes[0].name, "fix_a.gain");
    EXPECT_EQ(changes[0].oldValue, "12");
    EXPECT_EQ(changes[0].newValue, "14");
    EXPECT_EQ(changes[0].lines, (std::vector<size_t>{1, 6}));
    EXPECT_EQ(changes[1].newValue, "\"yo\" (string)");
    EXPECT_TRUE(changes[2].isNew);
    EXPECT_EQ(changes[2].oldValue, "");

    struct Case {
        const char* what;
        std::function<bool(std::vector<LoadChange>&)> review;
        bool loaded;
        LoadCounts counts;  // of the log line
        std::vector<std::string> changed;
    };
    const std::vector<Case> cases = {
        {"no review", nullptr, true, {1, 3, 2}, {"fix_a.gain", "fix_a.label", "cal_b.mode2"}},
        {"label unchecked",
         [](std::vector<LoadChange>& rows) {
             rows[1].checked = false;
             return true;
         },
         true,
         {1, 2, 2},
         {"fix_a.gain", "cal_b.mode2"}},
        {"none checked",
         [](std::vector<LoadChange>& rows) {
             for (LoadChange& row : rows) row.checked = false;
             return true;
         },
         false,
         {},
         {}},
        {"cancelled", [](std::vector<LoadChange>&) { return false; }, false, {}, {}},
    };
    const std::string path = File(text);
    for (const Case& c : cases) {
        ReadGroups(*session, user);
        host->lines.clear();
        user.messages.clear();
        EXPECT_EQ(LoadFileReviewed(Items(), *host, path, user, c.review, nullptr), c.loaded) << c.what;
        std::vector<std::string> changed;
        for (const char* name : {"fix_a.gain", "fix_a.label", "cal_b.mode2"})
            if (Rec(name) && Rec(name)->state == ParameterState::NotStored) changed.push_back(name);
        EXPECT_EQ(changed, c.changed) << c.what;
        EXPECT_TRUE(user.messages.empty()) << c.what;
        EXPECT_EQ(host->Texts(), c.loaded ? std::vector<std::string>{LoadReport(c.counts)} : std::vector<std::string>{})
            << c.what;
    }
    EXPECT_FALSE(LoadFileReviewed(Items(), *host, dir.File("none.nvm"), user, nullptr, nullptr));
    EXPECT_EQ(user.messages, std::vector<std::string>{CouldNotLoadMessage(dir.File("none.nvm"))});
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
    EXPECT_FALSE(LoadSafetyOptions(path).reviewLoad);
    EXPECT_FALSE(LoadSafetyOptions(path).verifyWrites);
    ASSERT_TRUE(SaveSafetyOption(path, kReviewLoadKey, true));
    ASSERT_TRUE(SaveSafetyOption(path, kVerifyWritesKey, false));
    EXPECT_TRUE(LoadSafetyOptions(path).reviewLoad);
    EXPECT_FALSE(LoadSafetyOptions(path).verifyWrites);
    std::string ini;
    ASSERT_TRUE(ReadWholeFile(path, ini));
    EXPECT_NE(ini.find("[Mode]\r\nNVMSelGroups="), std::string::npos);
    EXPECT_NE(ini.find("ReviewLoad=1\r\n"), std::string::npos);
}

}  // namespace
}  // namespace vtq
