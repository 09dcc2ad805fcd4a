// nvmsim: the simulated modem as a server, a one-command answerer, or an
// image generator.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <regex>
#include <string>
#include <utility>

#include "sim/faults.h"
#include "sim/generator.h"
#include "sim/image.h"
#include "sim/modem.h"
#include "sim/server.h"

namespace {

const char kUsage[] =
    "Usage:\n"
    "  nvmsim --pty [options]               serve on a new pseudo-terminal (its path is printed)\n"
    "  nvmsim --tcp HOST:PORT [options]     serve on a TCP port (PORT 0 picks one; the port is printed)\n"
    "  nvmsim --answer COMMAND [options]    print the wire answer of one command\n"
    "  nvmsim --generate GROUPS PARAMS SEED print a scale image\n"
    "  nvmsim --generate-default [suffixed] | --generate-rf-t71   print a repository image\n"
    "Options:\n"
    "  --image FILE            target image (default: the repository's default image)\n"
    "  --naming indexed|suffixed   override the image's dump naming\n"
    "  --serial TEXT           the serial number AT+CGSN answers (overrides the image's; \"\" for none)\n"
    "  --lose-after K          no answer from the K-th command on\n"
    "  --error-pattern RE      answer ERROR to commands matching RE\n"
    "  --cme-error N           answer \"+CME ERROR: N\" instead of ERROR\n"
    "  --corrupt-piece K       damage the K-th piece of every group dump\n"
    "  --corrupt-mode bad|truncate   how the piece is damaged (default bad)\n"
    "  --delay-ms N            pause before each answer\n"
    "  --echo 0|1              initial echo (default 1; ATE0/ATE1 change it)\n"
    "  --urc TEXT              unsolicited result code added to each answer\n"
    "  --urc-place before|inside|after   where it goes (default before)\n"
    "  --extra-final TEXT      a second final result code after every answer\n"
    "  --no-mirror-version     write_to_mirror without the version argument\n"
    "  --no-hyb-crash          track_changes of hyb_cust/hyb_stackinfo answers normally\n"
    "  --forget-writes RE      answer OK to writes of parameters matching RE but keep the old value\n"
    "  --chunk-bytes N         send answers in pieces of N bytes\n"
    "  --chunk-delay-ms N      pause before each piece\n"
    "  --hangup-after K        hang up at the K-th command line\n"
    "  --journal FILE          append every command line received to FILE\n";

int Fail(const std::string& message) {
    std::cerr << "nvmsim: " << message << "\n" << kUsage;
    return 2;
}

bool ToInt(const char* text, int& value) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (!*text || *end || v < -1000000000L || v > 1000000000L) return false;
    value = static_cast<int>(v);
    return true;
}

// The command line, one option after the other; an option takes its values from the words after it.
struct Words {
    int argc;
    char** argv;
    int i = 1;
    const char* Value() { return i + 1 < argc ? argv[++i] : nullptr; }
    bool Number(int& out) {
        const char* v = Value();
        return v && ToInt(v, out);
    }
    bool NextIs(const char* word) const { return i + 1 < argc && std::strcmp(argv[i + 1], word) == 0; }
};

struct Settings {
    std::string mode, modeArg, imagePath = nvmsim::Modem::DefaultImagePath(), naming;
    const char* serial = nullptr;
    nvmsim::Faults faults;
    nvmsim::ServerOptions server;
};

// What reading one option gave: not this kind of option, read, or wrong (`error` says why).
enum class Read { NotMine, Done, Wrong };

Read Check(bool ok, std::string& error, const std::string& why) {
    if (!ok) error = why;
    return ok ? Read::Done : Read::Wrong;
}

// The options that print something and end the program; -1 when `opt` is none of them.
int PrintingOption(const std::string& opt, Words& words, std::string& error) {
    if (opt == "--help" || opt == "-h") {
        std::cout << kUsage;
    } else if (opt == "--generate") {
        int groups, params, seed;
        if (!words.Number(groups) || !words.Number(params) || !words.Number(seed) || groups < 1 || params < 1) {
            error = "--generate needs GROUPS PARAMS SEED";
            return 2;
        }
        std::cout << nvmsim::GenerateScaleImage(groups, params, static_cast<uint32_t>(seed));
    } else if (opt == "--generate-default") {
        std::cout << nvmsim::GenerateDefaultImage(words.NextIs("suffixed"));
    } else if (opt == "--generate-rf-t71") {
        std::cout << nvmsim::GenerateRfT71Image();
    } else {
        return -1;
    }
    return 0;
}

// How the modem is served, on which image.
Read ModeOption(const std::string& opt, Words& words, Settings& settings, std::string& error) {
    if (opt == "--pty") {
        settings.mode = opt;
        return Read::Done;
    }
    if (opt == "--tcp" || opt == "--answer") {
        settings.mode = opt;
        const char* v = words.Value();
        if (v) settings.modeArg = v;
        return Check(v, error, opt + " needs an argument");
    }
    if (opt == "--image") {
        const char* v = words.Value();
        if (v) settings.imagePath = v;
        return Check(v, error, "--image needs a file");
    }
    if (opt == "--serial") {
        settings.serial = words.Value();
        return Check(settings.serial, error, "--serial needs a text");
    }
    if (opt == "--naming") {
        const char* v = words.Value();
        settings.naming = v ? v : "";
        return Check(settings.naming == "indexed" || settings.naming == "suffixed", error,
                     "--naming needs indexed or suffixed");
    }
    return Read::NotMine;
}

