#include "cli/docs.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "base/file_io.h"
#include "cli/verb_table.h"
#include "support/temp_dir.h"

namespace nvmtool {
namespace {

// What bash completes for the last word of `line`, with the completion script loaded.
std::string Complete(const std::string& script, const std::string& line) {
    const std::string command = "bash -c 'source " + script + "; COMP_WORDS=(" + line +
                                "); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _nvmtool; echo \"${COMPREPLY[*]}\"'";
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;) out.append(buffer, n);
        ::pclose(p);
    }
    return " " + out.substr(0, out.find('\n')) + " ";
}

// Every verb of the table has its section in the manual page, is completed
// after "nvmtool", and after it every option it takes is offered, its own and
// those of every verb.
TEST(NvmtoolDocs, EveryVerbAndOptionInTheManualPageAndTheCompletion) {
    vtq::test::TempDir dir;
    const std::string script = dir.File("nvmtool.bash");
    ASSERT_TRUE(vtq::WriteFileAtomically(script, BashCompletion()));
    const std::string manual = ManualPage();
    const std::string verbs = Complete(script, "nvmtool \"\"");
    for (const VerbRow& verb : VerbTable()) {
        const std::string name = verb.name;
        std::string roff = name;  // a minus sign is "\-" in roff
        for (size_t at = roff.find('-'); at != std::string::npos; at = roff.find('-', at + 2)) roff.insert(at, "\\");
        EXPECT_NE(manual.find(".B nvmtool " + roff), std::string::npos) << name;
        EXPECT_NE(verbs.find(" " + name + " "), std::string::npos) << name << ":" << verbs;
        const std::string offered = Complete(script, "nvmtool -q " + name + " -");
        for (const OptionRow& option : OptionTable()) {
            const bool takes = option.verbOption == 0 || (verb.options & option.verbOption);
            EXPECT_EQ(offered.find(" " + std::string(option.name) + " ") != std::string::npos, takes)
                << name << " " << option.name << ":" << offered;
        }
    }
    EXPECT_EQ(Complete(script, "nvmtool read --filter \"\""), "  ") << "no option where a value goes";
}

}  // namespace
}  // namespace nvmtool
