#pragma once
// What the editor needs from its host: the target link and the log. The plug-in
// reaches it through the host function table; tests and command-line front ends
// implement it directly.

#include <cstdint>
#include <string>

namespace vtq {

class Host {
public:
    virtual ~Host() = default;

    // One raw exchange (host slot 175). Returns true when an answer was
    // received; the host sets *targetLost to 1 when the target stopped responding.
    virtual bool SendReceive(const std::string& command, std::string& answer, bool echo, uint8_t* targetLost) = 0;

    // Host slot 184: the target is connected and may be used.
    virtual bool CheckConnection() = 0;

    // Host slot 173. False when the host has no such function; otherwise the
    // text the host wrote into a buffer of `bufferSize` bytes (possibly empty).
    virtual bool GetInfo(int infoId, int bufferSize, std::string& text) = 0;

    // The show line: flag 0 for errors and warnings, 1 for information.
    virtual void ShowLine(const std::string& text, uint8_t flag) = 0;
};

}  // namespace vtq
