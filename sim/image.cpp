#include "sim/image.h"
#include "sim/values.h"

#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

namespace nvmsim {

namespace {

// Splits off the first blank-separated word.
std::string_view NextWord(std::string_view& rest) {
    rest = Trimmed(rest);
    size_t end = 0;
    while (end < rest.size() && !IsBlank(rest[end])) ++end;
    const std::string_view word = rest.substr(0, end);
    rest = Trimmed(rest.substr(end));
    return word;
}

bool ReadInt(std::string_view text, int& value) {
    bool negative;
    uint64_t magnitude;
    if (!ParseCInteger(text, negative, magnitude) || magnitude > 0x7FFFFFFF) return false;
    value = negative ? -static_cast<int>(magnitude) : static_cast<int>(magnitude);
    return true;
}

// Splits "lut[900]" into "lut" and {900}; "rec[2].member" keeps its record
// index because a member name follows it.
bool SplitDeclaredName(std::string_view decl, std::string& name, std::vector<int>& dims) {
    dims.clear();
    while (!decl.empty() && decl.back() == ']') {
        const size_t open = decl.rfind('[');
        if (open == std::string_view::npos || open == 0) return false;
        int n;
        if (!ReadInt(decl.substr(open + 1, decl.size() - open - 2), n) || n < 1) return false;
        dims.insert(dims.begin(), n);
        decl = decl.substr(0, open);
    }
    if (decl.empty() || dims.size() > 2) return false;
    name = std::string(decl);
    return true;
}

// The items of an image value list; "K*V" stands for K copies of V.
bool SplitValueList(std::string_view text, std::vector<std::string_view>& out) {
    out.clear();
    size_t start = 0;
    while (true) {
        const size_t comma = text.find(',', start);
        const std::string_view item =
            Trimmed(text.substr(start, comma == std::string_view::npos ? comma : comma - start));
        const size_t star = item.find('*');
        if (star == std::string_view::npos) {
            out.push_back(item);
        } else {
            int repeat;
            if (!ReadInt(item.substr(0, star), repeat) || repeat < 1 || repeat > 1000000) return false;
            out.insert(out.end(), static_cast<size_t>(repeat), Trimmed(item.substr(star + 1)));
        }
        if (comma == std::string_view::npos) return true;
        start = comma + 1;
    }
}

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    std::shared_ptr<Image> Run(std::string& error) {
        image_ = std::make_shared<Image>();
        std::string line;
        while (NextLine(line)) {
            if (!Statement(line)) break;
        }
        if (error_.empty() && group_) Fail("group \"" + group_->name + "\" has no \"end\"");
        if (error_.empty() && image_->groups.empty()) Fail("the image has no group");
        if (!error_.empty()) {
            error = error_;
            return nullptr;
        }
        return image_;
    }

private:
    bool NextLine(std::string& line) {
        if (pos_ >= text_.size()) return false;
        const size_t lf = text_.find('\n', pos_);
        const size_t end = lf == std::string_view::npos ? text_.size() : lf;
        line.assign(text_.substr(pos_, end - pos_));
        if (!line.empty() && line.back() == '\r') line.pop_back();
        pos_ = end + 1;
        ++lineNumber_;
        return true;
    }

    bool Fail(const std::string& message) {
        if (error_.empty()) error_ = "line " + std::to_string(lineNumber_) + ": " + message;
        return false;
    }

    bool Statement(const std::string& rawLine) {
        if (defaults_) return DefaultLine(rawLine);
        std::string_view rest = Trimmed(rawLine);
        if (rest.empty() || rest.front() == '#') return true;
        const std::string_view keyword = NextWord(rest);
        if (keyword == "naming") {
            if (rest == "indexed")
                image_->naming = Naming::Indexed;
            else if (rest == "suffixed")
                image_->naming = Naming::Suffixed;
            else
                return Fail("naming must be \"indexed\" or \"suffixed\"");
            return true;
        }
        if (keyword == "identity") {
            const std::string key(NextWord(rest));
            if (key.empty() || rest.empty()) return Fail("identity needs a key and a text");
            image_->identity[key] = std::string(rest);
            return true;
        }
        if (keyword == "hwid") {
            const std::string_view key = NextWord(rest);
            if (key == "RF_ENGINE_ID" && !rest.empty())
                image_->rfEngineId = std::string(rest);
            else if (key == "TRAVU_ID" && ReadInt(rest, image_->travuId)) {
            } else
                return Fail("hwid needs RF_ENGINE_ID and a text, or TRAVU_ID and a number");
            return true;
        }
        if (keyword == "group") return GroupStart(rest);
        if (!group_) return Fail("\"" + std::string(keyword) + "\" outside a group");
        if (keyword == "end") return GroupEnd();
        if (keyword == "base") {
            if (rest.empty() || rest.find_first_of(" \t") != std::string_view::npos) return Fail("base needs one name");
            group_->bases.emplace_back(rest);
            return true;
        }
        if (keyword == "default") {
            DefaultValues d;
            d.elementType = std::string(NextWord(rest));
            d.arrayName = std::string(NextWord(rest));
            if (!DefaultElementType(d.elementType, d.elementSize, d.elementSigned))
                return Fail("unknown default element type \"" + d.elementType + "\"");
            if (d.arrayName.empty() || !rest.empty()) return Fail("default needs an element type and an array name");
            if (group_->defaults) return Fail("a second default block");
            defaults_ = std::move(d);
            return true;
        }
        if (FindValueType(keyword)) return ParamLine(keyword, rest);
        return Fail("unknown keyword \"" + std::string(keyword) + "\"");
    }

