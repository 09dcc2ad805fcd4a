#pragma once
// What the default-value tests share: the simulated modem, a recording user side, a session, the files in data/.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "base/text.h"
#include "core/editor_session.h"
#include "core/group_list.h"
#include "defaults/header_writer.h"
#include "defaults/naming_presets.h"
#include "support/scripted_user.h"
#include "support/sim_host.h"
#include "support/temp_dir.h"

namespace vtq::test {

using Texts = std::vector<std::string>;
using Lines = std::vector<LoggedLine>;

inline void PrintTo(const LoggedLine& l, std::ostream* os) { *os << "{\"" << l.text << "\", " << int(l.flag) << "}"; }

// A simulated modem that answers the command `emptyProbe` with nothing, as a target without the command does.
class ProbeHost : public SimHost {
public:
    using SimHost::SimHost;
    std::string emptyProbe;
    bool SendReceive(const std::string& command, std::string& answer, bool echo, uint8_t* lost) override {
        if (command != emptyProbe) return SimHost::SendReceive(command, answer, echo, lost);
        commands.push_back(command);
        answer = "\r\nOK\r\n";
        return true;
    }
};

// Records the file name the save dialog offers, and the caption and items of each list pick.
class User : public ScriptedUser {
public:
    std::vector<std::string> offered, captions;
    // A message shown over a progress window still open is marked as such.
    void Message(const std::string& text) override {
        ScriptedUser::Message(progressOpen ? "(over the progress window) " + text : text);
    }
    bool SaveFileName(const std::string& title, const std::string& filter, std::string& path) override {
        offered.push_back(path);
        return ScriptedUser::SaveFileName(title, filter, path);
    }
    bool PickFromList(const std::string& caption, const std::vector<std::string>& items, bool many,
                      std::vector<int>& picked) override {
        captions.push_back(caption + (many ? " (many): " : ": ") + JoinCommaText(items));
        return ScriptedUser::PickFromList(caption, items, many, picked);
    }
};

inline std::string Slurp(const std::string& path) {
    std::string data;
    return ReadWholeFile(path, data) ? data : std::string("<missing>");
}

inline std::string DataFile(const std::string& name) {
    return std::string(VTQ_SOURCE_DIR) + "/tests/defaults/data/" + name;
}

// Compares a written file with its golden copy in data/; VTQ_UPDATE_GOLDEN=1 rewrites the copy.
inline void ExpectGolden(const std::string& path, const std::string& golden) {
    const std::string written = Slurp(path);
    if (std::getenv("VTQ_UPDATE_GOLDEN")) std::ofstream(DataFile(golden), std::ios::binary) << written;
    EXPECT_EQ(written, Slurp(DataFile(golden))) << golden;
}

class DefaultsTest : public ::testing::Test {
protected:
    void SetUp() override { Open(std::make_unique<ProbeHost>()); }
    void Reset() {
        SetUp();
        user = User();
    }
    void Open(std::unique_ptr<ProbeHost> h) {
        session.reset();
        host = std::move(h);
        session = std::make_unique<EditorSession>(*host, nullptr, dir.File("Brevant.ini"));
        ASSERT_TRUE(session->Start());
        // The exact commands of each run: restore points and their reads have tests of their own.
        session->Restore().enabled = false;
        host->commands.clear();
        host->lines.clear();
    }

    HeaderExportResult Export(const std::vector<std::string>& groups, const HeaderExportOptions& options = {}) {
        SelectExactGroups(session->Items(), JoinCommaText(groups));
        return ExportDefaultHeader(*session, user, presets, options);
    }
    // Every further command counts from now; the k-th one (1-based) gets no answer.
    void LoseAt(int k) { host->faults().loseAfter = host->modem().commandCount() + k; }
    std::vector<std::string> Sent(const std::string& prefix = "at@nvm:dump_default(\"") const {
        std::vector<std::string> out;
        for (const auto& c : host->commands)
            if (c.rfind(prefix, 0) == 0) out.push_back(c);
        return out;
    }

    TempDir dir;
    std::unique_ptr<ProbeHost> host;
    std::unique_ptr<EditorSession> session;
    User user;
    NamingPresets presets;
};

}  // namespace vtq::test
