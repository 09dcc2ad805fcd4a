#pragma once
// The two printers of nvmtool: a run's result as the text a shell reads, and
// all runs as one JSON document for scripts. Neither decides anything: what to
// show and the exit status come from the result.

#include <string>
#include <vector>

#include "cli/verbs.h"

namespace nvmtool {

// What one target's run puts on standard output as text.
std::string TextOutput(const VerbResult& result);

// The JSON document of a verb run on every target: verb, worst status and
// per target its status, errors, messages, log lines and the verb's results.
std::string JsonOutput(const std::string& verb, int status, const std::vector<TargetRun>& runs);

// The JSON document of a command line refused before any target was asked.
std::string JsonUsageError(const std::string& verb, const std::string& error);

}  // namespace nvmtool