    bool GroupStart(std::string_view rest) {
        if (group_) return Fail("group inside group \"" + group_->name + "\"");
        Group g;
        g.name = std::string(NextWord(rest));
        if (g.name.empty() || !ReadInt(NextWord(rest), g.number)) return Fail("group needs a name and a number");
        while (!rest.empty()) {
            const std::string_view option = NextWord(rest);
            if (option.starts_with("version=") && ReadInt(option.substr(8), g.version)) continue;
            if (option == "track=yes" || option == "track=no") {
                g.track = option == "track=yes";
                continue;
            }
            return Fail("unknown group option \"" + std::string(option) + "\"");
        }
        for (const auto& other : image_->groups) {
            if (other.name == g.name) return Fail("group \"" + g.name + "\" defined twice");
            if (other.number == g.number) return Fail("group number " + std::to_string(g.number) + " used twice");
        }
        group_ = std::make_unique<Group>(std::move(g));
        return true;
    }

    bool ParamLine(std::string_view typeName, std::string_view rest) {
        // A value that ends in a comma goes on in the next line.
        std::string line(rest);
        std::string more;
        while (!line.empty() && Trimmed(line).back() == ',' && NextLine(more)) line += Trimmed(more);
        const size_t eq = line.find('=');
        if (eq == std::string::npos) return Fail("parameter without \"= value\"");
        Param p;
        p.type = FindValueType(typeName);
        if (!SplitDeclaredName(Trimmed(std::string_view(line).substr(0, eq)), p.name, p.dims))
            return Fail("bad parameter name \"" + std::string(Trimmed(std::string_view(line).substr(0, eq))) + "\"");
        for (char c : p.name)
            if (c <= 32 || c >= 127 || std::strchr(";{}=?,\"", c))
                return Fail("bad character in name \"" + p.name + "\"");
        if (group_->FindParam(p.name)) return Fail("parameter \"" + p.name + "\" defined twice");
        if (p.IsString() && p.dims.size() != 1) return Fail("a string needs its capacity, as name[32]");
        p.offset = group_->initial.size();
        group_->initial.resize(p.offset + p.Bytes());
        uint8_t* at = group_->initial.data() + p.offset;
        const std::string_view value = Trimmed(std::string_view(line).substr(eq + 1));
        if (p.IsString()) {
            if (!StoreString(value, at, p.Count())) return Fail("bad string value for \"" + p.name + "\"");
        } else {
            std::vector<std::string_view> items;
            if (!SplitValueList(value, items)) return Fail("bad repeat count in the value of \"" + p.name + "\"");
            if (items.size() != p.Count())
                return Fail("\"" + p.name + "\" needs " + std::to_string(p.Count()) + " values, has " +
                            std::to_string(items.size()));
            for (size_t i = 0; i < items.size(); ++i)
                if (!StoreElement(*p.type, items[i], at + i * p.type->size))
                    return Fail("bad value \"" + std::string(items[i]) + "\" for \"" + p.name + "\"");
        }
        group_->params.push_back(std::move(p));
        return true;
    }

