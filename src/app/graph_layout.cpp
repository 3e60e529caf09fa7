#include "app/graph_layout.h"

#include <algorithm>
#include <cmath>

#include "portfolio/grid_format.h"
#include "settings/setting_keys.h"
#include "store/encodings.h"

namespace ticksmith::app {

namespace {

constexpr int kPaletteEntries = 8;

// Room the plot leaves right of it for the price labels, and above and below it.
constexpr int kLabelColumn = 70;
constexpr int kLabelRows = 25;
// The axes' left end and the bottom axis's height; the first bar stands one spacing inside.
constexpr int kAxisLeft = 5;
constexpr int kAxisBottom = 10;
constexpr int kTopMargin = 15;
// Labels hang from this far below the top.
constexpr int kTextTop = 3;
// The newest date is left out while it would run into the title.
constexpr int kDateLabelMinX = 100;
constexpr int kMonthMarkWidth = 3;
constexpr int kTickLength = 2;
// Ranges of the last close (as a share of the price range) beyond which the close label would
// cover the high or the low label.
constexpr double kHighLabelBelow = 0.95;
constexpr double kLowLabelAbove = 0.05;

// A price that the chart cannot place (damaged data) stays within a few heights of it, so that
// converting it to a pixel is defined.
int Pixels(double value, int height) {
    const double limit = 4.0 * std::max(height, 1);
    if (!std::isfinite(value)) {
        return 0;
    }
    return static_cast<int>(std::clamp(value, -limit, limit));
}

std::string Padded(std::string text, std::size_t width) {
    if (text.size() < width) {
        text.insert(0, width - text.size(), ' ');
    }
    return text;
}

// "%6.2f" in the C locale.
std::string PriceText(float value) {
    return Padded(portfolio::FixedText(static_cast<double>(value), 2), 6);
}

int MonthOf(store::DayNumber day) {
    return store::YmdFromDayNumber(day).month;
}

// Drawing in the chart's own units (origin bottom-left, y upwards), turned into the widget's
// pixels. Lines follow the rule that a line's end point is not drawn.
class Canvas {
  public:
    Canvas(GraphLayout& layout) : m_layout(layout) {}

    int Row(int y) const { return m_layout.height - 1 - y; }

    void Fill(int x, int y, int width, int height, GraphRole role) {
        if (width > 0 && height > 0) {
            m_layout.rects.push_back({x, y, width, height, role});
        }
    }
    void Vertical(int x, int from, int to, GraphRole role, int width = 1) {
        const int left = x - (width - 1) / 2;
        if (to > from) {
            Fill(left, Row(to - 1), width, to - from, role);
        } else if (to < from) {
            Fill(left, Row(from), width, from - to, role);
        }
    }
    void Horizontal(int from, int to, int y, GraphRole role) {
        Fill(std::min(from, to), Row(y), std::abs(to - from), 1, role);
    }
    // Text whose top stands at `y`, or whose base line does.
    void Text(std::string text, int x, int y, bool rightAligned, bool baseline, GraphRole role) {
        m_layout.labels.push_back({std::move(text), x, Row(y), rightAligned, baseline, role});
    }

