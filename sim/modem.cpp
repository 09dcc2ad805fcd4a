#include "sim/modem.h"
#include "sim/values.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <regex>
#include <thread>

#include "sim/faults.h"
#include "sim/image.h"
#include "sim/prefix_code.h"

#ifndef NVMSIM_IMAGE_DIR
#define NVMSIM_IMAGE_DIR "sim/images"
#endif

namespace nvmsim {

namespace {

// Longest array a dump record shows; the editor fetches longer ones by queries.
constexpr size_t kDumpElementLimit = 1000;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

bool EqualsNoCase(std::string_view a, std::string_view b) { return a.size() == b.size() && StartsWithNoCase(a, b); }

bool ReadIndex(std::string_view text, size_t& value) {
    bool negative;
    uint64_t magnitude;
    if (!ParseCInteger(text, negative, magnitude) || negative || magnitude > 0xFFFFFFF) return false;
    value = static_cast<size_t>(magnitude);
    return true;
}

std::vector<std::string_view> SplitCommas(std::string_view text) {
    std::vector<std::string_view> out;
    size_t start = 0;
    while (true) {
        const size_t comma = text.find(',', start);
        out.push_back(Trimmed(text.substr(start, comma == std::string_view::npos ? comma : comma - start)));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return out;
}

// The argument text inside "name(...)", quotes around it removed.
std::string_view Argument(std::string_view call) {
    const size_t open = call.find('(');
    if (open == std::string_view::npos || call.back() != ')') return {};
    std::string_view arg = Trimmed(call.substr(open + 1, call.size() - open - 2));
    if (arg.size() >= 2 && arg.front() == '"' && arg.back() == '"') arg = arg.substr(1, arg.size() - 2);
    return arg;
}

// What a command resolved to: a parameter and the elements it names.
struct Selection {
    int group = -1;
    const Param* param = nullptr;
    bool whole = true;            // no element brackets were given
    std::vector<size_t> indices;  // the elements, in order (all of them when whole)
};

// One bracket group "[a]" or "[a,b]".
bool ReadRange(std::string_view text, size_t& first, size_t& last) {
    if (text.size() < 3 || text.front() != '[' || text.back() != ']') return false;
    const std::string_view inner = text.substr(1, text.size() - 2);
    const size_t comma = inner.find(',');
    if (comma == std::string_view::npos) {
        if (!ReadIndex(inner, first)) return false;
        last = first;
        return true;
    }
    return ReadIndex(inner.substr(0, comma), first) && ReadIndex(inner.substr(comma + 1), last) && first <= last;
}

struct Reply {
    std::string body;  // answer lines, each with CR LF
    bool ok = true;

    void Line(std::string_view text) {
        body.append(text);
        body += "\r\n";
    }
};

Reply Error() {
    Reply r;
    r.ok = false;
    return r;
}

// A fault's regular expression, compiled again only when the fault's text
// changes; an empty or invalid text matches nothing.
class FaultPattern {
public:
    bool Search(const std::string& source, const std::string& text) {
        if (source.empty()) return false;
        if (source != compiled_) {
            compiled_ = source;
            try {
                regex_ = std::regex(compiled_);
                valid_ = true;
            } catch (const std::regex_error&) {
                valid_ = false;
            }
        }
        return valid_ && std::regex_search(text, regex_);
    }

private:
    std::string compiled_;
    std::regex regex_;
    bool valid_ = false;
};

}  // namespace

struct Modem::Impl {
    std::shared_ptr<Image> image;
    Faults faults;
    std::vector<std::vector<uint8_t>> ram, nvm;
    int count = 0;
    bool isLost = false;
    FaultPattern errorPattern, forgetPattern;

    void ResetState() {
        ram.clear();
        nvm.clear();
        for (const auto& g : image->groups) {
            ram.push_back(g.initial);
            nvm.push_back(g.initial);
        }
        count = 0;
        isLost = false;
    }

