#include "defaults/default_dump.h"

#include <climits>

#include "base/number_text.h"
#include "base/text.h"
#include "channel/command_exchange.h"
#include "channel/long_operation.h"
#include "channel/target_commands.h"
#include "defaults/naming_presets.h"

namespace vtq {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string ReplaceNonIdent(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (!IsCIdentChar(c)) c = '_';
    return out;
}

std::string StripUnderscores(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && text[b] == '_') ++b;
    while (e > b && text[e - 1] == '_') --e;
    return std::string(text.substr(b, e - b));
}

// The word that ends before position `end` (exclusive): blanks before `end`
// skipped, then the run of non-blanks. Never reaches before position 0.
std::string_view WordBefore(std::string_view text, size_t end) {
    size_t e = end;
    while (e > 0 && IsSpaceBlank(text[e - 1])) --e;
    size_t b = e;
    while (b > 0 && !IsSpaceBlank(text[b - 1])) --b;
    return text.substr(b, e - b);
}

}  // namespace

int32_t ReadDecimal(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (IsSpaceBlank(text[i]) || text[i] == '\v' || text[i] == '\f')) ++i;
    return static_cast<int32_t>(ReadNumberText(text, i).Clamped(INT32_MIN, INT32_MAX));
}

// ---- Probe and variant identifier

bool ProbeFeature(Host& host, UserSide& user, const std::string& probe, const std::string& unsupportedText,
                  std::string* answer) {
    uint8_t lost = 0;
    std::string text;
    if (!Exchange(host, probe, text, false, &lost)) {
        user.Message(lost ? kTargetNotRespondingMessage : kFeatureUnsupportedOrSilentMessage);
        return false;
    }
    text = Trim(text);
    if (text.empty()) {
        user.Message(unsupportedText);
        return false;
    }
    if (answer) *answer = text;
    return true;
}

bool ProbeDefaultDump(Host& host, UserSide& user, const std::string& unsupportedText) {
    return ProbeFeature(host, user, cmd::kDefaultDumpProbe, unsupportedText);
}

std::string VariantIdFromAnswer(std::string_view raw) {
    const std::string_view answer = TrimView(raw);
    for (size_t eq = answer.find('='); eq != std::string_view::npos; eq = answer.find('=', eq + 1)) {
        if (ToLower(WordBefore(answer, eq)) != "string") continue;
        size_t b = eq + 1;
        while (b < answer.size() && IsSpaceBlank(answer[b])) ++b;
        size_t e = answer.find(',', b);
        if (e == std::string_view::npos) e = answer.size();
        std::string value = StripUnderscores(ReplaceNonIdent(TrimView(answer.substr(b, e - b))));
        if (value.find_first_of("0123456789") == std::string::npos) return {};
        if (StartsWithText(value, "CUST_")) {
            value.erase(0, 5);
            if (!value.empty()) value.insert(0, "c");
        }
        return value;
    }
    return {};
}

bool CleanVariantInput(std::string_view input, std::string& cleaned) {
    cleaned = Trim(StripUnderscores(TrimView(input)));
    return !cleaned.empty() && ReplaceNonIdent(cleaned) == cleaned;
}

std::string ReadVariantId(Host& host, UserSide& user, uint8_t* lost) {
    std::string answer;
    if (Exchange(host, cmd::kVariantId, answer, false, lost)) {
        std::string id = VariantIdFromAnswer(answer);
        if (!id.empty()) return id;
    }
    if (lost && *lost) {
        host.ShowLine(kTargetLostMessage, 0);
        return {};
    }
    std::string value;
    for (;;) {
        if (!user.InputBox(kVariantCaption, kVariantPrompt, value)) return {};
        std::string cleaned;
        if (CleanVariantInput(value, cleaned)) return cleaned;
        user.Message(kInvalidVariantMessage);
        value = cleaned;
    }
}

// ---- C text

std::string MakeCIdentifier(std::string_view text) {
    std::string out;
    if (!text.empty() && IsDigit(text[0])) out = "_";
    out += ReplaceNonIdent(text);
    return out;
}

std::string BlankComments(std::string_view text) {
    std::string out(text);
    size_t i = 0;
    while (i + 1 < out.size()) {
        if (out[i] == '/' && out[i + 1] == '*') {
            size_t end = out.find("*/", i + 2);
            end = end == std::string::npos ? out.size() : end + 2;
            for (; i < end; ++i) out[i] = ' ';
        } else if (out[i] == '/' && out[i + 1] == '/') {
            size_t end = out.find_first_of("\r\n", i);
            if (end == std::string::npos) end = out.size();
            for (; i < end; ++i) out[i] = ' ';
        } else {
            ++i;
        }
    }
    return out;
}

