#pragma once
// One verb on one target: opens the link, holds an editing session for the
// run, and keeps what happened as a result the printers turn into output.

#include <string>
#include <utility>
#include <vector>

#include "cli/console_user.h"
#include "cli/tool_options.h"
#include "cli/verb_result.h"

namespace nvmtool {

struct TargetRun {
    std::string target;
    VerbResult result;
    std::vector<std::string> messages;
    std::vector<std::pair<std::string, int>> log;
};

// `index` (0-based) of `count` targets: with several targets file names get
// "-<index + 1>" before their extension. `settingsPath` is a settings file of
// this run alone, so the editor's own stored selection is never touched.
TargetRun RunOnTarget(const ToolOptions& options, const std::string& target, int index, int count,
                      const ConsoleSettings& console, const std::string& settingsPath);

// "out.nvm" as the file of target `index` of `count`: itself for one target, "out-2.nvm" for the second of several.
std::string PathForTarget(const std::string& path, int index, int count);

}  // namespace nvmtool
