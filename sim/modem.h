#pragma once
// The simulated modem: a target that answers every command the editor sends.
// Standard library only. Used in-process by the stand-in host and the tests,
// and behind a pseudo-terminal or TCP port by the nvmsim server.

#include <memory>
#include <string>

namespace nvmsim {

struct Faults;   // sim/faults.h
class Image;     // sim/image.h

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

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace nvmsim
