#pragma once
// A byte link to a target: the in-process simulated modem, a serial port or a
// TCP connection. Blocking calls only; the session above runs one command at a time.

#include <functional>
#include <string>

namespace targetlink {

enum class WaitResult { Data, Timeout, Lost };

class ByteLink {
public:
    virtual ~ByteLink() = default;

    // What the status bar shows for this target, e.g. "serial /dev/ttyUSB0 @115200".
    virtual std::string Describe() const = 0;
    virtual bool Open(std::string& error) = 0;
    virtual void Close() = 0;
    virtual bool IsUp() const = 0;

    // Sends all of `bytes`; false when the link went down.
    virtual bool Send(const std::string& bytes) = 0;
    // Waits at most `timeoutMs` (0: only what is there already) and appends the
    // bytes that arrived to `out`.
    virtual WaitResult Receive(std::string& out, int timeoutMs) = 0;

    // The operating system's handle of the port, -1 when there is none.
    virtual int Handle() const { return -1; }
    // Links that notice bytes or their own loss between commands (from the
    // event loop) call these; both may be empty.
    virtual void SetListener(std::function<void()> idleData, std::function<void()> lost) {
        (void)idleData;
        (void)lost;
    }
};

}  // namespace targetlink
