#include "plugin/window_life.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeySequence>
#include <QMenu>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPointer>
#include <new>

#include "editor/tf_nvmvtq.h"
#include "plugin/host_table.h"
#include "plugin/version_info.h"

extern "C" VTQ_EXPORT void* FNVMVTQ;

namespace vtq {

namespace {

// The one editor window and the frame the host's multiple-document area gave it.
QPointer<TFNVMVTQ> window;
QPointer<QMdiSubWindow> frame;

QMdiArea* HostArea(const vtq_host_app* hostApplication) {
    if (hostApplication == nullptr || hostApplication->struct_size < sizeof(vtq_host_app)) return nullptr;
    return static_cast<QMdiArea*>(hostApplication->mdi_area);
}

void Forget() {
    window = nullptr;
    frame = nullptr;
    FNVMVTQ = nullptr;
}

}  // namespace

// The plug-in shares the host's Qt libraries, so the host's application object
// is already the one every widget of ours lives in: there is nothing to adopt
// or to give back.

void ShowEditorWindow(const vtq_host_app* hostApplication) {
    // A second show while a window exists brings that window (in its frame,
    // when the host has a multiple-document area) to the front.
    if (window) {
        QWidget* front = frame ? static_cast<QWidget*>(frame.data()) : static_cast<QWidget*>(window.data());
        front->showMaximized();
        front->raise();
        front->activateWindow();
        return;
    }
    QMdiArea* area = HostArea(hostApplication);
    TFNVMVTQ* created = nullptr;
    QMdiSubWindow* sub = nullptr;
    try {
        created = new TFNVMVTQ(PluginHost());
        if (area != nullptr) {
            // The system menu hint gives the frame its close button (at the right of the host's menu bar while
            // maximised) and the system menu's Close: both go through the window's close question.
            sub = area->addSubWindow(created, Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                                  Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
            sub->setAttribute(Qt::WA_DeleteOnClose, false);
            // The system menu's Close takes both usual keys, whatever the platform binds to closing.
            const QList<QKeySequence> closeKeys = QKeySequence::keyBindings(QKeySequence::Close);
            for (QAction* action : sub->systemMenu() ? sub->systemMenu()->actions() : QList<QAction*>())
                if (!closeKeys.isEmpty() && action->shortcuts() == closeKeys)
                    action->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_F4), QKeySequence(Qt::CTRL | Qt::Key_W)});
            sub->setWindowIcon(QIcon());
        }
    } catch (...) {
        if (sub != nullptr) {
            delete sub;
        } else {
            delete created;
        }
        QMessageBox::critical(area, QStringLiteral("VTQ NVM Editor"), QStringLiteral("Out of Memory!"));
        return;
    }
    window = created;
    frame = sub;
    FNVMVTQ = created;
    // The host may tear the frame down itself (its area going away): forget the window then.
    QObject::connect(created, &QObject::destroyed, [created] {
        if (FNVMVTQ == created) Forget();
    });
    // The user closes the window with its close button, after agreeing to
    // lose the changes pending: it goes as when the host closes it, silently.
    created->SetUserClose([created] {
        if (window != created) return;
        QObject* owner = frame ? static_cast<QObject*>(frame.data()) : static_cast<QObject*>(created);
        created->SetClosing(true);
        if (frame)
            frame->hide();
        else
            created->hide();
        Forget();
        // Called from inside the close event of the frame: it goes once that has returned.
        owner->deleteLater();
    });

    if (sub != nullptr) {
        sub->showMaximized();
        area->setActiveSubWindow(sub);
    } else {
        created->showMaximized();
    }
    created->Start(PluginVersionText());
}

void CloseEditorWindow(const vtq_host_app*) {
    if (window && !window->Closing()) {
        TFNVMVTQ* closing = window;
        QObject* owner = frame ? static_cast<QObject*>(frame.data()) : static_cast<QObject*>(closing);
        Forget();
        // Never asked or delayed: changes pending are named on the host's log.
        // An operation running inside the window is still on the stack: the
        // window goes when its handler has returned.
        closing->CloseForHost(owner);
    }
}

void DetachPlugin() {
    // The host normally closes the window before unloading; a window still
    // there must not outlive the code it runs.
    // At process exit the application object may be gone already; widgets cannot be deleted then.
    if (window && QCoreApplication::instance() != nullptr) {
        window->SetClosing(true);
        QObject* owner = frame ? static_cast<QObject*>(frame.data()) : static_cast<QObject*>(window.data());
        Forget();
        delete owner;
    }
}

}  // namespace vtq
