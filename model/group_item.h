#pragma once
// One NVM group and its records, ordered by name without regard to case.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/nvm_parameter.h"
#include "model/text.h"

namespace vtq {

// The records of a group, sorted by name without regard to case, each name at
// most once. It owns its records. Every change of membership bumps Version(),
// which tells the view when a group's display order must be sorted again.
class ParamMap {
public:
    struct Less {
        using is_transparent = void;
        bool operator()(const std::unique_ptr<NVMParameter>& a, const std::unique_ptr<NVMParameter>& b) const {
            return CompareText(a->name, b->name) < 0;
        }
        bool operator()(const std::unique_ptr<NVMParameter>& a, std::string_view b) const {
            return CompareText(a->name, b) < 0;
        }
        bool operator()(std::string_view a, const std::unique_ptr<NVMParameter>& b) const {
            return CompareText(a, b->name) < 0;
        }
    };
    using Set = std::set<std::unique_ptr<NVMParameter>, Less>;
    using const_iterator = Set::const_iterator;

    const_iterator begin() const { return records_.begin(); }
    const_iterator end() const { return records_.end(); }
    size_t size() const { return records_.size(); }
    bool empty() const { return records_.empty(); }

    // The record of that name (any case), or null.
    NVMParameter* Find(std::string_view name) const;
    // The record at a position in name order, or null when out of range.
    NVMParameter* At(size_t position) const;
    // Inserts the record under its name. When the name is present the existing
    // record stays and the new one is freed; answers the record now in the map
    // and whether the new one was inserted.
    std::pair<NVMParameter*, bool> Insert(std::unique_ptr<NVMParameter> record);
    bool Erase(std::string_view name);
    bool EraseAt(size_t position);
    const_iterator Erase(const_iterator it);
    void Clear();

    uint64_t Version() const { return version_; }

private:
    Set records_;
    uint64_t version_ = 0;
};

struct GroupItem {
    std::string name;
    bool checked = false;
    bool notOnTarget = false;  // not in the target's last group list (drawn grey, skipped by commit)
    ParamMap params;
    int32_t firstViewIndex = -1;

    // Display order of `params`, kept by GroupItems::RebuildView until the records change.
    std::vector<NVMParameter*> naturalOrder;
    uint64_t naturalOrderVersion = UINT64_MAX;
};

}  // namespace vtq
