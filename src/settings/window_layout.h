#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "settings/settings_store.h"

namespace ticksmith::settings {

// The main window's stored placement and the grids' column widths, and the rules that decide
// whether what is stored still fits the screen. Sizes are in the window system's pixels.

struct WindowRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const WindowRect&) const = default;
};

// The stored placement ("Screen"/"x", "y", "cx", "cy"), 0 each by default.
WindowRect ReadPlacement(const SettingsStore& store);

// The stored placement when it fits the work area of the screen it lands on: a positive size
// no larger than the area, and a top-left corner inside it. Nothing otherwise.
std::optional<WindowRect> UsablePlacement(const WindowRect& stored, const WindowRect& workArea);

// The first start's placement: the frame's width centred on the work area, at its top, as tall
// as the form plus 200 pixels.
WindowRect DefaultPlacement(int frameWidth, int formHeight, const WindowRect& workArea);

// Records a moved or resized window: the corner raised into the work area, the size lowered to
// it.
void WritePlacement(SettingsStore& store, const WindowRect& placement, const WindowRect& workArea);

inline constexpr int kSymbolColumnDivisor = 30;
inline constexpr int kQuoteColumnDivisor = 70;

// A grid's column widths: the stored ones when each lies between 1 and the grid's width and
// together they fit it; otherwise every column takes gridWidth * 9 / divisor.
std::vector<int> ReadColumnWidths(const SettingsStore& store, std::string_view section, int columns,
                                  int gridWidth, int divisor);
void WriteColumnWidths(SettingsStore& store, std::string_view section,
                       const std::vector<int>& widths);

}  // namespace ticksmith::settings
