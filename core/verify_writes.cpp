#include "core/verify_writes.h"

#include <cstdint>

#include "base/number_text.h"
#include "base/text.h"
#include "channel/command_exchange.h"
#include "channel/long_operation.h"
#include "channel/target_commands.h"
#include "core/editor_session.h"
#include "model/group_items.h"
#include "model/value_types.h"
#include "model/write_commands.h"

namespace vtq {

namespace {

std::string Parameters(int n) { return CountText(n, "parameter", "parameters"); }

bool SameElement(std::string_view a, std::string_view b) {
    if (a == b) return true;
    // Two C integers (a sign, then decimal or "0x" hexadecimal digits) of the same value; -0 is 0.
    constexpr NumberSyntax kC{.sign = true, .hex = true};
    NumberText x, y;
    return IsWholeNumber(a, x, kC) && IsWholeNumber(b, y, kC) && x.magnitude == y.magnitude &&
           (x.negative == y.negative || x.magnitude == 0);
}

// The elements of a value: split at commas outside double quotes.
std::vector<std::string_view> Elements(std::string_view value) {
    std::vector<std::string_view> elements;
    bool quoted = false;
    size_t start = 0;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '"')
            quoted = !quoted;
        else if (value[i] == ',' && !quoted) {
            elements.push_back(value.substr(start, i - start));
            start = i + 1;
        }
    }
    elements.push_back(value.substr(start));
    return elements;
}

std::string Unbraced(std::string_view text) {
    std::string value(text);
    RemoveBlanksOutsideQuotes(value);
    if (value.size() >= 2 && value.front() == '{' && value.back() == '}') value = value.substr(1, value.size() - 2);
    return value;
}

bool IsArrayWrite(const NVMParameter& record) {
    return record.elementCount >= 1 && (record.value.empty() || record.value.front() != '"');
}

}  // namespace

std::string ReadBackCommand(const NVMParameter& record) {
    if (IsArrayWrite(record)) return cmd::Value(IndexedName(record.name, 0, record.elementCount - 1));
    return cmd::Value(record.name);
}

bool SameWrittenValue(std::string_view written, std::string_view readBack) {
    const std::string a = Unbraced(written);
    const std::string b = Unbraced(readBack);
    if (a == b) return true;
    const std::vector<std::string_view> x = Elements(a), y = Elements(b);
    if (x.size() != y.size()) return false;
    for (size_t i = 0; i < x.size(); ++i)
        if (!SameElement(x[i], y[i])) return false;
    return true;
}

std::vector<NVMParameter*> WrittenRecords(const WriteGroupsResult& write) {
    std::vector<NVMParameter*> records;
    for (NVMParameter* record : write.reached)
        if (record->state == ParameterState::InTargetRAM) records.push_back(record);
    return records;
}

VerifyResult VerifyWrittenRecords(EditorSession& session, UserSide& user, const std::vector<NVMParameter*>& records) {
    VerifyResult result;
    if (records.empty()) return result;
    LongOperationOptions options;
    options.checkConnection = false;  // the write that just ended talked to the target
    LongOperation op(session.host(), user, options);
    op.Begin();
    result.started = true;
    const int count = static_cast<int>(records.size());
    op.OpenProgress(count);
    for (int i = 0; i < count && !op.ShouldStop(); ++i) {
        op.SetPosition(i);
        if (!op.Poll() || op.Closing()) break;
        NVMParameter& record = *records[static_cast<size_t>(i)];
        op.SetStatus("Verifying \"" + record.name + "...");
        ++result.checked;
        std::string answer;
        const bool answered = Exchange(session.host(), ReadBackCommand(record), answer, false, op.LostFlag());
        if (op.Closing()) break;
        if (answered && SameWrittenValue(record.value, answer)) continue;
        // A lost target says nothing about the value; the operation's end reports the loss.
        if (op.TargetLost()) {
            --result.checked;
            break;
        }
        VerifyFailure failure{record.name, record.value, answered ? Unbraced(answer) : std::string(), answered};
        if (answered)
            op.Log("Verify failed: " + record.name + " written as " + failure.written + ", target holds " +
                       failure.readBack,
                   0);
        else
            op.Log("Verify failed: " + record.name + " could not be read back from target.", 0);
        record.state = ParameterState::NotStored;
        session.Items().RecordChanged(record);
        result.failures.push_back(std::move(failure));
    }
    if (!op.Conclude(result, kVerifyCancelledLine)) return result;
    op.CloseProgress();
    if (result.failures.empty())
        op.Log("Verify OK (" + Parameters(result.checked) + " read back from target).");
    else
        op.Log("Verify Done (" + std::to_string(result.failures.size()) + " of " + Parameters(result.checked) +
                   " not kept by target).",
               0);
    op.End();
    return result;
}

VerifyResult VerifyAfterWrite(EditorSession& session, UserSide& user, const WriteGroupsResult& write) {
    if (write.closing || write.targetLost) return {};
    return VerifyWrittenRecords(session, user, WrittenRecords(write));
}

}  // namespace vtq
