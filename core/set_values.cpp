#include "core/set_values.h"

#include "channel/command_exchange.h"
#include "channel/long_operation.h"
#include "channel/target_commands.h"
#include "core/edit_parameter.h"
#include "core/editor_session.h"
#include "core/restore_points.h"
#include "core/write_groups.h"
#include "model/group_items.h"
#include "model/value_types.h"
#include "model/write_commands.h"

namespace vtq {

std::string ElementSlice(std::string_view value, long long first, long long last) {
    std::string out;
    size_t start = 0;
    for (long long index = 0; index <= last; ++index) {
        const size_t comma = value.find(',', start);
        if (index >= first)
            out.append(index > first ? "," : "")
                .append(value.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return out;
}

void ValueChecks::NoteRead(const std::map<std::string, int, TextLess>& fileLines) {
    for (const NVMParameter* p : session_.Items().View()) readNames_.insert(p->name);
    for (const auto& [name, line] : fileLines) {
        vtq::ElementRange range;
        if (!ParseElementRange(name, range)) continue;
        const NVMParameter* held = FindRecord(session_.Items(), range.array);
        if (held && held->elementCount >= 1) readArrays_.emplace(std::string(range.array), *held);
    }
}

int ValueChecks::ArraySize(const std::string& name) {
    if (const NVMParameter* held = FindRecord(session_.Items(), name); held && held->elementCount >= 1)
        return held->elementCount;
    if (const auto read = readArrays_.find(name); read != readArrays_.end()) return read->second.elementCount;
    const auto known = arraySizes_.find(name);
    if (known != arraySizes_.end()) return known->second;
    int size = session_.Items().QueryArraySize(name);
    if (size < 0 && session_.host().CheckConnection()) size = 0;  // answered, but not with a size
    return arraySizes_[name] = size;
}

CheckStatus ValueChecks::ElementRange(const std::string& name, std::string& why) {
    vtq::ElementRange range;
    if (!ParseElementRange(name, range)) return CheckStatus::Ok;
    const std::string array(range.array);
    const int size = ArraySize(array);
    if (size < 0) return CheckStatus::TargetLost;
    if (size == 0) {
        why = "The target has no array \"" + array + "\" for the element range \"" + name + "\".";
    } else if (range.last >= size) {
        why = "The element range \"" + name + "\" is outside \"" + array + "\", which has " +
              CountText(size, "element", "elements") + ".";
    }
    return why.empty() ? CheckStatus::Ok : CheckStatus::Refused;
}

CheckStatus ValueChecks::OnTarget(const std::string& name, std::string& why) {
    if (vtq::ElementRange range; ParseElementRange(name, range)) return CheckStatus::Ok;
    bool has = readNames_.count(name) != 0;
    if (askTarget_) {
        std::string answer;
        has = Exchange(session_.host(), cmd::Size(name), answer);
        if (!has && !session_.host().CheckConnection()) return CheckStatus::TargetLost;
    }
    if (has) return CheckStatus::Ok;
    why = "The target has no parameter \"" + name + "\".";
    return CheckStatus::Refused;
}

CheckStatus ValueChecks::Writes(const std::string& path, const std::map<std::string, int, TextLess>& fileLines,
                                std::string& why) {
    for (const NVMParameter* p : session_.Items().View()) {
        std::string fault;
        CheckStatus status = OnTarget(p->name, fault);
        if (status == CheckStatus::Ok) status = ElementRange(p->name, fault);
        if (status == CheckStatus::TargetLost) return status;
        if (status == CheckStatus::Ok)
            for (const LogLine& line : WriteCommands(*p).refusal)
                if (line.flag == 0) fault = line.text;
        if (fault.empty()) continue;
        const auto line = fileLines.find(p->name);
        why = path + (line == fileLines.end() ? "" : ":" + std::to_string(line->second)) + ": " + fault;
        return CheckStatus::Refused;
    }
    return CheckStatus::Ok;
}

bool ValueChecks::RangeAsRead(const NVMParameter& record) const {
    vtq::ElementRange range;
    if (!ParseElementRange(record.name, range)) return false;
    const auto read = readArrays_.find(std::string(range.array));
    return read != readArrays_.end() && ElementSlice(read->second.value, range.first, range.last) == record.value;
}

void ValueChecks::KeepOnlyChanged() {
    GroupItems& items = session_.Items();
    UpdateBracket bracket(items);
    for (int g = 0; g < items.GroupCount(); ++g) {
        std::vector<int> unchanged;
        int position = 0;
        for (const NVMParameter* p : items.Group(g)->params) {
            if (p->state == ParameterState::Unchanged || RangeAsRead(*p)) unchanged.push_back(position);
            ++position;
        }
        for (auto it = unchanged.rbegin(); it != unchanged.rend(); ++it) items.DeleteParameter(g, *it);
    }
}

std::string ElementCountRefusal(const NVMParameter& record, const std::string& name, const std::string& value) {
    if (record.elementCount < 1 || value.starts_with('"') || ElementCount(value) == record.elementCount) return {};
    return "\"" + name + "\" has " + CountText(record.elementCount, "element", "elements") + "; " +
           CountText(ElementCount(value), "value is", "values are") + " given.";
}

SetPlan PlanSetValues(ValueChecks& checks, EditorSession& session, const NamedValues& values) {
    SetPlan plan;
    plan.ranges.resize(values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        const auto& [name, value] = values[i];
        NVMParameter* record = FindRecord(session.Items(), name);
        vtq::ElementRange range;
        std::string why;
        if (record == nullptr && ParseElementRange(name, range)) {
            const CheckStatus status = checks.ElementRange(name, why);
            plan.targetLost = status == CheckStatus::TargetLost;
            if (plan.targetLost) return plan;
            if (status != CheckStatus::Ok) {
                plan.refusals.push_back(why);
                plan.records.push_back(nullptr);
                continue;
            }
            plan.ranges[i].name = name;
            plan.ranges[i].elementCount = static_cast<int32_t>(range.last - range.first + 1);
            record = &plan.ranges[i];
        }
        plan.records.push_back(record);
        if (record == nullptr) {
            plan.refusals.push_back("The target has no parameter \"" + name + "\".");
        } else if (std::string count = ElementCountRefusal(*record, name, value); !count.empty()) {
            plan.refusals.push_back(count);
        }
    }
    return plan;
}

namespace {
// Whether each value changes what the target holds, known before anything is
// sent: the restore point holds exactly those records.
std::vector<bool> ChangesOf(EditorSession& session, const NamedValues& values, SetPlan& plan) {
    std::vector<bool> changes(plan.records.size());
    for (size_t i = 0; i < plan.records.size(); ++i) {
        NVMParameter& record = *plan.records[i];
        if (&record == &plan.ranges[i]) {
            // A range of an array the read holds: written when its elements differ.
            vtq::ElementRange range;
            ParseElementRange(record.name, range);
            const NVMParameter* array = FindRecord(session.Items(), range.array);
            changes[i] = !array || ElementSlice(array->value, range.first, range.last) != values[i].second;
            record.value = values[i].second;
        } else {
            changes[i] = ApplyEditedValue(session.host(), record, values[i].second, false).changed;
        }
    }
    return changes;
}
}  // namespace

SetWriteResult WriteSetValues(EditorSession& session, UserSide& user, const NamedValues& values, SetPlan& plan) {
    SetWriteResult result;
    const std::vector<bool> changes = ChangesOf(session, values, plan);
    std::vector<NVMParameter*> changed;
    for (size_t i = 0; i < changes.size(); ++i)
        if (changes[i]) changed.push_back(plan.records[i]);
    uint8_t lost = 0;
    if (!changed.empty() && !SaveRestorePoint(session, user, "set", changed, &lost)) {
        result.noRestorePoint = true;
        result.targetLost = lost != 0;
        return result;
    }
    // A cancel stops the writes as it stops a long operation: before the next one.
    for (size_t i = 0; i < plan.records.size() && !lost && !user.ProgressCancelled(); ++i) {
        NVMParameter& record = *plan.records[i];
        record.value = values[i].second;  // a name given twice is written with each of its values in turn
        if (!changes[i]) {
            ++result.unchanged;
        } else if (WriteRecord(session.host(), record, RecordReport::Each, &lost)) {
            ++result.written;
        } else {
            ++result.failed;
            result.failedGroups.insert(GroupOfName(record.name));
        }
    }
    result.targetLost = lost != 0;
    return result;
}

}  // namespace vtq
