// Random sequences of user operations on an editing session over the simulated modem, checked after every step
// against the target itself (its RAM mirror and NVM per parameter) and against what the editor's states claim.
// A failure prints RapidCheck's seed and the shrunk sequence; RC_PARAMS="seed=N" replays it.

#include <gtest/gtest.h>
#include <rapidcheck/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>

#include "base/file_io.h"
#include "channel/command_exchange.h"
#include "core/commit_groups.h"
#include "core/pending_changes.h"
#include "core/undo_history.h"
#include "core/write_groups.h"
#include "files/file_operations.h"
#include "files/load_review.h"
#include "files/nvm_file.h"
#include "safety_fixture.h"

namespace vtq {
namespace {

using enum ParameterState;

// Every kind of value the editors handle: scalars of both signs, a table, a two-dimensional table, a string.
constexpr const char* kImage = R"(naming indexed
group fix_m 3 version=2
  uint16 gain = 12
  int8 offset = -3
  uint16 lut[4] = 1, 2, 3, 4
  uint8 tab[2][3] = 1, 2, 3, 4, 5, 6
  string label[8] = "hi"
end
group cal_m 7
  uint8 mode = 2
  int16 coef[3] = -1, 0, 1
end
)";

enum Kind { Check, Filter, Read, Edit, WriteRows, WriteAll, Commit, Save, Load, Undo, Redo, Lose, Reconnect, Refuse };
constexpr const char* kKindNames[] = {"Check", "Filter", "Read", "Edit", "WriteRows", "WriteAll",  "Commit",
                                      "Save",  "Load",   "Undo", "Redo", "Lose",      "Reconnect", "Refuse"};

// One user step; a, b and c choose its details (rows, values, answers, the moment of a cancel).
struct Op {
    int kind = 0, a = 0, b = 0, c = 0;
};
void showValue(const Op& op, std::ostream& os) {
    os << kKindNames[op.kind] << "(" << op.a << "," << op.b << "," << op.c << ")";
}

// Values as the target prints them: no braces, no blanks.
std::string Plain(std::string text) {
    std::erase_if(text, [](char ch) { return ch == '{' || ch == '}' || ch == ' '; });
    return text;
}

// A host that keeps each exchange with whether the target answered it well.
class JournalHost : public test::SimHost {
public:
    using SimHost::SimHost;
    std::vector<std::pair<std::string, bool>> journal;
    bool SendReceive(const std::string& command, std::string& answer, bool echo, uint8_t* lost) override {
        const bool answered = SimHost::SendReceive(command, answer, echo, lost);
        journal.emplace_back(command, answered && IsGoodAnswer(answer));
        return answered;
    }
};

class SessionModel {
public:
    SessionModel() {
        std::string error;
        host = std::make_unique<JournalHost>(nvmsim::Image::Parse(kImage, error));
        session = std::make_unique<EditorSession>(*host, nullptr, dir.File("Brevant.ini"));
        RC_ASSERT(session->Start());
        undo = std::make_unique<UndoHistory>(session->Items());
        SelectExactGroups(Items(), "cal_m,fix_m");
        RC_ASSERT(ReadGroups(*session, user).total == 7);
        for (const auto& g : host->modem().image().groups)
            for (const auto& p : g.params) params.push_back(g.name + "." + p.name);
        Verify({}, {});
    }

