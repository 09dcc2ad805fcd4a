#include "sim/server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "sim/faults.h"
#include "sim/wire.h"

namespace nvmsim {

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void OnStopSignal(int) { stopRequested = 1; }

void InstallSignals() {
    struct sigaction sa {};
    sa.sa_handler = OnStopSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN) {
                pollfd p{fd, POLLOUT, 0};
                poll(&p, 1, 100);
                continue;
            }
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// One connection's command handling; false when the server must hang up.
class Session {
public:
    Session(Modem& modem, const ServerOptions& options) : modem_(modem), options_(options) {}

    // Handles received bytes; returns false to hang up, or when writing fails.
    bool Received(int fd, std::string_view bytes) {
        std::vector<std::string> lines;
        assembler_.Feed(bytes, lines);
        for (const auto& line : lines) {
            if (options_.hangupAfter > 0 && ++lineCount_ >= options_.hangupAfter) return false;
            if (line.empty()) continue;
            if (!options_.journal.empty())
                std::ofstream(options_.journal, std::ios::app | std::ios::binary) << line << "\n";
            const bool echo = modem_.faults().echo;
            const std::string answer = modem_.Execute(line);
            if (!Send(fd, FrameAnswer(line, answer, echo, modem_.faults()))) return false;
        }
        return true;
    }

private:
    bool Send(int fd, const std::string& text) {
        if (options_.chunkBytes <= 0) return WriteAll(fd, text.data(), text.size());
        for (size_t at = 0; at < text.size(); at += static_cast<size_t>(options_.chunkBytes)) {
            if (options_.chunkDelayMs > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(options_.chunkDelayMs));
            const size_t n = std::min(text.size() - at, static_cast<size_t>(options_.chunkBytes));
            if (!WriteAll(fd, text.data() + at, n)) return false;
        }
        return true;
    }

    Modem& modem_;
    const ServerOptions& options_;
    LineAssembler assembler_;
    int lineCount_ = 0;
};

}  // namespace

int ServePty(Modem& modem, const ServerOptions& options) {
    InstallSignals();
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::perror("nvmsim: pseudo-terminal");
        return 1;
    }
    const char* path = ptsname(master);
    if (!path) {
        std::perror("nvmsim: ptsname");
        return 1;
    }
    // The server keeps the slave open itself, in raw mode: the line
    // discipline then neither echoes nor translates, and a client closing
    // its side does not leave the master failing with EIO.
    const int slave = open(path, O_RDWR | O_NOCTTY);
    termios tio{};
    if (slave < 0 || tcgetattr(slave, &tio) != 0) {
        std::perror("nvmsim: slave");
        return 1;
    }
    cfmakeraw(&tio);
    tcsetattr(slave, TCSANOW, &tio);
    std::printf("%s\n", path);
    std::fflush(stdout);

    Session session(modem, options);
    char buffer[4096];
    while (!stopRequested) {
        pollfd p{master, POLLIN, 0};
        const int ready = poll(&p, 1, 200);
        if (ready <= 0) continue;
        const ssize_t n = read(master, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            continue;
        }
        if (!session.Received(master, std::string_view(buffer, static_cast<size_t>(n)))) break;
    }
    close(slave);
    close(master);
    return 0;
}

int ServeTcp(Modem& modem, const std::string& address, const ServerOptions& options) {
    InstallSignals();
    const size_t colon = address.rfind(':');
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    char* end = nullptr;
    const long port = colon == std::string::npos ? -1 : std::strtol(address.c_str() + colon + 1, &end, 10);
    if (port < 0 || port > 65535 || (end && *end) ||
        inet_pton(AF_INET, address.substr(0, colon).c_str(), &addr.sin_addr) != 1) {
        std::fprintf(stderr, "nvmsim: bad address \"%s\" (expected HOST:PORT)\n", address.c_str());
        return 2;
    }
    addr.sin_port = htons(static_cast<uint16_t>(port));
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    const int one = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        listen(listener, 4) != 0) {
        std::perror("nvmsim: listen");
        return 1;
    }
    socklen_t length = sizeof addr;
    getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &length);
    std::printf("%d\n", ntohs(addr.sin_port));
    std::fflush(stdout);

    int client = -1;
    std::unique_ptr<Session> session;
    char buffer[4096];
    while (!stopRequested) {
        pollfd p[2] = {{listener, POLLIN, 0}, {client, POLLIN, 0}};
        if (poll(p, client < 0 ? 1 : 2, 200) <= 0) continue;
        if (p[0].revents & POLLIN) {
            const int accepted = accept(listener, nullptr, nullptr);
            if (accepted >= 0) {
                // A new client replaces the old one; the modem keeps its state.
                if (client >= 0) close(client);
                client = accepted;
                session = std::make_unique<Session>(modem, options);
                continue;
            }
        }
        if (client >= 0 && (p[1].revents & (POLLIN | POLLHUP | POLLERR))) {
            const ssize_t n = read(client, buffer, sizeof buffer);
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            if (n <= 0) {
                close(client);
                client = -1;
                continue;
            }
            if (!session->Received(client, std::string_view(buffer, static_cast<size_t>(n)))) {
                close(client);
                client = -1;
                if (options.hangupAfter > 0) break;
            }
        }
    }
    if (client >= 0) close(client);
    close(listener);
    return 0;
}

}  // namespace nvmsim
