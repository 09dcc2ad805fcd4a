// Read Groups where the target gives nothing to read: no group checked, no
// connection, answers without records or with ERROR.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/read_groups.h"
#include "model/group_items.h"
#include "support/scripted_host.h"
#include "support/scripted_user.h"

namespace vtq {
namespace {

using test::LoggedLine;

class ReadGroupsEdgeTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"a", "b"}) items.FindOrAddGroup(name);
    }
    test::ScriptedHost host;
    test::ScriptedUser user;
    GroupItems items{&host, true};
};

TEST_F(ReadGroupsEdgeTest, NothingCheckedOrNotConnectedSendsNothing) {
    ReadGroupsResult r = ReadGroups(host, user, items, false);
    EXPECT_FALSE(r.started);
    EXPECT_EQ(user.messages, std::vector<std::string>{kNoGroupsToReadMessage});
    EXPECT_EQ(user.busyCalls, 0);

    user.messages.clear();
    items.SetChecked(0, true);
    host.connected = false;
    r = ReadGroups(host, user, items, false);
    EXPECT_FALSE(r.started);
    EXPECT_TRUE(host.commands.empty());
    EXPECT_TRUE(host.lines.empty());
    EXPECT_TRUE(user.messages.empty());
    EXPECT_EQ(user.progressOpened, 0);
    EXPECT_EQ(user.busyDepth, 0);
}

TEST_F(ReadGroupsEdgeTest, AnswersWithoutRecordsReadNothing) {
    items.CheckAllGroups();
    items.AddParameter(0, "a.old", "1", "", false);  // emptied before the read of its group
    host.answers[DumpCommand("a")] = "at@nvm:dump_csv_add(\"a\")\r\r\nno records here\r\nOK\r\n";
    // "b" is answered with ERROR: skipped silently.
    const ReadGroupsResult r = ReadGroups(host, user, items, true);
    EXPECT_TRUE(r.started);
    EXPECT_EQ(r.total, 0);
    EXPECT_EQ(r.groupsRead, 1);
    EXPECT_FALSE(r.RebuildGrid());
    EXPECT_EQ(host.commands, (std::vector<std::string>{"at@nvm:dump_csv_add(\"a\")\r", "at@nvm:dump_csv_add(\"b\")\r"}));
    EXPECT_EQ(host.lines, (std::vector<LoggedLine>{{kNoItemsReadLine, 1}}));
    EXPECT_EQ(items.GroupParamCount(0), 0);
    EXPECT_EQ(user.progressClosed, 1);
    EXPECT_EQ(user.busyDepth, 0);
    EXPECT_EQ(items.UpdateLock(), 0);
}

}  // namespace
}  // namespace vtq
