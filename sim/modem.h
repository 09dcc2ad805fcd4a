#pragma once
// The simulated modem: a target that answers every command the editor sends.
// Standard library only. Used in-process by the stand-in host and the tests,
// and behind a pseudo-terminal or TCP port by the nvmsim server.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace nvmsim {

struct Faults;  // sim/faults.h
class Image;    // sim/image.h

class Modem {
public:
    explicit Modem(std::shared_ptr<Image> image);
    ~Modem();

    // Loads a target image file; null with `error` set on failure.
    static std::unique_ptr<Modem> FromImageFile(const std::string& path, std::string& error);
    // The default image shipped in the repository (sim/images/default.img).
    static std::string DefaultImagePath();

    // Executes one command line (the text without its final carriage return,
    // e.g. "at@nvm:$nvm_groups??"). Returns the wire text that follows the
    // echo: the answer lines, each ending in CR LF, and the final result code
    // line ("OK", "ERROR" or "+CME ERROR: n") with its CR LF. Returns an empty
    // text when the target does not answer at all (target lost).
    std::string Execute(const std::string& line);

    Faults& faults();
    Image& image();

    // The target stopped answering (a lost-after fault or a crash); it stays
    // lost until Reset.
    bool lost() const;
    // Commands executed since construction or the last Reset.
    int commandCount() const;
    // Back to the image's values in RAM mirror and NVM, target answering,
    // command count 0. Faults are kept.
    void Reset();

    // The RAM mirror and the NVM copy of a group (index into image().groups).
    std::vector<uint8_t>& ram(size_t groupIndex);
    std::vector<uint8_t>& nvm(size_t groupIndex);
    // The value text of "grp.param" (as a value query answers it, arrays in
    // braces) from the RAM mirror or from NVM; empty for an unknown name.
    std::string ValueOf(const std::string& name, bool fromNvm = false);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace nvmsim