  private:
    GraphLayout& m_layout;
};

}  // namespace

Rgb GraphPaletteColour(int entry) {
    entry = std::clamp(entry, 0, kPaletteEntries - 1);
    return {(entry & 4) != 0 ? 255 : 0, (entry & 2) != 0 ? 255 : 0, (entry & 1) != 0 ? 255 : 0};
}

GraphColours ReadGraphColours(const settings::SettingsStore& store) {
    namespace keys = settings::keys;
    static constexpr std::array<const settings::IntSetting*, kGraphRoles> kRoles = {
        &keys::kGraphBackground, &keys::kGraphAxes,       &keys::kGraphHighLowBar,
        &keys::kGraphCloseTick,  &keys::kGraphNormalText, &keys::kGraphTitleText,
        &keys::kGraphVolume};
    GraphColours colours;
    for (std::size_t role = 0; role < kRoles.size(); ++role) {
        const int entry = settings::Read(store, *kRoles[role]);
        if (entry >= 0 && entry < kPaletteEntries) {
            colours.entry[role] = entry;
        }
    }
    return colours;
}

GraphSeries MakeGraphSeries(std::string symbol, std::string name, std::vector<store::Quote> quotes,
                            const store::FieldLayout& layout) {
    GraphSeries series{std::move(symbol), std::move(name), std::move(quotes),
                       layout.Has(store::kVolume)};
    const bool hasHigh = layout.Has(store::kHigh);
    const bool hasLow = layout.Has(store::kLow);
    for (store::Quote& quote : series.quotes) {
        if (!hasHigh) {
            quote.high = quote.close;
        }
        if (!hasLow) {
            quote.low = quote.close;
        }
        if (!series.hasVolume) {
            quote.volume = 0.0f;
        }
    }
    return series;
}

GraphSeries ReadGraphSeries(const std::filesystem::path& dataDir, std::string_view symbol,
                            std::string_view name) {
    store::QuoteSeries read;
    if (symbol.empty() || store::AllocSeries(read, kGraphWindowQuotes) != store::kSuccess ||
        store::ReadSeries(read, dataDir, symbol, -1, kGraphWindowQuotes) != store::kSuccess) {
        return {std::string(symbol), std::string(name), {}, false};
    }
    read.quotes.resize(static_cast<std::size_t>(read.count));
    return MakeGraphSeries(std::string(symbol), std::string(name), std::move(read.quotes),
                           read.layout);
}

GraphLayout ComputeGraphLayout(const GraphSeries& series, int width, int height) {
    GraphLayout layout;
    layout.width = std::max(width, 0);
    layout.height = std::max(height, 0);
    if (layout.width == 0 || layout.height == 0) {
        return layout;
    }
    Canvas canvas(layout);
    const int w = layout.width;
    const int h = layout.height;
    canvas.Fill(0, 0, w, h, GraphRole::kBackground);

    const int P = w - kLabelColumn;
    const int Q = h - kLabelRows;
    const int Hp = static_cast<int>(Q * 0.8);
    const int Hv = Q - Hp;
    const int T = h - 1 - kTopMargin;
    layout.plotWidth = P;
    layout.plotHeight = Q;
    layout.pricePaneHeight = Hp;
    layout.volumePaneHeight = Hv;
    canvas.Horizontal(kAxisLeft, P + kAxisLeft, kAxisBottom, GraphRole::kAxes);
    canvas.Horizontal(kAxisLeft, P + kAxisLeft, T - Hp, GraphRole::kAxes);
    canvas.Vertical(P + kAxisLeft, kAxisBottom, T, GraphRole::kAxes);

    const std::vector<store::Quote>& quotes = series.quotes;
    const int n = static_cast<int>(quotes.size());
    const int B = P / kBarSpacing;
    // An area too small for one bar or for a price pane shows only its frame.
    if (n == 0 || B < 1 || Hp <= 0) {
        return layout;
    }
    const int F = std::clamp(n - B + 1, 0, n - 1);
    const int scaleEnd = std::min(F + B - 1, n - 1);
    const auto at = [&](int i) -> const store::Quote& {
        return quotes[static_cast<std::size_t>(i)];
    };
    const auto volumeOf = [&](int i) { return std::max(at(i).volume, 0.0f); };

    float hi = at(F).high;
    float lo = at(F).low;
    float vmax = volumeOf(F);
    for (int i = F + 1; i <= scaleEnd; ++i) {
        if (at(i).low != 0 && at(i).high != 0 && at(i).close != 0) {
            lo = at(i).low;
            break;
        }
    }
    for (int i = F + 1; i <= scaleEnd; ++i) {
        if (at(i).high != 0 && at(i).high < 100 * lo && at(i).low != 0 && at(i).close != 0) {
            hi = at(i).high;
            break;
        }
    }
    for (int i = F + 1; i <= scaleEnd; ++i) {
        hi = std::max(hi, at(i).high);
        lo = std::min(lo, at(i).low);
        vmax = std::max(vmax, volumeOf(i));
    }
    layout.high = hi;
    layout.low = lo;
    layout.maxVolume = vmax;
    const double range = static_cast<double>(hi) - static_cast<double>(lo);
    // Equal prices have no scale: they stand as a flat line in the middle of the pane.
    const auto share = [&](float value) {
        return range > 0 ? (static_cast<double>(value) - lo) / range : 0.5;
    };
    const auto yp = [&](float value) { return Hv + kAxisBottom + Pixels(share(value) * Hp, h); };

    int x = kBarSpacing + kAxisLeft;
    for (int i = F;; ++i, x += kBarSpacing) {
        const store::Quote& quote = at(i);
        canvas.Vertical(x, yp(quote.low), yp(quote.high) + 1, GraphRole::kHighLowBar);
        canvas.Horizontal(x, x + kTickLength, yp(quote.close), GraphRole::kCloseTick);
        if (vmax > 0) {
            const int k = Pixels(static_cast<double>(volumeOf(i)) / vmax * Hv, h);
            if (k != 0) {
                canvas.Vertical(x, kAxisBottom + 2, k + kAxisBottom - 1, GraphRole::kVolume);
            }
        }
        if (i > 0 && MonthOf(quote.date) != MonthOf(at(i - 1).date)) {
            canvas.Vertical(x, 0, kAxisBottom, GraphRole::kAxes, kMonthMarkWidth);
        }
        layout.lastBar = i;
        layout.lastX = x;
        if (!(i + 1 < n && x + kBarSpacing < P + kAxisLeft)) {
            break;
        }
    }
    layout.firstBar = F;

    const store::Quote& last = at(layout.lastBar);
    const int xL = layout.lastX;
    const int top = h - kTextTop;
    if (xL > kDateLabelMinX) {
        canvas.Text(store::FormatDateText(last.date, store::kDateFormatMmDdYy, '/'), xL, top, true,
                    false, GraphRole::kNormalText);
    }
    canvas.Text(PriceText(last.close), P + 7, Hv + 7 + Pixels(share(last.close) * Hp, h), false,
                true, GraphRole::kCloseTick);
    // Without a range the close label says it all.
    if (range > 0) {
        const double z = share(last.close);
        if (z < kHighLabelBelow) {
            canvas.Text(PriceText(hi), P + 7, top, false, false, GraphRole::kNormalText);
        }
        if (z > kLowLabelAbove) {
            canvas.Text(PriceText(lo), P + 7, Hv + kAxisBottom, false, true,
                        GraphRole::kNormalText);
        }
    }
    if (series.hasVolume) {
        canvas.Text(Padded(portfolio::WholeNumberText(static_cast<double>(vmax)), 3), P + 10,
                    Hv + kAxisBottom, false, false, GraphRole::kNormalText);
    }
    canvas.Text(series.symbol, P / 2 - 5, top, true, false, GraphRole::kTitleText);
    canvas.Text(series.name, P / 2, top, false, false, GraphRole::kTitleText);
    return layout;
}

}  // namespace ticksmith::app
