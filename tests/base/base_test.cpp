// The base layer; the atomic writer must never leave a half file in place of a whole one.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "base/file_io.h"
#include "base/number_text.h"
#include "base/text.h"
#include "support/temp_dir.h"

namespace vtq {
namespace {

TEST(CommaText, EveryNameComesBackWhole) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"fix_a", "cal_b"},
        {"a b", "c,d", "say \"hi\""},
        // The reader cuts at every character up to 32, so those names must be quoted too.
        {"tab\tname", std::string("ctl\x01x"), "plain"},
        {"\xE9t\xE9", "x"},
    };
    for (const auto& names : cases) EXPECT_EQ(SplitCommaText(JoinCommaText(names)), names) << JoinCommaText(names);
    EXPECT_EQ(JoinCommaText({"a b", "c"}), "\"a b\",c");
    EXPECT_EQ(SplitCommaText(" a ,, b\tc "), (std::vector<std::string>{"a", "b", "c"}));
}

TEST(TextHelpers, BracesLinesSplitLinesAndGroupNames) {
    for (const auto& [in, nested, out] : {std::tuple("x={{1},{2}} rest}", false, "{1"),
                                          std::tuple("x={ {1},{2} } rest", true, "{1},{2}"),
                                          std::tuple("}{", true, "")}) {
        std::string text = in;
        EXPECT_EQ(ExtractBraces(text, nested), *out != 0) << in;
        EXPECT_EQ(text, *out ? out : in);
    }

    EXPECT_EQ(NormalizeLineEnds("a\r\n\r\nb\rc\n"), "a\nb\nc\n");
    EXPECT_EQ(GroupOfName(" grp .a.b") + GroupOfName("nodot"), "grp");
    std::string_view cursor = "one\r\ntwo\n\nlast";
    std::vector<std::string> lines;
    while (!cursor.empty()) lines.emplace_back(NextLine(cursor));
    EXPECT_EQ(lines, (std::vector<std::string>{"one\r", "two", "", "last"}));
    EXPECT_EQ(SplitLines(""), std::vector<std::string>{});
    EXPECT_EQ(SplitLines("a\r\nb\n\nc\r\r\n"), (std::vector<std::string>{"a", "b", "", "c\r"}));
}

// Each row: text, start, syntax; what was read (sign magnitude/base, "!" for overflow, digits, end); the value held
// in the int32 range; whether the whole text is one number.
TEST(NumberText, BasesSignsLimitsAndJunk) {
    constexpr NumberSyntax dec{}, hex{.sign = true, .hex = true}, bare{.sign = false};
    const std::tuple<const char*, size_t, NumberSyntax, const char*, int64_t, bool> rows[] = {
        {"42", 0, dec, "+42/10 d2 e2", 42, true},
        {"-17x", 0, dec, "-17/10 d2 e3", -17, false},
        {"+0", 0, dec, "+0/10 d1 e2", 0, true},
        {"-", 0, dec, "-0/10 d0 e1", 0, false},
        {"", 0, dec, "+0/10 d0 e0", 0, false},
        {"ab12c", 2, dec, "+12/10 d2 e4", 12, false},
        {"-5", 0, bare, "+0/10 d0 e0", 0, false},
        {"0x1fG", 0, hex, "+31/16 d2 e4", 31, false},
        {"-0XFF", 0, hex, "-255/16 d2 e5", -255, true},
        {"0x", 0, hex, "+0/10 d1 e1", 0, false},  // "0x" alone is a 0 and a letter
        {"0xg", 0, hex, "+0/16 d0 e2", 0, false},
        {"0x10", 0, dec, "+0/10 d1 e1", 0, false},
        {"99999999999", 0, dec, "+99999999999/10 d11 e11", INT32_MAX, true},
        {"-2147483649", 0, dec, "-2147483649/10 d10 e11", INT32_MIN, true},
        {"18446744073709551615", 0, dec, "+18446744073709551615/10 d20 e20", INT32_MAX, true},
        {"-18446744073709551616", 0, dec, "-18446744073709551615/10! d20 e21", INT32_MIN, false},
        {"0x10000000000000000", 0, hex, "+18446744073709551615/16! d17 e19", INT32_MAX, false},
    };
    for (const auto& [text, pos, syntax, read, clamped, whole] : rows) {
        const NumberText n = ReadNumberText(text, pos, syntax);
        EXPECT_EQ(std::string(n.negative ? "-" : "+") + std::to_string(n.magnitude) + "/" + std::to_string(n.base) +
                      (n.overflow ? "!" : "") + " d" + std::to_string(n.digits) + " e" + std::to_string(n.end),
                  read)
            << text;
        EXPECT_EQ(n.Clamped(INT32_MIN, INT32_MAX), clamped) << text;
        NumberText again;
        EXPECT_EQ(IsWholeNumber(text, again, syntax), whole) << text;
    }
    // The ends of the 64-bit range, and a range that lies on one side of zero.
    for (const auto& [text, low, high, clamped] : {std::tuple("-9223372036854775808", INT64_MIN, INT64_MAX, INT64_MIN),
                                                   {"-9223372036854775809", INT64_MIN, INT64_MAX, INT64_MIN},
                                                   {"9223372036854775808", INT64_MIN, INT64_MAX, INT64_MAX},
                                                   {"-3", 1, 9, 1}, {"3", -9, -1, -1}})
        EXPECT_EQ(ReadNumberText(text).Clamped(low, high), clamped) << text;
}

