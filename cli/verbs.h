#pragma once
// One verb on one target: opens the link, holds an editing session for the
// run, and reports what happened in fields the JSON document and the text
// output are made from.

#include <QJsonObject>
#include <string>
#include <vector>

#include "cli/console_user.h"
#include "cli/tool_options.h"

namespace nvmtool {

struct TargetRun {
    std::string target;
    int status = kDone;
    std::vector<std::string> errors;
    QJsonObject fields;  // the verb's results and counters
    std::string out;     // what goes to standard output
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

// The JSON form of a run: target, status, errors, messages, log and the verb's fields.
QJsonObject RunToJson(const TargetRun& run);

// Latin-1: every byte of a target's text survives as one character.
inline QString Text(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace nvmtool