CArrayFind FindCArray(std::string_view text, size_t from) {
    CArrayFind none;
    if (from > text.size()) return none;
    size_t close = text.find(']', from);
    size_t brace = std::string_view::npos;
    for (; close != std::string_view::npos; close = text.find(']', close + 1)) {
        size_t i = close + 1;
        while (i < text.size() && IsSpaceBlank(text[i])) ++i;
        if (i >= text.size() || text[i] != '=') continue;
        ++i;
        while (i < text.size() && IsSpaceBlank(text[i])) ++i;
        if (i >= text.size() || text[i] != '{') continue;
        brace = i;
        break;
    }
    if (brace == std::string_view::npos) return none;

    // The first "] = {" decides: the name and type words before its "[" must be there.
    size_t open = text.rfind('[', close);
    if (open == std::string_view::npos || open < from) return none;
    // Each word must have a blank before it inside the searched text; answers
    // the word's start, or npos.
    auto wordBefore = [&](size_t end, std::string& word) {
        size_t e = end;
        while (e > from && IsSpaceBlank(text[e - 1])) --e;
        size_t b = e;
        while (b > from && !IsSpaceBlank(text[b - 1])) --b;
        if (e == from || b == from) return std::string_view::npos;
        word = Trim(text.substr(b, e - b));
        return b;
    };
    CArrayFind found;
    const size_t nameStart = wordBefore(open, found.name);
    if (nameStart == std::string_view::npos || wordBefore(nameStart, found.type) == std::string_view::npos) return none;
    found.brace = brace;
    return found;
}

// ---- Dump answers

std::string IncompleteFileLine(const std::string& path, const std::string& partialPath, int missing) {
    return std::to_string(missing) + (missing == 1 ? " group is" : " groups are") +
           " missing, so the file was written to \"" + partialPath + "\"; \"" + path + "\" was not replaced.";
}

std::string DefaultDumpFailureLine(DefaultDumpFailure failure, const std::string& group) {
    switch (failure) {
        case DefaultDumpFailure::ExchangeFailed:
            return "Could not get default data for group " + group;
        case DefaultDumpFailure::NoArray:
            return "Could not find default data in answer from target for group " + group;
        case DefaultDumpFailure::NoClosingBrace:
            return "Could not find default data array in answer from target for group " + group;
        case DefaultDumpFailure::None:
            break;
    }
    return {};
}

DefaultDumpFailure ParseDefaultAnswer(std::string_view answer, DefaultGroupData& record) {
    // The version is read before comments are blanked, so one inside a comment counts.
    const size_t version = answer.find("VERSION=");
    const int32_t versionNumber = version == std::string_view::npos ? 0 : ReadDecimal(answer.substr(version + 8));
    const std::string code = BlankComments(answer);
    const CArrayFind array = FindCArray(code);
    if (!array.Found()) return DefaultDumpFailure::NoArray;
    const size_t close = code.find('}', array.brace + 1);
    if (close == std::string::npos) return DefaultDumpFailure::NoClosingBrace;
    record.Version = versionNumber;
    record.ElementType = array.type;
    record.ArrayName = array.name;
    record.DataText =
        NormalizeLineEnds(TrimView(std::string_view(code).substr(array.brace + 1, close - array.brace - 1)));
    return DefaultDumpFailure::None;
}

DefaultDumpResult DumpDefaultValues(Host& host, UserSide& user, const std::vector<std::string>& groups,
                                    const std::string& variantId, const NamingPreset& preset) {
    DefaultDumpResult result;
    // The probe already asked the target, so no connection check. Closing the
    // window ends the run quietly: nothing is written for a window that is gone.
    LongOperation op(host, user, LongOperationOptions{false, true});
    op.Begin();
    const int count = static_cast<int>(groups.size());
    op.OpenProgress(count);
    for (int i = 0; i < count && !op.TargetLost(); ++i) {
        const std::string& group = groups[static_cast<size_t>(i)];
        if (!op.GroupStep(i, count, "Reading", group)) {
            op.Log(kDumpCancelledLine, 1);
            break;
        }
        if (op.Closing()) break;
        std::string answer;
        DefaultGroupData record;
        DefaultDumpFailure failure = DefaultDumpFailure::ExchangeFailed;
        if (Exchange(host, cmd::DefaultDump(group), answer, false, op.LostFlag()))
            failure = ParseDefaultAnswer(answer, record);
        if (failure != DefaultDumpFailure::None) {
            op.Log(DefaultDumpFailureLine(failure, group), 0);
            continue;
        }
        record.GroupName = group;
        record.ArrayName += "_" + variantId;
        record.TableName =
            MakeCIdentifier(preset.ArrayPrepend + preset.ExportGroupName(group) + preset.ArrayPostpend + variantId);
        result.records.push_back(std::move(record));
    }
    result.lost = op.TargetLost();
    if (op.Cancelled() || op.Closing()) {
        result.cancelled = true;
        result.records.clear();
    } else if (result.lost) {
        op.Log(kDumpLostLine, 0);
    }
    op.End();
    return result;
}

}  // namespace vtq
