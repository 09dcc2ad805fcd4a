#include "core/edit_parameter.h"

#include "base/text.h"
#include "channel/command_exchange.h"
#include "channel/target_commands.h"
#include "core/editor_session.h"
#include "core/restore_points.h"
#include "core/write_groups.h"
#include "model/group_items.h"
#include "model/value_types.h"

namespace vtq {

std::string TypeQueryCommand(const NVMParameter& record) {
    return record.elementCount < 1 ? cmd::Type(record.name) : cmd::Type(record.name + "[0]");
}

bool QueryType(Host& host, NVMParameter& record) {
    std::string answer;
    if (Exchange(host, TypeQueryCommand(record), answer)) {
        const size_t open = answer.find('<');
        const size_t close = open == std::string::npos ? std::string::npos : answer.find('>', open + 1);
        if (close != std::string::npos && close > open + 1)
            record.type = Trim(std::string_view(answer).substr(open + 1, close - open - 1));
    }
    return !record.type.empty();
}

ValueEditor EditorFor(const NVMParameter& record) {
    if (IsStringType(record.type)) return ValueEditor::String;
    if (record.elementCount < 1 && record.value.find(',') == std::string::npos) return ValueEditor::Scalar;
    return ValueEditor::Array;
}

EditOutcome ApplyEditedValue(Host& host, NVMParameter& record, const std::string& value, bool write) {
    EditOutcome outcome;
    if (value == record.value) return outcome;
    // A control character would end the command early and start one nobody asked for.
    if (HasControlByte(value)) {
        host.ShowLine("Value of \"" + record.name + "\" not changed: it holds a control character: \"" +
                          ShowControlBytes(value) + "\"",
                      0);
        return outcome;
    }
    record.value = value;
    record.state = ParameterState::NotStored;
    outcome.changed = true;
    if (write) outcome.written = WriteRecord(host, record, RecordReport::Each);
    return outcome;
}

namespace {

// The edited value taken, and written when `write`: the restore point first.
// When it could not be saved, the value stays in the editor, not written.
EditOutcome Apply(EditorSession& session, UserSide& user, NVMParameter& record, const std::string& value, bool write) {
    write = write && (value == record.value ||
                      SaveRestorePoint(session, user, kWriteOnTheFlyOperation, std::vector<NVMParameter*>{&record}));
    const EditOutcome outcome = ApplyEditedValue(session.host(), record, value, write);
    if (outcome.changed && write) session.Restore().values.Wrote(record, outcome.written);
    if (outcome.changed) session.Items().RecordChanged(record);
    return outcome;
}

}  // namespace

EditOutcome EditParameter(EditorSession& session, UserSide& user, int row, const OpenValueEditor& open) {
    NVMParameter* record = session.Items().ViewItem(row);
    if (!record) return {};
    Host& host = session.host();
    // Without a target the value is edited by the file's type, or as text; it is written later.
    if (record->type.empty() && !session.Offline()) QueryType(host, *record);

    ValueEditRequest request;
    request.editor = EditorFor(*record);
    if (request.editor == ValueEditor::String) {
        // A string is written as soon as it is confirmed, whatever the mode.
        std::string text = record->value;
        // The host may close the window while the box is open: then nothing more happens.
        if (!user.InputBox(kEditStringCaption, record->name + ":", text) || user.Closing()) return {};
        return Apply(session, user, *record, text, !session.Offline());
    }
    if (!open) return {};
    EditorSettings& settings = session.Settings();
    request.name = record->name;
    request.type = record->type;
    request.value = record->value;
    request.elementCount = record->elementCount;
    if (request.editor == ValueEditor::Array) ParseDimensions(record->dimensionText, &request.dimensions);
    request.writeOnTheFly = settings.writeOnTheFly;
    if (record->state != ParameterState::NotStored) request.targetValue = record->value;
    const ValueEditAnswer answer = open(request);
    if (user.Closing()) return {};
    settings.writeOnTheFly = answer.writeOnTheFly;
    session.SaveMode();
    if (!answer.confirmed) return {};
    return Apply(session, user, *record, answer.value, settings.writeOnTheFly && !session.Offline());
}

}  // namespace vtq
