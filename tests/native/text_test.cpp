#include "core/text.h"

#include <gtest/gtest.h>

#include "core/path.h"

namespace vkm {
namespace {

TEST(GetField, FollowsTheFieldTable) {
    struct Row {
        const char* s;
        int n;
        const char* expected;
    } rows[] = {
        {"a,b,c", 1, "a"}, {"a,b,c", 2, "b"}, {"a,b,c", 3, "c"}, {"a,b,c", 4, "c"}, {"a,b,", 3, ""},
        {"abc", 1, "abc"}, {"abc", 5, "abc"}, {",x,", 1, ""},    {"", 1, ""},       {"", 7, ""},
    };
    for (const Row& r : rows) EXPECT_EQ(GetField(r.s, r.n, ","), r.expected) << r.s << " field " << r.n;
}

TEST(GetField, EqualsSeparatorCases) {
    EXPECT_EQ(GetField("k=a=b", 2, "="), "a");
    EXPECT_EQ(GetField("=x", 2, "="), "x");
    EXPECT_EQ(GetField("k=a=", 2, "="), "a");
}

TEST(GetField, FieldNumbersDoNotWrapAt255) {
    std::string list;
    for (int i = 1; i <= 300; ++i) list += "n" + std::to_string(i) + ",";
    EXPECT_EQ(GetField(list, 256, ","), "n256");
    EXPECT_EQ(GetField(list, 300, ","), "n300");
    EXPECT_EQ(GetField(list, 301, ","), "");  // the remainder after the final comma
}

TEST(GetField, MultiCharacterSeparator) {
    EXPECT_EQ(GetField("a::b::c", 2, "::"), "b");
    EXPECT_EQ(GetField("a::b::c", 9, "::"), "c");
}

TEST(IncludeBackslash, AddsOneOnlyWhereMissing) {
    EXPECT_EQ(IncludeBackslash("C:\\lines"), "C:\\lines\\");
    EXPECT_EQ(IncludeBackslash("C:\\lines\\"), "C:\\lines\\");
    EXPECT_EQ(IncludeBackslash(""), "");
}

TEST(ExtractFilePath, EndsAtTheLastBackslashOrColon) {
    EXPECT_EQ(ExtractFilePath("C:\\a\\b\\line.vkm"), "C:\\a\\b\\");
    EXPECT_EQ(ExtractFilePath("C:line.vkm"), "C:");
    EXPECT_EQ(ExtractFilePath("line.vkm"), "");
    EXPECT_EQ(ExtractFileName("C:\\a\\line.vkm"), "line.vkm");
}

TEST(NormalizePath, ResolvesDotsAsWindowsDoesNeverAboveTheRoot) {
    const std::pair<const char*, const char*> rows[] = {
        {"C:\\l\\a\\b\\..\\..\\A.wav", "C:\\l\\A.wav"},
        {"C:\\..\\..\\x.wav", "C:\\x.wav"},
        {"\\\\server\\share\\..\\..\\x.wav", "\\\\server\\share\\x.wav"},
        {"/tmp/l/a/../b.wav", "/tmp/l/b.wav"},
        {"..\\a\\..\\b.wav", "..\\b.wav"},
    };
    for (const auto& [path, resolved] : rows) EXPECT_EQ(NormalizePath(path), resolved) << path;
}

}  // namespace
}  // namespace vkm