    void Step(const Op& op) {
        const Target before = Snapshot();
        host->journal.clear();
        host->lines.clear();
        user = test::ScriptedUser();
        // A cancel pressed at the chosen moment of the run, when c asks for one.
        if (op.c % 4 == 3)
            user.onProcessEvents = [this, at = op.c / 4 % 3 + 1](int call) { user.cancelled = call == at; };
        std::set<std::string> covered;              // the parameters the step may write
        std::set<std::string> committable, stored;  // the groups checked for a commit, and those the target stored
        GroupItems& items = Items();
        const int rows = items.ViewCount();
        switch (op.kind) {
            case Check:
                items.SetChecked(op.a % items.GroupCount(), !items.IsChecked(op.a % items.GroupCount()));
                break;
            case Filter:
                items.SetFilter(std::vector<std::string>{"", "gain", "l", "ta", "o", "zz"}[op.a % 6]);
                break;
            case Read: {
                user.yesNoAnswers = {op.b % 2 == 0};
                if (!ConfirmReread(items, user)) break;
                const std::vector<std::string> groups = items.CheckedGroupNames();
                const ReadGroupsResult r = ReadGroups(*session, user);
                if (r.started) undo->EndGroups(groups);
                Expect(r.groupsRead == Answered("dump_csv_add("), "a read counted a group the target did not dump");
                for (const std::string& name : params)
                    if (std::find(groups.begin(), groups.end(), name.substr(0, name.find('.'))) != groups.end())
                        readWhileDirty[name] = before.ram.at(name) != before.nvm.at(name);
                break;
            }
            case Edit: {
                if (rows == 0) break;
                NVMParameter& record = *items.ViewItem(op.a % rows);
                const std::string value = NewValue(record, op.b, op.c);
                const bool onTheFly = op.c % 2 == 0;
                user.inputAnswers = {value};
                const auto open = [&](const ValueEditRequest&) { return ValueEditAnswer{true, value, onTheFly}; };
                const std::string name = TargetName(record);
                const EditOutcome outcome = EditParameterWithUndo(*session, user, op.a % rows, open, *undo);
                if (onTheFly || (Param(name) && Param(name)->IsString())) covered.insert(name);
                Expect(!outcome.written || AnsweredWrite(name), "an edit reported written without a good answer");
                break;
            }
            case WriteRows: {
                // Any shape of selection: the rows whose bit is set, handed over in any order, written top-down.
                std::vector<NVMParameter*> selected;
                std::vector<std::string> topDown;
                for (int row = 0; row < rows; ++row)
                    if ((op.a >> (row % 10)) & 1) selected.push_back(items.ViewItem(row));
                for (const NVMParameter* record : selected) covered.insert(TargetName(*record));
                for (const NVMParameter* record : selected) topDown.push_back(TargetName(*record));
                if (!selected.empty())
                    std::rotate(selected.begin(), selected.begin() + op.b % selected.size(), selected.end());
                if (op.b % 2) std::reverse(selected.begin(), selected.end());
                const WriteGroupsResult r = WriteSelected(*session, user, selected);
                Expect(r.errors >= FailedWrites(), "a write the target refused counted as written");
                auto next = topDown.begin();
                for (const auto& [command, ok] : host->journal) {
                    // The restore point may read a group first: a read changes nothing on the target.
                    if (command.starts_with("at@nvm:dump_csv_add(")) continue;
                    const std::string name = command.substr(7, command.find_first_of("=[", 7) - 7);
                    next = std::find(next, topDown.end(), name);
                    Expect(next != topDown.end(), "Write Selected sent " + command + " out of order or unselected");
                }
                break;
            }
            case WriteAll: {
                for (const NVMParameter* record : items.View()) covered.insert(TargetName(*record));
                const WriteGroupsResult r = WriteGroups(*session, user);
                Expect(r.errors >= FailedWrites(), "a write the target refused counted as written");
                Expect((r.errors == 0 && FailedWrites() == 0) || !Logged("Write OK"),
                       "\"Write OK\" after a failed write");
                break;
            }
            case Commit: {
                user.yesNoAnswers = {op.b % 2 == 0};
                const bool unwritten = CountPending(items, items.CheckedGroupNames()).notStored > 0;
                for (const std::string& g : items.CheckedGroupNames()) committable.insert(g);
                const CommitGroupsResult r = CommitGroups(*session, user);
                Expect(!unwritten || host->journal.empty() || user.questions.size() == 1,
                       "groups holding unwritten values committed without asking");
                for (const auto& [command, ok] : host->journal)
                    if (ok && command.find("store_nvm_sync(") != std::string::npos)
                        stored.insert(host->modem().image().groups[command[22] == '3' ? 0 : 1].name);
                Expect(r.committed == Answered("store_nvm_sync("), "a commit counted a store the target refused");
                break;
            }
            case Save: {
                const std::string path = dir.File("saved" + std::to_string(files++) + ".nvm");
                user.fileNames = {path};
                if (!SaveFileClick(*session, user)) break;
                // What the editor saves loads back into an equal list, which saves to the same bytes. (Records whose
                // line would not load back stay out with a log line: a file may hold none.)
                GroupItems again;
                LoadCounts counts;
                std::string first, second;
                RC_ASSERT(LoadParameters(again, path, counts, FileNames::AsGiven));
                if (again.ViewCount() == 0) break;
                RC_ASSERT(ReadWholeFile(path, first));
                RC_ASSERT(WriteParameters(again, path + ".again", nullptr, FileUnitIdentity(first)));
                RC_ASSERT(ReadWholeFile(path + ".again", second));
                Expect(first == second, "a saved file does not load back as it was:\n" + first + "\n---\n" + second);
                break;
            }
            case Load: {
                std::ofstream(dir.File("load.nvm"), std::ios::binary) << FileText(op);
                LoadFileReviewed(items, *host, dir.File("load.nvm"), user, nullptr, undo.get());
                Expect(host->journal.empty(), "a load sent a command");
                break;
            }
            case Undo:
                undo->Undo();
                break;
            case Redo:
                undo->Redo();
                break;
            case Lose:
                host->faults().loseAfter = host->modem().commandCount() + op.a % 6 + 1;
                break;
            case Reconnect: {
                // The target answers again with its memories as they were (no power cycle).
                std::vector<std::pair<std::vector<uint8_t>, std::vector<uint8_t>>> kept;
                for (size_t g = 0; g < host->modem().image().groups.size(); ++g)
                    kept.emplace_back(host->modem().ram(g), host->modem().nvm(g));
                host->faults().loseAfter = 0;
                host->modem().Reset();
                for (size_t g = 0; g < kept.size(); ++g)
                    host->modem().ram(g) = kept[g].first, host->modem().nvm(g) = kept[g].second;
                break;
            }
            case Refuse:
                // The target answers ERROR to every command naming one parameter, or to the stores of one group.
                host->faults().errorPattern =
                    op.a % 3 == 0 ? std::string()
                    : op.a % 3 == 1
                        ? std::regex_replace(params[op.b % params.size()], std::regex(R"([.\[\]])"), R"(\$&)") +
                              "[=\\[?]"
                        : "store_nvm_sync\\(" + std::to_string(op.b % 2 ? 3 : 7) + "\\)";
                break;
        }
        Verify(before, covered, committable, stored, op.kind != Undo && op.kind != Redo);
    }

private:
    struct Target {
        std::map<std::string, std::string> ram, nvm;
    };
    Target Snapshot() {
        Target t;
        for (const std::string& name : params) {
            t.ram[name] = Plain(host->modem().ValueOf(name));
            t.nvm[name] = Plain(host->modem().ValueOf(name, true));
        }
        return t;
    }
    GroupItems& Items() { return session->Items(); }
    void Expect(bool ok, const std::string& what) {
        if (!ok) failures.push_back(what);
    }
    bool Logged(const std::string& start) const {
        return std::any_of(host->lines.begin(), host->lines.end(),
                           [&](const auto& l) { return l.text.starts_with(start); });
    }
    // The parameter the record stands for on the target: the name without the ranges of a whole array.
    static std::string TargetName(const NVMParameter& record) {
        std::string name = record.name;
        const size_t range = name.find("[0,");
        size_t end = range;
        while (end < name.size() && name[end] == '[') end = name.find(']', end) + 1;
        if (range != std::string::npos) name.erase(range, end - range);
        return name;
    }
    // Exchanges in this step whose command holds `text` and that the target answered well; writes it refused (a
    // value the editor itself holds back, such as an array of the wrong size, is never sent).
    int Answered(const std::string& text) const {
        return std::count_if(host->journal.begin(), host->journal.end(),
                             [&](const auto& e) { return e.second && e.first.find(text) != std::string::npos; });
    }
    int FailedWrites() const {
        return std::count_if(host->journal.begin(), host->journal.end(),
                             [](const auto& e) { return !e.second && e.first.find('=') != std::string::npos; });
    }
    // A write of the parameter, whole or an element range of it, that the target answered well in this step.
    bool AnsweredWrite(const std::string& name) const {
        return std::any_of(host->journal.begin(), host->journal.end(), [&](const auto& e) {
            const std::string head = e.first.substr(0, e.first.find('='));
            return e.second && head != e.first && head.find('?') == std::string::npos &&
                   (head == "at@nvm:" + name || head.starts_with("at@nvm:" + name + "["));
        });
    }
    const nvmsim::Param* Param(const std::string& name) {
        const nvmsim::Group* g = host->modem().image().FindGroup(name.substr(0, name.find('.')));
        return g ? g->FindParam(name.substr(name.find('.') + 1)) : nullptr;
    }
    // A value for the record's editor: mostly one the target takes, now and then one it must refuse.
    std::string NewValue(const NVMParameter& record, int b, int c) {
        const nvmsim::Param* p = Param(TargetName(record));
        if (p && p->IsString())
            return std::vector<std::string>{"\"\"", "\"ab\"", "\"x y\"", "\"long text\"", "q", "\"a\rat\""}[b % 6];
        const int size = p ? p->type->size : 2;
        const long long max = p && p->type->isSigned ? (1LL << (8 * size - 1)) - 1 : (1LL << (8 * size)) - 1;
        const long long min = p && p->type->isSigned ? -max - 1 : 0;
        auto number = [&](int i) {
            const long long picks[] = {0, 1, (b + 7 * i) % 100, max, min, c % 13 == 0 ? max + 1 : (b * 31 + i) % 50};
            return std::to_string(picks[(b + i) % 6]);
        };
        const int count = record.elementCount >= 1 ? record.elementCount - (c % 11 == 0) : 1;
        std::string value;
        for (int i = 0; i < count; ++i) value += (i ? "," : "") + number(i);
        return value;
    }
    // Lines for some of the parameters, the odd one unknown to the target.
    std::string FileText(const Op& op) {
        std::string text;
        for (size_t i = 0; i < params.size(); ++i) {
            if (!((op.a >> i) & 1)) continue;
            NVMParameter probe;
            probe.name = params[i];
            const nvmsim::Param* p = Param(params[i]);
            probe.elementCount = p->IsArray() ? static_cast<int>(p->Count()) : 0;
            // Whole arrays only: a file's shorter array is a record of its own size, which the target also takes.
            const std::string value = NewValue(probe, op.b + static_cast<int>(i), op.c * 11 + 1);
            text += params[i] + (p->IsArray() ? "[0]={" + value + "}" : "=" + value) + "\n";
        }
        if (op.c % 5 == 0) text += "fix_m.extra=5\nnew_grp.item=1\n";
        return text;
    }

