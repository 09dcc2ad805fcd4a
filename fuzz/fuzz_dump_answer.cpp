// Any input as a group dump answer (and each line as a decoded record line, so bytes the prefix code cannot carry
// reach the parser), read into a container whose target queries fail, shown, filtered, cleaned of table bases and
// written. What must hold: every record's write commands are well formed (CheckRecordWrite).
// Campaigns run with -max_len=65536, the size of a large group's answer.

#include "core/dump_parser.h"
#include "fuzz_checks.h"
#include "model/group_items.h"
#include "support/host_model_link.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A copy of exactly the input's size, so ASan sees any read past its end.
    const std::string input(reinterpret_cast<const char*>(data), size);
    vtq::test::ScriptedHost host;  // answers every query with ERROR
    vtq::test::HostModelLink link(host);
    vtq::GroupItems items(&link);
    {
        vtq::UpdateBracket bracket(items);
        items.FindOrAddGroup("grp");
        items.FindOrAddGroup("cal");
        vtq::ParseDumpAnswer(items, input, 0);
        std::string_view rest = input;
        while (!rest.empty()) vtq::ParseDumpLine(items, vtq::NextLine(rest), 1);
        items.RemoveExtraLutFill(true);
        items.CheckAllGroups();
    }
    items.SetFilter(input.substr(0, 3));
    items.SetFilter("");

    for (const vtq::NVMParameter* p : items.View()) fuzzcheck::CheckRecordWrite(*p, {}, true);
    items.ClearGroup(0);
    items.ClearAll();
    return 0;
}
