#include <gtest/gtest.h>

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "text/columns.h"

namespace ticksmith::text {
namespace {

TEST(SplitColumnsTest, SkipsRepeatedDelimitersAndStopsAtTwentyColumns) {
    EXPECT_EQ(SplitColumns(",,A,,B,", ','), (std::vector<std::string_view>{"A", "B"}));
    EXPECT_TRUE(SplitColumns(",,,", ',').empty());

    std::string line;
    for (int i = 1; i <= 25; ++i) {
        line += std::to_string(i) + ' ';
    }
    const auto columns = SplitColumns(line, ' ');
    ASSERT_EQ(columns.size(), 20u);
    EXPECT_EQ(columns.back(), "20");
}

TEST(SplitColumnsTest, FillsOnlyAsManySlotsAsTheLineHas) {
    // The import keeps a short line's missing columns from the line before.
    std::array<std::string_view, 4> slots{"a", "b", "c", "d"};
    EXPECT_EQ(SplitColumns("x;y", ';', slots), 2u);
    EXPECT_EQ(slots, (std::array<std::string_view, 4>{"x", "y", "c", "d"}));
}

TEST(ScanNumberTest, ReadsTheLeadingNumberLikeScanf) {
    EXPECT_EQ(ScanNumber(" \t+12.5abc"), 12.5f);
    EXPECT_EQ(ScanNumber("-3e2"), -300.0f);
    EXPECT_EQ(ScanNumber("N/A"), 0.0f);
    EXPECT_EQ(ScanNumber(""), 0.0f);
    EXPECT_EQ(ScanNumber("1e999"), 0.0f);
    EXPECT_EQ(ScanNumber("inf"), 0.0f);
}

}  // namespace
}  // namespace ticksmith::text
