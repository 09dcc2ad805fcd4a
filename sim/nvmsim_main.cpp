// nvmsim: the simulated modem as a server, a one-command answerer, or an
// image generator.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <regex>
#include <string>

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

}  // namespace

int main(int argc, char** argv) {
    std::string mode, modeArg, imagePath = nvmsim::Modem::DefaultImagePath(), naming;
    nvmsim::Faults faults;
    nvmsim::ServerOptions server;
    for (int i = 1; i < argc; ++i) {
        const std::string opt = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        auto number = [&](int& out) {
            const char* v = value();
            return v && ToInt(v, out);
        };
        if (opt == "--help" || opt == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (opt == "--pty") {
            mode = opt;
        } else if (opt == "--tcp" || opt == "--answer") {
            mode = opt;
            const char* v = value();
            if (!v) return Fail(opt + " needs an argument");
            modeArg = v;
        } else if (opt == "--generate") {
            int groups, params, seed;
            if (!number(groups) || !number(params) || !number(seed) || groups < 1 || params < 1)
                return Fail("--generate needs GROUPS PARAMS SEED");
            std::cout << nvmsim::GenerateScaleImage(groups, params, static_cast<uint32_t>(seed));
            return 0;
        } else if (opt == "--generate-default") {
            const bool suffixed = i + 1 < argc && std::strcmp(argv[i + 1], "suffixed") == 0;
            std::cout << nvmsim::GenerateDefaultImage(suffixed);
            return 0;
        } else if (opt == "--generate-rf-t71") {
            std::cout << nvmsim::GenerateRfT71Image();
            return 0;
        } else if (opt == "--image") {
            const char* v = value();
            if (!v) return Fail("--image needs a file");
            imagePath = v;
        } else if (opt == "--naming") {
            const char* v = value();
            naming = v ? v : "";
            if (naming != "indexed" && naming != "suffixed") return Fail("--naming needs indexed or suffixed");
        } else if (opt == "--lose-after") {
            if (!number(faults.loseAfter)) return Fail("--lose-after needs a number");
        } else if (opt == "--error-pattern" || opt == "--forget-writes") {
            const char* v = value();
            if (!v) return Fail(opt + " needs a regular expression");
            try {
                std::regex check(v);
            } catch (const std::regex_error&) {
                return Fail(std::string("bad regular expression \"") + v + "\"");
            }
            (opt == "--error-pattern" ? faults.errorPattern : faults.forgetWritesPattern) = v;
        } else if (opt == "--cme-error") {
            if (!number(faults.cmeError) || faults.cmeError < 0) return Fail("--cme-error needs a number");
        } else if (opt == "--corrupt-piece") {
            if (!number(faults.corruptPiece)) return Fail("--corrupt-piece needs a number");
        } else if (opt == "--corrupt-mode") {
            const char* v = value();
            if (v && std::strcmp(v, "bad") == 0)
                faults.damage = nvmsim::PieceDamage::BadCharacter;
            else if (v && std::strcmp(v, "truncate") == 0)
                faults.damage = nvmsim::PieceDamage::Truncated;
            else
                return Fail("--corrupt-mode needs bad or truncate");
        } else if (opt == "--delay-ms") {
            if (!number(faults.delayMs)) return Fail("--delay-ms needs a number");
        } else if (opt == "--echo") {
            int echo;
            if (!number(echo) || (echo != 0 && echo != 1)) return Fail("--echo needs 0 or 1");
            faults.echo = echo == 1;
        } else if (opt == "--urc") {
            const char* v = value();
            if (!v) return Fail("--urc needs a text");
            faults.urc = v;
        } else if (opt == "--extra-final") {
            const char* v = value();
            if (!v) return Fail("--extra-final needs a text");
            faults.extraFinal = v;
        } else if (opt == "--urc-place") {
            const char* v = value();
            const std::string place = v ? v : "";
            if (place == "before")
                faults.urcPlace = nvmsim::UrcPlace::Before;
            else if (place == "inside")
                faults.urcPlace = nvmsim::UrcPlace::Inside;
            else if (place == "after")
                faults.urcPlace = nvmsim::UrcPlace::After;
            else
                return Fail("--urc-place needs before, inside or after");
        } else if (opt == "--no-mirror-version") {
            faults.mirrorVersion = false;
        } else if (opt == "--no-hyb-crash") {
            faults.crashOnHybTracking = false;
        } else if (opt == "--chunk-bytes") {
            if (!number(server.chunkBytes)) return Fail("--chunk-bytes needs a number");
        } else if (opt == "--chunk-delay-ms") {
            if (!number(server.chunkDelayMs)) return Fail("--chunk-delay-ms needs a number");
        } else if (opt == "--hangup-after") {
            if (!number(server.hangupAfter)) return Fail("--hangup-after needs a number");
        } else if (opt == "--journal") {
            const char* v = value();
            if (!v) return Fail("--journal needs a file");
            server.journal = v;
        } else {
            return Fail("unknown option \"" + opt + "\"");
        }
    }
    if (mode.empty()) return Fail("choose --pty, --tcp, --answer or --generate");

    std::string error;
    auto image = nvmsim::Image::Load(imagePath, error);
    if (!image) {
        std::cerr << "nvmsim: " << error << "\n";
        return 1;
    }
    if (naming == "indexed") image->naming = nvmsim::Naming::Indexed;
    if (naming == "suffixed") image->naming = nvmsim::Naming::Suffixed;
    nvmsim::Modem modem(image);
    modem.faults() = faults;

    if (mode == "--answer") {
        std::cout << modem.Execute(modeArg);
        return modem.lost() ? 1 : 0;
    }
    if (mode == "--pty") return nvmsim::ServePty(modem, server);
    return nvmsim::ServeTcp(modem, modeArg, server);
}
