// nvmhost: the stand-in host. Opens a target link, loads the editor plug-in
// and shows its window inside the host's frame.

#include <QApplication>
#include <QCommandLineParser>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPixmap>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <vector>

#include "host/host_window.h"
#include "link/target_address.h"

namespace {

// Qt itself reads "-plugin NAME" (also spelled "--plugin") as a platform plug-in
// to load, so the host takes its own option out of the arguments before Qt sees them.
QString TakePluginOption(int& argc, char** argv) {
    QString value;
    int out = 1;
    for (int i = 1; i < argc; ++i) {
        if ((std::strcmp(argv[i], "--plugin") == 0 || std::strcmp(argv[i], "-plugin") == 0) && i + 1 < argc) {
            value = QString::fromLocal8Bit(argv[++i]);
        } else if (std::strncmp(argv[i], "--plugin=", 9) == 0) {
            value = QString::fromLocal8Bit(argv[i] + 9);
        } else {
            argv[out++] = argv[i];
        }
    }
    argc = out;
    argv[argc] = nullptr;
    return value;
}

// An unattended screenshot run cannot answer a dialog: one that opens is
// reported on standard error and closed, so that start-up goes on.
void CloseModalDialogs() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) return;
    QString text = modal->windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) text += ": " + box->text();
    std::fprintf(stderr, "nvmhost: closed the dialog \"%s\"\n", text.toLocal8Bit().constData());
    if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        dialog->reject();
    } else {
        modal->close();
    }
}

}  // namespace

int main(int argc, char** argv) {
    const QString pluginArg = TakePluginOption(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName("nvmhost");
    QApplication::setApplicationVersion(NVMHOST_VERSION);

    QCommandLineParser parser;
    parser.setApplicationDescription("Stand-in host for the VTQ NVM Editor plug-in.");
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption pluginOpt("plugin", "Editor plug-in to load (default: libvtqnvm.so next to nvmhost).", "PATH");
    QCommandLineOption targetOpt("target", "sim[:IMAGE] (default), serial:DEVICE[@BAUD] or tcp:HOST:PORT.", "TARGET",
                                 "sim");
    QCommandLineOption timeoutOpt("timeout", "Time-out of one command in milliseconds (default 30000).", "MS", "30000");
    QCommandLineOption shotOpt("screenshot", "Render the main window after start-up to a PNG file and exit.", "FILE");
    parser.addOptions({pluginOpt, targetOpt, timeoutOpt, shotOpt});
    parser.process(app);

    targetlink::TargetAddress target;
    std::string error;
    if (!targetlink::ParseTargetAddress(parser.value(targetOpt).toStdString(), target, error)) {
        std::fprintf(stderr, "nvmhost: %s\n", error.c_str());
        return 2;
    }
    bool numeric = false;
    const int timeout = parser.value(timeoutOpt).toInt(&numeric);
    if (!numeric || timeout < 1) {
        std::fprintf(stderr, "nvmhost: --timeout needs a number of milliseconds.\n");
        return 2;
    }
    const QString plugin =
        !pluginArg.isEmpty() ? pluginArg : QDir(QCoreApplication::applicationDirPath()).filePath("libvtqnvm.so");
    const bool screenshot = parser.isSet(shotOpt);

    nvmhost::HostWindow window;
    window.session().SetTimeoutMs(timeout);
    window.show();

    QTimer dialogCloser;
    if (screenshot) {
        QObject::connect(&dialogCloser, &QTimer::timeout, &CloseModalDialogs);
        dialogCloser.start(300);
    }
    int status = 0;
    // Start-up runs inside the event loop, so that the editor window's own
    // dialogs and the screenshot see a running application.
    QTimer::singleShot(0, &window, [&] {
        window.ConnectTarget(target);
        if (!window.LoadPlugin(QFileInfo(plugin).absoluteFilePath().toStdString())) {
            const QStringList& lines = window.logPane()->Lines();
            if (!lines.isEmpty()) std::fprintf(stderr, "nvmhost: %s\n", lines.last().mid(15).toLocal8Bit().constData());
        }
        if (!screenshot) return;
        const QString file = parser.value(shotOpt);
        // Rendered once the start-up events (the editor window's layout among them) are through.
        QTimer::singleShot(500, &window, [&, file] {
            if (!window.grab().save(file, "PNG")) {
                std::fprintf(stderr, "nvmhost: cannot write the screenshot %s\n", file.toLocal8Bit().constData());
                status = 1;
            }
            window.close();
            QApplication::quit();
        });
    });
    const int rc = QApplication::exec();
    // The plug-in goes only now that none of its code can be on the stack, and
    // after what it handed to deleteLater inside the event loop is destroyed.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    window.UnloadPlugin();
    return status != 0 ? status : rc;
}
