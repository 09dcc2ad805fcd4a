#pragma once
// The manual page and the bash completion of nvmtool, made from the verb and
// option tables so that neither can miss a verb.

#include <string>

namespace nvmtool {

// nvmtool.1 in roff.
std::string ManualPage();
// A bash completion script: verbs, then the options of the verb typed.
std::string BashCompletion();

}  // namespace nvmtool
