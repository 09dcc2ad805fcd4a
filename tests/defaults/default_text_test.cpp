// The C text scanners of the default-value export: dump answers, array
// definitions, identifiers and the variant identifier, table by table.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "defaults/default_dump.h"

namespace vtq {
namespace {

TEST(ParseDefaultAnswer, Table) {
    struct Case {
        const char* what; std::string answer; DefaultDumpFailure failure; int version; std::string type, name, data;
    };
    const DefaultDumpFailure ok = DefaultDumpFailure::None, none = DefaultDumpFailure::NoArray;
    const std::vector<Case> cases = {
        {"the worked example: comment blanked, CR LF collapsed",
         "VERSION=3\r\n/* default values */\r\nconst U16 fix_t71_lut_default[] = { 0x0010, 0x0020, // gain\r\n0x0030 };",
         ok, 3, "U16", "fix_t71_lut_default", "0x0010, 0x0020,        \n0x0030"},
        {"no VERSION= gives 0; blank lines collapse", " U8 a[4] = {1,\r\n\r\n\r\n2};", ok, 0, "U8", "a", "1,\n2"},
        {"VERSION= inside a comment counts, sign and blanks allowed", "/* VERSION= -12x */ S8 b[] = {-1}", ok, -12, "S8",
         "b", "-1"},
        {"a closing brace inside a comment is blanked", " U8 c[] = { 1, /* } */ 2 }", ok, 0, "U8", "c", "1,         2"},
        {"a nested brace ends the data", " U8 d[] = { {1}, 2 }", ok, 0, "U8", "d", "{1"},
        {"version past the 32-bit range saturates", "VERSION=99999999999 U8 f[]={}", ok, 2147483647, "U8", "f", ""},
        {"no array at all", "VERSION=3\r\nnothing here", none, 0, "", "", ""},
        {"array in a comment only", "x /* U8 a[] = {1} */", none, 0, "", "", ""},
        {"unterminated block comment hides the rest", " U8 a[] = {1 /* }", DefaultDumpFailure::NoClosingBrace, 0, "",
         "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DefaultGroupData record;
        record.GroupName = "kept";
        ASSERT_EQ(ParseDefaultAnswer(c.answer, record), c.failure);
        if (c.failure != ok) continue;
        EXPECT_EQ(record.Version, c.version);
        EXPECT_EQ(record.ElementType + " " + record.ArrayName + " " + record.GroupName, c.type + " " + c.name + " kept");
        EXPECT_EQ(record.DataText, c.data);
    }
    EXPECT_EQ(DefaultDumpFailureLine(none, "g"), "Could not find default data in answer from target for group g");
}

TEST(FindCArray, Table) {
    struct Case { std::string text; size_t from; std::string type, name; size_t brace; };  // no type: none found
    const std::vector<Case> cases = {
        {"\tconst\tU32\ttab_1[10]\r\n=\r\n{", 0, "U32", "tab_1", 25},
        {" U8 a[]={", 0, "U8", "a", 8},
        {" U8 a[] = 5; U8 b[] = {", 0, "U8", "b", 22},
        {"U8 x[2]; const U16 e [ N ] =\n{", 0, "U16", "e", 29},  // a declaration's "]" is passed over
        {"U8 a[] = {", 0, "", "", 0},     // type not preceded by a blank
        {" a[] = {", 0, "", "", 0},       // no type
        {" U8 a] = {", 0, "", "", 0},     // no "["
        {" U8 a[] = x {", 0, "", "", 0},  // something between "=" and "{"
        {" U8 a[] {", 0, "", "", 0},      // no "="
        {"[1] = {2} U8 a[] = {3}", 0, "", "", 0},  // the first "] = {" decides
        {"x U8 a[] = {", 1, "U8", "a", 11},
        {"x U8 a[] = {", 2, "", "", 0},  // the type needs a blank before it after `from`
        {" U8 a[] = { U8 b[] = {", 11, "U8", "b", 21},
        {" U8 a[] = {", 99, "", "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text + " from " + std::to_string(c.from));
        const CArrayFind f = FindCArray(c.text, c.from);
        ASSERT_EQ(f.Found(), !c.type.empty());
        if (!f.Found()) continue;
        EXPECT_EQ(f.type + " " + f.name, c.type + " " + c.name);
        EXPECT_EQ(f.brace, c.brace);
    }
}

TEST(IdentifiersAndComments, Table) {
    for (const auto& [in, out] : std::vector<std::pair<std::string, std::string>>{
             {"", ""}, {"az_AZ09", "az_AZ09"}, {"`{@[/:", "______"}, {"7abc.h", "_7abc_h"}, {"\xE9t", "_t"}})
        EXPECT_EQ(MakeCIdentifier(in), out) << in;
    EXPECT_EQ(BlankComments("a/*b*/c//d\r\ne/*f"), "a     c   \r\ne   ");
    EXPECT_EQ(BlankComments("/*/ x */y"), "        y");
    EXPECT_EQ(BlankComments("a / b * c /"), "a / b * c /");
    EXPECT_EQ(ReadDecimal(" \t+42x"), 42);
    EXPECT_EQ(ReadDecimal("-99999999999"), INT32_MIN);
    EXPECT_EQ(ReadDecimal("2147483647"), INT32_MAX);
}

TEST(VariantIdFromAnswer, Table) {
    const std::vector<std::pair<std::string, std::string>> cases = {
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
