#include "files/nvm_compare.h"

#include "base/text.h"
#include "model/group_items.h"

namespace vtq {

const char* DiffLabel(DiffKind kind) {
    switch (kind) {
        case DiffKind::Missing:
            return "Missing";
        case DiffKind::Extra:
            return "Extra";
        case DiffKind::Value:
            return "!=";
        case DiffKind::Type:
            return "!type";
    }
    return "";
}

namespace {

std::string_view GroupPart(std::string_view name) {
    const size_t dot = name.find('.');
    return dot == std::string_view::npos ? std::string_view() : TrimView(name.substr(0, dot));
}

// FindRecord for names that mostly come in the container's own order (a group
// after group, each in name order): the last group is kept, and in it the
// search walks on from the last place, a merge of two sorted lists. A name that
// sorts before that place is searched in the tree.
class RecordFinder {
public:
    explicit RecordFinder(const GroupItems& items) : items_(items) {}

    NVMParameter* Find(std::string_view name) {
        const std::string_view group = GroupPart(name);
        if (!haveGroup_ || !SameText(group, groupName_)) {
            group_ = items_.FindGroup(group);
            groupName_.assign(group);
            haveGroup_ = true;
            if (group_) cursor_ = group_->params.begin();
        }
        if (!group_) return nullptr;
        const ParamMap& params = group_->params;
        if (cursor_ != params.begin() && !ParamMap::NameLess((*std::prev(cursor_))->name, name))
            return params.Find(name);
        while (cursor_ != params.end() && ParamMap::NameLess((*cursor_)->name, name)) ++cursor_;
        if (cursor_ != params.end() && !ParamMap::NameLess(name, (*cursor_)->name)) return *cursor_;
        return nullptr;
    }

private:
    const GroupItems& items_;
    bool haveGroup_ = false;
    std::string groupName_;
    const GroupItem* group_ = nullptr;
    ParamMap::const_iterator cursor_;
};

// The difference for the file's record given the editor's record of that name (null: none).
void AppendDifference(const NVMParameter* e, const NVMParameter& fileRecord, DifferenceList& result) {
    if (!e) {
        result.push_back({"\"" + fileRecord.name + "\" added", DiffKind::Extra, fileRecord.name});
    } else if (e->value != fileRecord.value) {
        result.push_back({"\"" + fileRecord.name + "\" value: \"" + e->value + "\" != \"" + fileRecord.value + "\"",
                          DiffKind::Value, fileRecord.name});
    } else if (e->type != fileRecord.type && !e->type.empty() && !fileRecord.type.empty()) {
        result.push_back(
            {"\"" + fileRecord.name + "\" type: \"" + e->type + "\" != \"" + fileRecord.type + "\"", DiffKind::Type,
             fileRecord.name});
    }
}

}  // namespace

void CompareOne(const GroupItems& editorList, const NVMParameter& fileRecord, DifferenceList& result) {
    AppendDifference(FindRecord(editorList, fileRecord.name), fileRecord, result);
}

void MissingPass(const GroupItems& editorList, const GroupItems& fileList, DifferenceList& result) {
    RecordFinder file(fileList);
    for (int i = 0; i < editorList.GroupCount(); ++i) {
        for (const NVMParameter* p : editorList.Group(i)->params)
            if (!file.Find(p->name)) result.push_back({"\"" + p->name + "\" missing", DiffKind::Missing, p->name});
    }
}

DifferenceList CompareLists(const GroupItems& fileList, const GroupItems& editorList, bool onlyFiltered) {
    DifferenceList result;
    RecordFinder editor(editorList);
    if (onlyFiltered) {
        for (const NVMParameter* p : fileList.View()) AppendDifference(editor.Find(p->name), *p, result);
        return result;
    }
    for (int i = 0; i < fileList.GroupCount(); ++i) {
        for (const NVMParameter* p : fileList.Group(i)->params) AppendDifference(editor.Find(p->name), *p, result);
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
