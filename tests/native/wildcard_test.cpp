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
        EXPECT_EQ(MatchesMask(r.name, r.mask), r.matches)
            << '"' << r.name << "\" against \"" << r.mask << '"';
}

TEST(Wildcard, LettersCompareWithoutRegardToCase) {
    EXPECT_TRUE(MatchesMask("LINE.VKM", "*.vkm"));
    EXPECT_TRUE(MatchesMask("line.Vkm", "*.VKM"));
    EXPECT_TRUE(MatchesMask("Abc.vkm", "a?C.*"));
    // Non-ASCII letters (UTF-8 names) fold as Windows folds file names.
    EXPECT_TRUE(MatchesMask(u8"ČÁSLAV.vkm", u8"čáslav.*"));
    EXPECT_TRUE(MatchesMask(u8"žďár.VKM", u8"ŽĎÁR.vkm"));
    EXPECT_TRUE(MatchesMask(u8"Trať Praha–Kolín.vkm", "*.vkm"));
    EXPECT_FALSE(MatchesMask(u8"Trať.vkm", "Trat.vkm"));
    // "?" takes one character, also one written with several UTF-8 bytes.
    EXPECT_TRUE(MatchesMask(u8"ř.vkm", "?.vkm"));
    EXPECT_FALSE(MatchesMask(u8"řř.vkm", "?.vkm"));
}

TEST(Wildcard, ManyStarsStayFast) {
    // Backtracking to the last star only: this would take ages with naive recursion.
    std::string name(4000, 'a');
    EXPECT_FALSE(MatchesMask(name, "*a*a*a*a*a*a*a*a*a*a*a*a*b"));
    EXPECT_TRUE(MatchesMask(name + "b", "*a*a*a*a*a*a*a*a*a*a*a*a*b"));
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
