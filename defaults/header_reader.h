#pragma once
// Reading a default-values header back (the layout the header writer and the
// RF merge produce) and loading its arrays into the target: each group's
// values go into its RAM mirror in chunks with write_to_mirror commands, and
// the group is then committed.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "channel/host.h"
#include "channel/long_operation.h"
#include "channel/user_side.h"
#include "defaults/default_dump.h"

namespace vtq {

class EditorSession;

// Names of "#define" constants kept by a merged header, with their values.
using HeaderConstants = std::map<std::string, uint32_t>;

inline constexpr const char* kNoValidGroupsMessage =
    "No valid groups found in file.\nMake sure that the file was created with this Brevant version (or later).";
inline constexpr const char* kMirrorUnsupportedMessage =
    "The connected target does not support this feature.\n(the needed command 'at@nvm:write_to_mirror()' is not "
    "there).";
inline constexpr const char* kOpenHeaderTitle = "Open Source Header File";
inline constexpr const char* kOpenHeaderFilter = "Header File (*.h);;Any File (*.*)";
inline constexpr const char* kWritingDataLine = "Writing data to target...";
inline constexpr const char* kWriteErrorLine = "ERROR: Write aborted due to write error.";
inline constexpr const char* kWriteLostLine = "ERROR: Write aborted due to loss of contact with target.";
inline constexpr const char* kLoadHeaderCancelledLine = "The load was canceled by user.";
inline constexpr const char* kLoadDoneMessage =
    "Done.\nIt is recommended that you re-read committed groups from target,\nas changing the default values may "
    "change the values of some parameters.";

// Chunks hold at most this many values and this much value text.
inline constexpr int kChunkValues = 200;
inline constexpr size_t kChunkText = 950;

// A header's text split in two: the code with comments blanked (same length),
// and the contents of all comments in file order ("//" comments each followed
// by CR LF). String and character literals of the code are not searched for
// comments. `origins` maps the comment text back to the file: for each comment,
// where its contents start in `comments` and in the file.
struct HeaderTexts {
    std::string code;
    std::string comments;
    std::vector<std::pair<size_t, size_t>> origins;
};
HeaderTexts SplitHeaderText(std::string_view text);

// An array definition "type name[...] = {" of a code text (comments blanked).
struct ArrayDefinition {
    size_t nameAt = 0;
    size_t brace = 0;  // the "{"
    std::string type;  // the word before the name
};
// Every array definition of a code text, by name, the first of each name. A
// name counts only as a whole identifier outside string and character
// literals, followed by one or more "[...]", "=" and "{": a declaration
// without an initialiser is no definition.
std::map<std::string, ArrayDefinition, std::less<>> FindArrayDefinitions(std::string_view code);

// What is wrong in a header file, and on which line (from 1).
struct HeaderProblem {
    int line = 0;
    std::string text;
};

// A header read for loading: the records whose arrays were found, the line of
// each one's index entry, the constants, and every problem found in the file.
struct HeaderRead {
    bool indexed = false;  // the comments hold a group index
    DefaultGroupList records;
    std::vector<int> indexLines;
    HeaderConstants constants;
    std::vector<HeaderProblem> problems;
};
// Reads the group index and constants from the comments and each group's array
// from the code, and checks everything that is sent: an array definition for
// each entry, each group once, the version a small non-negative number, every
// value a number or a known constant that fits the element type.
HeaderRead ReadDefaultHeader(std::string_view text);

// The same, with the problems on the show line (flag 0). False when the index
// names no group.
bool ParseDefaultHeaderText(std::string_view text, Host& host, DefaultGroupList& records, HeaderConstants& constants);

// The next values of a data text, from `cursor` on, joined by single commas.
struct ValueChunk {
    std::string text;
    int count = 0;
    bool exhausted = false;
    // A value longer than a whole chunk stops the data before it.
    bool tooLong = false;
};
ValueChunk NextValueChunk(std::string_view data, size_t& cursor);

// The format and element size sent for an element type ("U16" gives "%hu", 2).
struct ElementFormatInfo {
    std::string format;
    int size = 2;
    bool known = true;
    bool isSigned = false;
};
ElementFormatInfo ElementFormat(std::string_view type);

// Every constant name standing as a whole identifier in the chunk becomes its
// value as "0x%.4x".
std::string ReplaceConstants(std::string_view chunk, const HeaderConstants& constants);

// "0x" and up to 8 hexadecimal digits, else a decimal number; 0 for anything else.
uint32_t ConstantValue(std::string_view text);

// "0x%.4x"
std::string Hex4(uint32_t value);

// The message when a file with problems is not loaded.
std::string HeaderRefusedMessage(const std::string& path);

// "Group \"g\" was not committed, because its default values were not completely written."
std::string NotCommittedLine(const std::string& group);

// Cancelled and target lost as the other long operations tell them.
struct LoadHeaderResult : OperationEnding {
    bool loaded = false;  // the file was read and the groups sent
    // What is wrong in the file, each as "path:line: text"; nothing was sent when there is any.
    std::vector<std::string> problems;
    int committed = 0;
    int failed = 0;  // groups not written completely or not committed
    bool noRestorePoint = false;  // the restore point could not be saved: nothing was sent
};

// "Load Default Values Source Code File To Target...": `path` empty asks with
// the open dialog.
LoadHeaderResult LoadDefaultHeaderToTarget(EditorSession& session, UserSide& user, const std::string& path = {});

}  // namespace vtq