    bool MatchesErrorPattern(const std::string& line) { return errorPattern.Search(faults.errorPattern, line); }
    bool ForgetsWritesTo(const std::string& name) { return forgetPattern.Search(faults.forgetWritesPattern, name); }

    // Resolves "grp.name", "grp.name[a,b]", "grp.tab[r1,r2][c1,c2]"; with
    // `anyBrackets` trailing brackets only have to lead to a parameter.
    bool Resolve(std::string_view full, Selection& s, bool anyBrackets = false) const {
        const size_t dot = full.find('.');
        if (dot == std::string_view::npos) return false;
        s.group = image->GroupIndex(full.substr(0, dot));
        if (s.group < 0) return false;
        const Group& g = image->groups[static_cast<size_t>(s.group)];
        std::string_view name = full.substr(dot + 1);
        std::vector<std::string_view> brackets;
        while (!(s.param = g.FindParam(name))) {
            if (name.empty() || name.back() != ']' || brackets.size() == 3) return false;
            const size_t open = name.rfind('[');
            if (open == std::string_view::npos) return false;
            brackets.insert(brackets.begin(), name.substr(open));
            name = name.substr(0, open);
        }
        const Param& p = *s.param;
        s.whole = brackets.empty();
        s.indices.clear();
        if (s.whole) {
            for (size_t i = 0; i < p.Count(); ++i) s.indices.push_back(i);
            return true;
        }
        if (anyBrackets) return true;
        if (!p.IsArray()) return false;
        size_t a, b;
        if (brackets.size() == 1) {
            if (!ReadRange(brackets[0], a, b) || b >= p.Count()) return false;
            for (size_t i = a; i <= b; ++i) s.indices.push_back(i);
            return true;
        }
        size_t c1, c2;
        if (brackets.size() != 2 || p.dims.size() != 2 || !ReadRange(brackets[0], a, b) ||
            !ReadRange(brackets[1], c1, c2) || b >= static_cast<size_t>(p.dims[0]) ||
            c2 >= static_cast<size_t>(p.dims[1]))
            return false;
        for (size_t r = a; r <= b; ++r)
            for (size_t c = c1; c <= c2; ++c) s.indices.push_back(r * static_cast<size_t>(p.dims[1]) + c);
        return true;
    }

    static std::string Values(const Param& p, const uint8_t* mirror, const std::vector<size_t>& indices,
                              size_t limit = SIZE_MAX) {
        std::string out;
        for (size_t i = 0; i < indices.size() && i < limit; ++i) {
            if (i) out += ',';
            out += FormatElement(*p.type, mirror + p.offset + indices[i] * p.type->size);
        }
        return out;
    }

    static std::string ValueText(const Selection& s, const uint8_t* mirror) {
        const Param& p = *s.param;
        if (p.IsString()) return FormatString(mirror + p.offset, p.Count());
        if (!p.IsArray()) return FormatElement(*p.type, mirror + p.offset);
        return "{" + Values(p, mirror, s.indices) + "}";
    }

    // ---- the commands ----

    Reply GroupList() const {
        Reply r;
        r.Line("$nvm_groups");
        for (const auto& g : image->groups) r.Line(g.name + "=" + std::to_string(g.number));
        return r;
    }

