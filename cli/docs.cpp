#include "cli/docs.h"

#include "cli/tool_options.h"
#include "cli/verb_table.h"

namespace nvmtool {

namespace {

// Text as roff shows it: backslashes and minus signs escaped, a line that
// starts with a dot or a quote kept from being read as a request.
std::string Roff(const std::string& text) {
    std::string out;
    bool lineStart = true;
    for (const char c : text) {
        if (lineStart && (c == '.' || c == '\'')) out += "\\&";
        if (c == '\\') {
            out += "\\e";
        } else if (c == '-') {
            out += "\\-";
        } else {
            out += c;
        }
        lineStart = c == '\n';
    }
    return out;
}

// The options a verb takes: its own, then those of every verb (each spelling).
std::string OptionWords(unsigned verbOptions) {
    std::string words;
    for (const OptionRow& option : OptionTable()) {
        if (option.verbOption != 0 && !(verbOptions & option.verbOption)) continue;
        words += (words.empty() ? "" : " ") + std::string(option.name);
        if (option.alias) words += " " + std::string(option.alias);
    }
    return words;
}

}  // namespace

std::string ManualPage() {
    std::string page =
        ".TH NVMTOOL 1 \"\" \"nvmtool " NVMTOOL_VERSION "\" \"User Commands\"\n.SH NAME\n" +
        Roff("nvmtool - the VTQ NVM Editor's operations from a shell") +
        "\n.SH SYNOPSIS\n.B nvmtool\n\\fIVERB\\fR [\\fIARGUMENTS\\fR] [\\fB\\-\\-target\\fR \\fIT\\fR]... "
        "[\\fIoptions\\fR]\n.SH DESCRIPTION\n" +
        Roff(
            "Runs one of the editor's operations on one target, or on every --target given at "
            "once, each with a session of its own.") +
        "\n.SH VERBS\n";
    for (const VerbRow& verb : VerbTable())
        page += ".TP\n.B nvmtool " + Roff(Usage(verb)) + "\n" + Roff(verb.help) + "\n";
    return page + ".SH OPTIONS\n.nf\n" + Roff(kGlobalHelp) + ".fi\n.SH FILES\n" +
           Roff(
               "DefaultNVMNaming.config in the settings folder ($APPDATA when set, else $XDG_CONFIG_HOME or "
               "~/.config, then Korvale/Brevant/): the naming presets of export-header and rf-export.") +
           "\n";
}

std::string BashCompletion() {
    std::string verbs, valued, cases;
    for (const VerbRow& verb : VerbTable()) {
        verbs += std::string(verbs.empty() ? "" : " ") + verb.name;
        cases += "        " + std::string(verb.name) + ") options=\"" + OptionWords(verb.options) + "\" ;;\n";
    }
    for (const OptionRow& option : OptionTable())
        if (option.value)
            valued += std::string(valued.empty() ? "" : "|") + option.name +
                      (option.alias ? "|" + std::string(option.alias) : "");
    return "# bash completion of nvmtool, made from its verb table\n"
           "_nvmtool() {\n"
           "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]} verb= options i\n"
           "    case $prev in\n"
           "        -o|--output|--merge) COMPREPLY=($(compgen -f -- \"$cur\")); return ;;\n"
           "        " +
           valued +
           ") COMPREPLY=(); return ;;\n"
           "    esac\n"
           "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
           "        case ${COMP_WORDS[i]} in\n"
           "            " +
           valued +
           ") ((i++)) ;;\n"
           "            -*) ;;\n"
           "            *) verb=${COMP_WORDS[i]}; break ;;\n"
           "        esac\n"
           "    done\n"
           "    case $verb in\n"
           "        '') options=\"" +
           OptionWords(0) +
           "\"\n"
           "            [[ $cur == -* ]] || { COMPREPLY=($(compgen -W \"" +
           verbs + " help\" -- \"$cur\")); return; } ;;\n" + cases + "        *) options=\"" + OptionWords(0) +
           "\" ;;\n"
           "    esac\n"
           "    if [[ $cur == -* ]]; then COMPREPLY=($(compgen -W \"$options\" -- \"$cur\")); "
           "else COMPREPLY=($(compgen -f -- \"$cur\")); fi\n"
           "}\n"
           "complete -F _nvmtool nvmtool\n";
}

}  // namespace nvmtool
