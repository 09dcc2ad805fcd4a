// Writes nvmtool.1 and the bash completion script nvmtool.bash into the folder
// given, at build time, from the verb table.

#include <cstdio>
#include <string>

#include "base/file_io.h"
#include "cli/docs.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: nvmtool_docs FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    if (!vtq::WriteFileAtomically(folder + "/nvmtool.1", nvmtool::ManualPage()) ||
        !vtq::WriteFileAtomically(folder + "/nvmtool.bash", nvmtool::BashCompletion())) {
        std::fprintf(stderr, "nvmtool_docs: cannot write into %s\n", folder.c_str());
        return 4;
    }
    return 0;
}
