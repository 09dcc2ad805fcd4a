// nvmhost: the stand-in host. Opens a target link, loads the editor plug-in
// and shows its window inside the host's frame.

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QTimer>
#include <cstdio>

#include "host/host_window.h"
#include "host/target_spec.h"

int main(int argc, char** argv) {
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

    nvmhost::TargetSpec spec;
    std::string error;
    if (!nvmhost::ParseTargetSpec(parser.value(targetOpt).toStdString(), spec, error)) {
        std::fprintf(stderr, "nvmhost: %s\n", error.c_str());
        return 2;
    }
    bool numeric = false;
    const int timeout = parser.value(timeoutOpt).toInt(&numeric);
    if (!numeric || timeout < 1) {
        std::fprintf(stderr, "nvmhost: --timeout needs a number of milliseconds.\n");
        return 2;
    }
    const QString plugin = parser.isSet(pluginOpt)
                               ? parser.value(pluginOpt)
                               : QDir(QCoreApplication::applicationDirPath()).filePath("libvtqnvm.so");

    nvmhost::HostWindow window;
    window.session().SetTimeoutMs(timeout);
    window.show();
    window.ConnectTarget(spec);
    if (!window.LoadPlugin(QFileInfo(plugin).absoluteFilePath().toStdString())) {
        const QStringList& lines = window.logPane()->Lines();
        if (!lines.isEmpty()) std::fprintf(stderr, "nvmhost: %s\n", lines.last().mid(15).toLocal8Bit().constData());
    }

    int status = 0;
    if (parser.isSet(shotOpt)) {
        const QString file = parser.value(shotOpt);
        // Rendered once the start-up events (the editor window's layout among them) are through.
        QTimer::singleShot(500, &window, [&] {
            if (!window.grab().save(file, "PNG")) {
                std::fprintf(stderr, "nvmhost: cannot write the screenshot %s\n", file.toLocal8Bit().constData());
                status = 1;
            }
            window.close();
            QApplication::quit();
        });
    }
    const int rc = QApplication::exec();
    window.UnloadPlugin();
    return status != 0 ? status : rc;
}
