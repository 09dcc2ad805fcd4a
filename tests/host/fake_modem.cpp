#include "fake_modem.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace nvmhost::test {

std::vector<std::string> Bytewise(const std::string& text) {
    std::vector<std::string> out;
    for (char c : text) out.emplace_back(1, c);
    return out;
}

FakeModem::FakeModem(Kind kind, Script script) : script_(std::move(script)), kind_(kind) {
    if (kind == Kind::Pty) {
        int master = -1;
        int slave = -1;
        char name[256] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty failed");
        fd_ = master;
        termios t{};
        tcgetattr(slave, &t);
        cfmakeraw(&t);
        tcsetattr(slave, TCSANOW, &t);
        close(slave);  // the host opens the slave by its name
        device_ = name;
    } else {
        listenFd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(listenFd_, 1) != 0)
            throw std::runtime_error("cannot listen on loopback");
        socklen_t len = sizeof addr;
        getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
    }
    thread_ = std::thread([this] { Serve(); });
}

FakeModem::~FakeModem() {
    stop_ = true;
    thread_.join();
    if (fd_ >= 0) close(fd_);
    if (listenFd_ >= 0) close(listenFd_);
}

void FakeModem::WriteAll(const std::string& bytes) {
    size_t done = 0;
    const int fd = fd_;
    while (fd >= 0 && done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

void FakeModem::Push(const std::string& bytes) {
    // Written from the test thread: the modem thread only writes while answering.
    WriteAll(bytes);
}

void FakeModem::Hang() {
    // The modem thread closes its side itself, once it has a side (TCP: after accept).
    hang_ = true;
    for (int i = 0; i < 200 && !hungUp_; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

void FakeModem::CloseSide() {
    const int fd = fd_.exchange(-1);
    if (fd >= 0) close(fd);
    hungUp_ = true;
}

void FakeModem::Serve() {
    if (kind_ == Kind::Tcp) {
        while (!stop_) {
            pollfd p{listenFd_, POLLIN, 0};
            if (poll(&p, 1, 20) > 0) {
                const int fd = accept(listenFd_, nullptr, nullptr);
                int one = 1;
                setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
                fd_ = fd;
                break;
            }
        }
    }
    std::string line;
    while (!stop_) {
        if (hang_) {
            CloseSide();
            return;
        }
        const int fd = fd_;
        if (fd < 0) return;
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, 20);
        if (ready <= 0) continue;
        if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) {
            if (!(p.revents & POLLIN)) {
                // The host closed the slave: wait for it to come back.
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                continue;
            }
        }
        char buf[256];
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        for (ssize_t i = 0; i < n; ++i) {
            if (buf[i] != '\r') {
                line += buf[i];
                continue;
            }
            for (const std::string& chunk : script_(line)) {
                if (chunk == "<close>") {
                    CloseSide();
                    return;
                }
                WriteAll(chunk);
                std::this_thread::sleep_for(std::chrono::microseconds(300));
            }
            line.clear();
        }
    }
}

}  // namespace nvmhost::test