    std::vector<std::string> DumpRecords(size_t gi) const {
        const Group& g = image->groups[gi];
        const uint8_t* mirror = ram[gi].data();
        const bool indexed = image->naming == Naming::Indexed;
        std::vector<std::string> records;
        std::vector<std::string> basesDone;
        for (const auto& p : g.params) {
            for (const auto& base : g.bases) {
                const bool member = p.name.size() > base.size() && p.name.starts_with(base) &&
                                    (p.name[base.size()] == '[' || p.name[base.size()] == '.');
                if (!member || std::find(basesDone.begin(), basesDone.end(), base) != basesDone.end()) continue;
                basesDone.push_back(base);
                records.push_back(g.name + "." + base + ";{" + BaseBytes(g, base, mirror) + "}");
            }
            std::string name = g.name + "." + p.name;
            if (!p.IsArray()) {
                Selection s;
                s.param = &p;
                records.push_back(name + ";{" + ValueText(s, mirror) + "}");
                continue;
            }
            if (p.dims.size() == 1) {
                name += indexed ? "[0]" : "_" + std::to_string(p.dims[0]);
            } else if (indexed) {
                name += "[0," + std::to_string(p.dims[0] - 1) + "][0," + std::to_string(p.dims[1] - 1) + "]";
            } else {
                name += "_" + std::to_string(p.dims[0]) + "x" + std::to_string(p.dims[1]);
            }
            std::vector<size_t> all(p.Count());
            for (size_t i = 0; i < all.size(); ++i) all[i] = i;
            std::string record = name + ";{" + Values(p, mirror, all, kDumpElementLimit) + "}";
            if (p.Count() > kDumpElementLimit)
                record += " WARNING: array cut at " + std::to_string(kDumpElementLimit) + " of " +
                          std::to_string(p.Count()) + " elements";
            records.push_back(std::move(record));
        }
        return records;
    }

    // A record array's bytes as the dump lists them under its bare name.
    static std::string BaseBytes(const Group& g, const std::string& base, const uint8_t* mirror) {
        size_t first = SIZE_MAX, end = 0;
        for (const auto& p : g.params) {
            if (p.name.size() > base.size() && p.name.starts_with(base) &&
                (p.name[base.size()] == '[' || p.name[base.size()] == '.')) {
                first = std::min(first, p.offset);
                end = std::max(end, p.offset + p.Bytes());
            }
        }
        std::string out;
        for (size_t i = first; i < end; ++i) {
            if (i > first) out += ',';
            out += std::to_string(mirror[i]);
        }
        return out;
    }

    Reply Dump(std::string_view call) const {
        const int gi = image->GroupIndex(Argument(call));
        if (gi < 0) return Error();
        Reply r;
        int n = 0;
        for (const auto& record : DumpRecords(static_cast<size_t>(gi))) {
            std::string piece = EncodePiece(record);
            if (++n == faults.corruptPiece && piece.size() > 6) {
                if (faults.damage == PieceDamage::Truncated)
                    piece.resize(5 + (piece.size() - 5) / 2);
                else if (faults.damage == PieceDamage::BadCharacter)
                    piece[5 + (piece.size() - 5) / 2] = '!';
            }
            r.Line(piece);
        }
        return r;
    }

    Reply DumpDefault(std::string_view call) const {
        if (Argument(call).empty() && call.ends_with("??")) {
            Reply r;
            r.Line("dump_default(\"<group name>\"): prints the default values of a group as a C array");
            return r;
        }
        const Group* g = image->FindGroup(Argument(call));
        if (!g || !g->defaults) return Error();
        Reply r;
        r.Line("VERSION=" + std::to_string(g->version));
        r.Line("/* Default values of NVM group " + g->name + " */");
        r.Line("const " + g->defaults->elementType + " " + g->defaults->arrayName + "[] = {");
        for (const auto& line : g->defaults->lines) r.Line(line);
        r.Line("};");
        return r;
    }

