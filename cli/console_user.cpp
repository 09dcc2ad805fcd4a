#include "cli/console_user.h"

#include <cstdio>
#include <iostream>
#include <sstream>

#include "base/text.h"
#include "defaults/default_dump.h"

namespace nvmtool {

namespace {
constexpr int kBarWidth = 30;

// Lines of a multi-line text, each with the prefix.
std::string Prefixed(const std::string& prefix, const std::string& text) {
    std::string out;
    size_t start = 0;
    const std::string body = vtq::TrimRight(text);
    while (start <= body.size()) {
        size_t end = body.find('\n', start);
        if (end == std::string::npos) end = body.size();
        std::string line = body.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out += prefix + line + "\n";
        start = end + 1;
    }
    return out;
}
}  // namespace

std::atomic<int>& Interrupted() {
    static std::atomic<int> signal{0};
    return signal;
}

std::mutex& ConsoleLock() {
    static std::mutex lock;
    return lock;
}

ConsoleUser::ConsoleUser(ConsoleSettings settings) : settings_(std::move(settings)) {}

ConsoleUser::~ConsoleUser() { CloseProgress(); }

// A line over the progress bar, which is drawn again below it.
void ConsoleUser::Print(const std::string& text) {
    {
        const std::lock_guard<std::mutex> lock(ConsoleLock());
        if (barDrawn_) std::fputs("\r\033[K", stderr);
        std::fputs(Prefixed(settings_.prefix, text).c_str(), stderr);
        std::fflush(stderr);
        barDrawn_ = false;
    }
    DrawBar();
}

void ConsoleUser::Log(const std::string& text, uint8_t flag) {
    log_.emplace_back(text, flag);
    if (flag == 0 || !settings_.quiet) Print(text);
}

void ConsoleUser::Message(const std::string& text) {
    messages_.push_back(text);
    Print(text);
}

bool ConsoleUser::Unanswerable(const std::string& question, const std::string& option) {
    unanswered_.push_back(question);
    Print("Not answered: " + question + "\n(" + (option.empty() ? "" : "give " + option + " to answer it; ") +
          "no terminal to ask on)");
    return false;
}

bool ConsoleUser::AskYesNo(const std::string& text) {
    if (settings_.yes) {
        if (!settings_.quiet) Print(text + "\n-> yes (--yes)");
        return true;
    }
    if (!settings_.interactive) return Unanswerable(text, "--yes");
    const std::lock_guard<std::mutex> lock(ConsoleLock());
    std::fprintf(stderr, "%s [y/N] ", text.c_str());
    std::fflush(stderr);
    std::string answer;
    if (!std::getline(std::cin, answer)) return false;
    answer = vtq::Trim(answer);
    return vtq::SameText(answer, "y") || vtq::SameText(answer, "yes");
}

bool ConsoleUser::InputBox(const std::string& caption, const std::string& prompt, std::string& value) {
    if (const auto it = settings_.inputs.find(caption); it != settings_.inputs.end()) {
        value = it->second;
        return true;
    }
    if (!settings_.interactive)
        return Unanswerable(caption + ": " + prompt, caption == vtq::kVariantCaption ? "--variant ID" : "");
    const std::lock_guard<std::mutex> lock(ConsoleLock());
    std::fprintf(stderr, "%s %s [%s] ", caption.c_str(), prompt.c_str(), value.c_str());
    std::fflush(stderr);
    std::string answer;
    if (!std::getline(std::cin, answer)) return false;
    answer = vtq::Trim(answer);
    if (!answer.empty()) value = answer;
    return true;
}

bool ConsoleUser::OpenFileName(const std::string& title, const std::string&, std::string& path) {
    if (nextFile_.empty()) return Unanswerable(title, "");
    path = std::move(nextFile_);
    nextFile_.clear();
    return true;
}

bool ConsoleUser::SaveFileName(const std::string& title, const std::string& filter, std::string& path) {
    return OpenFileName(title, filter, path);
}

bool ConsoleUser::PickFromList(const std::string& caption, const std::vector<std::string>& items, bool multiple,
                               std::vector<int>& picked) {
    if (!settings_.interactive) return Unanswerable(caption, "");
    const std::lock_guard<std::mutex> lock(ConsoleLock());
    std::fprintf(stderr, "%s\n", caption.c_str());
    for (size_t i = 0; i < items.size(); ++i) std::fprintf(stderr, "  %zu  %s\n", i + 1, items[i].c_str());
    std::fprintf(stderr, multiple ? "Numbers (blank: none): " : "Number (blank: none): ");
    std::fflush(stderr);
    std::string answer;
    if (!std::getline(std::cin, answer)) return false;
    std::istringstream numbers(answer);
    picked.clear();
    for (int n = 0; numbers >> n && (multiple || picked.empty());)
        if (n >= 1 && static_cast<size_t>(n) <= items.size()) picked.push_back(n - 1);
    return !picked.empty();
}

void ConsoleUser::OpenProgress() {
    progressOpen_ = true;
    barShown_ = true;
    maximum_ = 0;
    position_ = 0;
    status_.clear();
}

void ConsoleUser::SetProgressRange(int maximum) { maximum_ = maximum; }

void ConsoleUser::ShowProgressBar(bool visible) { barShown_ = visible; }

void ConsoleUser::SetProgressStatus(const std::string& text) {
    if (text == status_) return;
    status_ = text;
    if (settings_.quiet) return;
    if (settings_.progressBar) {
        DrawBar();
    } else {
        Print(text);
    }
}

void ConsoleUser::SetProgressPosition(int position) {
    position_ = position;
    DrawBar();
}

void ConsoleUser::DrawBar() {
    if (!progressOpen_ || !settings_.progressBar || settings_.quiet) return;
    const std::lock_guard<std::mutex> lock(ConsoleLock());
    std::string bar;
    if (barShown_ && maximum_ > 0) {
        const int filled = std::min(kBarWidth, position_ * kBarWidth / maximum_);
        bar = "[" + std::string(size_t(filled), '#') + std::string(size_t(kBarWidth - filled), ' ') + "] ";
    }
    std::fprintf(stderr, "\r\033[K%s%s%s", settings_.prefix.c_str(), bar.c_str(), status_.c_str());
    std::fflush(stderr);
    barDrawn_ = true;
}

void ConsoleUser::ClearBar() {
    const std::lock_guard<std::mutex> lock(ConsoleLock());
    if (barDrawn_) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
    }
    barDrawn_ = false;
}

void ConsoleUser::CloseProgress() {
    if (!progressOpen_) return;
    ClearBar();
    progressOpen_ = false;
}

}  // namespace nvmtool
