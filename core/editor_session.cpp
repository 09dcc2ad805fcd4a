#include "core/editor_session.h"

#include <mutex>

#include "channel/command_exchange.h"
#include "channel/piece_decoder.h"

namespace vtq {

namespace {
// The decoder is shared by every session of the process: built by the first,
// freed (with its leak report) by the last.
int liveSessions = 0;
// Sessions of the command line start and close on threads of their own.
std::mutex liveSessionsLock;
}  // namespace

// The container's way to the target: log lines to the host's show line,
// queries through the command exchange with the running operation's lost flag.
class EditorSession::Link : public ModelLink {
public:
    Link(Host& host, const EditorSession& session) : host_(host), session_(session) {}
    void Log(const std::string& text, uint8_t flag) override { host_.ShowLine(text, flag); }
    bool Query(const std::string& command, std::string& answer) override {
        if (session_.Offline()) return false;
        // Once the target stopped responding, every further query would only wait for the host's time-out.
        if (lost_ && *lost_) return false;
        return Exchange(host_, command, answer, false, lost_);
    }
    uint8_t* lost_ = nullptr;

private:
    Host& host_;
    const EditorSession& session_;
};

EditorSession::EditorSession(Host& host, std::function<void(const std::string&)> decoderMessage,
                             std::string settingsPath)
    : host_(host), decoderMessage_(std::move(decoderMessage)), settingsPath_(std::move(settingsPath)) {
    if (settingsPath_.empty()) settingsPath_ = SettingsFilePath();
    {
        const std::lock_guard<std::mutex> lock(liveSessionsLock);
        if (liveSessions++ == 0) BuildDecoder(decoderMessage_);
    }
    link_ = std::make_unique<Link>(host_, *this);
    items_ = std::make_unique<GroupItems>(link_.get());
    settings_ = LoadSettings(settingsPath_);
    // Beside the settings file: the window's points go to the settings folder.
    const size_t slash = settingsPath_.rfind('/');
    restore_.folder = (slash == std::string::npos ? std::string() : settingsPath_.substr(0, slash + 1)) + "restore/";
}

EditorSession::~EditorSession() { Close(); }

bool EditorSession::Start() {
    closing_ = false;
    return Connected(FetchGroupList(host_, *items_, groupTable_, settings_.storedSelection));
}

bool EditorSession::Connected(bool groupListRead) {
    unit_ = {};
    // Without a group list, the host's connection check tells a missing target
    // from one that did not answer; with none, nothing more is asked.
    offline_ = !groupListRead && !host_.CheckConnection();
    if (offline_) host_.ShowLine(kOfflineLine, 1);
    if (groupListRead) unit_ = ReadUnitIdentity(host_);
    return groupListRead;
}

void EditorSession::Close() {
    if (closed_) return;
    closed_ = true;
    closing_ = true;
    SaveSelection(settings_, items_->CheckedGroupNames(), settingsPath_);
    items_->ClearAll();
    {
        const std::lock_guard<std::mutex> lock(liveSessionsLock);
        if (--liveSessions == 0) FreeDecoder(decoderMessage_);
    }
    groupTable_.Clear();
}

void EditorSession::SetDebug(bool on) {
    debug_ = on;
    SetDebugMode(on);
}

bool EditorSession::RefreshGroups() {
    // Still no target: nothing to ask.
    if (offline_ && !host_.CheckConnection()) return !RefuseWithoutTarget();
    return Connected(RefreshGroupList(host_, *items_, groupTable_, settings_.storedSelection));
}

bool EditorSession::RefuseWithoutTarget() {
    if (offline_) host_.ShowLine(kNoTargetLine, 0);
    return offline_;
}

void EditorSession::SaveMode() { SaveModeIfChanged(settings_, settingsPath_); }

void EditorSession::WatchTargetLost(uint8_t* lost) { link_->lost_ = lost; }

}  // namespace vtq
