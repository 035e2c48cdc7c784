// The string list: index errors with their message, and lookup by name.
#include "core/string_list.h"

#include <gtest/gtest.h>

namespace vkm {
namespace {

TEST(StringList, IndexOutsideTheListRaisesTheListError) {
    StringList list;
    list.Add("a=1");
    list.Add("b");
    for (long long bad : {-1LL, 2LL, 1LL << 40}) {
        try {
            (void)list.Get(bad);
            ADD_FAILURE() << "no error for " << bad;
        } catch (const ListIndexError& e) {
            EXPECT_EQ(e.index(), bad);
            EXPECT_EQ(std::string(e.what()), "List index out of bounds (" + std::to_string(bad) + ")");
        }
        EXPECT_THROW(list.Put(bad, "x"), ListIndexError);
        EXPECT_THROW(list.Delete(bad), ListIndexError);
    }
    EXPECT_THROW((void)StringList().Get(0), ListIndexError);
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"a=1", "b"}));  // nothing changed
}

TEST(StringList, NamesCompareBeforeTheFirstEqualsWithoutRegardToCase) {
    StringList list;
    for (const char* s : {"plain", "Žluť=1", "x=a=b", "=empty name", "žluť=2"}) list.Add(s);
    EXPECT_EQ(list.IndexOfName("ŽLUŤ"), 1);
    EXPECT_EQ(list.IndexOfName("x"), 2);
    EXPECT_EQ(list.IndexOfName("x=a"), -1);
    EXPECT_EQ(list.IndexOfName(""), 3);
    EXPECT_EQ(list.IndexOfName("plain"), -1);  // an entry without "=" has no name
    EXPECT_EQ(list.IndexOfName("zlut"), -1);
}

}  // namespace
}  // namespace vkm
