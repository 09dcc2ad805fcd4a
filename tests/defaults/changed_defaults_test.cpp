// Saving the target's changed default values as commands, against the simulated modem: skipped crashing groups,
// counts, cancel, a target lost at every command, the probe answering nothing.

#include "defaults/changed_defaults.h"

#include "channel/long_operation.h"
#include "defaults/defaults_fixture.h"

namespace vtq {
namespace {

using test::LoggedLine;
using test::Slurp;
using Texts = std::vector<std::string>;

class ChangedDefaults : public test::DefaultsTest {
protected:
    ChangedDefaultsResult Save(const std::string& selection, const std::string& path) {
        SelectExactGroups(session->Items(), selection);
        return SaveSelectedChangedDefaults(*session, user, path);
    }
    static std::string Written(const std::string& path, int groups) {  // two or more groups
        return std::to_string(groups) + " groups had changes and was written to the file: \"" + path + "\"";
    }
};

TEST_F(ChangedDefaults, OneChangedGroupAmongSeveral) {
    user.fileNames = {dir.File("changes.TXT")};
    // Only the exact names are skipped: Hyb_Cust is asked like any other group.
    const ChangedDefaultsResult r = ExportChangedDefaults(*session, user, {"dyn_cell_info", "fix_thermal", "Hyb_Cust"});
    const std::string path = dir.File("changes.TXT.nvm");
    EXPECT_EQ(r.path, path);
    EXPECT_EQ(r.changedGroups, 1);
    EXPECT_EQ(Slurp(path), "at@nvm:fix_thermal.ramp_drx=61\r\nat@nvm:fix_thermal.path[2].ramp=52\r\n");
    EXPECT_EQ(host->lines,
              (std::vector<LoggedLine>{{"1 group had changes and was written to the file: \"" + path + "\"", 1}}));
    EXPECT_EQ(user.offered, Texts{"ChangedParameters.nvm"});
    EXPECT_EQ(host->commands.back(), "at@nvm:track_changes(Hyb_Cust)\r");
}

TEST_F(ChangedDefaults, AllGroupsSkipTheCrashingOnes) {
    const ChangedDefaultsResult r = SaveAllChangedDefaults(*session, user, dir.File("all.nvm"));
    EXPECT_FALSE(r.targetLost);
    EXPECT_GT(r.changedGroups, 1);
    EXPECT_EQ(Sent("at@nvm:track_changes(").size(), 63u);  // 64 groups and the probe, less the two skipped
    EXPECT_EQ(host->lines.back(), (LoggedLine{Written(dir.File("all.nvm"), r.changedGroups), 1}));
    const LoggedLine skipped{"Skipping the group \"hyb_cust\" because it causes target to crash to ask on this group.",
                             1};
    EXPECT_EQ(std::count(host->lines.begin(), host->lines.end(), skipped), 1);

    // Only a crashing group: an empty file replaces the old one.
    Reset();
    ASSERT_TRUE(WriteFileAtomically(dir.File("hyb.nvm"), "old"));
    EXPECT_TRUE(Save("hyb_cust", dir.File("hyb.nvm")).written);
    EXPECT_EQ(Slurp(dir.File("hyb.nvm")), "");
    EXPECT_EQ(Sent("at@nvm:track_changes(").size(), 1u);
    EXPECT_EQ(user.statuses, Texts{"Reading \"hyb_cust\" group..."});
    EXPECT_EQ(user.messages, Texts{kNoChangesMessage});
}

TEST_F(ChangedDefaults, EmptySetsProbeAndDialog) {
    EXPECT_EQ(Save("", "x").changedGroups, 0);
    EXPECT_EQ(user.messages, Texts{"Please select the wanted groups to read first."});
    EXPECT_TRUE(host->commands.empty());
    host->emptyProbe = "at@nvm:track_changes()??\r";
    user.fileNames = {dir.File("p.nvm")};
    EXPECT_FALSE(Save("fix_thermal", "").written);
    EXPECT_EQ(user.messages.back(), "The connected target does not support this feature.");
    EXPECT_TRUE(user.offered.empty());
    host->emptyProbe.clear();
    user.fileNames.clear();
    EXPECT_FALSE(Save("fix_thermal", "").written);  // the save dialog cancelled
    EXPECT_EQ(host->commands.back(), "at@nvm:track_changes()??\r");
    EXPECT_TRUE(host->lines.empty());
    host->connected = false;  // the connection check fails: nothing more, cursor restored
    EXPECT_FALSE(Save("fix_thermal", dir.File("c.nvm")).written);
    EXPECT_EQ(Slurp(dir.File("c.nvm")), "<missing>");
    EXPECT_EQ(user.busyDepth, 0);
    host->connected = true;
    EXPECT_FALSE(Save("fix_thermal", dir.File("missing/c.nvm")).written);
    EXPECT_EQ(user.messages.back(), "Cannot open file \"" + dir.File("missing/c.nvm") + "\" for writing.");
    EXPECT_EQ(user.busyDepth, 0);
    session->GroupTable().Clear();
    EXPECT_EQ(SaveAllChangedDefaults(*session, user, "x").changedGroups, 0);
    EXPECT_EQ(user.messages.back(), "No groups to read.");
}

// Commands: 1 probe, 2 fix_ant_tuner, 3 fix_radio_cfg, 4 fix_thermal (all three changed); 5 is never sent.
TEST_F(ChangedDefaults, TargetLostAtEveryCommandAndCancel) {
    const std::string three = "fix_ant_tuner,fix_radio_cfg,fix_thermal";
    for (int k = 2; k <= 5; ++k) {
        SCOPED_TRACE("lost at command " + std::to_string(k));
        Reset();
        LoseAt(k);
        const ChangedDefaultsResult r = Save(three, dir.File("lost.nvm"));
        EXPECT_EQ(host->commands.size(), static_cast<size_t>(std::min(k, 4)));
        EXPECT_EQ(r.targetLost, k <= 4);
        EXPECT_EQ(r.changedGroups, std::min(k, 5) - 2);
        EXPECT_EQ(Slurp(dir.File("lost.nvm")).find("fix_radio_cfg") != std::string::npos, k >= 4);
        EXPECT_EQ(std::count(host->lines.begin(), host->lines.end(), LoggedLine{kChangedLostLine, 0}), k <= 4);
        if (k <= 4) EXPECT_EQ(host->lines.back(), (LoggedLine{kTargetLostMessage, 0}));
    }
    Reset();
    user.onProcessEvents = [&](int call) { user.cancelled = call == 3; };
    const ChangedDefaultsResult r = Save(three, dir.File("c.nvm"));
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.changedGroups, 2);
    EXPECT_EQ(host->lines, (std::vector<LoggedLine>{{"The read was canceled by user.", 1},
                                                   {Written(dir.File("c.nvm"), 2), 1}}));
}

TEST(WithNvmExtension, Table) {
    for (const char* kept : {"a.nvm", "a.NVM"}) EXPECT_EQ(WithNvmExtension(kept), kept);
    EXPECT_EQ(WithNvmExtension("a.txt"), "a.txt.nvm");
    EXPECT_EQ(WithNvmExtension("d.nvm/a"), "d.nvm/a.nvm");
}

}  // namespace
}  // namespace vtq
