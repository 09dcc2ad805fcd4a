#pragma once
// Runs the built nvmtool as a user would, with a settings folder of the test's own.

#include <sys/types.h>

#include <csignal>
#include <functional>
#include <string>

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QThread>

namespace vtq::test {

struct ToolResult {
    int status = -1;  // -2: ended by a signal
    std::string out, err;
    QJsonObject json;  // standard output, parsed when --json was given
};

// `signal`, when not 0, is sent once the run is under way: when `ready` answers true (polled), or else
// after 700 ms.
inline ToolResult RunTool(const QStringList& args, const std::string& config, int signal = 0,
                          const std::function<bool()>& ready = {}) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(config));
    env.remove("APPDATA");
    p.setProcessEnvironment(env);
    p.start(QString(VTQ_BINARY_DIR) + "/bin/nvmtool", args);
    p.closeWriteChannel();
    if (signal != 0 && p.waitForStarted()) {
        if (ready)
            for (int waited = 0; waited < 30000 && !ready(); waited += 10) QThread::msleep(10);
        else
            QThread::msleep(700);
        ::kill(static_cast<pid_t>(p.processId()), signal);
    }
    ToolResult r;
    if (!p.waitForFinished(60000)) return r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = p.readAllStandardOutput().toStdString();
    r.err = p.readAllStandardError().toStdString();
    if (args.contains("--json")) r.json = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
    return r;
}

}  // namespace vtq::test
