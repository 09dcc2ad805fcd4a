#include "host/host_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QFileDialog>
#include <QInputDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QSerialPortInfo>
#include <QSplitter>
#include <QStatusBar>
#include <QThread>

#include "host/host_slots.h"
#include "link/open_link.h"

namespace nvmhost {

using targetlink::ByteLink;
using targetlink::FormatTargetAddress;
using targetlink::LinkState;
using targetlink::MakeLink;
using targetlink::ParseTargetAddress;
using targetlink::TargetAddress;


namespace {

// Objects the plug-in handed to deleteLater must go while its code is still mapped.
void FlushDeferredDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

}  // namespace

HostWindow::HostWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName("HostWindow");
    setWindowTitle("nvmhost");
    mdi_ = new QMdiArea;
    mdi_->setObjectName("MdiArea");
    log_ = new LogPane;
    auto* split = new QSplitter(Qt::Vertical);
    split->addWidget(mdi_);
    split->addWidget(log_);
    split->setStretchFactor(0, 4);
    split->setStretchFactor(1, 1);
    setCentralWidget(split);
    linkLabel_ = new QLabel;
    pluginLabel_ = new QLabel;
    statusBar()->addWidget(linkLabel_, 1);
    statusBar()->addPermanentWidget(pluginLabel_);
    resize(1200, 800);

    app_.struct_size = sizeof(vtq_host_app);
    app_.mdi_area = mdi_;
    app_.main_window = this;
    table_ = MakeHostTable();

    Services().session = &session_;
    Services().log = [this](const std::string& text, uint8_t flag) { log_->AddLine(text, flag); };
    Services().toolName = "nvmhost " NVMHOST_VERSION;
    session_.SetLog([this](const std::string& text, uint8_t flag) { log_->AddLine(text, flag); });
    session_.SetStateListener([this](LinkState) { UpdateStatus(); });

    BuildMenus();
    UpdateStatus();
}

HostWindow::~HostWindow() {
    UnloadPlugin();
    session_.Detach();
    if (Services().session == &session_) Services() = HostServices();
}

void HostWindow::BuildMenus() {
    QMenu* editor = menuBar()->addMenu("&Editor");
    openEditor_ = editor->addAction("&Open Editor Window", this, &HostWindow::OpenEditor);
    closeEditor_ = editor->addAction("&Close Editor Window", this, &HostWindow::CloseEditor);
    editor->addSeparator();
    editor->addAction("E&xit", this, &QWidget::close);

    QMenu* target = menuBar()->addMenu("&Target");
    target->addAction("&Simulated Modem", this, [this] { ConnectTarget(TargetAddress()); });
    target->addAction("Simulated Modem from &Image...", this, &HostWindow::ChooseSimImage);
    target->addAction("S&erial Port...", this, &HostWindow::ChooseSerial);
    target->addAction("&TCP...", this, &HostWindow::ChooseTcp);
    target->addSeparator();
    target->addAction("&Reconnect", this, &HostWindow::Reconnect);
    target->addAction("&Disconnect", this, &HostWindow::Disconnect);

    QMenu* log = menuBar()->addMenu("&Log");
    log->addAction("&Copy", log_, &LogPane::CopyToClipboard);
    log->addAction("&Save As...", log_, &LogPane::SaveAs);
    log->addAction("C&lear", log_, &LogPane::ClearLog);
}

bool HostWindow::ConnectTarget(const TargetAddress& target) {
    target_ = target;
    std::string error;
    std::unique_ptr<ByteLink> link = MakeLink(target, error);
    bool ok = false;
    if (link) {
        link->SetListener([this] { session_.DrainIdle(); },
                          [this] {
                              log_->AddLine("The link to the target went down.", 0);
                              session_.LinkLost();
                          });
        ok = session_.Attach(std::move(link), error);
    } else {
        session_.Detach();
    }
    const std::string name = FormatTargetAddress(target);
    if (ok) {
        log_->AddLine("Connected to " + session_.link()->Describe() + ".", 1);
    } else {
        log_->AddLine("Cannot connect to " + name + ": " + error, 0);
    }
    plugin_.SetComHandle(ok ? session_.link()->Handle() : -1);
    UpdateStatus();
    return ok;
}

bool HostWindow::LoadPlugin(const std::string& path) {
    if (plugin_.Loaded() && !UnloadPlugin()) {
        log_->AddLine(
            "The editor plug-in " + plugin_.Path() + " stays loaded while the host runs; " + path + " is not loaded.",
            0);
        return false;
    }
    std::string error;
    if (!plugin_.Load(path, error)) {
        log_->AddLine(error, 0);
        UpdateStatus();
        return false;
    }
    const int32_t link = session_.link() ? session_.link()->Handle() : -1;
    plugin_.HandOver(table_.data(), static_cast<int32_t>(table_.size() * sizeof(vtq_host_fn)), ShowLineFunction(),
                     link);
    if (!plugin_.CanRun()) {
        log_->AddLine("The editor plug-in " + path + " reports that it cannot run with this host.", 0);
        UpdateStatus();
        return false;
    }
    log_->AddLine("Loaded the editor plug-in " + path + ".", 1);
    OpenEditor();
    return true;
}

bool HostWindow::PluginMayBeRunning() const {
    // Inside the event loop any handler of the editor window may be further up
    // the stack (an operation lets events through while it waits for answers).
    return QThread::currentThread()->loopLevel() > 0 || plugin_.InCall() || Services().callsFromPlugin > 0;
}