// The fault options that take a text.
Read TextFaultOption(const std::string& opt, Words& words, nvmsim::Faults& faults, std::string& error) {
    if (opt == "--error-pattern" || opt == "--forget-writes") {
        const char* v = words.Value();
        if (!v) return Check(false, error, opt + " needs a regular expression");
        try {
            std::regex check(v);
        } catch (const std::regex_error&) {
            return Check(false, error, std::string("bad regular expression \"") + v + "\"");
        }
        (opt == "--error-pattern" ? faults.errorPattern : faults.forgetWritesPattern) = v;
        return Read::Done;
    }
    std::string* text = opt == "--urc" ? &faults.urc : opt == "--extra-final" ? &faults.extraFinal : nullptr;
    if (!text) return Read::NotMine;
    const char* v = words.Value();
    if (v) *text = v;
    return Check(v, error, opt + " needs a text");
}

// The fault options that choose one of a few words.
Read ChoiceFaultOption(const std::string& opt, Words& words, nvmsim::Faults& faults, std::string& error) {
    if (opt == "--corrupt-mode") {
        const char* v = words.Value();
        const std::string mode = v ? v : "";
        if (mode == "bad") faults.damage = nvmsim::PieceDamage::BadCharacter;
        if (mode == "truncate") faults.damage = nvmsim::PieceDamage::Truncated;
        return Check(mode == "bad" || mode == "truncate", error, "--corrupt-mode needs bad or truncate");
    }
    if (opt == "--urc-place") {
        const char* v = words.Value();
        const std::string place = v ? v : "";
        if (place == "before") faults.urcPlace = nvmsim::UrcPlace::Before;
        if (place == "inside") faults.urcPlace = nvmsim::UrcPlace::Inside;
        if (place == "after") faults.urcPlace = nvmsim::UrcPlace::After;
        return Check(place == "before" || place == "inside" || place == "after", error,
                     "--urc-place needs before, inside or after");
    }
    if (opt == "--echo") {
        int echo;
        const bool ok = words.Number(echo) && (echo == 0 || echo == 1);
        if (ok) faults.echo = echo == 1;
        return Check(ok, error, "--echo needs 0 or 1");
    }
    if (opt == "--no-mirror-version" || opt == "--no-hyb-crash") {
        (opt == "--no-mirror-version" ? faults.mirrorVersion : faults.crashOnHybTracking) = false;
        return Read::Done;
    }
    return Read::NotMine;
}

// The options that take a number: faults of the modem and of the server's line.
Read NumberOption(const std::string& opt, Words& words, Settings& settings, std::string& error) {
    const std::pair<const char*, int*> numbers[] = {
        {"--lose-after", &settings.faults.loseAfter},       {"--cme-error", &settings.faults.cmeError},
        {"--corrupt-piece", &settings.faults.corruptPiece}, {"--delay-ms", &settings.faults.delayMs},
        {"--chunk-bytes", &settings.server.chunkBytes},     {"--chunk-delay-ms", &settings.server.chunkDelayMs},
        {"--hangup-after", &settings.server.hangupAfter},
    };
    for (const auto& [name, target] : numbers) {
        if (opt != name) continue;
        const bool ok = words.Number(*target) && (opt != "--cme-error" || *target >= 0);
        return Check(ok, error, opt + " needs a number");
    }
    if (opt == "--journal") {
        const char* v = words.Value();
        if (v) settings.server.journal = v;
        return Check(v, error, "--journal needs a file");
    }
    return Read::NotMine;
}

// Runs the modem as the settings say.
int Serve(const Settings& settings) {
    std::string error;
    auto image = nvmsim::Image::Load(settings.imagePath, error);
    if (!image) {
        std::cerr << "nvmsim: " << error << "\n";
        return 1;
    }
    if (settings.naming == "indexed") image->naming = nvmsim::Naming::Indexed;
    if (settings.naming == "suffixed") image->naming = nvmsim::Naming::Suffixed;
    if (settings.serial) image->identity["serial"] = settings.serial;
    nvmsim::Modem modem(image);
    modem.faults() = settings.faults;

    if (settings.mode == "--answer") {
        std::cout << modem.Execute(settings.modeArg);
        return modem.lost() ? 1 : 0;
    }
    if (settings.mode == "--pty") return nvmsim::ServePty(modem, settings.server);
    return nvmsim::ServeTcp(modem, settings.modeArg, settings.server);
}

}  // namespace

int main(int argc, char** argv) {
    Settings settings;
    Words words{argc, argv};
    for (; words.i < argc; ++words.i) {
        const std::string opt = argv[words.i];
        std::string error;
        const int printed = PrintingOption(opt, words, error);
        if (printed >= 0) return error.empty() ? printed : Fail(error);
        Read read = ModeOption(opt, words, settings, error);
        if (read == Read::NotMine) read = TextFaultOption(opt, words, settings.faults, error);
        if (read == Read::NotMine) read = ChoiceFaultOption(opt, words, settings.faults, error);
        if (read == Read::NotMine) read = NumberOption(opt, words, settings, error);
        if (read == Read::NotMine) return Fail("unknown option \"" + opt + "\"");
        if (read == Read::Wrong) return Fail(error);
    }
    if (settings.mode.empty()) return Fail("choose --pty, --tcp, --answer or --generate");
    return Serve(settings);
}
