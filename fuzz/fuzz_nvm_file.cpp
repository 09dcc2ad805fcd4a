// Any input as a parameter file: merged into a container that already holds
// records (its target queries all fail), and into a fresh one that keeps the
// file's names; then the two are compared (checked against a search of every
// name), shown as the difference window shows them, and every line is parsed on its own and written back as a
// parameter line.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/text.h"
#include "files/nvm_compare.h"
#include "files/nvm_file.h"
#include "model/group_items.h"
#include "support/host_model_link.h"
#include "support/scripted_host.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A copy of exactly the input's size, so ASan sees any read past its end.
    const std::string input(reinterpret_cast<const char*>(data), size);
    vtq::test::ScriptedHost host;
    vtq::test::HostModelLink link(host, false);  // every target query fails
    vtq::GroupItems editor(&link);
    {
        vtq::UpdateBracket bracket(editor);
        editor.FindOrAddGroup("grp");
        editor.AddParameter(0, "grp.a", "1", "uint8", false);
        editor.AddParameter(0, "grp.tab", "1,2,3", "", false);
        editor.AddParameter(0, "grp.tab[1]", "2", "", false);
    }
    vtq::LoadCounts counts;
    vtq::LoadParametersFromText(editor, input, counts, vtq::FileNames::AsTarget);
    auto file = std::make_unique<vtq::GroupItems>(&link);
    vtq::LoadParametersFromText(*file, input, counts, vtq::FileNames::AsGiven);
    if (!counts.Empty()) (void)vtq::LoadReport(counts);

    // The comparison walks both lists side by side; it must find exactly what
    // a search of each name finds.
    for (bool onlyFiltered : {false, true}) {
        vtq::DifferenceList reference;
        if (onlyFiltered) {
            for (const vtq::NVMParameter* p : file->View()) vtq::CompareOne(editor, *p, reference);
        } else {
            for (int i = 0; i < file->GroupCount(); ++i)
                for (const vtq::NVMParameter* p : file->Group(i)->params) vtq::CompareOne(editor, *p, reference);
            for (int i = 0; i < editor.GroupCount(); ++i)
                for (const vtq::NVMParameter* p : editor.Group(i)->params)
                    if (!vtq::FindRecord(*file, p->name))
                        reference.push_back({"\"" + p->name + "\" missing", vtq::DiffKind::Missing});
        }
        const vtq::DifferenceList result = vtq::CompareLists(*file, editor, onlyFiltered);
        if (result.size() != reference.size()) __builtin_trap();
        for (size_t i = 0; i < result.size(); ++i)
            if (result[i].text != reference[i].text || result[i].kind != reference[i].kind) __builtin_trap();
    }
    vtq::NVMDiff diff(std::move(file), editor);
    (void)diff.RowTexts();
    diff.SetShown(vtq::DiffKind::Missing, false);
    diff.SetSelectedOnly(true);
    (void)diff.StatusText();

    std::string_view rest = input;
    vtq::NvmLine line;
    std::string text;
    while (!rest.empty()) {
        if (!vtq::ParseNvmLine(vtq::NextLine(rest), line)) continue;
        vtq::AssignParameterLine(text, line.name, line.value, line.type);
        vtq::ParseNvmLine(text, line);
    }
    return 0;
}
