#pragma once
// Default values of NVM groups as the target prints them: one C array
// definition per group. The capability probe, the variant identifier that is
// appended to every generated name, the dump of a list of groups, and the C
// text scanners shared with the header reader and the RF merge.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "channel/host.h"
#include "channel/user_side.h"

namespace vtq {

struct NamingPreset;

inline constexpr const char* kTargetNotRespondingMessage = "The connected target it is not responding.";
inline constexpr const char* kFeatureUnsupportedOrSilentMessage =
    "The connected target does not support this feature (or it is not responding).";
inline constexpr const char* kFeatureUnsupportedMessage = "The connected target does not support this feature.";
inline constexpr const char* kRfDumpUnsupportedMessage =
    "The connected target does not support this feature\n"
    "(at@nvm:dump_default() command not present in the target modem software).";

inline constexpr const char* kVariantCaption = "RF Variant ID";
inline constexpr const char* kVariantPrompt = "RF variant ID e.g. k22_7:";
inline constexpr const char* kInvalidVariantMessage =
    "This is not a valid identifier. Please try again (or press cancel).";

inline constexpr const char* kDumpCancelledLine = "Operation Canceled.";
inline constexpr const char* kDumpLostLine =
    "Connection to target was lost while attempting to read NVM default values.";

// One group's default values.
struct DefaultGroupData {
    int32_t Version = 0;
    std::string GroupName;
    // The array name of the dump, "_" and the variant identifier.
    std::string ArrayName;
    std::string ElementType;
    // The descriptor table's name, from the naming preset.
    std::string TableName;
    // The initialiser between the braces: trimmed, comments blanked, line ends single LFs.
    std::string DataText;
    bool operator==(const DefaultGroupData&) const = default;
};

// In the order of the requested groups; empty means nothing was read.
using DefaultGroupList = std::vector<DefaultGroupData>;

// Sends `probe` and tells the user when the feature is missing: an empty answer
// shows `unsupportedText`, a lost target and a failed exchange their own
// messages. True when the feature is there; `answer` (may be null) then holds
// the trimmed answer.
bool ProbeFeature(Host& host, UserSide& user, const std::string& probe, const std::string& unsupportedText,
                  std::string* answer = nullptr);
// The probe of the default dump command.
bool ProbeDefaultDump(Host& host, UserSide& user, const std::string& unsupportedText);

// The identifier in an answer of the variant query ("... string = \"CUST_22_7\", ..." gives c22_7);
// empty when it holds none that can be used.
std::string VariantIdFromAnswer(std::string_view answer);
// The variant identifier from the target or, failing that, from the user.
// Empty when the user cancelled, or when the target was lost (`lost` set):
// then the target-lost line is shown and nothing is asked.
std::string ReadVariantId(Host& host, UserSide& user, uint8_t* lost = nullptr);
// An identifier typed by the user, without surrounding blanks and underscores.
// False (with `cleaned` holding the text to offer again) when it is empty or
// holds characters other than ASCII letters, digits and underscores.
bool CleanVariantInput(std::string_view input, std::string& cleaned);

// An ASCII letter, digit or underscore.
inline bool IsCIdentChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// "_" before a leading digit, every character other than an ASCII letter,
// digit or underscore made "_".
std::string MakeCIdentifier(std::string_view text);

// Comments replaced by blanks of the same length: "/*" through the next "*/"
// (or the end), "//" up to the next CR or LF.
std::string BlankComments(std::string_view text);

// The first C array definition "type name[...] = {" at or after `from`. The
// words before the "[" are looked for no further back than `from`.
struct CArrayFind {
    size_t brace = std::string_view::npos;  // position of the "{"
    std::string type;
    std::string name;
    bool Found() const { return brace != std::string_view::npos; }
};
CArrayFind FindCArray(std::string_view text, size_t from = 0);

// The line for an export written beside `path` because `missing` groups are not in it.
std::string IncompleteFileLine(const std::string& path, const std::string& partialPath, int missing);

// Why a group's default values could not be read.
enum class DefaultDumpFailure {
    None,
    ExchangeFailed,  // the target refused the dump or did not answer
    NoArray,         // no array definition in the answer
    NoClosingBrace,  // an array definition without its "}"
};
// The show-line text (flag 0) for a failed group.
std::string DefaultDumpFailureLine(DefaultDumpFailure failure, const std::string& group);

// Reads one dump answer as the exchange returns it. On success `record` holds
// Version, ElementType, DataText and, in ArrayName, the array name as found;
// GroupName and TableName are left alone.
DefaultDumpFailure ParseDefaultAnswer(std::string_view answer, DefaultGroupData& record);

// A decimal number as C's atoi reads it: leading whitespace, a sign, digits up
// to the first non-digit; 0 without digits; clamped to the 32-bit range.
int32_t ReadDecimal(std::string_view text);

struct DefaultDumpResult {
    DefaultGroupList records;
    bool lost = false;
    bool cancelled = false;
};

// Reads the default values of `groups`, in order, with a progress window that
// can cancel between groups. Failed groups are reported and left out; a
// cancel discards everything; a lost target ends the run with what was read.
DefaultDumpResult DumpDefaultValues(Host& host, UserSide& user, const std::vector<std::string>& groups,
                                    const std::string& variantId, const NamingPreset& preset);

}  // namespace vtq
