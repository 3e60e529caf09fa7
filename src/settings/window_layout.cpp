#include "settings/window_layout.h"

#include <algorithm>
#include <string>

#include "settings/setting_keys.h"

namespace ticksmith::settings {

namespace {

std::string ColumnValue(int column) {
    return "col" + std::to_string(column);
}

}  // namespace

WindowRect ReadPlacement(const SettingsStore& store) {
    return {Read(store, keys::kScreenX), Read(store, keys::kScreenY),
            Read(store, keys::kScreenWidth), Read(store, keys::kScreenHeight)};
}

std::optional<WindowRect> UsablePlacement(const WindowRect& stored, const WindowRect& workArea) {
    const bool fits = stored.width > 0 && stored.height > 0 && stored.x >= workArea.x &&
                      stored.y >= workArea.y && stored.width <= workArea.width &&
                      stored.height <= workArea.height && stored.x <= workArea.x + workArea.width &&
                      stored.y <= workArea.y + workArea.height;
    return fits ? std::optional<WindowRect>(stored) : std::nullopt;
}

WindowRect DefaultPlacement(int frameWidth, int formHeight, const WindowRect& workArea) {
    return {workArea.x + (workArea.width - frameWidth) / 2, workArea.y, frameWidth,
            formHeight + 200};
}

void WritePlacement(SettingsStore& store, const WindowRect& placement, const WindowRect& workArea) {
    Write(store, keys::kScreenX, std::max(placement.x, workArea.x));
    Write(store, keys::kScreenY, std::max(placement.y, workArea.y));
    Write(store, keys::kScreenWidth, std::min(placement.width, workArea.width));
    Write(store, keys::kScreenHeight, std::min(placement.height, workArea.height));
}

std::vector<int> ReadColumnWidths(const SettingsStore& store, std::string_view section, int columns,
                                  int gridWidth, int divisor) {
    std::vector<int> widths;
    long long sum = 0;
    bool usable = true;
    for (int column = 0; column < columns; ++column) {
        const int width = store.ReadInt(section, ColumnValue(column), 0);
        usable = usable && width >= 1 && width <= gridWidth;
        sum += width;
        widths.push_back(width);
    }
    if (!usable || sum > gridWidth) {
        widths.assign(static_cast<std::size_t>(columns), gridWidth * 9 / divisor);
    }
    return widths;
}

void WriteColumnWidths(SettingsStore& store, std::string_view section,
                       const std::vector<int>& widths) {
    for (std::size_t column = 0; column < widths.size(); ++column) {
        store.WriteInt(section, ColumnValue(static_cast<int>(column)), widths[column]);
    }
}

}  // namespace ticksmith::settings
