// The C text scanners of the default-value export: dump answers, array
// definitions, identifiers and the variant identifier, table by table.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "defaults/default_dump.h"

namespace vtq {
namespace {

struct AnswerCase {
    const char* what;
    std::string answer;
    DefaultDumpFailure failure;
    int version;
    std::string type, name, data;
};

TEST(ParseDefaultAnswer, Table) {
    const std::vector<AnswerCase> cases = {
        {"the worked example: comment blanked, CR LF collapsed",
         "VERSION=3\r\n/* default values */\r\nconst U16 fix_t71_lut_default[] = { 0x0010, 0x0020, // gain\r\n0x0030 };",
         DefaultDumpFailure::None, 3, "U16", "fix_t71_lut_default", "0x0010, 0x0020,        \n0x0030"},
        {"no VERSION= gives 0; blank lines collapse", " U8 a[4] = {1,\r\n\r\n\r\n2};", DefaultDumpFailure::None, 0, "U8",
         "a", "1,\n2"},
        {"VERSION= inside a comment counts, sign and blanks allowed", "/* VERSION= -12x */ S8 b[] = {-1}",
         DefaultDumpFailure::None, -12, "S8", "b", "-1"},
        {"a closing brace inside a comment is blanked", " U8 c[] = { 1, /* } */ 2 }", DefaultDumpFailure::None, 0, "U8",
         "c", "1,         2"},
        {"a nested brace ends the data", " U8 d[] = { {1}, 2 }", DefaultDumpFailure::None, 0, "U8", "d", "{1"},
        {"a declaration's ] is skipped", "U8 x[2]; const U16 e [ N ] =\n{ 7 }", DefaultDumpFailure::None, 0, "U16",
         "e", "7"},
        {"version past the 32-bit range saturates", "VERSION=99999999999 U8 f[]={}", DefaultDumpFailure::None,
         2147483647, "U8", "f", ""},
        {"LF CR runs and a trailing // line end", " U8 g[] = {1,// c\n\r\n2}", DefaultDumpFailure::None, 0, "U8", "g",
         "1,    \n2"},
        {"type word first in the text", "U16 h[] = {1}", DefaultDumpFailure::NoArray, 0, "", "", ""},
        {"no array at all", "VERSION=3\r\nnothing here", DefaultDumpFailure::NoArray, 0, "", "", ""},
        {"array in a comment only", "x /* U8 a[] = {1} */", DefaultDumpFailure::NoArray, 0, "", "", ""},
        {"unterminated block comment hides the rest", " U8 a[] = {1 /* }", DefaultDumpFailure::NoClosingBrace, 0, "",
         "", ""},
        {"no closing brace", " U8 a[] = {1, 2", DefaultDumpFailure::NoClosingBrace, 0, "", "", ""},
        {"first ] = { decides even when its words are missing", "[1] = {2} U8 a[] = {3}", DefaultDumpFailure::NoArray,
         0, "", "", ""},
        {"empty answer", "", DefaultDumpFailure::NoArray, 0, "", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DefaultGroupData record;
        record.GroupName = "kept";
        ASSERT_EQ(ParseDefaultAnswer(c.answer, record), c.failure);
        if (c.failure != DefaultDumpFailure::None) continue;
        EXPECT_EQ(record.Version, c.version);
        EXPECT_EQ(record.ElementType, c.type);
        EXPECT_EQ(record.ArrayName, c.name);
        EXPECT_EQ(record.DataText, c.data);
        EXPECT_EQ(record.GroupName, "kept");
    }
}

TEST(DefaultDumpFailureLine, Texts) {
    EXPECT_EQ(DefaultDumpFailureLine(DefaultDumpFailure::ExchangeFailed, "g"), "Could not get default data for group g");
    EXPECT_EQ(DefaultDumpFailureLine(DefaultDumpFailure::NoArray, "g"),
              "Could not find default data in answer from target for group g");
    EXPECT_EQ(DefaultDumpFailureLine(DefaultDumpFailure::NoClosingBrace, "g"),
              "Could not find default data array in answer from target for group g");
}

TEST(FindCArray, Table) {
    struct Case {
        std::string text;
        size_t from;
        bool found;
        std::string type, name;
        size_t brace;
    };
    const std::vector<Case> cases = {
        {" U16 a[] = {", 0, true, "U16", "a", 11},
        {"\tconst\tU32\ttab_1[10]\r\n=\r\n{", 0, true, "U32", "tab_1", 25},
        {" U8 a[]={", 0, true, "U8", "a", 8},
        {" U8 a[] = 5; U8 b[] = {", 0, true, "U8", "b", 22},
        {"U8 a[] = {", 0, false, "", "", 0},        // type not preceded by a blank
        {" a[] = {", 0, false, "", "", 0},          // no type
        {" U8 a] = {", 0, false, "", "", 0},        // no "["
        {" U8 a[] = ", 0, false, "", "", 0},        // no "{"
        {" U8 a[] = x {", 0, false, "", "", 0},     // something between "=" and "{"
        {" U8 a[] {", 0, false, "", "", 0},         // no "="
        {"x U8 a[] = {", 1, true, "U8", "a", 11},
        {"x U8 a[] = {", 2, false, "", "", 0},      // the type needs a blank before it after `from`
        {"x  U8 a[] = {", 1, true, "U8", "a", 12},
        {" U8 a[] = { U8 b[] = {", 11, true, "U8", "b", 21},
        {"", 0, false, "", "", 0},
        {" U8 a[] = {", 99, false, "", "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text + " from " + std::to_string(c.from));
        const CArrayFind f = FindCArray(c.text, c.from);
        ASSERT_EQ(f.Found(), c.found);
        if (!c.found) continue;
        EXPECT_EQ(f.type, c.type);
        EXPECT_EQ(f.name, c.name);
        EXPECT_EQ(f.brace, c.brace);
    }
}

TEST(MakeCIdentifier, Table) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", ""},
        {"abc_XYZ_09", "abc_XYZ_09"},
        {"az_AZ", "az_AZ"},
        {"`{@[/:", "______"},
        {"7abc.h", "_7abc_h"},
        {"a b-c", "a_b_c"},
        {"_9", "_9"},
        {"\xE9t\xE9", "_t_"},
        {"0", "_0"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(MakeCIdentifier(in), out) << in;
}

TEST(BlankComments, KeepsLengthAndLineEnds) {
    EXPECT_EQ(BlankComments("a/*b*/c//d\r\ne/*f"), "a     c   \r\ne   ");
    EXPECT_EQ(BlankComments("/*/ x */y"), "        y");
    EXPECT_EQ(BlankComments("a / b * c /"), "a / b * c /");
}

TEST(VariantIdFromAnswer, Table) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"RF_ENGINE_ID: string = \"CUST_22_7\", length = 9", "c22_7"},
        {"string=\"CUST_12_3\"", "c12_3"},
        {"STRING = cust_7", "c7"},
        {"x = 1, string = \"k22_7\"", "k22_7"},   // the first "=" whose word is not "string" is passed over
        {"string = \"CUST_\"", ""},              // no digit left
        {"string = \"abc\"", ""},
        {"strings = \"k1\"", ""},
        {"length = 9", ""},
        {"", ""},
        {"= string", ""},
        {"string = \"a-b 1\"", "a_b_1"},
        {"string =   __k22__  , x", "k22"},
        {"string = CUST_5x, string = k9", "c5x"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(VariantIdFromAnswer(in), out) << in;
}

TEST(CleanVariantInput, Table) {
    struct Case {
        std::string in;
        bool ok;
        std::string cleaned;
    };
    const std::vector<Case> cases = {
        {"k22_7", true, "k22_7"}, {"  _k22_7_ ", true, "k22_7"}, {"7abc", true, "7abc"},
        {"", false, ""},          {" __ ", false, ""},          {"k22-7", false, "k22-7"},
        {"_ x _", true, "x"},
    };
    for (const auto& c : cases) {
        std::string cleaned;
        EXPECT_EQ(CleanVariantInput(c.in, cleaned), c.ok) << c.in;
        EXPECT_EQ(cleaned, c.cleaned) << c.in;
    }
}

TEST(ReadDecimal, Table) {
    EXPECT_EQ(ReadDecimal(" \t+42x"), 42);
    EXPECT_EQ(ReadDecimal("-7"), -7);
    EXPECT_EQ(ReadDecimal("x1"), 0);
    EXPECT_EQ(ReadDecimal("-"), 0);
    EXPECT_EQ(ReadDecimal("-99999999999"), INT32_MIN);
    EXPECT_EQ(ReadDecimal("2147483647"), INT32_MAX);
}

}  // namespace
}  // namespace vtq
