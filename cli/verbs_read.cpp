#include "cli/verb_run.h"

#include <QJsonArray>
#include <algorithm>

#include "base/file_io.h"
#include "channel/long_operation.h"
#include "channel/command_exchange.h"
#include "files/file_operations.h"
#include "files/nvm_compare.h"
#include "files/nvm_file.h"
#include "core/read_groups.h"

namespace nvmtool {

// The parameter file as the file writer writes it, for standard output.
std::string VerbRun::ViewAsFile() {
    std::string text;
    for (const std::string& line : vtq::ParameterFileLines(Items())) text += line + "\r\n";
    return text;
}

QJsonArray VerbRun::ViewAsJson() {
    QJsonArray list;
    for (const vtq::NVMParameter* p : Items().View())
        list.append(QJsonObject{{"name", Text(p->name)}, {"value", Text(p->value)}, {"type", Text(p->type)}});
    return list;
}

void VerbRun::Groups() {
    QJsonArray list;
    for (const auto& [name, number] : session_.GroupTable().Entries()) {
        run_.out += name + "=" + std::to_string(number) + "\n";
        list.append(QJsonObject{{"name", Text(name)}, {"number", number}});
    }
    run_.fields["groups"] = list;
}

void VerbRun::Read() {
    if (!SelectGroups(o_.all ? session_.GroupTable().Names() : o_.args) || !ReadSelected()) return;
    if (!o_.filter.empty()) Items().SetFilter(o_.filter);
    Count("parameters", Items().ViewCount());
    run_.fields["parameters"] = ViewAsJson();
    if (o_.output.empty()) {
        run_.out = ViewAsFile();
        return;
    }
    if (Interrupted() != 0) return;  // an interrupted run saves nothing
    const std::string asked = OutPath(o_.output);
    // Skipped parameters or groups not read make the file incomplete: it goes beside, and a complete file at
    // the name asked for stays.
    const bool incomplete = run_.status != kDone && asked != "-";
    const std::string path = incomplete ? vtq::PartialFilePath(asked) : asked;
    run_.fields["file"] = Text(path);
    if (Items().ViewCount() == 0) {
        Fail(kDifferences, "No parameters to save: " + path + " is not written.");
    } else if (!vtq::WriteParameters(Items(), path, &user_)) {
        Fail(kFileError, "Cannot write " + path + ".");
    } else if (incomplete) {
        user_.Log("The read is incomplete, so the parameters read were written to \"" + path + "\"; \"" + asked +
                      "\" was not replaced.",
                  0);
    }
}

void VerbRun::Get() {
    if (!SelectGroups(GroupsOf(o_.args)) || !ReadSelected()) return;
    QJsonArray list;
    for (const std::string& name : o_.args) {
        const vtq::NVMParameter* p = vtq::FindRecord(Items(), name);
        if (p == nullptr) {
            Fail(kBadInput, "The target has no parameter \"" + name + "\".");
            continue;
        }
        run_.out += vtq::NvmParameterLine(p->name, p->value, {}) + "\n";
        list.append(QJsonObject{{"name", Text(p->name)}, {"value", Text(p->value)}, {"type", Text(p->type)}});
    }
    run_.fields["parameters"] = list;
}

// Compares the records read with the file; `groups` (may be empty: all)
// limits the differences to those groups. False when the file went away.
bool VerbRun::CompareWithFile(const std::string& path, const std::vector<std::string>& groups) {
    std::unique_ptr<vtq::NVMDiff> diff = vtq::CompareWithFile(Items(), host_, path, user_);
    if (!diff) return Fail(kFileError, "Cannot read the file " + path + ".");
    QJsonArray list;
    int count = 0;
    for (const vtq::Difference& d : diff->Result()) {
        const size_t close = d.text.find('"', 1);
        const std::string group = vtq::GroupOfName(d.text.substr(1, close == std::string::npos ? 0 : close - 1));
        if (!groups.empty() && std::none_of(groups.begin(), groups.end(),
                                            [&](const std::string& g) { return vtq::SameText(g, group); }))
            continue;
        ++count;
        run_.out += d.text + "\n";
        list.append(QJsonObject{{"kind", vtq::DiffLabel(d.kind)}, {"text", Text(d.text)}});
    }
    run_.fields["differences"] = list;
    Count("differenceCount", count);
    if (count > 0) Fail(kDifferences, vtq::DifferenceCountText(count));
    return true;
}

void VerbRun::Diff() {
    const std::string& path = o_.args[0];
    FileGroups fileGroups;
    if (!CheckParameterFile(path, fileGroups)) return;
    const std::vector<std::string> only(o_.args.begin() + 1, o_.args.end());
    std::vector<std::string> groups = only;
    if (groups.empty() && !GroupsOnTarget(path, fileGroups, groups)) return;
    if (!SelectGroups(groups) || !ReadSelected()) return;
    CompareWithFile(path, only);
}

void VerbRun::Commit() {
    if (SelectGroups(o_.all ? session_.GroupTable().Names() : o_.args)) CommitChecked();
}

void VerbRun::Send() {
    std::string answer;
    uint8_t lost = 0;
    if (!host_.SendReceive(o_.args[0], answer, false, &lost))
        return (void)Fail(kTargetLost, "No answer to " + o_.args[0] + ".");
    run_.out = answer;
    run_.fields["answer"] = Text(answer);
    run_.fields["ok"] = vtq::IsGoodAnswer(answer);
    if (!vtq::IsGoodAnswer(answer)) Fail(kDifferences, "The answer does not end in OK.");
}

}  // namespace nvmtool
