// Any input as the target's answer to the group-list query, fetched as at the start of a session. What must hold:
// every group of the table has a trimmed name the container lists, found again by name, and its dump and commit
// commands are one line each, whatever the target put into the name.

#include "channel/command_exchange.h"
#include "channel/target_commands.h"
#include "core/group_list.h"
#include "fuzz_checks.h"
#include "model/group_items.h"
#include "support/host_model_link.h"

using fuzzcheck::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    vtq::test::ScriptedHost target;
    target.responder = [&](const std::string& command, std::string& answer) {
        answer = command == vtq::cmd::kGroupList ? input + "\r\nOK" : "OK";
        return true;
    };
    vtq::test::HostModelLink link(target, false);
    vtq::GroupItems items(&link);
    vtq::TargetGroupTable table;
    // The stored selection is the answer's first line: any text may stand there too.
    const bool fetched = vtq::FetchGroupList(target, items, table, input.substr(0, input.find('\n')));
    Check(fetched == !table.Empty(), "the fetch result disagrees with the table");

    fuzzcheck::RecordingHost recorder;
    for (const auto& [name, number] : table.Entries()) {
        Check(!name.empty() && name == vtq::Trim(name), "a group name that is empty or not trimmed", name);
        Check(table.Number(name) == number, "a group not found again by its name", name);
        const int index = items.GroupIndex(name);
        Check(index >= 0 && !items.IsNotOnTarget(index), "a listed group missing from the container", name);
        std::string answer;
        vtq::Exchange(recorder, vtq::cmd::Dump(name), answer);
        vtq::Exchange(recorder, vtq::cmd::Commit(number), answer);
    }
    for (const std::string& command : recorder.commands) fuzzcheck::CheckOneLine(command);
    Check(items.GroupCount() >= table.Size(), "the container holds fewer groups than the table");
    return 0;
}
