#pragma once
// One editing session: what the editor holds for one target between its start
// and its close. The window is a view of a session; the command line holds one
// per target without any window. Operations take the session and a user side.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "channel/host.h"
#include "core/group_list.h"
#include "core/restore_points.h"
#include "core/settings.h"
#include "core/unit_identity.h"
#include "model/group_items.h"

namespace vtq {

// Logged (flag 1) when the session finds no target behind the host.
inline constexpr const char* kOfflineLine =
    "No target is connected: files can be loaded, edited, saved and compared; writes need a target.";
// Logged (flag 0) when something that needs the target is asked for without one.
inline constexpr const char* kNoTargetLine =
    "No target is connected: nothing was sent. Connect one, then refresh the group list.";

class EditorSession {
public:
    // Builds the decoder (messages go to `decoderMessage`, may be empty),
    // creates the parameter container and loads the settings from the settings
    // folder (or from `settingsPath` when it is not empty).
    explicit EditorSession(Host& host, std::function<void(const std::string&)> decoderMessage = {},
                           std::string settingsPath = {});
    // Close() when it was not called.
    ~EditorSession();
    EditorSession(const EditorSession&) = delete;
    EditorSession& operator=(const EditorSession&) = delete;

    // The start step: closing flag cleared, the group list fetched and the
    // stored selection applied (write-on-the-fly stays as stored), then the
    // unit's identity asked. False when the target gave no usable group list
    // (the caller tells the user kGroupListStartMessage, unless Offline():
    // the log already says so); nothing more is asked then.
    bool Start();
    // The close step: closing flag set, the checked groups saved, records,
    // group table and decoder freed. Runs once.
    void Close();

    Host& host() { return host_; }
    GroupItems& Items() { return *items_; }
    const GroupItems& Items() const { return *items_; }
    TargetGroupTable& GroupTable() { return groupTable_; }
    EditorSettings& Settings() { return settings_; }
    const std::string& SettingsPath() const { return settingsPath_; }

    // Set when the host closes the window: running operations end after the
    // current exchange without further messages.
    bool Closing() const { return closing_; }
    void SetClosing(bool closing) { closing_ = closing; }

    // The state of the "Debug" box: the host echoes every exchange, and reads
    // log every parsed line.
    bool Debug() const { return debug_; }
    void SetDebug(bool on);

    // No target is connected: the start found no target behind the host (its
    // connection check failed), and no refresh of the group list has found
    // one since. The session then works on files alone: its container asks
    // the target nothing, edits are not written, loads keep the file's names.
    bool Offline() const { return offline_; }
    // When Offline(): logs kNoTargetLine and returns true, and the caller sends nothing.
    bool RefuseWithoutTarget();

    // The connected unit, as it answered at the start; empty parts when it did not say.
    const UnitIdentity& Unit() const { return unit_; }
    void SetUnit(UnitIdentity unit) { unit_ = std::move(unit); }
    // The restore points made before writes, and the target's values they are made of.
    RestorePoints& Restore() { return restore_; }

    // Refresh of the group list, keeping the current selection; finds out
    // anew whether a target is connected, and which unit it is.
    bool RefreshGroups();
    // Stores write-on-the-fly when it changed since it was last stored.
    void SaveMode();

    // The lost flag of the running long operation: the container's size and
    // value queries set it too, and send nothing once it is set. Null when no
    // operation runs.
    void WatchTargetLost(uint8_t* lost);

private:
    class Link;
    // After the group list was fetched (or not): the offline state and the unit.
    bool Connected(bool groupListRead);
    Host& host_;
    std::function<void(const std::string&)> decoderMessage_;
    std::string settingsPath_;
    std::unique_ptr<Link> link_;
    std::unique_ptr<GroupItems> items_;
    TargetGroupTable groupTable_;
    EditorSettings settings_;
    UnitIdentity unit_;
    RestorePoints restore_;
    bool offline_ = false;
    bool closing_ = false;
    bool closed_ = false;
    bool debug_ = false;
};

}  // namespace vtq
