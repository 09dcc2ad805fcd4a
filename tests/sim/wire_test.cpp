// The nvmsim server end to end on loopback TCP and on a pseudo-terminal,
// and the AT framing it uses.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <arpa/inet.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "sim/wire.h"

namespace nvmsim {
namespace {

// Runs nvmsim on the small image with `args` and reads the first line it prints.
class Server {
public:
    explicit Server(std::vector<std::string> args) {
        args.insert(args.begin(), {NVMSIM_BINARY, "--image", VTQ_SOURCE_DIR "/sim/images/small.img"});
        int out[2];
        if (pipe(out) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], 1);
            close(out[0]);
            std::vector<char*> argv;
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(NVMSIM_BINARY, argv.data());
            _exit(127);
        }
        close(out[1]);
        for (char c; read(out[0], &c, 1) == 1 && c != '\n';) first_ += c;
        close(out[0]);
    }
    ~Server() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    const std::string& firstLine() const { return first_; }
    // True when the server exited by itself within the time.
    bool Exited(int ms) {
        for (int i = 0; i < ms / 10 && pid_ > 0; ++i, usleep(10000))
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) pid_ = -1;
        return pid_ == -1;
    }

private:
    pid_t pid_ = -1;
    std::string first_;
};

// Reads until `final` arrives at the end of what was read, or time runs out.
std::string ReadUntil(int fd, const std::string& final, int ms = 3000) {
    std::string got;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        if (got.size() >= final.size() && got.compare(got.size() - final.size(), final.size(), final) == 0) break;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 20) <= 0) continue;
        char buffer[4096];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        got.append(buffer, static_cast<size_t>(n));
    }
    return got;
}

// A client of the server: its TCP port or its pseudo-terminal, the latter raw.
int Open(const std::string& endpoint) {
    if (endpoint.rfind("/dev/", 0) == 0) {
        const int fd = open(endpoint.c_str(), O_RDWR | O_NOCTTY);
        termios tio{};
        tcgetattr(fd, &tio);
        cfmakeraw(&tio);
        tcsetattr(fd, TCSANOW, &tio);
        return fd;
    }
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(std::stoi(endpoint)));
    inet_pton(AF_INET, "127.0.0.1", &addr.sin_addr);
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) return fd;
    close(fd);
    return -1;
}

void Send(int fd, const std::string& text) { ASSERT_EQ(write(fd, text.data(), text.size()), ssize_t(text.size())); }

TEST(Server, TcpEchoUrcAndErrors) {
    Server server({"--tcp", "127.0.0.1:0", "--urc", "+CREG: 1", "--urc-place", "inside", "--error-pattern",
                   "offset", "--cme-error", "3"});
    ASSERT_FALSE(server.firstLine().empty());
    const int fd = Open(server.firstLine());
    ASSERT_GE(fd, 0);
    Send(fd, "at@nvm:fix_small.lut?\r");
    EXPECT_EQ(ReadUntil(fd, "OK\r\n"), "at@nvm:fix_small.lut?\r\r\n{1,2,3,4}\r\n+CREG: 1\r\nOK\r\n");
    // A command split over several writes, ended by CR LF; echo off.
    Send(fd, "ATE");
    Send(fd, "0\r\n");
    EXPECT_EQ(ReadUntil(fd, "OK\r\n"), "ATE0\r\r\n+CREG: 1\r\nOK\r\n");
    Send(fd, "at@nvm:fix_small.offset?\r");
    EXPECT_EQ(ReadUntil(fd, "ERROR: 3\r\n"), "\r\n+CREG: 1\r\n+CME ERROR: 3\r\n");
    close(fd);
    // A new client finds the same modem, echo still off.
    const int again = Open(server.firstLine());
    ASSERT_GE(again, 0);
    Send(again, "AT+CGMR\r");
    EXPECT_EQ(ReadUntil(again, "OK\r\n"), "\r\n1.0.0\r\n+CREG: 1\r\nOK\r\n");
    close(again);
}

TEST(Server, TcpLostTargetAndHangUp) {
    for (const char* fault : {"--lose-after", "--hangup-after"}) {
        SCOPED_TRACE(fault);
        Server server({"--tcp", "127.0.0.1:0", fault, "2"});
        const int fd = Open(server.firstLine());
        ASSERT_GE(fd, 0);
        Send(fd, "AT\r");
        EXPECT_EQ(ReadUntil(fd, "OK\r\n"), "AT\r\r\nOK\r\n");
        Send(fd, "AT\r");
        if (std::string(fault) == "--lose-after") {
            EXPECT_EQ(ReadUntil(fd, "OK\r\n", 300), "") << "a lost target sends nothing, not even the echo";
        } else {
            char c;
            EXPECT_EQ(read(fd, &c, 1), 0) << "connection closed";
            EXPECT_TRUE(server.Exited(2000));
        }
        close(fd);
    }
}

TEST(Server, PtyAnswersInSmallPiecesAndOutlivesItsClient) {
    Server server({"--pty", "--chunk-bytes", "3", "--echo", "0"});
    ASSERT_EQ(server.firstLine().rfind("/dev/", 0), 0u) << server.firstLine();
    const std::pair<const char*, const char*> exchanges[] = {
        {"ATI\r", "\r\nSimulated Modems\r\nNVM-SIM small\r\nRevision: 1.0.0\r\nOK\r\n"},
        {"at@nvm:fix_small.gain?\r", "\r\n12\r\nOK\r\n"}};
    for (const auto& [command, answer] : exchanges) {  // a new client each time
        const int fd = Open(server.firstLine());
        ASSERT_GE(fd, 0);
        Send(fd, command);
        EXPECT_EQ(ReadUntil(fd, "OK\r\n"), answer);
        close(fd);
    }
}

TEST(Wire, FramingPlacesTheUnsolicitedCode) {
    Faults f;
    f.urc = "+CREG: 1";
    const std::string answer = "a\r\nb\r\nOK\r\n";
    f.urcPlace = UrcPlace::Before;
    EXPECT_EQ(FrameAnswer("X", answer, true, f), "X\r\r\n+CREG: 1\r\na\r\nb\r\nOK\r\n");
    f.urcPlace = UrcPlace::Inside;
    EXPECT_EQ(FrameAnswer("X", answer, false, f), "\r\na\r\n+CREG: 1\r\nb\r\nOK\r\n");
    EXPECT_EQ(FrameAnswer("X", "OK\r\n", false, f), "\r\n+CREG: 1\r\nOK\r\n");
    f.urcPlace = UrcPlace::After;
    EXPECT_EQ(FrameAnswer("X", answer, false, f), "\r\na\r\nb\r\nOK\r\n+CREG: 1\r\n");
    EXPECT_EQ(FrameAnswer("X", "", true, f), "");
    f.urc.clear();
    EXPECT_EQ(FrameAnswer("X", answer, false, f), "\r\n" + answer);
}

TEST(Wire, LinesEndAtCarriageReturn) {
    LineAssembler a;
    std::vector<std::string> lines;
    a.Feed("AT", lines);
    EXPECT_TRUE(lines.empty());
    a.Feed("I\r\nAT\r\r", lines);
    EXPECT_EQ(lines, (std::vector<std::string>{"ATI", "AT", ""}));
}

}  // namespace
}  // namespace nvmsim
