#pragma once
// Comparison of the editor's parameters with a parameter file: one difference
// per record at most, a value difference hiding a type difference, and the
// editor's records the file lacks. NVMDiff is what the difference window shows.

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vtq {

class GroupItems;
struct NVMParameter;

enum class DiffKind : int { Missing = 0, Extra = 1, Value = 2, Type = 3 };
inline constexpr int kDiffKindCount = 4;

struct Difference {
    std::string text;  // the line the difference window shows
    DiffKind kind;
    std::string name;  // the parameter's full name (group.name)
};
using DifferenceList = std::vector<Difference>;

// "Missing", "Extra", "!=", "!type".
const char* DiffLabel(DiffKind kind);

inline constexpr const char* kNoDifferencesText = "No differences.";
inline constexpr const char* kEmptyDiffRow = "(empty)";

// Appends at most one difference for the file's record `fileRecord`.
void CompareOne(const GroupItems& editorList, const NVMParameter& fileRecord, DifferenceList& result);

// Appends a Missing difference for every record of every editor group,
// checked or not, that the file list does not hold.
void MissingPass(const GroupItems& editorList, const GroupItems& fileList, DifferenceList& result);

// Unrestricted: every record of the file list in group and name order, then the
// missing pass. `onlyFiltered`: the records of the file list's view, no missing pass.
DifferenceList CompareLists(const GroupItems& fileList, const GroupItems& editorList, bool onlyFiltered);

// "1 difference.", "<n> differences." or "No differences.".
std::string DifferenceCountText(int count);

// The comparison as the difference window shows it: which kinds are shown,
// the restriction, and the result, computed on demand and discarded when the
// restriction changes.
class NVMDiff {
public:
    // The file list is owned; the editor list must outlive this object.
    NVMDiff(std::unique_ptr<GroupItems> fileList, const GroupItems& editorList);
    ~NVMDiff();
    NVMDiff(const NVMDiff&) = delete;
    NVMDiff& operator=(const NVMDiff&) = delete;

    const GroupItems& FileList() const { return *fileList_; }
    const GroupItems& EditorList() const { return editorList_; }

    bool Shown(DiffKind kind) const { return shown_[static_cast<size_t>(kind)]; }
    void SetShown(DiffKind kind, bool shown) { shown_[static_cast<size_t>(kind)] = shown; }
    // "Check only filtered items". A change discards the result.
    bool SelectedOnly() const { return selectedOnly_; }
    void SetSelectedOnly(bool on);

    bool HasResult() const { return hasResult_; }
    // The whole result, computed first when there is none.
    const DifferenceList& Result();
    void Discard();

    // The differences of the shown kinds, in result order (computes the result when needed).
    std::vector<const Difference*> ShownDifferences();
    // Column 0 of every grid row: the shown texts, or the one "(empty)" row.
    std::vector<std::string> RowTexts();
    // The status bar text for the shown differences.
    std::string StatusText();

private:
    std::unique_ptr<GroupItems> fileList_;
    const GroupItems& editorList_;
    std::array<bool, kDiffKindCount> shown_{true, true, true, true};
    bool selectedOnly_ = false;
    bool hasResult_ = false;
    DifferenceList result_;
};

}  // namespace vtq
