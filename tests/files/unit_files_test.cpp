// Unit identity in files and the cross-unit question; the editor without a target; edits of a file in place.
#include <gtest/gtest.h>

#include <fstream>
#include <tuple>

#include "channel/long_operation.h"
#include "core/commit_groups.h"
#include "core/edit_parameter.h"
#include "core/editor_session.h"
#include "core/write_groups.h"
#include "files/file_edit.h"
#include "files/load_review.h"
#include "files/nvm_compare.h"
#include "files_test_support.h"
#include "support/sim_host.h"

namespace vtq {
namespace {

const char* const kHeader = "// NVM Parameter file saved from Brevant\r\n// Item Count=2:\r\n";

void Write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

TEST(UnitFilesTest, SavedFilesCarryTheUnitAndOnlyCalibrationFromAnotherUnitAsksFirst) {
    test::TempDir dir;
    test::SimHost host;
    EditorSession session(host, {}, dir.File("Brevant.ini"));
    ASSERT_TRUE(session.Start());
    test::Fill(session.Items(), {{"cal_a.x", "1"}});
    test::ScriptedUser user;
    user.fileNames = {dir.File("saved.nvm")};
    ASSERT_TRUE(SaveFileClick(session, user));
    EXPECT_EQ(FileUnitIdentity(test::FileBytes(dir.File("saved.nvm"))), session.Unit());

    // The unit line, the parameter lines, the calibration values asked about (0: loaded without a question); which
    // pairs of units cross is the identity tests' table.
    const std::string other = "// Unit serial number: 1\r\n";
    const std::tuple<std::string, std::string, int> cases[] = {
        {other, "cal_a.x=2\r\ncal_a.y=3\r\n", 2},
        {"// Unit serial number: 356938035643809\r\n", "cal_a.x=2\r\n", 0},
        {other, "CAL_a.x=2\r\nfix_a.x=3\r\n", 1},
    };
    for (const auto& [unitLine, lines, asked] : cases) {
        for (const bool yes : {false, true}) {
            SCOPED_TRACE(unitLine + lines + (yes ? "yes" : "no"));
            Write(dir.File("in.nvm"), kHeader + unitLine + lines);
            test::ScriptedUser load;
            load.yesNoAnswers = {yes};
            const bool loaded = LoadFileReviewed(session.Items(), host, dir.File("in.nvm"), load, {}, nullptr,
                                                 session.Unit(), FileNames::AsGiven);
            EXPECT_EQ(load.questions, asked ? std::vector{OtherUnitQuestion({"", "1"}, session.Unit(), asked)}
                                            : std::vector<std::string>{});
            EXPECT_EQ(loaded, !asked || yes);
            session.Items().ClearAll();
            test::Fill(session.Items(), {{"cal_a.x", "1"}});
        }
    }
}

TEST(UnitFilesTest, WithoutATargetFilesLoadEditSaveAndCompareAndNothingIsSent) {
    test::TempDir dir;
    test::ScriptedHost host;
    host.connected = false;
    host.loseTargetAt = 1;
    EditorSession session(host, {}, dir.File("Brevant.ini"));
    EXPECT_FALSE(session.Start());
    EXPECT_TRUE(session.Offline());
    EXPECT_EQ(host.lines.back(), (test::LoggedLine{kOfflineLine, 1}));
    host.lines.clear();
    host.responder = [](const std::string& command, std::string&) {
        ADD_FAILURE() << "sent without a target: " << command;
        return false;
    };
    Write(dir.File("a.nvm"), std::string(kHeader) + "// Unit serial number: 7\r\nfix_a.gain_2=5\r\nfix_a.lut=1,2\r\n");
    test::ScriptedUser user;
    user.fileNames = {dir.File("a.nvm"), dir.File("b.nvm"), dir.File("a.nvm")};
    ASSERT_TRUE(LoadFileReviewedClick(session, user, {}, nullptr));
    EXPECT_NE(test::Record(session.Items(), "fix_a.gain_2"), nullptr) << "the file's name, not taken for an array";
    const EditOutcome edit = EditParameter(session, user, 0, [](const ValueEditRequest&) {
        return ValueEditAnswer{true, "9", true};
    });
    EXPECT_TRUE(edit.changed && !edit.written);
    ASSERT_TRUE(SaveFileClick(session, user));
    const std::unique_ptr<NVMDiff> diff = CompareClick(session, user);
    ASSERT_TRUE(diff);
    host.lines.clear();
    EXPECT_FALSE(WriteGroups(session, user).started);
    EXPECT_FALSE(WriteSelected(session, user, {session.Items().ViewItem(0)}).started);
    EXPECT_FALSE(CommitGroups(session, user).started);
    EXPECT_EQ(host.Texts(), std::vector<std::string>(3, kNoTargetLine));
    // A target that answers again is found by the refresh of the group list.
    host.responder = nullptr;
    host.loseTargetAt = 0;
    host.connected = true;
    session.RefreshGroups();
    EXPECT_FALSE(session.Offline());
}

TEST(UnitFilesTest, EditChangesOnlyTheNamedLinesAndRefusesWhatSetWouldRefuse) {
    test::TempDir dir;
    const std::string path = dir.File("e.nvm");
    const std::string original =
        std::string(kHeader) + "// Unit serial number: 7\r\nfix_a.g=5 (uint8)\r\nfix_a.lut=1,2\r\n";
    using Edits = std::vector<std::pair<std::string, std::string>>;
    const std::tuple<Edits, std::string, int> cases[] = {
        // edits, the first error (empty: written), changed
        {{{"FIX_A.g", "6"}, {"fix_a.lut", " 3, 4"}}, "", 2},
        {{{"fix_a.g", "5"}}, "", 0},
        {{{"fix_a.none", "1"}}, "The file has no parameter \"fix_a.none\".", 0},
        {{{"fix_a.lut", "1,2,3"}}, "\"fix_a.lut\" has 2 elements; 3 values are given.", 0},
        {{{"fix_a.g", "\"6\x7f\""}}, "\"fix_a.g\": the value holds a control character: \"\"6<0x7F>\"\"", 0},
        {{{"fix_a.g", "300"}, {"fix_a.lut", "3,4"}},
         "\"fix_a.g\": The value 300 is out of range for uint8 (0 to 255): the target refuses it.",
         1},
    };
    for (const auto& [edits, error, changed] : cases) {
        Write(path, original);
        const FileEditResult r = EditParameterFile(path, edits);
        EXPECT_EQ(r.errors.empty() ? "" : r.errors.front(), error);
        EXPECT_EQ(r.changed, changed);
        const bool written = error.empty() && changed > 0;
        const std::string edited =
            std::string(kHeader) + "// Unit serial number: 7\r\nfix_a.g=6 (uint8)\r\nfix_a.lut=3,4\r\n";
        EXPECT_EQ(test::FileBytes(path), written ? edited : original);
    }
    EXPECT_TRUE(EditParameterFile(dir.File("none.nvm"), {{"a.b", "1"}}).fileError);
}

}  // namespace
}  // namespace vtq
