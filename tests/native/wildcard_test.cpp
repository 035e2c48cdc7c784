// File-name patterns of the catalogue search.
#include "core/wildcard.h"

#include <gtest/gtest.h>

#include <string>

namespace vkm {
namespace {

TEST(Wildcard, StarAndQuestionMark) {
    struct Row {
        const char* name;
        const char* mask;
        bool matches;
    } rows[] = {
        {"a.vkm", "*.vkm", true},
        {"a.b.vkm", "*.vkm", true},
        {".vkm", "*.vkm", true},
        {"a.vkmx", "*.vkm", false},
        {"a.vkm.bak", "*.vkm", false},
        {"vkm", "*.vkm", false},
        {"a.vk", "*.vkm", false},
        {"a.vkm", "?.vkm", true},
        {"ab.vkm", "?.vkm", false},
        {".vkm", "?.vkm", false},
        {"", "*", true},
        {"", "", true},
        {"a", "", false},
        {"", "?", false},
        {"aXbYc", "a*b*c", true},
        {"aXbY", "a*b*c", false},
        {"abc", "a**c", true},
        {"abcbc", "*bc", true},
        {"mississippi", "m*iss*p", false},
        {"mississippi", "m*iss*p?", true},
        {"mississippi", "m*x*", false},
        {"x.ini", "*.*", true},
        {"readme", "*", true},
    };
    for (const Row& r : rows)
        EXPECT_EQ(WildcardMask(r.mask).Matches(r.name), r.matches)
            << '"' << r.name << "\" against \"" << r.mask << '"';
}

TEST(Wildcard, LettersCompareWithoutRegardToCase) {
    EXPECT_TRUE(WildcardMask("*.vkm").Matches("LINE.VKM"));
    EXPECT_TRUE(WildcardMask("*.VKM").Matches("line.Vkm"));
    EXPECT_TRUE(WildcardMask("a?C.*").Matches("Abc.vkm"));
    // Non-ASCII letters (UTF-8 names) fold as Windows folds file names.
    EXPECT_TRUE(WildcardMask(u8"čáslav.*").Matches(u8"ČÁSLAV.vkm"));
    EXPECT_TRUE(WildcardMask(u8"ŽĎÁR.vkm").Matches(u8"žďár.VKM"));
    EXPECT_TRUE(WildcardMask("*.vkm").Matches(u8"Trať Praha–Kolín.vkm"));
    EXPECT_FALSE(WildcardMask("Trat.vkm").Matches(u8"Trať.vkm"));
    // "?" takes one character, also one written with several UTF-8 bytes.
    EXPECT_TRUE(WildcardMask("?.vkm").Matches(u8"ř.vkm"));
    EXPECT_FALSE(WildcardMask("?.vkm").Matches(u8"řř.vkm"));
}

TEST(Wildcard, ManyStarsStayFast) {
    // Backtracking to the last star only: this would take ages with naive recursion.
    std::string name(4000, 'a');
    EXPECT_FALSE(WildcardMask("*a*a*a*a*a*a*a*a*a*a*a*a*b").Matches(name));
    EXPECT_TRUE(WildcardMask("*a*a*a*a*a*a*a*a*a*a*a*a*b").Matches(name + "b"));
}

TEST(Wildcard, OneMaskServesManyNames) {
    const WildcardMask mask("*.vkm");
    EXPECT_TRUE(mask.Matches("a.vkm"));
    EXPECT_TRUE(mask.Matches(u8"Kolín.VKM"));
    EXPECT_FALSE(mask.Matches("a.wav"));
    EXPECT_TRUE(mask.Matches("b.vkm"));
}

}  // namespace
}  // namespace vkm
