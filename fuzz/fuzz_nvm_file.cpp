// Any input as a parameter file: merged into a container holding records (its target queries fail) and loaded
// into a fresh one, then the two compared and shown as the difference window shows them. What must hold: the file
// check names a group for every name it passes; the comparison finds what a search of each name finds; every
// record writes as well-formed commands, the dry run printing what the write sends; a saved file loads back into
// the same records. Campaigns run with -max_len=65536, a file of some thousand lines.

#include <memory>
#include <set>

#include "base/text.h"
#include "files/nvm_compare.h"
#include "files/nvm_file.h"
#include "files/nvm_file_check.h"
#include "fuzz_checks.h"
#include "model/group_items.h"
#include "support/host_model_link.h"

namespace {

using fuzzcheck::Check;

// The target's own parameters in the container the file is merged into, with their element counts (0: scalar).
const std::map<std::string, int, std::less<>> kTargetArrays = {{"grp.a", 0}, {"grp.tab", 3}, {"grp.big", 300}};

std::string BigValue() {
    std::string value = "1000";
    for (int i = 1; i < 300; ++i) value += "," + std::to_string(1000 + i);
    return value;
}

// Checks the write of every record against the arrays the container knows from the target.
void CheckWrites(vtq::GroupItems& items, const std::map<std::string, int, std::less<>>& arrays) {
    for (int g = 0; g < items.GroupCount(); ++g)
        for (const vtq::NVMParameter* p : items.Group(g)->params) fuzzcheck::CheckRecordWrite(*p, arrays);
}

// Saves the container's view and checks that every record the file holds loads back equal, and nothing else.
void CheckSaveLoadsBack(vtq::GroupItems& items, vtq::ModelLink& link) {
    items.RebuildView();
    if (items.ViewCount() == 0) return;
    // Records are compared by name; a name the view shows twice is saved twice and loads back once.
    std::map<std::string, const vtq::NVMParameter*> shown;
    for (const vtq::NVMParameter* p : items.View())
        if (!shown.emplace(p->name, p).second) return;
    const std::vector<std::string> lines = vtq::ParameterFileLines(items);
    const std::set<std::string> saved(lines.begin(), lines.end());
    const std::string path = fuzzcheck::WorkFolder() + "/saved.nvm";
    // A view whose every record is left out writes no file.
    if (lines.size() <= 2) return Check(!vtq::WriteParameters(items, path, nullptr), "a save wrote no record");
    Check(vtq::WriteParameters(items, path, nullptr), "the save failed");
    vtq::GroupItems loaded(&link);
    vtq::LoadCounts counts;
    Check(vtq::LoadParameters(loaded, path, counts, vtq::FileNames::AsGiven), "the saved file cannot be read");
    std::map<std::string, const vtq::NVMParameter*> back;
    for (int g = 0; g < loaded.GroupCount(); ++g)
        for (const vtq::NVMParameter* p : loaded.Group(g)->params) back.emplace(p->name, p);
    for (const auto& [name, p] : shown) {
        std::string line;
        vtq::AssignRecordLine(line, *p);
        const auto found = back.find(name);
        if (!saved.count(line)) continue;  // left out of the file, with a line in the log
        Check(found != back.end(), "a saved record does not load back", name);
        const vtq::NVMParameter& b = *found->second;
        Check(b.value == p->value && b.type == p->type && b.elementCount == p->elementCount,
              "a saved record loads back with another value, type or size", name);
    }
    for (const auto& [name, p] : back) Check(shown.count(name) == 1, "a record loads back that was not saved", name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A copy of exactly the input's size, so ASan sees any read past its end.
    const std::string input(reinterpret_cast<const char*>(data), size);
    // The check before a write: a file it passes names a group for every parameter it names.
    const vtq::NvmFileCheck check = vtq::CheckNvmFileText(input, "f");
    Check(!check.fault.empty() || (!check.groups.empty() && check.names.size() >= check.groups.size()),
          "the file check passed a file without a group for every name");
    vtq::test::ScriptedHost host;
    vtq::test::HostModelLink link(host, false);  // every target query fails
    vtq::GroupItems editor(&link);
    {
        vtq::UpdateBracket bracket(editor);
        editor.FindOrAddGroup("grp");
        editor.AddParameter(0, "grp.a", "1", "uint8", false);
        editor.AddParameter(0, "grp.tab", "1,2,3", "", false);
        editor.AddParameter(0, "grp.tab[1]", "2", "", false);
        static const std::string big = BigValue();
        editor.AddParameter(0, "grp.big", big, "int16", false);
    }
    vtq::LoadCounts counts;
    vtq::LoadParametersFromText(editor, input, counts, vtq::FileNames::AsTarget);
    auto file = std::make_unique<vtq::GroupItems>(&link);
    vtq::LoadParametersFromText(*file, input, counts, vtq::FileNames::AsGiven);
    if (!counts.Empty()) (void)vtq::LoadReport(counts);

    // The comparison walks both lists side by side; a search of each name is the reference.
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
                        reference.push_back({"\"" + p->name + "\" missing", vtq::DiffKind::Missing, p->name});
        }
        const vtq::DifferenceList result = vtq::CompareLists(*file, editor, onlyFiltered);
        bool same = result.size() == reference.size();
        for (size_t i = 0; same && i < result.size(); ++i)
            same = result[i].text == reference[i].text && result[i].kind == reference[i].kind &&
                   result[i].name == reference[i].name;
        Check(same, "the comparison differs from a search of every name");
    }
    CheckWrites(editor, kTargetArrays);
    CheckWrites(*file, {});
    CheckSaveLoadsBack(*file, link);

    vtq::NVMDiff diff(std::move(file), editor);
    (void)diff.RowTexts();
    diff.SetShown(vtq::DiffKind::Missing, false);
    diff.SetSelectedOnly(true);
    (void)diff.StatusText();
    return 0;
}
