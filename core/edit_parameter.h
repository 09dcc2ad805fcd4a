#pragma once
// Editing one parameter from the grid (double click or Enter on a row): the
// type asked from the target when it is not known yet, the choice of editor,
// and what an edited value does to the record: it becomes NotStored and, with
// write-on-the-fly on, is written to the target's RAM mirror at once.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "channel/host.h"
#include "channel/user_side.h"
#include "model/nvm_parameter.h"

namespace vtq {

class EditorSession;

inline constexpr const char* kEditStringCaption = "Edit String";

// The type query: "at@nvm:" + name + "???\r" for a scalar (elementCount below
// 1), "at@nvm:" + name + "[0]???\r" for an array.
std::string TypeQueryCommand(const NVMParameter& record);

// Asks the target for the record's type: the trimmed text between the first
// "<" of the answer and the first ">" after it, when that is not empty. True
// when the record's type is now known.
bool QueryType(Host& host, NVMParameter& record);

enum class ValueEditor {
    String,  // a one-line input box
    Scalar,  // the scalar editor
    Array,   // the array editor
};

// The editor a record needs: strings by their type, scalars when there is no
// element count and no comma in the value, arrays otherwise.
ValueEditor EditorFor(const NVMParameter& record);

// What the scalar or array editor is opened with.
struct ValueEditRequest {
    ValueEditor editor = ValueEditor::Scalar;
    std::string name;
    std::string type;
    std::string value;
    int elementCount = 0;
    std::vector<int> dimensions;  // from the record's dimension text; empty for a scalar
    bool writeOnTheFly = true;    // the editor's "Write values on the fly" box at the start
    // The value the target holds (read, or written and not edited since); nothing when unknown.
    std::optional<std::string> targetValue;
};

// How the editor was closed.
struct ValueEditAnswer {
    bool confirmed = false;
    std::string value;
    bool writeOnTheFly = true;  // the editor's "Write values on the fly" box at the end
};

// Opens the scalar or array editor for the request and waits until it closes.
using OpenValueEditor = std::function<ValueEditAnswer(const ValueEditRequest&)>;

struct EditOutcome {
    bool changed = false;  // the record holds a new value (the grid repaints)
    bool written = false;  // the new value reached the target's RAM mirror
};

// A new value for the record: nothing when it equals the value (exact text);
// otherwise the value is stored and the record becomes NotStored, then, when
// `write` is set, it is written to the target and becomes InTargetRAM on success.
EditOutcome ApplyEditedValue(Host& host, NVMParameter& record, const std::string& value, bool write);

// The whole edit of view row `row`: nothing when there is no such row. The
// type is asked first when unknown. A string is edited in an input box and
// written at once; scalars and arrays go to `open`, after which the session's
// write-on-the-fly mode takes the editor's box and is saved when it changed.
EditOutcome EditParameter(EditorSession& session, UserSide& user, int row, const OpenValueEditor& open);

}  // namespace vtq