    Reply WriteToMirror(std::string_view call) {
        if (call.ends_with("??")) {
            Reply r;
            r.Line(faults.mirrorVersion
                       ? "write_to_mirror(<group number>,<version>,<byte offset>,\"<format>\",{<values>})"
                       : "write_to_mirror(<group number>,<byte offset>,\"<format>\",{<values>})");
            return r;
        }
        const size_t open = call.find('('), brace = call.find('{'), close = call.rfind('}');
        if (open == std::string_view::npos || brace == std::string_view::npos || close == std::string_view::npos ||
            close < brace || Trimmed(call.substr(close + 1)) != ")")
            return Error();
        const auto head = SplitCommas(call.substr(open + 1, brace - open - 1));
        const size_t expected = faults.mirrorVersion ? 5 : 4;  // the last one is empty: "...,{"
        if (head.size() != expected || !head.back().empty()) return Error();
        size_t groupNumber, offset;
        bool negative;
        uint64_t magnitude;
        if (!ParseCInteger(head[0], negative, magnitude) || negative) return Error();
        groupNumber = static_cast<size_t>(magnitude);
        const int gi = image->GroupIndexByNumber(static_cast<int>(groupNumber));
        if (gi < 0) return Error();
        const Group& g = image->groups[static_cast<size_t>(gi)];
        size_t k = 1;
        if (faults.mirrorVersion) {
            size_t version;
            if (!ReadIndex(head[k++], version) || static_cast<int>(version) != g.version) return Error();
        }
        if (!ReadIndex(head[k++], offset)) return Error();
        const std::string_view format = head[k];
        int size;
        bool isSigned;
        if (format == "\"%qu\"")
            size = 1, isSigned = false;
        else if (format == "\"%hu\"")
            size = 2, isSigned = false;
        else if (format == "\"%u\"")
            size = 4, isSigned = false;
        else if (format == "\"%qd\"")
            size = 1, isSigned = true;
        else if (format == "\"%hd\"")
            size = 2, isSigned = true;
        else if (format == "\"%d\"")
            size = 4, isSigned = true;
        else
            return Error();
        const auto values = SplitCommas(call.substr(brace + 1, close - brace - 1));
        std::vector<uint8_t>& mirror = ram[static_cast<size_t>(gi)];
        if (offset + values.size() * static_cast<size_t>(size) > mirror.size()) return Error();
        std::vector<uint8_t> bytes(values.size() * static_cast<size_t>(size));
        const ValueType element{"", size, isSigned, false, false};
        for (size_t i = 0; i < values.size(); ++i)
            if (!StoreElement(element, values[i], &bytes[i * static_cast<size_t>(size)])) return Error();
        std::memcpy(mirror.data() + offset, bytes.data(), bytes.size());
        return Reply{};
    }

    Reply TrackChanges(std::string_view call) {
        if (call.ends_with("??")) {
            Reply r;
            r.Line("track_changes(<group name>): lists the parameters whose NVM values differ from their defaults");
            return r;
        }
        const std::string_view name = Argument(call);
        const int gi = image->GroupIndex(name);
        if (gi < 0) return Error();
        if (faults.crashOnHybTracking && (name == "hyb_cust" || name == "hyb_stackinfo")) {
            isLost = true;
            return Error();
        }
        const Group& g = image->groups[static_cast<size_t>(gi)];
        Reply r;
        if (!g.track || g.defaultBytes.empty()) return r;
        const uint8_t* current = nvm[static_cast<size_t>(gi)].data();
        for (const auto& p : g.params) {
            if (std::memcmp(current + p.offset, g.defaultBytes.data() + p.offset, p.Bytes()) == 0) continue;
            Selection s;
            s.param = &p;
            for (size_t i = 0; i < p.Count(); ++i) s.indices.push_back(i);
            std::string name = g.name + "." + p.name;
            if (p.IsArray()) name += "[0," + std::to_string(p.Count() - 1) + "]";
            r.Line("at@nvm:" + name + "=" + ValueText(s, current));
        }
        return r;
    }

    Reply Store(std::string_view call) {
        size_t number;
        const int gi = ReadIndex(Argument(call), number) ? image->GroupIndexByNumber(static_cast<int>(number)) : -1;
        if (gi < 0) return Error();
        nvm[static_cast<size_t>(gi)] = ram[static_cast<size_t>(gi)];
        return Reply{};
    }

