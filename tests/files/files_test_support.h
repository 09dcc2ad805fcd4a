#pragma once
// Shared pieces of the file tests: containers filled from short lists, and whole files as bytes.

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "base/file_io.h"
#include "base/text.h"
#include "files/file_operations.h"
#include "model/group_items.h"
#include "support/scripted_host.h"
#include "support/scripted_user.h"
#include "support/temp_dir.h"

namespace vtq::test {

struct Entry {
    const char* name;
    const char* value;
    const char* type = "";
};

// Adds the records (groups created as needed, checked) with state Unchanged.
inline void Fill(GroupItems& items, std::initializer_list<Entry> entries) {
    UpdateBracket bracket(items);
    for (const Entry& e : entries) {
        GroupItem* g = nullptr;
        items.FindOrAddGroup(GroupOfName(e.name), &g);
        g->checked = true;
        items.AddParameter(items.GroupIndex(g->name), e.name, e.value, e.type, false);
    }
}

inline const NVMParameter* Record(const GroupItems& items, const std::string& name) {
    const GroupItem* g = items.FindGroup(GroupOfName(name));
    return g ? g->params.Find(name) : nullptr;
}

inline std::string FileBytes(const std::string& path) {
    std::string data;
    return ReadWholeFile(path, data) ? data : std::string("<unreadable>");
}

}  // namespace vtq::test
