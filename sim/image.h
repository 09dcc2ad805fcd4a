#pragma once
// A target image: the groups of the simulated modem, their parameters laid
// out in each group's mirror, their default values, and the target's
// identity. Read from the text format described in docs/sim_image_format.md.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/values.h"

namespace nvmsim {

// How group dumps name arrays: "grp.tab[0]" or "grp.tab_16" / "grp.gain_2x3".
enum class Naming { Indexed, Suffixed };

struct Param {
    std::string name;  // without the group, e.g. "gain", "rec[2].member", "lut"
    const ValueType* type = nullptr;
    std::vector<int> dims;  // empty: scalar; {n} or {rows, columns}; strings: {capacity}
    size_t offset = 0;      // byte offset in the group's mirror

    bool IsString() const { return type->isString; }
    bool IsArray() const { return !type->isString && !dims.empty(); }
    // Elements of an array (1 for a scalar; characters for a string).
    size_t Count() const;
    size_t Bytes() const { return Count() * static_cast<size_t>(type->size); }
};

struct DefaultValues {
    std::string elementType;  // e.g. "U16"
    int elementSize = 2;
    bool elementSigned = false;
    std::string arrayName;
    std::vector<std::string> lines;  // the initialiser, comments included
};

struct Group {
    std::string name;
    int number = 0;
    int version = 1;
    bool track = false;
    std::vector<Param> params;
    // Record arrays whose whole bytes the dump also lists under the bare name.
    std::vector<std::string> bases;
    std::optional<DefaultValues> defaults;
    std::vector<uint8_t> initial;       // the mirror as the image gives it
    std::vector<uint8_t> defaultBytes;  // the defaults laid out as the mirror; empty without defaults

    const Param* FindParam(std::string_view name) const;
};

class Image {
public:
    static std::shared_ptr<Image> Parse(std::string_view text, std::string& error);
    static std::shared_ptr<Image> Load(const std::string& path, std::string& error);

    Naming naming = Naming::Indexed;
    // ATI-style identity texts by key: manufacturer, model, revision, serial.
    std::map<std::string, std::string> identity;
    std::string rfEngineId;  // the string that ver_hwid_get(RF_ENGINE_ID) reports
    int travuId = -1;        // the chip id that ver_hwid_get(TRAVU_ID) reports; -1 = none
    std::vector<Group> groups;

    const Group* FindGroup(std::string_view name) const;
    int GroupIndex(std::string_view name) const;
    int GroupIndexByNumber(int number) const;
    size_t ParamCount() const;
};

// Size and signedness of a default array's element type (U8, U16, U32, S8,
// S16, S32, in any case); false for any other word.
bool DefaultElementType(std::string_view word, int& size, bool& isSigned);

// The numbers of a C initialiser, comments skipped; false on a token that is
// no C integer.
bool InitialiserNumbers(const std::vector<std::string>& lines, std::vector<std::string>& numbers);

}  // namespace nvmsim