    Reply Query(std::string_view text) {
        Reply r;
        Selection s;
        if (text.ends_with("???")) {
            if (!Resolve(text.substr(0, text.size() - 3), s, true)) return Error();
            r.Line(std::string("<") + s.param->type->name + ">");
            return r;
        }
        const uint8_t* mirror = nullptr;
        if (text.ends_with("??")) {
            if (!Resolve(text.substr(0, text.size() - 2), s)) return Error();
            const Param& p = *s.param;
            mirror = ram[static_cast<size_t>(s.group)].data();
            if (!p.IsArray()) {
                r.Line(p.type->name);
            } else if (s.whole) {
                r.Line("[0," + std::to_string(p.Count() - 1) + "]");
            } else {
                const bool contiguous = s.indices.back() - s.indices.front() + 1 == s.indices.size();
                const size_t first = contiguous ? s.indices.front() : 0;
                r.Line("[" + std::to_string(first) + "," + std::to_string(first + s.indices.size() - 1) + "] " +
                       ValueText(s, mirror));
            }
            return r;
        }
        if (!Resolve(text.substr(0, text.size() - 1), s)) return Error();
        mirror = ram[static_cast<size_t>(s.group)].data();
        r.Line(ValueText(s, mirror));
        return r;
    }

    Reply Write(std::string_view target, std::string_view value) {
        Selection s;
        if (!Resolve(Trimmed(target), s)) return Error();
        const Param& p = *s.param;
        std::vector<uint8_t>& mirror = ram[static_cast<size_t>(s.group)];
        std::vector<uint8_t> bytes(mirror.begin() + static_cast<long>(p.offset),
                                   mirror.begin() + static_cast<long>(p.offset + p.Bytes()));
        value = Trimmed(value);
        if (p.IsString()) {
            if (!StoreString(value, bytes.data(), bytes.size())) return Error();
        } else {
            if (value.size() >= 2 && value.front() == '{' && value.back() == '}')
                value = value.substr(1, value.size() - 2);
            else if (p.IsArray() && s.whole)
                return Error();
            const auto items = SplitCommas(value);
            if (items.size() != s.indices.size()) return Error();
            for (size_t i = 0; i < items.size(); ++i)
                if (!StoreElement(*p.type, items[i], &bytes[s.indices[i] * static_cast<size_t>(p.type->size)]))
                    return Error();
        }
        // A valid write the target answers OK to, yet does not keep.
        if (ForgetsWritesTo(image->groups[static_cast<size_t>(s.group)].name + "." + p.name)) return Reply{};
        std::memcpy(mirror.data() + p.offset, bytes.data(), bytes.size());
        return Reply{};
    }

    Reply Nvm(std::string_view text) {
        if (text == "$nvm_groups??") return GroupList();
        if (text.starts_with("dump_csv_add(")) return Dump(text);
        if (text.starts_with("dump_default(")) return DumpDefault(text);
        if (text.starts_with("write_to_mirror(")) return WriteToMirror(text);
        if (text.starts_with("track_changes(")) return TrackChanges(text);
        if (text.starts_with("store_nvm_sync(")) return Store(text);
        const size_t eq = text.find('=');
        if (eq != std::string_view::npos) return Write(text.substr(0, eq), text.substr(eq + 1));
        if (text.ends_with("?")) return Query(text);
        return Error();
    }

    Reply HardwareId(std::string_view text) const {
        const std::string_view id = Argument(text);
        if (!text.starts_with("ver_hwid_get(")) return Error();
        Reply r;
        if (id == "RF_ENGINE_ID" && !image->rfEngineId.empty()) {
            r.Line("RF_ENGINE_ID: string = \"" + image->rfEngineId +
                   "\", length = " + std::to_string(image->rfEngineId.size()));
        } else if (id == "TRAVU_ID" && image->travuId >= 0) {
            r.Line("TRAVU_ID: id = " + std::to_string(image->travuId) + ", revision = 1");
        } else {
            return Error();
        }
        return r;
    }