    // `written`: the step was one that writes, so a record newly in RAM needs a good answer to its write in it
    // (an undo may give a record back the state it had), and one the target took is in RAM.
    void Verify(const Target& before, const std::set<std::string>& covered,
                const std::set<std::string>& committable = {}, const std::set<std::string>& stored = {},
                bool written = false) {
        const Target after = Snapshot();
        for (const auto& [command, ok] : host->journal)  // one line each, whatever the values held
            Expect(command.find_first_of(std::string("\r\n\0", 3)) == command.size() - 1, "a command of many lines");
        for (const std::string& name : params) {
            if (!before.ram.empty() && before.ram.at(name) != after.ram.at(name))
                Expect(covered.count(name), "RAM of " + name + " changed though the step did not cover it");
            const std::string group = name.substr(0, name.find('.'));
            if (!before.nvm.empty() && before.nvm.at(name) != after.nvm.at(name))
                Expect(committable.count(group) && after.nvm.at(name) == before.ram.at(name),
                       "NVM of " + name + " changed without a commit of its group");
        }
        PendingCounts counted;
        for (int g = 0; g < Items().GroupCount(); ++g) {
            for (const NVMParameter* record : Items().Group(g)->params) {
                counted.notStored += record->state == NotStored;
                counted.inTargetRAM += record->state == InTargetRAM;
                const std::string name = TargetName(*record);
                if (written && covered.count(name) && AnsweredWrite(name))
                    Expect(record->state == InTargetRAM, name + " written, yet not shown in RAM");
                Expect(!stored.count(Items().GroupName(g)) || record->state != InTargetRAM,
                       name + " still shown in RAM after its group was stored");
                if (!after.ram.count(name) || record->state == NotStored) continue;
                const std::string shown = Plain(record->value);
                // A read sees the RAM mirror: where it differed from NVM the record shows RAM until a commit.
                const bool ok =
                    record->state == InTargetRAM
                        ? shown == after.ram.at(name)
                        : shown == after.nvm.at(name) || (readWhileDirty[name] && shown == after.ram.at(name));
                Expect(ok, name + " shown as " + record->value + " in state " + std::to_string(int(record->state)) +
                               ", target RAM " + after.ram.at(name) + ", NVM " + after.nvm.at(name));
                if (record->state == InTargetRAM && written && !previousInRam.count(name))
                    Expect(AnsweredWrite(name), name + " marked in RAM without a good answer to its write");
            }
        }
        previousInRam.clear();
        for (int g = 0; g < Items().GroupCount(); ++g)
            for (const NVMParameter* record : Items().Group(g)->params)
                if (record->state == InTargetRAM) previousInRam.insert(TargetName(*record));
        Expect(CountPending(Items()) == counted, "the pending counts differ from the records' states");
        Expect(user.busyDepth == 0 && !user.progressOpen && Items().UpdateLock() == 0, "a run did not end cleanly");
        if (!failures.empty()) {
            std::string all;
            for (const std::string& f : failures) all += f + "\n";
            RC_FAIL(all);
        }
    }

    test::TempDir dir;
    test::ScriptedUser user;
    std::unique_ptr<JournalHost> host;
    std::unique_ptr<EditorSession> session;
    std::unique_ptr<UndoHistory> undo;
    std::vector<std::string> params;             // every "group.parameter" of the image
    std::map<std::string, bool> readWhileDirty;  // read while its RAM and NVM differed
    std::set<std::string> previousInRam;
    std::vector<std::string> failures;
    int files = 0;
};

RC_GTEST_PROP(SessionModelTest, EveryStepKeepsTheTargetAndTheStatesTrue, ()) {
    const auto ops = *rc::gen::container<std::vector<Op>>(rc::gen::construct<Op>(
        rc::gen::inRange(0, 14), rc::gen::inRange(0, 1024), rc::gen::inRange(0, 1024), rc::gen::inRange(0, 1024)));
    SessionModel model;
    for (const Op& op : ops) model.Step(op);
}

}  // namespace
}  // namespace vtq
