#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "sim/image.h"
#include "sim/values.h"

namespace nvmsim {
namespace {

TEST(ImageFormat, ReadsLayoutDefaultsAndRepeats) {
    std::string error;
    auto image = Image::Parse(
        "# comment\n"
        "naming suffixed\n"
        "identity model M 1\n"
        "hwid TRAVU_ID 6\n"
        "group g 4 version=3 track=yes\n"
        "  uint8 a = 1\n"
        "  int16 b[3] = 2*-1,\n"
        "               7\n"
        "  string s[5] = \"ab\"\n"
        "  default S16 g_default\n"
        "    0xFF01, /* a */ -1, 0x07FF, // b\n"
        "    0x6100, 98, 0\n"
        "  end\n"
        "end\n",
        error);
    ASSERT_TRUE(image) << error;
    EXPECT_EQ(std::tuple(image->naming, image->identity["model"], image->travuId),
              std::tuple(Naming::Suffixed, "M 1", 6));
    const Group& g = image->groups.at(0);
    EXPECT_EQ(std::tuple(g.number, g.version, g.track), std::tuple(4, 3, true));
    ASSERT_EQ(g.params.size(), 3u);
    EXPECT_EQ(std::pair(g.params[1].offset, g.params[2].offset), std::pair(size_t{1}, size_t{7}));
    // The defaults are 16-bit words over the same bytes, given signed or not.
    const std::vector<uint8_t> mirror = {1, 0xFF, 0xFF, 0xFF, 0xFF, 7, 0, 'a', 'b', 0, 0, 0};
    EXPECT_EQ(std::pair(g.initial, g.defaultBytes), std::pair(mirror, mirror));
}

TEST(ImageFormat, RefusesBrokenImagesWithTheLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "the image has no group"},
        {"group g 1\n uint8 a = 1\n", "has no \"end\""},
        {"group g 1\n uint8 a = 256\nend\n", "line 2: bad value \"256\" for \"a\""},
        {"group g 1\n uint8 a[2] = 1\nend\n", "line 2: \"a\" needs 2 values, has 1"},
        {"group g 1\n uint8 a = 1\n uint8 a = 2\nend\n", "line 3: parameter \"a\" defined twice"},
    };
    std::string error;
    for (const auto& [text, message] : cases) {
        EXPECT_FALSE(Image::Parse(text, error)) << text;
        EXPECT_NE(error.find(message), std::string::npos) << text << " -> " << error;
    }
    EXPECT_TRUE(!Image::Load("/nonexistent/image.img", error) && error.find("cannot open") != std::string::npos);
}

TEST(Values, ElementsOfEveryTypeRoundTrip) {
    const std::tuple<const char*, const char*, const char*> cases[] = {  // type, text, text read back (null: refused)
        {"int8", "-128", "-128"},       {"int8", "128", nullptr},          {"sint8", "0x7f", "127"},
        {"uint8", "-1", nullptr},       {"uint16", "0xFFFF", "65535"},     {"sint32", "2147483648", nullptr},
        {"int64", "-9223372036854775808", "-9223372036854775808"}, {"uint64", "18446744073709551616", nullptr},
        {"uint64", "18446744073709551615", "18446744073709551615"}, {"boolean", "2", nullptr},
        {"uint8", " 7 ", "7"},          {"uint8", "7 8", nullptr},         {"uint8", "0x", nullptr},
    };
    for (const auto& [type, in, out] : cases) {
        const ValueType* t = FindValueType(type);
        ASSERT_TRUE(t) << type;
        uint8_t bytes[8] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
        EXPECT_EQ(StoreElement(*t, in, bytes), out != nullptr) << type << " " << in;
        EXPECT_EQ(out ? FormatElement(*t, bytes) : std::to_string(bytes[0]), out ? out : "170") << type << " " << in;
    }
}

}  // namespace
}  // namespace nvmsim
