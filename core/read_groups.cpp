#include "editor/read_groups.h"

#include <vector>

#include "channel/command_exchange.h"
#include "channel/long_operation.h"
#include "model/dump_parser.h"
#include "model/group_items.h"

namespace vtq {

namespace {

class LostFlagLink {
public:
    LostFlagLink(GroupItems& items, uint8_t* lost) : items_(items) { items_.SetTargetLostFlag(lost); }
    ~LostFlagLink() { items_.SetTargetLostFlag(nullptr); }
    LostFlagLink(const LostFlagLink&) = delete;
    LostFlagLink& operator=(const LostFlagLink&) = delete;

private:
    GroupItems& items_;
};

}  // namespace

std::string DumpCommand(const std::string& group) { return "at@nvm:dump_csv_add(\"" + group + "\")\r"; }

ReadGroupsResult ReadGroups(Host& host, UserSide& user, GroupItems& items, bool echo) {
    ReadGroupsResult result;
    const std::vector<std::string> names = items.CheckedGroupNames();
    if (names.empty()) {
        user.Message(kNoGroupsToReadMessage);
        return result;
    }
    LongOperation op(host, user);
    if (!op.Begin()) return result;
    result.started = true;

    const int count = static_cast<int>(names.size());
    op.OpenProgress(count);
    {
        // The view is rebuilt once, when the bracket closes, on every path out.
        UpdateBracket bracket(items);
        // The size and value queries made while a group is parsed watch for a
        // lost target too: a target lost during the last group's queries must
        // not end in a read reported as complete.
        LostFlagLink lostLink(items, op.LostFlag());
        if (count == 1) op.SetStatus("Reading \"" + names[0] + "\" group...");
        for (int i = 0; i < count; ++i) {
            op.SetPosition(i);
            const int group = items.GroupIndex(names[i]);
            items.ClearGroup(group);
            if (count > 1)
                op.SetStatus("Reading \"" + names[i] + "\" group (" + std::to_string(i + 1) + "/" +
                             std::to_string(count) + ")...");
            if (!op.Poll()) break;
            std::string answer;
            if (Exchange(host, DumpCommand(names[i]), answer, echo, op.LostFlag())) {
                ++result.groupsRead;
                result.total += ParseDumpAnswer(items, answer, group);
            }
            if (op.Closing()) {
                // The window is going away: no further step and no message. The
                // operation's end closes the progress window and the cursor.
                result.closing = true;
                result.targetLost = op.TargetLost();
                return result;
            }
            if (op.TargetLost()) break;
        }
        items.RemoveExtraLutFill(true);
    }
    result.cancelled = op.Cancelled();
    result.targetLost = op.TargetLost();
    if (result.cancelled) op.Log(kReadCancelledLine);
    op.CloseProgress();
    op.Log(result.total > 0 ? std::to_string(result.total) + " NVM items read in total." : std::string(kNoItemsReadLine));
    op.End();
    return result;
}

}  // namespace vtq
