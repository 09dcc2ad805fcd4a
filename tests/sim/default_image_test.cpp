// The repository's images: what they must contain, and every record of
// every group dump decoded with the tests' own reader.

#include <gtest/gtest.h>

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
    size_t records = 0;
    for (const auto& g : image->groups) {
        const std::string answer = modem.Execute("at@nvm:dump_csv_add(\"" + g.name + "\")");
        ASSERT_GE(answer.size(), 4u);
        ASSERT_EQ(answer.substr(answer.size() - 4), "OK\r\n") << g.name;
        std::set<std::string> decoded;
        for (const auto& line : test::AnswerLines(answer)) {
            std::string text;
            ASSERT_TRUE(test::ReadPiece(line, text)) << g.name << ": " << line;
            decoded.insert(text);
        }
        for (const auto& p : g.params) {
            EXPECT_EQ(decoded.count(ExpectedRecord(g, p, image->naming)), 1u) << g.name << "." << p.name;
            ++records;
        }
        EXPECT_EQ(decoded.size(), g.params.size() + g.bases.size()) << g.name;
    }
    EXPECT_EQ(records, image->ParamCount());
}

TEST(DefaultImage, HoldsWhatTheEditorMeetsOnARealTarget) {
    auto image = LoadImage("default.img");
    ASSERT_TRUE(image);
    EXPECT_GE(image->groups.size(), 60u);
    EXPECT_GE(image->ParamCount(), 2000u);
    for (const char* name : {"hyb_cust", "hyb_stackinfo", "cal_t8x_lut", "fix_t8x_lut", "fix_t8x_lut_setcal"})
        EXPECT_TRUE(image->FindGroup(name)) << name;
    std::set<std::string> prefixes, types;
    size_t over800 = 0, over1000 = 0, strings = 0, tables = 0, members = 0, fills = 0, bases = 0, tracked = 0;
    for (const auto& g : image->groups) {
        prefixes.insert(g.name.substr(0, 4));
        EXPECT_TRUE(g.defaults) << g.name;
        tracked += g.track;
        bases += g.bases.size();
        for (const auto& p : g.params) {
            types.insert(p.type->name);
            over800 += p.IsArray() && p.Count() > 800 && p.Count() <= 1000;
            over1000 += p.IsArray() && p.Count() > 1000;
            strings += p.IsString();
            tables += p.dims.size() == 2;
            members += p.name.find("].") != std::string::npos;
            fills += p.name.find("fill_") != std::string::npos;
        }
    }
    EXPECT_EQ(prefixes, (std::set<std::string>{"cal_", "dyn_", "fix_", "hyb_"}));
    EXPECT_EQ(types.size(), 15u) << "every scalar type and strings";
    EXPECT_GE(over800, 2u);
    EXPECT_GE(over1000, 2u);
    EXPECT_GE(strings, 10u);
    EXPECT_GE(tables, 10u);
    EXPECT_GE(members, 20u);
    EXPECT_GE(fills, 10u);
    EXPECT_GE(bases, 3u);
    EXPECT_GE(tracked, 10u);
    EXPECT_EQ(image->travuId, 5);
}

TEST(DefaultImage, EveryRecordComesBackInBothNamings) {
    auto image = LoadImage("default.img");
    ASSERT_TRUE(image);
    CheckEveryRecordComesBack(image);
    image->naming = Naming::Suffixed;
    CheckEveryRecordComesBack(image);
}

TEST(DefaultImage, LongArraysComeWholeThroughQueries) {
    auto image = LoadImage("default.img");
    ASSERT_TRUE(image);
    Modem modem(image);
    int checked = 0;
    for (const auto& g : image->groups) {
        for (const auto& p : g.params) {
            if (!p.IsArray() || p.Count() <= 1000) continue;
            const std::string name = "at@nvm:" + g.name + "." + p.name;
            EXPECT_EQ(modem.Execute(name + "??"), "[0," + std::to_string(p.Count() - 1) + "]\r\nOK\r\n");
            std::string expected = "{";
            for (size_t i = 0; i < p.Count(); ++i) expected += (i ? "," : "") + Element(p, g.initial, i);
            EXPECT_EQ(modem.Execute(name + "[0," + std::to_string(p.Count() - 1) + "]?"), expected + "}\r\nOK\r\n");
            ++checked;
        }
    }
    EXPECT_GE(checked, 2);
}

TEST(DefaultImage, EveryGroupDumpsItsDefaultsAsACArray) {
    auto image = LoadImage("default.img");
    ASSERT_TRUE(image);
    Modem modem(image);
    for (const auto& g : image->groups) {
        const std::string answer = modem.Execute("at@nvm:dump_default(\"" + g.name + "\")");
        EXPECT_EQ(answer.find("VERSION=" + std::to_string(g.version) + "\r\n"), 0u) << g.name;
        EXPECT_NE(answer.find(" " + g.defaults->arrayName + "[] = {\r\n"), std::string::npos) << g.name;
        EXPECT_NE(answer.find("};\r\nOK\r\n"), std::string::npos) << g.name;
    }
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
