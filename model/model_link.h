#pragma once
// What the parameter container may ask of the outside: a log line, and one
// query of the target. The editing session answers it over the command
// exchange; a container without a link (a file's temporary container) is
// silent and never queries.

#include <cstdint>
#include <string>

namespace vtq {

class ModelLink {
public:
    virtual ~ModelLink() = default;
    // The show line: flag 0 for errors and warnings, 1 for information.
    virtual void Log(const std::string& text, uint8_t flag) = 0;
    // One command; true with the cleaned answer when the target answered "OK".
    // False at once when no target may be asked (none, or it was lost).
    virtual bool Query(const std::string& command, std::string& answer) = 0;
};

}  // namespace vtq
