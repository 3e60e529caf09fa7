#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings_store.h"
#include "store/quotes.h"

namespace ticksmith::app {

// The price graph's arithmetic, apart from any painting: which quotes are drawn, where, in
// which colour role, and where the labels stand. The widget paints what it returns.

// The chart shows at most this many of the newest quotes, one column of kBarSpacing pixels
// each.
inline constexpr int kGraphWindowQuotes = 250;
inline constexpr int kBarSpacing = 3;

enum class GraphRole : int {
    kBackground,
    kAxes,
    kHighLowBar,
    kCloseTick,
    kNormalText,
    kTitleText,
    kVolume,
};
inline constexpr int kGraphRoles = 7;

// Entry i of the eight-colour table is 4r + 2g + b with each component 0 or 255.
struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;
    bool operator==(const Rgb&) const = default;
};
Rgb GraphPaletteColour(int entry);

// Each role's entry of the colour table.
struct GraphColours {
    std::array<int, kGraphRoles> entry{0, 7, 2, 3, 7, 3, 4};

    Rgb Of(GraphRole role) const {
        return GraphPaletteColour(entry[static_cast<std::size_t>(role)]);
    }
};
// The stored roles; an entry outside the table keeps its role's default.
GraphColours ReadGraphColours(const settings::SettingsStore& store);

// The newest quotes of a symbol, oldest first, with absent fields already made harmless: a
// series without high or low uses its close there, one without volume has volume 0.
struct GraphSeries {
    std::string symbol;
    std::string name;
    std::vector<store::Quote> quotes;
    bool hasVolume = false;
};
// The newest kGraphWindowQuotes quotes of `symbol`; no quotes when it cannot be read.
GraphSeries ReadGraphSeries(const std::filesystem::path& dataDir, std::string_view symbol,
                            std::string_view name);
// The quotes as read, with absent fields made harmless as GraphSeries says.
GraphSeries MakeGraphSeries(std::string symbol, std::string name, std::vector<store::Quote> quotes,
                            const store::FieldLayout& layout);

// A filled rectangle in widget pixels: origin top-left, y growing downwards.
struct GraphRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    GraphRole role = GraphRole::kAxes;

    bool Contains(int px, int py) const {
        return px >= x && px < x + width && py >= y && py < y + height;
    }
};

struct GraphLabel {
    std::string text;
    int x = 0;                  // widget pixels
    int y = 0;                  // the text's top, or its base line
    bool rightAligned = false;  // x is where the text ends rather than where it starts
    bool baseline = false;      // y is the base line rather than the top
    GraphRole role = GraphRole::kNormalText;
};

struct GraphLayout {
    int width = 0;
    int height = 0;
    int plotWidth = 0;         // P
    int plotHeight = 0;        // Q
    int pricePaneHeight = 0;   // Hp
    int volumePaneHeight = 0;  // Hv
    // The quotes drawn, as indices of the series; none when lastBar < firstBar.
    int firstBar = 0;
    int lastBar = -1;
    int lastX = 0;  // of the last bar, in the chart's own units (from the left, 8 first)
    float high = 0;
    float low = 0;
    float maxVolume = 0;
    // In painting order: axes, then per quote its bar, tick, volume and month mark.
    std::vector<GraphRect> rects;
    std::vector<GraphLabel> labels;

    int Bars() const { return lastBar - firstBar + 1; }
};

// The chart of `series` in an area of `width` x `height` pixels.
GraphLayout ComputeGraphLayout(const GraphSeries& series, int width, int height);

}  // namespace ticksmith::app
