#pragma once
// A modem played by a thread on one end of a pseudo-terminal or a loopback
// TCP connection: it reads commands up to CR and writes scripted answers in
// chunks as small as one byte, so the host's link sees every kind of cut.

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace nvmhost::test {

class FakeModem {
public:
    // What the modem writes for a command (without CR): chunks written one by
    // one with a short pause between. No chunks: it stays silent. The chunk
    // "<close>" ends the modem's side of the link.
    using Script = std::function<std::vector<std::string>(const std::string& command)>;

    enum class Kind { Pty, Tcp };
    FakeModem(Kind kind, Script script);
    ~FakeModem();

    // The slave device path (Pty) or "" (Tcp).
    const std::string& device() const { return device_; }
    int port() const { return port_; }
    // Writes bytes at once, outside any command (unsolicited lines).
    void Push(const std::string& bytes);
    // Ends the modem's side of the link now.
    void Hang();

private:
    void Serve();
    void WriteAll(const std::string& bytes);
    void CloseSide();

    Script script_;
    Kind kind_;
    std::atomic<int> fd_{-1};  // pty master or connected socket
    int listenFd_ = -1;  // TCP only
    std::string device_;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<bool> hang_{false};
    std::atomic<bool> hungUp_{false};
    std::thread thread_;
};

// Cuts `text` into one-byte chunks.
std::vector<std::string> Bytewise(const std::string& text);

}  // namespace nvmhost::test
