#pragma once
// Faults of the simulated modem, settable from tests and from the server's
// command line. All are off by default except the known target crash on
// change tracking of the customer and stack-info groups.

#include <string>

namespace nvmsim {

enum class PieceDamage {
    None,
    BadCharacter,  // one base64 character replaced by "!": the piece decodes to nothing
    Truncated,     // the piece cut in the middle of its base64 text
};

enum class UrcPlace { Before, Inside, After };

struct Faults {
    // From the k-th command on (1-based, counted over every Execute call;
    // 0 = never) the target gives no answer at all.
    int loseAfter = 0;
    // Commands matching this regular expression (ECMAScript, searched
    // anywhere in the line) are answered with ERROR, or with
    // "+CME ERROR: n" when cmeError is 0 or more.
    std::string errorPattern;
    int cmeError = -1;
    // In every group dump, the k-th piece (1-based; 0 = none) is damaged.
    int corruptPiece = 0;
    PieceDamage damage = PieceDamage::BadCharacter;
    // Pause before each answer.
    int delayMs = 0;
    // Echo of received command lines (the server does the echoing; ATE0 and
    // ATE1 change it).
    bool echo = true;
    // Unsolicited result code the server adds to each answer (empty = none).
    std::string urc;
    UrcPlace urcPlace = UrcPlace::Before;
    // A second final result code the server sends after every answer (empty =
    // none), as a target out of step with its client does.
    std::string extraFinal;
    // The write_to_mirror probe mentions the version argument, and writes
    // then expect it. Off: the probe and the writes have no version.
    bool mirrorVersion = true;
    // Asking track_changes for hyb_cust or hyb_stackinfo crashes the target
    // (it is lost from then on), as the real firmware does.
    bool crashOnHybTracking = true;
    // Writes to parameters whose name ("group.param", without index
    // brackets) matches this regular expression (ECMAScript, searched
    // anywhere) are answered OK but not stored: the target forgets them.
    std::string forgetWritesPattern;
};

}  // namespace nvmsim
