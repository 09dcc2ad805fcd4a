#include "files/nvm_compare.h"

#include "base/text.h"
#include "model/group_items.h"

namespace vtq {

const char* DiffLabel(DiffKind kind) {
    switch (kind) {
    case DiffKind::Missing: return "Missing";
    case DiffKind::Extra: return "Extra";
    case DiffKind::Value: return "!=";
    case DiffKind::Type: return "!type";
    }
    return "";
}

NVMParameter* FindRecord(const GroupItems& items, std::string_view name) {
    const size_t dot = name.find('.');
    const std::string_view group = dot == std::string_view::npos ? std::string_view() : TrimView(name.substr(0, dot));
    const GroupItem* g = items.FindGroup(group);
    return g ? g->params.Find(name) : nullptr;
}

void CompareOne(const GroupItems& editorList, const NVMParameter& fileRecord, DifferenceList& result) {
    const NVMParameter* e = FindRecord(editorList, fileRecord.name);
    if (!e) {
        result.push_back({"\"" + fileRecord.name + "\" added", DiffKind::Extra});
    } else if (e->value != fileRecord.value) {
        result.push_back({"\"" + fileRecord.name + "\" value: \"" + e->value + "\" != \"" + fileRecord.value + "\"",
                          DiffKind::Value});
    } else if (e->type != fileRecord.type && !e->type.empty() && !fileRecord.type.empty()) {
        result.push_back({"\"" + fileRecord.name + "\" type: \"" + e->type + "\" != \"" + fileRecord.type + "\"",
                          DiffKind::Type});
    }
}

void MissingPass(const GroupItems& editorList, const GroupItems& fileList, DifferenceList& result) {
    for (int i = 0; i < editorList.GroupCount(); ++i) {
        for (const NVMParameter* p : editorList.Group(i)->params)
            if (!FindRecord(fileList, p->name)) result.push_back({"\"" + p->name + "\" missing", DiffKind::Missing});
    }
}

DifferenceList CompareLists(const GroupItems& fileList, const GroupItems& editorList, bool onlyFiltered) {
    DifferenceList result;
    if (onlyFiltered) {
        for (const NVMParameter* p : fileList.View()) CompareOne(editorList, *p, result);
        return result;
    }
    for (int i = 0; i < fileList.GroupCount(); ++i) {
        for (const NVMParameter* p : fileList.Group(i)->params) CompareOne(editorList, *p, result);
    }
    MissingPass(editorList, fileList, result);
    return result;
}

std::string DifferenceCountText(int count) {
    if (count == 0) return kNoDifferencesText;
    if (count == 1) return "1 difference.";
    return std::to_string(count) + " differences.";
}

NVMDiff::NVMDiff(std::unique_ptr<GroupItems> fileList, const GroupItems& editorList)
    : fileList_(std::move(fileList)), editorList_(editorList) {}

NVMDiff::~NVMDiff() = default;

void NVMDiff::SetSelectedOnly(bool on) {
    if (on == selectedOnly_) return;
    selectedOnly_ = on;
    Discard();
}

const DifferenceList& NVMDiff::Result() {
    if (!hasResult_) {
        result_ = CompareLists(*fileList_, editorList_, selectedOnly_);
        hasResult_ = true;
    }
    return result_;
}

void NVMDiff::Discard() {
    DifferenceList().swap(result_);
    hasResult_ = false;
}

std::vector<const Difference*> NVMDiff::ShownDifferences() {
    std::vector<const Difference*> shown;
    for (const Difference& d : Result())
        if (Shown(d.kind)) shown.push_back(&d);
    return shown;
}

std::vector<std::string> NVMDiff::RowTexts() {
    std::vector<std::string> rows;
    for (const Difference* d : ShownDifferences()) rows.push_back(d->text);
    if (rows.empty()) rows.emplace_back(kEmptyDiffRow);
    return rows;
}

std::string NVMDiff::StatusText() { return DifferenceCountText(static_cast<int>(ShownDifferences().size())); }

}  // namespace vtq