TEST(AtomicFileWriter, AFailedWriteLeavesTheOldFileWholeAndNothingBehind) {
    test::TempDir dir;
    const std::string path = dir.File("out.txt");
    std::string data;
    ASSERT_TRUE(WriteFileAtomically(path, "old\r\n"));
    for (int k = 0; k < 5; ++k) {  // the last round fails nowhere
        AtomicFileWriter::FailWriteAfter(k < 4 ? k : -1);
        {
            AtomicFileWriter out(path);
            for (int i = 0; i < 3; ++i) out.Line("line " + std::to_string(i));
            EXPECT_EQ(out.Commit(), k == 4) << k;
        }
        AtomicFileWriter::FailWriteAfter(-1);
        EXPECT_TRUE(ReadWholeFile(path, data) && data == (k < 4 ? "old\r\n" : "line 0\r\nline 1\r\nline 2\r\n")) << k;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
    }
    // The new file keeps the old one's permissions; once saves are stopped (the tool's interrupt) none lands.
    namespace fs = std::filesystem;
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(WriteFileAtomically(path, "kept"));
    EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    AtomicFileWriter::StopAllSaves();
    EXPECT_FALSE(WriteFileAtomically(path, "stopped"));
    AtomicFileWriter::StopAllSaves(false);
    EXPECT_TRUE(ReadWholeFile(path, data) && data == "kept");
    AtomicFileWriter nowhere(dir.File("no/such/folder/x.txt"));
    nowhere.Line("x");
    EXPECT_FALSE(nowhere.Ok() || nowhere.Commit());
    EXPECT_FALSE(ReadWholeFile(dir.File("missing"), data) || ReadWholeFile(dir.Path().string(), data));
}

// Where a save lands: a link's target (the link stays), a device written in place, a name as long as the file
// system allows; nothing else is left in the folder.
TEST(AtomicFileWriter, LinksDevicesAndLongNames) {
    namespace fs = std::filesystem;
    test::TempDir dir;
    std::string data;
    fs::create_directory(dir.File("sub"));
    ASSERT_TRUE(WriteFileAtomically(dir.File("sub/real.txt"), "old"));
    fs::create_symlink("sub/real.txt", dir.File("rel"));
    fs::create_symlink(dir.File("rel"), dir.File("chain"));
    fs::create_symlink("sub/new.txt", dir.File("dangling"));
    for (const char* link : {"rel", "chain", "dangling"}) {
        EXPECT_TRUE(WriteFileAtomically(dir.File(link), link)) << link;
        EXPECT_TRUE(fs::is_symlink(dir.File(link))) << link;
        EXPECT_TRUE(ReadWholeFile(dir.File(link), data) && data == link) << link;
    }
    EXPECT_TRUE(ReadWholeFile(dir.File("sub/real.txt"), data) && data == "chain");

    EXPECT_TRUE(WriteFileAtomically("/dev/null", "x"));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_FALSE(WriteFileAtomically("/dev/full", "x")) << "a failed direct write is reported";
    // A pipe behind a link that names no path ("pipe:[n]", as /dev/stdout under a shell pipe) is written to.
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_NONBLOCK), 0);
    EXPECT_TRUE(WriteFileAtomically("/proc/self/fd/" + std::to_string(ends[1]), "piped"));
    char piped[8] = {};
    EXPECT_EQ(::read(ends[0], piped, sizeof piped), 5);
    ::close(ends[0]);
    ::close(ends[1]);
    const std::string longest(255, 'n');
    EXPECT_TRUE(WriteFileAtomically(dir.File(longest), "long"));
    EXPECT_TRUE(ReadWholeFile(dir.File(longest), data) && data == "long");

    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(dir.Path()))
        names.push_back(entry.path().lexically_relative(dir.Path()).string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"chain", "dangling", longest, "rel", "sub", "sub/new.txt",
                                               "sub/real.txt"}));
}

}  // namespace
}  // namespace vtq
