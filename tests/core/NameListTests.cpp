#include "core/NameList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

TEST(NameList, KeepsNamesInOrderIncludingEmptyOnes)
{
    TNameList list;
    EXPECT_TRUE(list.Empty());
    EXPECT_EQ(list.begin(), list.end());
    list.Append("first.com");
    list.Append("");
    list.AppendDomain("stem", "net");
    list.Append(std::string("nul\0byte", 8));
    ASSERT_EQ(list.Count(), 4u);
    EXPECT_EQ(list[0], "first.com");
    EXPECT_EQ(list[1], "");
    EXPECT_EQ(list.String(2), "stem.net");
    EXPECT_EQ(list.String(3), std::string("nul\0byte", 8));
    const std::vector<std::string> expected = {"first.com", "", "stem.net", std::string("nul\0byte", 8)};
    EXPECT_EQ(list.ToVector(), expected);
    std::vector<std::string> iterated;
    for (const std::string_view name : list)
        iterated.emplace_back(name);
    EXPECT_EQ(iterated, expected);
    EXPECT_EQ(std::distance(list.begin(), list.end()), 4);
    EXPECT_EQ(list.TextBytes(), 9u + 8u + 8u);
}

} // namespace
