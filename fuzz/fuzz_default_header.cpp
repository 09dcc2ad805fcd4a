// Any input as a default-values header: read, cut into value chunks, loaded into a target, and used as the old
// header of the RF merge. What must hold: each group's values are the initialiser of the array its index entry
// names; every command of the load is one line, for a group the target listed, with a plain version and numbers
// that fit the element width; a merged header reads back to the target's values. Campaigns run with
// -max_len=131072: thousands of index entries, where a search from the start for each entry shows.

#include <algorithm>
#include <memory>

#include "base/file_io.h"
#include "base/text.h"
#include "channel/target_commands.h"
#include "core/editor_session.h"
#include "defaults/default_dump.h"
#include "defaults/header_merge.h"
#include "defaults/header_reader.h"
#include "defaults/naming_presets.h"
#include "fuzz_checks.h"
#include "support/scripted_user.h"

using fuzzcheck::Check;

namespace {

// Answers every pick with the first item, every question with No.
class FirstPickUser : public vtq::test::ScriptedUser {
public:
    bool PickFromList(const std::string&, const std::vector<std::string>&, bool, std::vector<int>& picked) override {
        picked = {0};
        return true;
    }
};

// The groups the target lists, with their numbers.
const std::map<std::string, int> kTargetGroups = {
    {"fix_ant_tuner", 11}, {"fix_radio_cfg", 8}, {"fix_thermal", 23},
    {"cal_t8x_lut", 34},   {"fix_t8x_lut", 3},   {"fix_t8x_lut_setcal", 6}};

// A target that lists kTargetGroups, knows write_to_mirror with a version, and answers OK to everything else.
class LoadTarget : public fuzzcheck::RecordingHost {
public:
    LoadTarget() {
        answers[vtq::cmd::kWriteToMirrorProbe] =
            "write_to_mirror(<group number>,<version>,<byte offset>,\"<format>\",{<values>})\r\nOK";
        answers[vtq::cmd::kGroupList] = "$nvm_groups\r\n";
        for (const auto& [name, number] : kTargetGroups)
            answers[vtq::cmd::kGroupList] += name + "=" + std::to_string(number) + "\r\n";
        answers[vtq::cmd::kGroupList] += "OK";
        responder = [this](const std::string& command, std::string& answer) {
            answer = answers.count(command) ? answers[command] : "OK";
            return true;
        };
    }
};

// True when the code (comments blanked) defines `name` as an array, "name[...] = {" with one or more bracket groups
// (not a declaration or a longer name), with `data` as its trimmed initialiser up to the first "}".
bool DefinesArrayWith(const std::string& code, const std::string& name, const std::string& data) {
    for (size_t at = code.find(name); at != std::string::npos; at = code.find(name, at + 1)) {
        if ((at > 0 && vtq::IsCIdentChar(code[at - 1])) ||
            (at + name.size() < code.size() && vtq::IsCIdentChar(code[at + name.size()])))
            continue;
        size_t i = at + name.size();
        auto blanks = [&] {
            while (i < code.size() && vtq::IsSpaceBlank(code[i])) ++i;
        };
        blanks();
        if (i >= code.size() || code[i] != '[') continue;
        while (i < code.size() && code[i] == '[') {
            const size_t close = code.find(']', i);
            if (close == std::string::npos) break;
            i = close + 1;
            blanks();
        }
        if (i >= code.size() || code[i] != '=') continue;
        ++i;
        blanks();
        if (i >= code.size() || code[i] != '{') continue;
        const size_t end = code.find('}', i);
        if (end != std::string::npos && vtq::Trim(std::string_view(code).substr(i + 1, end - i - 1)) == data) return true;
    }
    return false;
}

// A value as the merge, the load and the target read it: a sign ("-" or "+") and a number in decimal or "0x"
// hexadecimal, leading zeros allowed, of at most 32 bits.
bool ReadNumber(std::string_view text, long long& value) {
    const bool negative = text.starts_with('-');
    if (negative || text.starts_with('+')) text.remove_prefix(1);
    const int base = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') ? 16 : 10;
    if (base == 16) text.remove_prefix(2);
    unsigned long long magnitude = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (error != std::errc() || end != text.data() + text.size() || magnitude > 0xFFFFFFFFULL) return false;
    value = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
    return true;
}

std::vector<std::string> Values(std::string_view list) {
    std::vector<std::string> values;
    for (const std::string& v : vtq::SplitCommaText(list)) {
        std::string t = vtq::Trim(v);
        if (!t.empty()) values.push_back(t);
    }
    return values;
}

// One write_to_mirror command of the load: "(group,version,offset,"format",{values})".
void CheckMirrorCommand(const std::string& command) {
    const std::string start = vtq::cmd::kWriteToMirrorStart;
    if (command.compare(0, start.size(), start) != 0 || command == vtq::cmd::kWriteToMirrorProbe) return;
    const size_t open = command.find('{'), close = command.rfind('}');
    if (open == std::string::npos || close == std::string::npos || close < open)
        return Check(false, "a write_to_mirror command without its values", command);
    const std::vector<std::string> head = vtq::SplitCommaText(std::string_view(command).substr(start.size(), open - start.size()));
    if (head.size() < 4) return Check(false, "a write_to_mirror command without group, version and offset", command);
    long long group = -1, version = -1;
    Check(ReadNumber(head[0], group) && group >= 0, "a write_to_mirror command for no group number", command);
    bool listed = false;
    for (const auto& [name, number] : kTargetGroups) listed |= number == group;
    Check(listed, "a write_to_mirror command for a group the target did not list", command);
    Check(ReadNumber(head[1], version) && version >= 0 && version < 2147483647,
          "a write_to_mirror command with a version that is no small number", command);
    const std::string format = head[3];
    const int bits = format.find('q') != std::string::npos ? 8 : format.find('h') != std::string::npos ? 16 : 32;
    for (const std::string& v : Values(std::string_view(command).substr(open + 1, close - open - 1))) {
        long long value = 0;
        if (!ReadNumber(v, value)) return Check(false, "a write_to_mirror value that is no number", command);
        Check(value >= -(1LL << (bits - 1)) && value < (1LL << bits), "a write_to_mirror value wider than its element",
              command);
    }
}

// The session the header is loaded through: one for all runs, over a target that answers.
vtq::EditorSession& Session(LoadTarget& target) {
    static std::unique_ptr<vtq::EditorSession> session = [&] {
        auto s = std::make_unique<vtq::EditorSession>(target, nullptr, fuzzcheck::WorkFolder() + "/Brevant.ini");
        s->Start();
        return s;
    }();
    return *session;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    vtq::test::ScriptedHost host;  // a target that never answers
    host.connected = false;
    host.loseTargetAt = 1;
    FirstPickUser user;
    vtq::DefaultGroupList records;
    vtq::HeaderConstants constants;
    vtq::ParseDefaultHeaderText(input, host, records, constants);
    const std::string code = vtq::SplitHeaderText(input).code;
    for (const auto& r : records) {
        Check(!r.DataText.empty(), "a group without values");
        Check(DefinesArrayWith(code, r.ArrayName, r.DataText), "a group's values are not the array its index names",
              r.ArrayName);
        size_t cursor = 0;
        for (int guard = 0;; ++guard) {
            Check(guard <= static_cast<int>(r.DataText.size()) + 1, "the chunks do not end");
            const vtq::ValueChunk chunk = vtq::NextValueChunk(r.DataText, cursor);
            Check(chunk.count <= vtq::kChunkValues && chunk.text.size() <= vtq::kChunkText + 1, "a chunk too big");
            Check(cursor <= r.DataText.size(), "a chunk past the data");
            vtq::ReplaceConstants(chunk.text, constants);
            if (chunk.exhausted || chunk.text.empty()) break;
        }
    }

    // The whole load into a target that answers.
    static LoadTarget target;
    vtq::EditorSession& session = Session(target);
    const std::string path = fuzzcheck::WorkFolder() + "/header.h";
    Check(vtq::WriteFileAtomically(path, input), "the header cannot be written");
    target.commands.clear();
    vtq::test::ScriptedUser loadUser;
    vtq::LoadDefaultHeaderToTarget(session, loadUser, path);
    for (const std::string& command : target.commands) {
        fuzzcheck::CheckOneLine(command);
        CheckMirrorCommand(command);
    }

    // The same text as the old header of a merge of three small arrays.
    std::string buffer = input;
    vtq::DefaultGroupList three = {{1, "cal_x", "x_calib_data", "U16", "x_calib_data", "1, 2"},
                                   {2, "fix_x", "x_fixed_data", "U16", "x_fixed_data", "16, 65533, 4, 5, 6, 7, 8, 9, 10, 11"},
                                   {3, "set_x", "x_setcal_data", "U16", "x_setcal_data", "48"}};
    if (!vtq::MergeDefaultsIntoText(host, user, vtq::NamingPreset(), "old.h", buffer, three)) return 0;
    vtq::DefaultGroupList back;
    vtq::HeaderConstants backConstants;
    vtq::ParseDefaultHeaderText(buffer, host, back, backConstants);
    for (const auto& r : three) {
        const auto found =
            std::find_if(back.rbegin(), back.rend(), [&](const auto& b) { return b.GroupName == r.GroupName; });
        Check(found != back.rend(), "a merged group does not read back", r.GroupName);
        const std::vector<std::string> want = Values(r.DataText);
        const std::vector<std::string> got = Values(vtq::ReplaceConstants(found->DataText, backConstants));
        // Entries of an old array beyond the target's are gone: the array holds the target's values, no more.
        bool same = want.size() == got.size();
        for (size_t i = 0; same && i < got.size(); ++i) {
            long long a = 0, b = 0;
            same = ReadNumber(got[i], b) && ReadNumber(want[i], a) && ((a - b) & 0xFFFF) == 0;
        }
        Check(same, "a merged group reads back with other values", r.GroupName);
    }
    return 0;
}
