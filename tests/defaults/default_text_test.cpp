// The C text scanners of the default-value export: dump answers, array
// definitions, identifiers and the variant identifier, table by table.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "defaults/default_dump.h"

namespace vtq {
namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

// Version, type, name and {data} of the answer, or the failure.
std::string Parsed(const std::string& answer) {
    DefaultGroupData r;
    r.GroupName = "kept";
    const DefaultDumpFailure failure = ParseDefaultAnswer(answer, r);
    if (failure != DefaultDumpFailure::None) return failure == DefaultDumpFailure::NoArray ? "no array" : "no brace";
    return std::to_string(r.Version) + " " + r.ElementType + " " + r.ArrayName + " {" + r.DataText + "} " + r.GroupName;
}

TEST(ParseDefaultAnswer, Table) {
    const Pairs cases = {
        // The worked example: comment blanked, CR LF collapsed.
        {"VERSION=3\r\n/* default values */\r\nconst U16 fix_t71_lut_default[] = { 0x0010, 0x0020, // gain\r\n0x0030 };",
         "3 U16 fix_t71_lut_default {0x0010, 0x0020,        \n0x0030} kept"},
        {" U8 a[4] = {1,\r\n\r\n\r\n2};", "0 U8 a {1,\n2} kept"},                  // no VERSION=: 0
        {"/* VERSION= -12x */ S8 b[] = {-1}", "-12 S8 b {-1} kept"},               // counted inside a comment
        {" U8 c[] = { 1, /* } */ 2 }", "0 U8 c {1,         2} kept"},              // a brace in a comment
        {" U8 d[] = { {1}, 2 }", "0 U8 d {{1} kept"},                              // a nested brace ends the data
        {"VERSION=99999999999 U8 f[]={}", "2147483647 U8 f {} kept"},               // saturated
        {"VERSION=3\r\nnothing here", "no array"},
        {"x /* U8 a[] = {1} */", "no array"},
        {" U8 a[] = {1 /* }", "no brace"},  // an unterminated comment hides the rest
    };
    for (const auto& [answer, parsed] : cases) EXPECT_EQ(Parsed(answer), parsed) << answer;
    EXPECT_EQ(DefaultDumpFailureLine(DefaultDumpFailure::NoArray, "g"),
              "Could not find default data in answer from target for group g");
}

TEST(FindCArray, Table) {
    auto found = [](const std::string& text, size_t from) {
        const CArrayFind f = FindCArray(text, from);
        return f.Found() ? f.type + " " + f.name + " @" + std::to_string(f.brace) : "none";
    };
    const std::vector<std::tuple<std::string, size_t, std::string>> cases = {
        {"\tconst\tU32\ttab_1[10]\r\n=\r\n{", 0, "U32 tab_1 @25"},
        {" U8 a[] = 5; U8 b[] = {", 0, "U8 b @22"},
        {"U8 x[2]; const U16 e [ N ] =\n{", 0, "U16 e @29"},  // a declaration's "]" is passed over
        {"U8 a[] = {", 0, "none"},                             // type not preceded by a blank
        {" a[] = {", 0, "none"},                               // no type
        {" U8 a] = {", 0, "none"},                             // no "["
        {" U8 a[] = x {", 0, "none"},                          // something between "=" and "{"
        {" U8 a[] {", 0, "none"},                              // no "="
        {"[1] = {2} U8 a[] = {3}", 0, "none"},                 // the first "] = {" decides
        {"x U8 a[] = {", 1, "U8 a @11"},
        {"x U8 a[] = {", 2, "none"},  // the type needs a blank before it after `from`
        {" U8 a[] = { U8 b[] = {", 11, "U8 b @21"},
        {" U8 a[] = {", 99, "none"},
    };
    for (const auto& [text, from, result] : cases) EXPECT_EQ(found(text, from), result) << text << " from " << from;
}

TEST(IdentifiersAndComments, Table) {
    for (const auto& [in, out] :
         Pairs{{"", ""}, {"az_AZ09", "az_AZ09"}, {"`{@[/:", "______"}, {"7abc.h", "_7abc_h"}, {"\xE9t", "_t"}})
        EXPECT_EQ(MakeCIdentifier(in), out) << in;
    EXPECT_EQ(BlankComments("a/*b*/c//d\r\ne/*f"), "a     c   \r\ne   ");
    EXPECT_EQ(BlankComments("/*/ x */y"), "        y");
    EXPECT_EQ(BlankComments("a / b * c /"), "a / b * c /");
    EXPECT_EQ(ReadDecimal(" \t+42x"), 42);
    EXPECT_EQ(ReadDecimal("-99999999999"), INT32_MIN);
    EXPECT_EQ(ReadDecimal("2147483647"), INT32_MAX);
}

TEST(VariantIdFromAnswer, Table) {
    const Pairs cases = {
        {"RF_ENGINE_ID: string = \"CUST_22_7\", length = 9", "c22_7"},
        {"STRING = cust_7", "c7"},
        {"x = 1, string = \"k22_7\"", "k22_7"},  // the first "=" whose word is not "string" is passed over
        {"string = \"CUST_\"", ""},              // no digit left
        {"strings = \"k1\"", ""},
        {"= string", ""},
        {"string = \"a-b 1\"", "a_b_1"},
        {"string =   __k22__  , x", "k22"},
        {"string = CUST_5x, string = k9", "c5x"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(VariantIdFromAnswer(in), out) << in;
    std::string cleaned;
    EXPECT_TRUE(CleanVariantInput("_ x _", cleaned));
    EXPECT_EQ(cleaned, "x");
}

}  // namespace
}  // namespace vtq
