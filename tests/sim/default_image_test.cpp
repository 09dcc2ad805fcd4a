// The repository's images: what they must contain. Every record of their
// group dumps is read through the editor's parser in tests/core/dump_sim_test.cpp.

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "sim/generator.h"
#include "sim/image.h"
#include "sim/modem.h"

namespace nvmsim {
namespace {

std::shared_ptr<Image> LoadImage(const std::string& name) {
    std::string error;
    auto image = Image::Load(VTQ_SOURCE_DIR "/sim/images/" + name, error);
    EXPECT_TRUE(image) << error;
    return image;
}

TEST(DefaultImage, HoldsWhatTheEditorMeetsOnARealTarget) {
    auto image = LoadImage("default.img");
    ASSERT_TRUE(image);
    EXPECT_GE(image->ParamCount(), 2000u);
    EXPECT_EQ(image->travuId, 5);
    for (const char* name : {"hyb_cust", "hyb_stackinfo", "cal_t8x_lut", "fix_t8x_lut", "fix_t8x_lut_setcal"})
        EXPECT_TRUE(image->FindGroup(name)) << name;
    Modem modem(image);
    std::set<std::string> prefixes, types;
    std::map<std::string, size_t> n;
    for (const auto& g : image->groups) {
        ++n["groups"];
        prefixes.insert(g.name.substr(0, 4));
        ASSERT_TRUE(g.defaults) << g.name;
        const std::string dump = modem.Execute("at@nvm:dump_default(\"" + g.name + "\")");
        EXPECT_EQ(dump.find("VERSION=" + std::to_string(g.version) + "\r\n"), 0u) << g.name;
        EXPECT_NE(dump.find(" " + g.defaults->arrayName + "[] = {\r\n"), std::string::npos) << g.name;
        EXPECT_TRUE(dump.ends_with("};\r\nOK\r\n")) << g.name;
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
                                                 {"tracked groups", 10}, {"groups", 60}};
    for (const auto& [what, count] : least) EXPECT_GE(n[what], count) << what;
}

TEST(RfT71Image, CarriesTheSixGroupRfSet) {
    auto image = LoadImage("rf_t71.img");
    ASSERT_TRUE(image);
    for (const char* name : {"cal_t71_lut", "cal_t71_lut_aux", "fix_t71_lut", "fix_t71_lut_aux", "fix_t71_lut_setcal",
                             "fix_t71_lut_setcal_aux"})
        EXPECT_TRUE(image->FindGroup(name)) << name;
    EXPECT_EQ(image->travuId, 6);
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
}

}  // namespace
}  // namespace nvmsim
