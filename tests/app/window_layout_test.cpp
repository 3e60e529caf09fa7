#include <gtest/gtest.h>

#include "settings/setting_keys.h"
#include "settings/settings_store.h"
#include "settings/window_layout.h"

namespace ticksmith::settings {
namespace {

const WindowRect kScreen{0, 0, 1920, 1040};

TEST(WindowPlacement, AStoredRectangleIsUsedOnlyWhenItFitsTheScreenItLandsOn) {
    EXPECT_EQ(UsablePlacement({10, 20, 1000, 700}, kScreen), (WindowRect{10, 20, 1000, 700}));
    // Edges count as inside.
    EXPECT_TRUE(UsablePlacement({1920, 1040, 1920, 1040}, kScreen));
    for (const WindowRect& stored :
         {WindowRect{0, 0, 0, 700}, WindowRect{0, 0, 800, 0}, WindowRect{-1, 0, 800, 600},
          WindowRect{0, -1, 800, 600}, WindowRect{0, 0, 1921, 600}, WindowRect{0, 0, 800, 1041},
          WindowRect{1921, 0, 800, 600}, WindowRect{0, 1041, 800, 600}}) {
        EXPECT_FALSE(UsablePlacement(stored, kScreen))
            << stored.x << "," << stored.y << " " << stored.width << "x" << stored.height;
    }
    // A second screen to the left of the first has negative coordinates of its own.
    const WindowRect left{-1280, 0, 1280, 1000};
    EXPECT_TRUE(UsablePlacement({-1200, 10, 1000, 700}, left));
    EXPECT_FALSE(UsablePlacement({-1200, 10, 1000, 700}, kScreen));
}

TEST(WindowPlacement, TheDefaultIsCentredAtTheTopAndRecordingKeepsItOnTheScreen) {
    EXPECT_EQ(DefaultPlacement(1001, 300, kScreen), (WindowRect{459, 0, 1001, 500}));
    EXPECT_EQ(DefaultPlacement(1000, 300, {-1280, 40, 1280, 1000}),
              (WindowRect{-1140, 40, 1000, 500}));

    MemorySettingsStore store;
    WritePlacement(store, {-30, -5, 2500, 2000}, kScreen);
    EXPECT_EQ(ReadPlacement(store), (WindowRect{0, 0, 1920, 1040}));
    EXPECT_EQ(store.ReadString("Screen", "cx", ""), "1920");
}

TEST(ColumnWidths, StoredWidthsAreUsedOnlyWhenEachAndAllFitTheGrid) {
    MemorySettingsStore store;
    // Nothing stored: 9/70 of the grid each.
    EXPECT_EQ(ReadColumnWidths(store, keys::kQuoteGridSection, 7, 700, kQuoteColumnDivisor),
              std::vector<int>(7, 90));
    WriteColumnWidths(store, keys::kSymbolGridSection, {100, 150, 50});
    EXPECT_EQ(ReadColumnWidths(store, keys::kSymbolGridSection, 3, 300, kSymbolColumnDivisor),
              (std::vector<int>{100, 150, 50}));
    // One pixel over the grid in sum: every column takes the default.
    EXPECT_EQ(ReadColumnWidths(store, keys::kSymbolGridSection, 3, 299, kSymbolColumnDivisor),
              std::vector<int>(3, 89));
    WriteColumnWidths(store, keys::kSymbolGridSection, {0, 150, 50});
    EXPECT_EQ(ReadColumnWidths(store, keys::kSymbolGridSection, 3, 300, kSymbolColumnDivisor),
              std::vector<int>(3, 90));
    store.WriteString(keys::kSymbolGridSection, "col0", "wide");
    EXPECT_EQ(ReadColumnWidths(store, keys::kSymbolGridSection, 3, 300, kSymbolColumnDivisor),
              std::vector<int>(3, 90));
}

}  // namespace
}  // namespace ticksmith::settings
