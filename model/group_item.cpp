#include "model/group_item.h"

#include <iterator>

namespace vtq {

NVMParameter* ParamMap::Find(std::string_view name) const {
    auto it = records_.find(name);
    return it == records_.end() ? nullptr : const_cast<NVMParameter*>(&*it);
}

NVMParameter* ParamMap::At(size_t position) const {
    if (position >= records_.size()) return nullptr;
    return *std::next(begin(), static_cast<std::ptrdiff_t>(position));
}

std::pair<NVMParameter*, bool> ParamMap::Insert(NVMParameter&& record) {
    // Targets that dump in name order append at the end: one comparison, no search.
    if (!records_.empty() && Less()(*records_.rbegin(), record)) {
        ++version_;
        return {const_cast<NVMParameter*>(&*records_.emplace_hint(records_.end(), std::move(record))), true};
    }
    auto [it, inserted] = records_.insert(std::move(record));
    if (inserted) ++version_;
    return {const_cast<NVMParameter*>(&*it), inserted};
}

bool ParamMap::Erase(std::string_view name) {
    auto it = records_.find(name);
    if (it == records_.end()) return false;
    Erase(const_iterator(it));
    return true;
}

bool ParamMap::EraseAt(size_t position) {
    if (position >= records_.size()) return false;
    Erase(std::next(begin(), static_cast<std::ptrdiff_t>(position)));
    return true;
}

ParamMap::const_iterator ParamMap::Erase(const_iterator it) {
    ++version_;
    return const_iterator(records_.erase(it.base()));
}

void ParamMap::Clear() {
    if (records_.empty()) return;
    ++version_;
    records_.clear();
}

}  // namespace vtq
