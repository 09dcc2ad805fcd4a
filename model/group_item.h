#pragma once
// One NVM group and its records, ordered by name without regard to case.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/text.h"
#include "model/nvm_parameter.h"

namespace vtq {

// The records of a group, sorted by name without regard to case, each name at
// most once. Records live inside the map's nodes (one allocation per record)
// and keep their address until they are erased. Iteration yields
// NVMParameter*. Every change of membership bumps Version(), which tells the
// view when a group's display order must be sorted again.
class ParamMap {
public:
    // The order of CompareText, inlined: names of one group share long
    // prefixes, which are skipped eight bytes at a time.
    static bool NameLess(std::string_view a, std::string_view b) {
        const size_t n = a.size() < b.size() ? a.size() : b.size();
        size_t i = 0;
        for (; i + 8 <= n; i += 8) {
            uint64_t x, y;
            std::memcpy(&x, a.data() + i, 8);
            std::memcpy(&y, b.data() + i, 8);
            if (x != y) break;
        }
        for (; i < n; ++i) {
            if (a[i] == b[i]) continue;
            const auto ca = static_cast<unsigned char>(LowerAscii(a[i]));
            const auto cb = static_cast<unsigned char>(LowerAscii(b[i]));
            if (ca != cb) return ca < cb;
        }
        return a.size() < b.size();
    }
    struct Less {
        using is_transparent = void;
        bool operator()(const NVMParameter& a, const NVMParameter& b) const { return NameLess(a.name, b.name); }
        bool operator()(const NVMParameter& a, std::string_view b) const { return NameLess(a.name, b); }
        bool operator()(std::string_view a, const NVMParameter& b) const { return NameLess(a, b.name); }
    };
    using Set = std::set<NVMParameter, Less>;

    class const_iterator {
    public:
        using iterator_category = std::bidirectional_iterator_tag;
        using value_type = NVMParameter*;
        using difference_type = std::ptrdiff_t;
        using pointer = NVMParameter*;
        using reference = NVMParameter*;

        const_iterator() = default;
        explicit const_iterator(Set::const_iterator it) : it_(it) {}
        // Only the name orders the set; every other field may change in place.
        NVMParameter* operator*() const { return const_cast<NVMParameter*>(&*it_); }
        NVMParameter* operator->() const { return operator*(); }
        const_iterator& operator++() {
            ++it_;
            return *this;
        }
        const_iterator operator++(int) {
            auto old = *this;
            ++it_;
            return old;
        }
        const_iterator& operator--() {
            --it_;
            return *this;
        }
        const_iterator operator--(int) {
            auto old = *this;
            --it_;
            return old;
        }
        bool operator==(const const_iterator& other) const { return it_ == other.it_; }
        Set::const_iterator base() const { return it_; }

    private:
        Set::const_iterator it_;
    };

    const_iterator begin() const { return const_iterator(records_.begin()); }
    const_iterator end() const { return const_iterator(records_.end()); }
    size_t size() const { return records_.size(); }
    bool empty() const { return records_.empty(); }

    // The record of that name (any case), or null.
    NVMParameter* Find(std::string_view name) const;
    // The record at a position in name order, or null when out of range.
    NVMParameter* At(size_t position) const;
    // Inserts the record under its name. When the name is present the existing
    // record stays and the new one is dropped; answers the record now in the
    // map and whether the new one was inserted.
    std::pair<NVMParameter*, bool> Insert(NVMParameter&& record);
    std::pair<NVMParameter*, bool> Insert(std::unique_ptr<NVMParameter> record) { return Insert(std::move(*record)); }
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
    // The records were numbered by the last rebuild (their viewIndex may be set).
    bool shownInView = false;
    // Version of `params` at which RemoveExtraLutFill would find nothing to remove.
    uint64_t lutFillCleanVersion = UINT64_MAX;
};

}  // namespace vtq
