#include "files/file_operations.h"

#include "base/file_io.h"
#include "channel/long_operation.h"
#include "channel/host.h"
#include "channel/user_side.h"
#include "core/editor_session.h"
#include "model/group_items.h"
#include "model/model_link.h"

namespace vtq {

namespace {

// The link of a file's temporary container: its log lines (the removed table
// bases) reach the host's show line; it never asks the target anything.
class LogOnlyLink : public ModelLink {
public:
    explicit LogOnlyLink(Host& host) : host_(host) {}
    void Log(const std::string& text, uint8_t flag) override { host_.ShowLine(text, flag); }
    bool Query(const std::string&, std::string&) override { return false; }

private:
    Host& host_;
};

}  // namespace

std::string SavedMessage(const std::string& path) {
    return "The Parameters in view have been save to:\n\"" + path + "\"";
}

std::string TextSavedMessage(const std::string& path) { return "Text saved to file:\n" + path; }

bool SaveFileClick(GroupItems& items, UserSide& user, const UnitIdentity& unit) {
    std::string path;
    if (!user.SaveFileName(kSaveNvmTitle, kSaveNvmFilter, path)) return false;
    path = NvmFileName(path);
    std::vector<std::string> leftOut;
    if (!WriteParameters(items, path, &user, unit, &leftOut)) return false;
    if (leftOut.empty()) {
        user.Message(SavedMessage(path));
    } else {
        const long long saved = items.ViewCount() - static_cast<long long>(leftOut.size());
        user.Message(SavedMessage(path) + "\n" + CountText(saved, "parameter", "parameters") + " saved; " +
                     LeftOutText(leftOut));
    }
    return true;
}

bool SaveFileClick(EditorSession& session, UserSide& user) {
    return SaveFileClick(session.Items(), user, session.Unit());
}

bool LoadFile(GroupItems& items, Host& host, const std::string& path, UserSide& user) {
    LoadCounts counts;
    if (!LoadParameters(items, path, counts)) {
        user.Message(CouldNotLoadMessage(path));
        return false;
    }
    if (counts.Empty()) {
        user.Message(kNothingToLoadMessage);
        return false;
    }
    host.ShowLine(LoadReport(counts), 1);
    return true;
}

std::unique_ptr<NVMDiff> CompareWithFile(const GroupItems& editorList, Host& host, const std::string& path,
                                         UserSide& user) {
    LogOnlyLink link(host);
    auto fileList = std::make_unique<GroupItems>(&link);
    LoadCounts counts;
    const bool loaded = LoadParameters(*fileList, path, counts, FileNames::AsGiven);
    fileList->SetLink(nullptr);
    if (!loaded) {
        user.Message(CouldNotLoadMessage(path));
        return nullptr;
    }
    if (counts.Empty()) {
        user.Message(kNothingToLoadMessage);
        return nullptr;
    }
    return std::make_unique<NVMDiff>(std::move(fileList), editorList);
}

std::unique_ptr<NVMDiff> CompareClick(EditorSession& session, UserSide& user) {
    std::string path;
    if (!user.OpenFileName(kCompareTitle, kLoadNvmFilter, path)) return nullptr;
    return CompareWithFile(session.Items(), session.host(), path, user);
}

bool SaveDifferenceText(const std::vector<std::string>& rows, const std::string& path, UserSide& user) {
    AtomicFileWriter out(path);
    if (!out.Ok()) {
        user.Message(CannotOpenMessage(path));
        return false;
    }
    for (const std::string& row : rows) out.Line(row);
    if (!out.Commit()) {
        user.Message(CannotWriteMessage(path));
        return false;
    }
    user.Message(TextSavedMessage(path));
    return true;
}

bool SaveDifferencesClick(NVMDiff& diff, UserSide& user) {
    std::string path;
    if (!user.SaveFileName("", kTextFileFilter, path)) return false;
    return SaveDifferenceText(diff.RowTexts(), TextFileName(path), user);
}

}  // namespace vtq
