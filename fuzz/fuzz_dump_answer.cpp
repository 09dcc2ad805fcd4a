// Any input as a group dump answer, read into a container whose target queries
// all fail, then shown, filtered, cleaned of table bases and written as
// commands. Each input line is also parsed as a decoded record line, so that
// bytes the prefix code cannot carry reach the parser too.

#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "core/dump_parser.h"
#include "model/group_items.h"
#include "model/write_commands.h"
#include "support/host_model_link.h"
#include "support/scripted_host.h"

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

    std::ostringstream file;
    for (vtq::NVMParameter* p : items.View()) vtq::WriteParameter(host, *p, true, &file);
    items.ClearGroup(0);
    items.ClearAll();
    return 0;
}