    bool DefaultLine(const std::string& line) {
        if (Trimmed(line) != "end") {
            defaults_->lines.push_back(line);
            return true;
        }
        std::vector<std::string> numbers;
        if (!InitialiserNumbers(defaults_->lines, numbers)) return Fail("a default value is no C integer");
        const size_t size = static_cast<size_t>(defaults_->elementSize);
        if (numbers.size() * size != group_->initial.size())
            return Fail("defaults of \"" + group_->name + "\" cover " + std::to_string(numbers.size() * size) +
                        " bytes, the mirror has " + std::to_string(group_->initial.size()));
        ValueType element{"", defaults_->elementSize, defaults_->elementSigned, false, false};
        group_->defaultBytes.assign(group_->initial.size(), 0);
        for (size_t i = 0; i < numbers.size(); ++i) {
            // Defaults are raw mirror bytes: a value may be given signed or unsigned.
            if (!StoreElement(element, numbers[i], &group_->defaultBytes[i * size])) {
                element.isSigned = !element.isSigned;
                const bool ok = StoreElement(element, numbers[i], &group_->defaultBytes[i * size]);
                element.isSigned = !element.isSigned;
                if (!ok) return Fail("default value \"" + numbers[i] + "\" does not fit " + defaults_->elementType);
            }
        }
        group_->defaults = std::move(defaults_);
        defaults_.reset();
        return true;
    }

    bool GroupEnd() {
        for (const auto& base : group_->bases) {
            bool found = false;
            for (const auto& p : group_->params)
                found = found || (p.name.size() > base.size() && p.name.starts_with(base) &&
                                  (p.name[base.size()] == '[' || p.name[base.size()] == '.'));
            if (!found) return Fail("base \"" + base + "\" has no members");
        }
        if (group_->initial.empty()) return Fail("group \"" + group_->name + "\" has no parameter");
        image_->groups.push_back(std::move(*group_));
        group_.reset();
        return true;
    }

    std::string_view text_;
    size_t pos_ = 0;
    int lineNumber_ = 0;
    std::string error_;
    std::shared_ptr<Image> image_;
    std::unique_ptr<Group> group_;
    std::optional<DefaultValues> defaults_;
};

}  // namespace

size_t Param::Count() const {
    size_t n = 1;
    for (int d : dims) n *= static_cast<size_t>(d);
    return n;
}

const Param* Group::FindParam(std::string_view name) const {
    for (const auto& p : params)
        if (p.name == name) return &p;
    return nullptr;
}

std::shared_ptr<Image> Image::Parse(std::string_view text, std::string& error) { return Parser(text).Run(error); }

std::shared_ptr<Image> Image::Load(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open \"" + path + "\"";
        return nullptr;
    }
    std::ostringstream text;
    text << in.rdbuf();
    auto image = Parse(text.str(), error);
    if (!image) error = path + ": " + error;
    return image;
}

const Group* Image::FindGroup(std::string_view name) const {
    const int i = GroupIndex(name);
    return i < 0 ? nullptr : &groups[static_cast<size_t>(i)];
}

int Image::GroupIndex(std::string_view name) const {
    for (size_t i = 0; i < groups.size(); ++i)
        if (groups[i].name == name) return static_cast<int>(i);
    return -1;
}

int Image::GroupIndexByNumber(int number) const {
    for (size_t i = 0; i < groups.size(); ++i)
        if (groups[i].number == number) return static_cast<int>(i);
    return -1;
}

size_t Image::ParamCount() const {
    size_t n = 0;
    for (const auto& g : groups) n += g.params.size();
    return n;
}

bool DefaultElementType(std::string_view word, int& size, bool& isSigned) {
    if (word.size() < 2) return false;
    const char kind = static_cast<char>(word[0] & ~0x20);
    if (kind != 'U' && kind != 'S') return false;
    const std::string_view bits = word.substr(1);
    if (bits == "8")
        size = 1;
    else if (bits == "16")
        size = 2;
    else if (bits == "32")
        size = 4;
    else
        return false;
    isSigned = kind == 'S';
    return true;
}

bool InitialiserNumbers(const std::vector<std::string>& lines, std::vector<std::string>& numbers) {
    numbers.clear();
    bool inBlock = false;
    std::string token;
    auto flush = [&]() {
        if (token.empty()) return true;
        bool negative;
        uint64_t magnitude;
        if (!ParseCInteger(token, negative, magnitude)) return false;
        numbers.push_back(token);
        token.clear();
        return true;
    };
    for (const auto& line : lines) {
        for (size_t i = 0; i < line.size(); ++i) {
            if (inBlock) {
                if (line.compare(i, 2, "*/") == 0) {
                    inBlock = false;
                    ++i;
                }
                continue;
            }
            if (line.compare(i, 2, "/*") == 0) {
                if (!flush()) return false;
                inBlock = true;
                ++i;
            } else if (line.compare(i, 2, "//") == 0) {
                break;
            } else if (line[i] == ',' || IsBlank(line[i])) {
                if (!flush()) return false;
            } else {
                token += line[i];
            }
        }
        if (!flush()) return false;
    }
    return true;
}

}  // namespace nvmsim
