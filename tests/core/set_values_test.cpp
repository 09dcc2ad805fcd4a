// Values given by name are checked against the target before anything is sent.

#include "base/file_io.h"
#include "core/set_values.h"
#include "files/file_operations.h"
#include "model/nvm_line.h"
#include "session_fixture.h"

namespace vtq {
namespace {

constexpr const char* kImage = R"(naming indexed
group fix_s 3
  uint16 gain = 12
  uint16 lut[4] = 1, 2, 3, 4
end
)";

class SetValuesTest : public test::SessionTest {};

TEST_F(SetValuesTest, WhatSetAndFileWritesRefuse) {
    struct Row {
        const char* given;  // a set's NAME=VALUE, or a file's text (lines)
        enum { Set, File, FileAll } kind;
        const char* refusal;  // the file rows' refusals follow "F:"
    };
    const Row rows[] = {
        {"fix_s.nope=1", Row::Set, "The target has no parameter \"fix_s.nope\"."},
        {"fix_s.lut=1,2,3", Row::Set, "\"fix_s.lut\" has 4 elements; 3 values are given."},
        {"fix_s.lut[2,4]=1,2,3", Row::Set,
         "The element range \"fix_s.lut[2,4]\" is outside \"fix_s.lut\", which has 4 elements."},
        {"fix_s.nope[0,1]=1,2", Row::Set,
         "The target has no array \"fix_s.nope\" for the element range \"fix_s.nope[0,1]\"."},
        {"fix_s.lut[2,3]=7,8\nfix_s.lut[3,4]=7,8\n", Row::FileAll,
         "2: The element range \"fix_s.lut[3,4]\" is outside \"fix_s.lut\", which has 4 elements."},
        {"fix_s.gain=4\nfix_s.nothing=0\n", Row::File, "2: The target has no parameter \"fix_s.nothing\"."},
        {"fix_s.gain=4\nfix_s.nothing=0\n", Row::FileAll, "2: The target has no parameter \"fix_s.nothing\"."},
    };
    for (const Row& row : rows) {
        Open(kImage);
        ValueChecks checks(*session);
        std::string why;
        if (row.kind == Row::Set) {
            ASSERT_GT(Read("fix_s").total, 0);
            NvmLine line;
            ParseNvmLine(row.given, line);
            const SetPlan plan = PlanSetValues(checks, *session, {{std::string(line.name), std::string(line.value)}});
            why = plan.refusals.empty() ? "(none)" : plan.refusals[0];
        } else {
            const std::string path = dir.File("F");
            ASSERT_TRUE(WriteFileAtomically(path, row.given));
            std::map<std::string, int, TextLess> lines{{"fix_s.nothing", 2}, {"fix_s.lut[3,4]", 2}};
            if (row.kind == Row::File) { ASSERT_GT(Read("fix_s").total, 0); }
            checks.NoteRead(lines);
            if (row.kind == Row::FileAll) checks.AskTarget();
            ASSERT_TRUE(LoadFile(Items(), *host, path, user));
            EXPECT_EQ(checks.Writes(path, lines, why), CheckStatus::Refused) << row.given;
            EXPECT_TRUE(why.starts_with(path + ":")) << why;
            why.erase(0, path.size() + 1);
        }
        EXPECT_EQ(why, row.refusal) << row.given;
        for (const std::string& command : host->commands)
            EXPECT_EQ(command.find('='), std::string::npos) << row.given << ": " << command;
    }
}

}  // namespace
}  // namespace vtq
