// The whole default image of the simulated modem read, saved, loaded into a fresh container and saved again: the
// two files are byte-identical, and the editor compared with or loaded from its own file finds nothing new.
// (Each value read against the target: the model-based session test.)

#include "core/editor_session.h"
#include "core/read_groups.h"
#include "files_test_support.h"
#include "support/sim_host.h"

namespace vtq {
namespace {

TEST(NvmFileRoundTrip, DefaultImageSavesLoadsAndComparesAlike) {
    test::SimHost host;
    test::TempDir dir;
    test::ScriptedUser user;
    EditorSession session(host, {}, dir.File("Brevant.ini"));
    ASSERT_TRUE(session.Start());
    GroupItems& items = session.Items();
    items.CheckAllGroups();
    ASSERT_GT(ReadGroups(session, user).total, 1000);
    // Types as the type query learns them, so that both line forms are written.
    int typed = 0;
    for (NVMParameter* p : items.View())
        if (++typed % 3 == 0) p->type = typed % 2 ? "uint8" : "string";

    const std::string first = dir.File("first.nvm"), second = dir.File("second.nvm");
    user.fileNames = {dir.File("first")};
    ASSERT_TRUE(SaveFileClick(session, user));
    user.messages.clear();
    GroupItems fresh;
    LoadCounts counts;
    ASSERT_TRUE(LoadParameters(fresh, first, counts, FileNames::AsGiven));
    const int records = items.ViewCount();
    EXPECT_EQ(counts.added, records);
    ASSERT_TRUE(WriteParameters(fresh, second, &user, FileUnitIdentity(test::FileBytes(first))));
    EXPECT_TRUE(test::FileBytes(first) == test::FileBytes(second));

    user.fileNames = {first};
    std::unique_ptr<NVMDiff> diff = CompareClick(session, user);
    ASSERT_NE(diff, nullptr);
    EXPECT_EQ(CompareClick(session, user), nullptr);  // cancelled
    EXPECT_EQ(diff->StatusText(), "No differences.");
    EXPECT_TRUE(user.messages.empty());

    // Loading the editor's own file into it changes nothing.
    user.fileNames = {second};
    host.lines.clear();
    EXPECT_TRUE(LoadFileClick(session, user));
    EXPECT_FALSE(LoadFileClick(session, user));  // cancelled
    EXPECT_EQ(host.Texts(), std::vector<std::string>{"File Loaded. Replaced 0 items. (" + std::to_string(records) +
                                                     " unchanged values.)"});
}

}  // namespace
}  // namespace vtq