bool HostWindow::UnloadPlugin() {
    if (!plugin_.Loaded()) return true;
    if (PluginMayBeRunning()) {
        // Closing the library now would return into unmapped code: only the window goes.
        CloseEditor();
        return false;
    }
    plugin_.Unload(&FlushDeferredDeletes);
    UpdateStatus();
    return !plugin_.Loaded();
}

void HostWindow::OpenEditor() {
    if (!plugin_.Loaded() || !plugin_.CanRun()) {
        log_->AddLine("No editor plug-in is loaded.", 0);
        return;
    }
    if (plugin_.WindowShown()) {
        if (QMdiSubWindow* sub = mdi_->subWindowList().value(0)) mdi_->setActiveSubWindow(sub);
        return;
    }
    plugin_.ShowWindow(&app_);
    // The editor's window also closes by its own close button, without the
    // Editor menu: once its frame is gone the host takes it as closed (the
    // plug-in, which has no window any more, ignores that close).
    for (QMdiSubWindow* sub : mdi_->subWindowList()) {
        connect(sub, &QObject::destroyed, this, [this] {
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (plugin_.WindowShown() && plugin_.WindowInstance() == nullptr) plugin_.CloseWindow(&app_);
                    UpdateStatus();
                },
                Qt::QueuedConnection);
        });
    }
    UpdateStatus();
}

void HostWindow::CloseEditor() {
    // The plug-in defers the window's destruction while one of its handlers
    // runs; what it hands to deleteLater goes when the unload flushes it.
    plugin_.CloseWindow(&app_);
    UpdateStatus();
}

void HostWindow::closeEvent(QCloseEvent* event) {
    // The user quits: the editor's own close asks first while changes are
    // pending, and while it keeps its window (No, or one of its operations or
    // dialogs running) the host stays too. A close that arrives while the
    // plug-in waits inside one of its calls closes the editor window at once,
    // as the host's close does; the library is unloaded once the event loop
    // has ended.
    const bool pluginWaiting = plugin_.InCall() || Services().callsFromPlugin > 0;
    if (!pluginWaiting && !EditorAgreesToClose()) {
        event->ignore();
        return;
    }
    CloseEditor();
    event->accept();
}

bool HostWindow::EditorAgreesToClose() {
    const QList<QMdiSubWindow*> frames = mdi_->subWindowList();
    if (!plugin_.WindowShown() || frames.isEmpty()) return true;
    for (QMdiSubWindow* frame : frames) frame->close();
    // The editor's close lets go of the window instance at once; its frame goes later.
    return plugin_.WindowInstance() == nullptr;
}

void HostWindow::ChooseSimImage() {
    const QString path =
        QFileDialog::getOpenFileName(this, "Target Image", QString(), "Target images (*.img);;All files (*)");
    if (path.isEmpty()) return;
    TargetAddress target;
    target.path = path.toStdString();
    ConnectTarget(target);
}

void HostWindow::ChooseSerial() {
    QStringList ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) ports << info.systemLocation();
    if (ports.isEmpty()) ports << "/dev/ttyUSB0";
    bool ok = false;
    const QString device = QInputDialog::getItem(this, "Serial Port", "Device:", ports, 0, true, &ok);
    if (!ok || device.isEmpty()) return;
    const int baud = QInputDialog::getInt(this, "Serial Port", "Baud rate:", 115200, 50, 16000000, 1, &ok);
    if (!ok) return;
    TargetAddress target;
    target.kind = TargetAddress::Kind::Serial;
    target.path = device.toStdString();
    target.baud = baud;
    ConnectTarget(target);
}

void HostWindow::ChooseTcp() {
    bool ok = false;
    const QString text = QInputDialog::getText(this, "TCP Target", "Host:port", QLineEdit::Normal, "127.0.0.1:", &ok);
    if (!ok || text.isEmpty()) return;
    TargetAddress target;
    std::string error;
    if (!ParseTargetAddress("tcp:" + text.toStdString(), target, error)) {
        log_->AddLine(error, 0);
        return;
    }
    ConnectTarget(target);
}

void HostWindow::Reconnect() { ConnectTarget(target_); }

void HostWindow::Disconnect() {
    session_.Detach();
    plugin_.SetComHandle(-1);
    log_->AddLine("Disconnected from the target.", 1);
    UpdateStatus();
}

QString HostWindow::LinkStateText() const {
    const ByteLink* link = session_.link();
    const QString name = QString::fromStdString(link ? link->Describe() : FormatTargetAddress(target_));
    switch (session_.State()) {
        case LinkState::Up:
            return name + ": link up";
        case LinkState::NotAnswering:
            return name + ": link up, target not answering";
        case LinkState::Down:
            break;
    }
    return name + ": link down";
}

void HostWindow::UpdateStatus() {
    linkLabel_->setText(LinkStateText());
    if (!plugin_.Loaded()) {
        pluginLabel_->setText("no editor plug-in");
    } else {
        pluginLabel_->setText(plugin_.WindowShown() ? "editor open" : "editor closed");
    }
    if (openEditor_) openEditor_->setEnabled(plugin_.Loaded() && !plugin_.WindowShown());
    if (closeEditor_) closeEditor_->setEnabled(plugin_.WindowShown());
}

}  // namespace nvmhost
