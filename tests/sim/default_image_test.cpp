// The repository's images: what they must contain, and every record of
// every group dump decoded with the tests' own reader.

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "sim/generator.h"
#include "sim/image.h"
#include "sim/modem.h"
#include "tests/sim/piece_reader.h"

namespace nvmsim {
namespace {

std::shared_ptr<Image> LoadImage(const std::string& name) {
    std::string error;
    auto image = Image::Load(VTQ_SOURCE_DIR "/sim/images/" + name, error);
    EXPECT_TRUE(image) << error;
    return image;
}

// Element i of a parameter from the mirror bytes, little-endian.
std::string Element(const Param& p, const std::vector<uint8_t>& mirror, size_t i) {
    const size_t size = static_cast<size_t>(p.type->size);
    uint64_t raw = 0;
    for (size_t b = 0; b < size; ++b) raw |= uint64_t{mirror[p.offset + i * size + b]} << (8 * b);
    if (!p.type->isSigned) return std::to_string(raw);
    if (size < 8 && (raw >> (8 * size - 1)) & 1) raw |= ~uint64_t{0} << (8 * size);
    return std::to_string(static_cast<int64_t>(raw));
}

// The record a group dump must hold for a parameter (up to its closing brace).
std::string ExpectedRecord(const Group& g, const Param& p, Naming naming) {
    std::string name = g.name + "." + p.name;
    std::string value;
    if (p.IsString()) {
        value = "\"";
        for (size_t i = 0; i < p.Count() && g.initial[p.offset + i]; ++i) value += static_cast<char>(g.initial[p.offset + i]);
        value += "\"";
    } else {
        for (size_t i = 0; i < p.Count() && i < 1000; ++i) value += (i ? "," : "") + Element(p, g.initial, i);
    }
    if (p.IsArray() && naming == Naming::Indexed) {
        name += p.dims.size() == 1 ? "[0]"
                                   : "[0," + std::to_string(p.dims[0] - 1) + "][0," + std::to_string(p.dims[1] - 1) + "]";
    } else if (p.IsArray()) {
        name += "_" + std::to_string(p.dims[0]) + (p.dims.size() == 2 ? "x" + std::to_string(p.dims[1]) : "");
    }
    return name + ";{" + value + "}";
}

void CheckEveryRecordComesBack(const std::shared_ptr<Image>& image) {
    Modem modem(image);
    size_t checked = 0;
    for (const auto& g : image->groups) {
        const std::string answer = modem.Execute("at@nvm:dump_csv_add(\"" + g.name + "\")");
        ASSERT_TRUE(answer.ends_with("OK\r\n")) << g.name;
        const auto records = test::Records(answer);
        const std::set<std::string> decoded(records.begin(), records.end());
        for (const auto& p : g.params) {
            EXPECT_EQ(decoded.count(ExpectedRecord(g, p, image->naming)), 1u) << g.name << "." << p.name;
            ++checked;
        }
        EXPECT_EQ(decoded.size(), g.params.size() + g.bases.size()) << g.name;
    }
    EXPECT_EQ(checked, image->ParamCount());
}

TEST(DefaultImage, HoldsWhatTheEditorMeetsOnARealTarget) {
    auto image = LoadImage("default.img");
    ASSERT_TRUE(image);
    EXPECT_GE(image->groups.size(), 60u);
    EXPECT_GE(image->ParamCount(), 2000u);
    EXPECT_EQ(image->travuId, 5);
    for (const char* name : {"hyb_cust", "hyb_stackinfo", "cal_t8x_lut", "fix_t8x_lut", "fix_t8x_lut_setcal"})
        EXPECT_TRUE(image->FindGroup(name)) << name;
    std::set<std::string> prefixes, types;
    std::map<std::string, size_t> n;
    for (const auto& g : image->groups) {
        prefixes.insert(g.name.substr(0, 4));
        EXPECT_TRUE(g.defaults) << g.name;
        n["tracked groups"] += g.track;
        n["bases"] += g.bases.size();
        for (const auto& p : g.params) {
            types.insert(p.type->name);
            n["arrays of 801..1000"] += p.IsArray() && p.Count() > 800 && p.Count() <= 1000;
            n["arrays over 1000"] += p.IsArray() && p.Count() > 1000;
            n["strings"] += p.IsString();
            n["tables"] += p.dims.size() == 2;
            n["members"] += p.name.find("].") != std::string::npos;
            n["fills"] += p.name.find("fill_") != std::string::npos;
        }
    }
    EXPECT_EQ(prefixes, (std::set<std::string>{"cal_", "dyn_", "fix_", "hyb_"}));
    EXPECT_EQ(types.size(), 15u) << "every scalar type and strings";
    const std::map<std::string, size_t> least = {{"arrays of 801..1000", 2}, {"arrays over 1000", 2}, {"strings", 10},
                                                 {"tables", 10}, {"members", 20}, {"fills", 10}, {"bases", 3},
                                                 {"tracked groups", 10}};
    for (const auto& [what, count] : least) EXPECT_GE(n[what], count) << what;
}

TEST(DefaultImage, EveryRecordComesBackInBothNamings) {
    auto image = LoadImage("default.img");
    ASSERT_TRUE(image);
    CheckEveryRecordComesBack(image);
    image->naming = Naming::Suffixed;
    CheckEveryRecordComesBack(image);
}

// Arrays beyond the dump's cut come whole through queries; every group dumps
// its defaults as a C array.
TEST(DefaultImage, LongArraysAndDefaultDumps) {
    auto image = LoadImage("default.img");
    ASSERT_TRUE(image);
    Modem modem(image);
    int longArrays = 0;
    for (const auto& g : image->groups) {
        const std::string dump = modem.Execute("at@nvm:dump_default(\"" + g.name + "\")");
        EXPECT_EQ(dump.find("VERSION=" + std::to_string(g.version) + "\r\n"), 0u) << g.name;
        EXPECT_NE(dump.find(" " + g.defaults->arrayName + "[] = {\r\n"), std::string::npos) << g.name;
        EXPECT_NE(dump.find("};\r\nOK\r\n"), std::string::npos) << g.name;
        for (const auto& p : g.params) {
            if (!p.IsArray() || p.Count() <= 1000) continue;
            const std::string name = "at@nvm:" + g.name + "." + p.name, range = "[0," + std::to_string(p.Count() - 1) + "]";
            EXPECT_EQ(modem.Execute(name + "??"), range + "\r\nOK\r\n");
            std::string expected = "{";
            for (size_t i = 0; i < p.Count(); ++i) expected += (i ? "," : "") + Element(p, g.initial, i);
            EXPECT_EQ(modem.Execute(name + range + "?"), expected + "}\r\nOK\r\n");
            ++longArrays;
        }
    }
    EXPECT_GE(longArrays, 2);
}

TEST(RfT71Image, CarriesTheSixGroupRfSet) {
    auto image = LoadImage("rf_t71.img");
    ASSERT_TRUE(image);
    for (const char* name : {"cal_t71_lut", "cal_t71_lut_aux", "fix_t71_lut", "fix_t71_lut_aux", "fix_t71_lut_setcal",
                             "fix_t71_lut_setcal_aux"})
        EXPECT_TRUE(image->FindGroup(name)) << name;
    EXPECT_FALSE(image->FindGroup("cal_t8x_lut"));
    EXPECT_EQ(image->travuId, 6);
    CheckEveryRecordComesBack(image);
}

TEST(Generator, ScaleImagesAreReproducibleAndLoad) {
    const std::string a = GenerateScaleImage(12, 40, 99);
    EXPECT_EQ(a, GenerateScaleImage(12, 40, 99));
    EXPECT_NE(a, GenerateScaleImage(12, 40, 100));
    std::string error;
    auto image = Image::Parse(a, error);
    ASSERT_TRUE(image) << error;
    EXPECT_EQ(image->groups.size(), 12u);
    for (const auto& g : image->groups) EXPECT_GE(g.params.size(), 40u) << g.name;
    CheckEveryRecordComesBack(image);
}

}  // namespace
}  // namespace nvmsim
