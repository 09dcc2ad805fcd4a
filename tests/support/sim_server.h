#pragma once
// "nvmsim --pty" or "nvmsim --tcp 127.0.0.1:0" as a child process, with
// options, for tests that reach the simulated modem over a real link.

#include <QProcess>
#include <QStringList>
#include <string>

namespace vtq::test {

inline const QString kNvmsimPath = QString(VTQ_BINARY_DIR) + "/bin/nvmsim";

class SimServer {
public:
    ~SimServer() { Kill(); }
    void Kill() {
        proc_.kill();
        proc_.waitForFinished(5000);
    }
    // Starts the server; its first output line is the device path or the port.
    bool Start(bool pty, const QStringList& args = {}) {
        proc_.start(kNvmsimPath, (pty ? QStringList{"--pty"} : QStringList{"--tcp", "127.0.0.1:0"}) + args);
        if (!proc_.waitForStarted(5000)) return false;
        while (!proc_.canReadLine())
            if (!proc_.waitForReadyRead(5000)) return false;
        endpoint_ = proc_.readLine().trimmed().toStdString();
        pty_ = pty;
        return !endpoint_.empty();
    }
    const std::string& endpoint() const { return endpoint_; }
    // The target as the host and the command line take it.
    std::string Target() const { return pty_ ? "serial:" + endpoint_ : "tcp:127.0.0.1:" + endpoint_; }

private:
    QProcess proc_;
    std::string endpoint_;
    bool pty_ = false;
};

}  // namespace vtq::test
