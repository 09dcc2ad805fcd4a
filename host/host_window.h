#pragma once
// The stand-in host's main window: the multiple-document area the editor
// window lives in, the log pane, the Target menu and the link state in the
// status bar. Owns the target session and the loaded plug-in.

#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <memory>
#include <string>
#include <vector>

#include "host/log_pane.h"
#include "host/plugin_loader.h"
#include "link/target_address.h"
#include "link/target_session.h"
#include "vtq/host_api.h"

namespace nvmhost {

class HostWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit HostWindow(QWidget* parent = nullptr);
    ~HostWindow() override;

    // Opens the target; failures go to the log and the status bar.
    bool ConnectTarget(const targetlink::TargetAddress& target);
    // Loads the plug-in, hands over the host functions and opens the editor
    // window when the plug-in can run. Failures are logged, never fatal. A
    // plug-in already loaded is replaced only when it can be unloaded.
    bool LoadPlugin(const std::string& path);
    // Closes the editor window and unloads the plug-in. Only outside the event
    // loop and outside every call into or out of the plug-in: otherwise only
    // the window closes, the library stays, and the result is false.
    bool UnloadPlugin();
    bool PluginMayBeRunning() const;

    targetlink::TargetSession& session() { return session_; }
    LogPane* logPane() const { return log_; }
    QMdiArea* mdiArea() const { return mdi_; }
    PluginLoader& plugin() { return plugin_; }
    QString LinkStateText() const;

public slots:
    void OpenEditor();
    void CloseEditor();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Closes the editor's frame as the user does (the editor asks first while
    // changes are pending); false when the editor keeps its window.
    bool EditorAgreesToClose();
    void BuildMenus();
    void ChooseSimImage();
    void ChooseSerial();
    void ChooseTcp();
    void Reconnect();
    void Disconnect();
    void UpdateStatus();

    QMdiArea* mdi_;
    LogPane* log_;
    QLabel* linkLabel_;
    QLabel* pluginLabel_;
    QAction* openEditor_ = nullptr;
    QAction* closeEditor_ = nullptr;
    targetlink::TargetSession session_;
    targetlink::TargetAddress target_;
    PluginLoader plugin_;
    std::vector<vtq_host_fn> table_;
    vtq_host_app app_{};
};

}  // namespace nvmhost
