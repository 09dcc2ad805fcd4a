#include "cli/docs.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <string>

#include "base/file_io.h"
#include "cli/verb_table.h"
#include "support/temp_dir.h"

namespace nvmtool {
namespace {

// What bash completes for the last word of `line`, with the completion script loaded.
std::string Complete(const std::string& script, const std::string& line) {
    QProcess bash;
    bash.start("bash", {"-c", QString::fromStdString("source " + script + "; COMP_WORDS=(" + line +
                                                     "); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _nvmtool; "
                                                     "echo \"${COMPREPLY[*]}\"")});
    bash.waitForFinished();
    return " " + bash.readAllStandardOutput().trimmed().toStdString() + " ";
}

// Every verb of the table has its section in the manual page and is completed after "nvmtool".
TEST(NvmtoolDocs, EveryVerbInTheManualPageAndTheCompletion) {
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
    }
}

}  // namespace
}  // namespace nvmtool