    std::string Identity(const std::string& key) const {
        auto it = image->identity.find(key);
        return it == image->identity.end() ? std::string("unknown") : it->second;
    }

    Reply Basic(std::string_view text) {
        Reply r;
        const std::string_view rest = text.substr(2);
        if (rest.empty() || EqualsNoCase(rest, "Z") || StartsWithNoCase(rest, "+CMEE=")) return r;
        if (EqualsNoCase(rest, "E0") || EqualsNoCase(rest, "E1")) {
            faults.echo = rest[1] == '1';
            return r;
        }
        if (EqualsNoCase(rest, "I") || EqualsNoCase(rest, "I0")) {
            r.Line(Identity("manufacturer"));
            r.Line(Identity("model"));
            r.Line("Revision: " + Identity("revision"));
            return r;
        }
        if (EqualsNoCase(rest, "+CGMI"))
            r.Line(Identity("manufacturer"));
        else if (EqualsNoCase(rest, "+CGMM"))
            r.Line(Identity("model"));
        else if (EqualsNoCase(rest, "+CGMR"))
            r.Line(Identity("revision"));
        // A unit without a serial number in its image answers ERROR, as one that does not know it.
        else if (EqualsNoCase(rest, "+CGSN") && image->identity.contains("serial") && !Identity("serial").empty())
            r.Line(Identity("serial"));
        else
            return Error();
        return r;
    }

    Reply Dispatch(std::string_view text) {
        if (StartsWithNoCase(text, "at@nvm:")) return Nvm(text.substr(7));
        if (StartsWithNoCase(text, "at@hwid:")) return HardwareId(text.substr(8));
        if (StartsWithNoCase(text, "at")) return Basic(text);
        return Error();
    }
};

Modem::Modem(std::shared_ptr<Image> image) : impl_(std::make_unique<Impl>()) {
    impl_->image = std::move(image);
    impl_->ResetState();
}

Modem::~Modem() = default;

std::unique_ptr<Modem> Modem::FromImageFile(const std::string& path, std::string& error) {
    auto image = Image::Load(path, error);
    if (!image) return nullptr;
    return std::make_unique<Modem>(std::move(image));
}

std::string Modem::DefaultImagePath() { return std::string(NVMSIM_IMAGE_DIR) + "/default.img"; }

std::string Modem::Execute(const std::string& line) {
    Impl& m = *impl_;
    ++m.count;
    if (m.faults.loseAfter > 0 && m.count >= m.faults.loseAfter) m.isLost = true;
    if (m.isLost) return {};
    if (m.faults.delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(m.faults.delayMs));
    const std::string_view text = Trimmed(line);
    if (m.MatchesErrorPattern(line))
        return m.faults.cmeError >= 0 ? "+CME ERROR: " + std::to_string(m.faults.cmeError) + "\r\n" : "ERROR\r\n";
    Reply r = m.Dispatch(text);
    if (m.isLost) return {};
    return r.body + (r.ok ? "OK\r\n" : "ERROR\r\n");
}

Faults& Modem::faults() { return impl_->faults; }
Image& Modem::image() { return *impl_->image; }
bool Modem::lost() const { return impl_->isLost; }
int Modem::commandCount() const { return impl_->count; }
void Modem::Reset() { impl_->ResetState(); }
std::vector<uint8_t>& Modem::ram(size_t groupIndex) { return impl_->ram.at(groupIndex); }
std::vector<uint8_t>& Modem::nvm(size_t groupIndex) { return impl_->nvm.at(groupIndex); }

std::string Modem::ValueOf(const std::string& name, bool fromNvm) {
    Selection s;
    if (!impl_->Resolve(name, s)) return {};
    const auto& mirror = fromNvm ? impl_->nvm : impl_->ram;
    return Impl::ValueText(s, mirror[static_cast<size_t>(s.group)].data());
}

}  // namespace nvmsim
