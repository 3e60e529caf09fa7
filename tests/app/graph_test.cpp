#include <gtest/gtest.h>

#include <QAction>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <algorithm>
#include <cmath>

#include "app/graph_layout.h"
#include "app/graph_widget.h"
#include "store/encodings.h"
#include "window_support.h"

namespace ticksmith::test {
namespace {

using app::ComputeGraphLayout;
using app::GraphLayout;
using app::GraphRole;
using app::GraphSeries;

// The chart area of the worked example: P = 600, B = 200; Q = 300, Hp = 240, Hv = 60, T = 309.
constexpr int kWidth = 670;
constexpr int kHeight = 325;
constexpr int kPricePane = 240;
constexpr int kVolumePane = 60;
constexpr int kSeparator = 309 - kPricePane;

const QColor kBlack(0, 0, 0);
const QColor kWhite(255, 255, 255);
const QColor kGreen(0, 255, 0);
const QColor kCyan(0, 255, 255);
const QColor kRed(255, 0, 0);

// Daily quotes from 1 January 2000: lows cycle through 10 to 29, each bar 2 high with the close
// in its middle, volumes 100 to 1000.
store::Quote GraphQuote(int i) {
    store::Quote quote;
    quote.date = static_cast<store::DayNumber>(store::DayNumberFromYmd(100, 1, 1) + i);
    quote.low = 10.0f + static_cast<float>(i % 20);
    quote.open = quote.low;
    quote.high = quote.low + 2.0f;
    quote.close = quote.low + 1.0f;
    quote.volume = 100.0f * static_cast<float>(i % 10 + 1);
    quote.openInterest = 0.0f;
    return quote;
}

std::vector<store::Quote> GraphQuotes(int count) {
    std::vector<store::Quote> quotes;
    for (int i = 0; i < count; ++i) {
        quotes.push_back(GraphQuote(i));
    }
    return quotes;
}

GraphSeries Series(std::vector<store::Quote> quotes,
                   const store::FieldSet& fields = store::kStandardFields) {
    return app::MakeGraphSeries("MSFT", "MICROSOFT CORP", std::move(quotes),
                                store::LayoutOf(fields));
}

// The chart's own units to the image's rows: y grows upwards from the bottom row.
int Row(int y) {
    return kHeight - 1 - y;
}

// Where the chart puts a price of the example window (low 10, high 31).
int PriceY(double value) {
    return kVolumePane + 10 + static_cast<int>((value - 10.0) / 21.0 * kPricePane);
}

// Bar x of quote i in the 250-quote example, whose first drawn quote is 51.
int BarX(int i) {
    return 8 + 3 * (i - 51);
}

QImage Render(const GraphSeries& series, const app::GraphColours& colours = {}) {
    app::GraphWidget widget;
    widget.resize(kWidth, kHeight);
    widget.SetSeries(series, colours);
    QImage image = widget.grab().toImage();
    EXPECT_EQ(image.devicePixelRatio(), 1.0);
    EXPECT_EQ(image.size(), QSize(kWidth, kHeight));
    return image;
}

QColor At(const QImage& image, int x, int row) {
    return image.pixelColor(x, row);
}

// Text is smoothed: a glyph has pixels of nearly its full colour.
bool AnyPixelNear(const QImage& image, const QRect& area, const QColor& colour) {
    for (int y = std::max(area.top(), 0); y <= std::min(area.bottom(), image.height() - 1); ++y) {
        for (int x = std::max(area.left(), 0); x <= std::min(area.right(), image.width() - 1);
             ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (std::abs(pixel.red() - colour.red()) < 60 &&
                std::abs(pixel.green() - colour.green()) < 60 &&
                std::abs(pixel.blue() - colour.blue()) < 60) {
                return true;
            }
        }
    }
    return false;
}

const app::GraphLabel* LabelWithText(const GraphLayout& layout, const std::string& text) {
    for (const app::GraphLabel& label : layout.labels) {
        if (label.text == text) {
            return &label;
        }
    }
    return nullptr;
}

TEST(GraphLayout, TheWindowDrawsTheNewestQuotesThatFitOneColumnEach) {
    const GraphLayout full = ComputeGraphLayout(Series(GraphQuotes(250)), kWidth, kHeight);
    EXPECT_EQ(full.plotWidth, 600);
    EXPECT_EQ(full.pricePaneHeight, kPricePane);
    EXPECT_EQ(full.volumePaneHeight, kVolumePane);
    EXPECT_EQ(full.firstBar, 51);
    EXPECT_EQ(full.lastBar, 249);
    EXPECT_EQ(full.Bars(), 199);
    EXPECT_EQ(full.lastX, 602);
    EXPECT_EQ(full.low, 10.0f);
    EXPECT_EQ(full.high, 31.0f);
    EXPECT_EQ(full.maxVolume, 1000.0f);

    const GraphLayout few = ComputeGraphLayout(Series(GraphQuotes(40)), kWidth, kHeight);
    EXPECT_EQ(few.firstBar, 0);
    EXPECT_EQ(few.Bars(), 40);
    EXPECT_EQ(few.lastX, 8 + 3 * 39);

    // Wider than the window needs: every quote of it, and no more columns.
    const GraphLayout wide = ComputeGraphLayout(Series(GraphQuotes(250)), 1920, 1080);
    EXPECT_EQ(wide.firstBar, 0);
    EXPECT_EQ(wide.Bars(), 250);
}

TEST(GraphLayout, LabelsStandWhereTheCloseAndTheRangeLeaveRoom) {
    const GraphLayout layout = ComputeGraphLayout(Series(GraphQuotes(250)), kWidth, kHeight);
    // The last quote (249) closes at 20, a share of 10/21 of the range: both range labels.
    const app::GraphLabel* close = LabelWithText(layout, " 20.00");
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->role, GraphRole::kCloseTick);
    EXPECT_EQ(close->x, 607);
    EXPECT_EQ(close->y, Row(kVolumePane + 7 + static_cast<int>(10.0 / 21.0 * kPricePane)));
    EXPECT_TRUE(close->baseline);
    const app::GraphLabel* high = LabelWithText(layout, " 31.00");
    ASSERT_NE(high, nullptr);
    EXPECT_EQ(high->x, 607);
    EXPECT_EQ(high->y, 2);
    EXPECT_FALSE(high->baseline);
    const app::GraphLabel* low = LabelWithText(layout, " 10.00");
    ASSERT_NE(low, nullptr);
    EXPECT_EQ(low->y, Row(kVolumePane + 10));
    EXPECT_TRUE(low->baseline);
    const app::GraphLabel* volume = LabelWithText(layout, "1000");
    ASSERT_NE(volume, nullptr);
    EXPECT_EQ(volume->x, 610);
    EXPECT_EQ(volume->y, Row(kVolumePane + 10));
    // 6 September 2000, ending at the last bar.
    const app::GraphLabel* date = LabelWithText(layout, "09/06/00");
    ASSERT_NE(date, nullptr);
    EXPECT_TRUE(date->rightAligned);
    EXPECT_EQ(date->x, 602);
    const app::GraphLabel* symbol = LabelWithText(layout, "MSFT");
    ASSERT_NE(symbol, nullptr);
    EXPECT_TRUE(symbol->rightAligned);
    EXPECT_EQ(symbol->x, 295);
    EXPECT_EQ(symbol->role, GraphRole::kTitleText);
    const app::GraphLabel* name = LabelWithText(layout, "MICROSOFT CORP");
    ASSERT_NE(name, nullptr);
    EXPECT_FALSE(name->rightAligned);
    EXPECT_EQ(name->x, 300);

    // A last bar left of 100 pixels leaves the date out, so that it does not meet the title.
    const GraphLayout short_ = ComputeGraphLayout(Series(GraphQuotes(20)), kWidth, kHeight);
    EXPECT_EQ(short_.lastX, 65);
    EXPECT_EQ(LabelWithText(short_, store::FormatDateText(GraphQuote(19).date, 3, '/')), nullptr);

    // A last close at the window's high leaves the high label out, at its low the low label.
    std::vector<store::Quote> top = GraphQuotes(40);
    top.back().high = top.back().close = 40.0f;
    const GraphLayout atHigh = ComputeGraphLayout(Series(top), kWidth, kHeight);
    EXPECT_EQ(LabelWithText(atHigh, " 40.00")->role, GraphRole::kCloseTick);
    EXPECT_NE(LabelWithText(atHigh, " 10.00"), nullptr);
    EXPECT_EQ(atHigh.labels.size(), 6U);  // date, close, low, volume, symbol, name
    std::vector<store::Quote> bottom = GraphQuotes(40);
    bottom.back().low = bottom.back().close = 5.0f;
    const GraphLayout atLow = ComputeGraphLayout(Series(bottom), kWidth, kHeight);
    EXPECT_EQ(LabelWithText(atLow, "  5.00")->role, GraphRole::kCloseTick);
    EXPECT_NE(LabelWithText(atLow, " 31.00"), nullptr);
    EXPECT_EQ(atLow.labels.size(), 6U);
}

TEST(GraphLayout, DegenerateSeriesAndAreasDrawNothingOutsideTheirBounds) {
    // Equal prices have no range: a flat line in the middle of the pane, the close label alone.
    std::vector<store::Quote> flat = GraphQuotes(30);
    for (store::Quote& quote : flat) {
        quote.open = quote.high = quote.low = quote.close = 5.0f;
    }
    const GraphLayout level = ComputeGraphLayout(Series(flat), kWidth, kHeight);
    EXPECT_EQ(level.Bars(), 30);
    const app::GraphLabel* close = LabelWithText(level, "  5.00");
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->y, Row(kVolumePane + 7 + kPricePane / 2));
    EXPECT_EQ(level.labels.size(), 4U);  // close, volume, symbol, name

    // Damaged data: a range far below a pixel and prices far outside it stay on the chart.
    std::vector<store::Quote> wild = GraphQuotes(3);
    wild[0].low = 1.0f;
    wild[0].high = 1.0f + 1e-6f;
    wild[1].high = wild[1].close = 3e38f;
    wild[2].low = -3e38f;
    const GraphLayout damaged = ComputeGraphLayout(Series(wild), kWidth, kHeight);
    EXPECT_EQ(damaged.Bars(), 3);

    // Areas too small for a bar or a price pane, and a window of one quote: never a quote
    // outside the series.
    for (const int count : {1, 2, 250}) {
        const GraphSeries series = Series(GraphQuotes(count));
        for (int width = 0; width <= 90; ++width) {
            for (int height = 0; height <= 40; height += 3) {
                const GraphLayout layout = ComputeGraphLayout(series, width, height);
                EXPECT_LT(layout.lastBar, count);
                EXPECT_GE(layout.firstBar, 0);
                if (width < 73 || height < 27) {
                    EXPECT_EQ(layout.Bars(), 0) << width << "x" << height;
                }
            }
        }
    }
}

TEST(GraphLayout, AbsentFieldsAreNotDrawnAsPrices) {
    // A record without volume reads it as -1: no volume bars and no volume label.
    const store::FieldSet noVolume = {true, false, true, true, true, true, false, false};
    std::vector<store::Quote> quotes = GraphQuotes(30);
    for (store::Quote& quote : quotes) {
        quote.volume = quote.openInterest = store::kAbsentValue;
    }
    const GraphLayout layout = ComputeGraphLayout(Series(quotes, noVolume), kWidth, kHeight);
    EXPECT_EQ(layout.maxVolume, 0.0f);
    EXPECT_TRUE(std::none_of(layout.rects.begin(), layout.rects.end(),
                             [](const app::GraphRect& r) { return r.role == GraphRole::kVolume; }));
    EXPECT_EQ(LabelWithText(layout, "  0"), nullptr);
    EXPECT_EQ(layout.labels.size(), 5U);  // close, high, low, symbol, name

    // Closes only: the bars stand at the closes.
    const store::FieldSet closesOnly = {true, false, false, false, false, true, false, false};
    for (store::Quote& quote : quotes) {
        quote.open = quote.high = quote.low = store::kAbsentValue;
    }
    const GraphLayout closes = ComputeGraphLayout(Series(quotes, closesOnly), kWidth, kHeight);
    EXPECT_EQ(closes.low, 11.0f);
    EXPECT_EQ(closes.high, 30.0f);
}

TEST(GraphWidget, PaintsBarsTicksVolumesAxesAndMonthMarksWhereTheArithmeticPutsThem) {
    const QImage image = Render(Series(GraphQuotes(250)));
    // Axes: the bottom one from x 5 to P + 4, the separator just under the lowest price, the
    // right one from 10 up to T - 1.
    EXPECT_EQ(At(image, 5, Row(10)), kWhite);
    EXPECT_EQ(At(image, 604, Row(10)), kWhite);
    EXPECT_EQ(At(image, 4, Row(10)), kBlack);
    EXPECT_EQ(At(image, 6, Row(kSeparator)), kWhite);
    EXPECT_EQ(At(image, 605, Row(11)), kWhite);
    EXPECT_EQ(At(image, 605, Row(308)), kWhite);
    EXPECT_EQ(At(image, 605, Row(309)), kBlack);
    EXPECT_EQ(At(image, 2, Row(150)), kBlack);

    // Quote 100: low 10, high 12, close 11, volume 100.
    const int x = BarX(100);
    EXPECT_EQ(At(image, x, Row(PriceY(10))), kGreen);
    EXPECT_EQ(At(image, x, Row(PriceY(12))), kGreen);
    EXPECT_EQ(At(image, x, Row(PriceY(12) + 1)), kBlack);
    EXPECT_EQ(PriceY(10) - 1, kSeparator);
    EXPECT_EQ(At(image, x, Row(PriceY(11))), kCyan);
    EXPECT_EQ(At(image, x + 1, Row(PriceY(11))), kCyan);
    EXPECT_EQ(At(image, x + 2, Row(PriceY(11))), kBlack);
    EXPECT_EQ(At(image, x + 1, Row(PriceY(12))), kBlack);
    // trunc(100 / 1000 * 60) = 6: from 12 up to 6 + 9, the end not drawn.
    EXPECT_EQ(At(image, x, Row(12)), kRed);
    EXPECT_EQ(At(image, x, Row(14)), kRed);
    EXPECT_EQ(At(image, x, Row(15)), kBlack);
    EXPECT_EQ(At(image, x, Row(11)), kBlack);
    // Quote 109 has the largest volume: up to the separator.
    EXPECT_EQ(At(image, BarX(109), Row(kVolumePane + 8)), kRed);
    EXPECT_EQ(At(image, BarX(109), Row(kVolumePane + 9)), kWhite);
    // The last bar.
    EXPECT_EQ(At(image, 602, Row(PriceY(19))), kGreen);
    EXPECT_EQ(At(image, 605, Row(PriceY(19) + 5)), kWhite);

    // 1 March 2000 is quote 60: a mark three pixels wide under the bottom axis.
    const int march = BarX(60);
    for (const int column : {march - 1, march, march + 1}) {
        EXPECT_EQ(At(image, column, Row(0)), kWhite) << column;
        EXPECT_EQ(At(image, column, Row(9)), kWhite) << column;
    }
    EXPECT_EQ(At(image, march - 2, Row(5)), kBlack);
    EXPECT_EQ(At(image, march + 2, Row(5)), kBlack);
    EXPECT_EQ(At(image, BarX(61), Row(5)), kBlack);
    EXPECT_EQ(At(image, BarX(91), Row(5)), kWhite);  // 1 April

    // The labels' colours at their places.
    const int lineHeight = QFontMetrics(QApplication::font()).height();
    const QRect closeLabel(607, Row(181) - lineHeight, 63, lineHeight);
    EXPECT_TRUE(AnyPixelNear(image, closeLabel, kCyan));
    EXPECT_FALSE(AnyPixelNear(image, closeLabel, kWhite));
    EXPECT_TRUE(AnyPixelNear(image, QRect(607, 2, 63, lineHeight), kWhite));
    EXPECT_TRUE(AnyPixelNear(image, QRect(0, 2, 296, lineHeight), kCyan));
    EXPECT_TRUE(AnyPixelNear(image, QRect(300, 2, 200, lineHeight), kCyan));
    EXPECT_TRUE(AnyPixelNear(image, QRect(610, Row(70), 60, lineHeight), kWhite));
}

TEST(GraphWidget, ColoursComeFromTheStoredRoles) {
    settings::MemorySettingsStore store;
    settings::Write(store, settings::keys::kGraphBackground, 1);
    settings::Write(store, settings::keys::kGraphHighLowBar, 6);
    settings::Write(store, settings::keys::kGraphVolume, 9);  // no such colour: the default
    store.WriteString("Graph", "Axes", "white");              // no number: the default
    const app::GraphColours colours = app::ReadGraphColours(store);
    EXPECT_EQ(colours.Of(GraphRole::kTitleText), (app::Rgb{0, 255, 255}));

    const QImage image = Render(Series(GraphQuotes(250)), colours);
    EXPECT_EQ(At(image, 2, Row(150)), QColor(0, 0, 255));
    EXPECT_EQ(At(image, BarX(100), Row(PriceY(10))), QColor(255, 255, 0));
    EXPECT_EQ(At(image, BarX(100), Row(12)), kRed);
    EXPECT_EQ(At(image, 5, Row(10)), kWhite);
}

TEST(GraphWidget, EmptyFlatAndVolumelessSeriesDrawOnlyWhatTheyHave) {
    const auto colourCount = [](const QImage& image, const QColor& colour) {
        int count = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                count += image.pixelColor(x, y) == colour ? 1 : 0;
            }
        }
        return count;
    };
    // No quotes: the frame alone.
    const QImage empty = Render(Series({}));
    EXPECT_EQ(colourCount(empty, kWhite), 600 + 600 + 299);
    EXPECT_EQ(colourCount(empty, kBlack), kWidth * kHeight - (600 + 600 + 299));

    std::vector<store::Quote> flat = GraphQuotes(30);
    for (store::Quote& quote : flat) {
        quote.open = quote.high = quote.low = quote.close = 5.0f;
    }
    const QImage level = Render(Series(flat));
    const int middle = Row(kVolumePane + 10 + kPricePane / 2);
    EXPECT_EQ(At(level, 8, middle), kCyan);
    EXPECT_EQ(At(level, 8 + 3 * 29 + 1, middle), kCyan);
    EXPECT_EQ(At(level, 8, middle - 1), kBlack);

    const store::FieldSet noVolume = {true, false, true, true, true, true, false, false};
    std::vector<store::Quote> quotes = GraphQuotes(30);
    for (store::Quote& quote : quotes) {
        quote.volume = store::kAbsentValue;
    }
    const QImage volumeless = Render(Series(quotes, noVolume));
    EXPECT_EQ(colourCount(volumeless, kRed), 0);
    EXPECT_GT(colourCount(volumeless, kGreen), 0);
}

TEST(GraphWidget, StaysSharpAtTwiceTheDevicePixels) {
    app::GraphWidget widget;
    widget.resize(kWidth, kHeight);
    widget.SetSeries(Series(GraphQuotes(250)), {});
    QImage image(kWidth * 2, kHeight * 2, QImage::Format_RGB32);
    image.setDevicePixelRatio(2.0);
    image.fill(Qt::gray);
    widget.render(&image);
    const int x = BarX(100);
    const int row = Row(PriceY(10));
    for (const int dx : {0, 1}) {
        for (const int dy : {0, 1}) {
            EXPECT_EQ(image.pixelColor(2 * x + dx, 2 * row + dy), kGreen);
        }
    }
    EXPECT_EQ(image.pixelColor(2 * x - 1, 2 * row), kBlack);
    EXPECT_EQ(image.pixelColor(2 * x + 2, 2 * row), kBlack);
}

class GraphWindowTest : public testing::Test, public WindowFixture {
  protected:
    QWidget* Graph() { return frame->findChild<QWidget*>("graphArea"); }
    QAction* GraphAction() { return frame->Action(app::CommandId::kGraph); }
};

TEST_F(GraphWindowTest, F7SwitchesBetweenTheQuoteGridAndTheGraphOfTheSelectedSymbol) {
    const fs::path stocks = Portfolio("Stocks");
    fs::create_directories(stocks);
    AddSymbol(stocks, "ABC", 400);
    AddSymbol(stocks, "XYZ", 12);
    Open();
    EXPECT_TRUE(Grid("quoteGrid")->isVisible());
    EXPECT_FALSE(Graph()->isVisible());

    // F7 is a shortcut of the active window.
    QApplication::setActiveWindow(frame.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    QTest::keyClick(Grid("symbolGrid"), Qt::Key_F7);
    EXPECT_FALSE(Grid("quoteGrid")->isVisible());
    EXPECT_TRUE(Graph()->isVisible());
    EXPECT_TRUE(GraphAction()->isChecked());
    EXPECT_EQ(store.ReadString("Settings", "ShowingGraph", ""), "1");
    EXPECT_FALSE(frame->Action(app::CommandId::kQuoteEdit)->isEnabled());
    // The newest 250 quotes, whatever RECENT shows in the grid.
    const app::GraphSeries& series = View().Graph().Series();
    EXPECT_EQ(series.symbol, "ABC");
    ASSERT_EQ(series.quotes.size(), 250U);
    EXPECT_EQ(series.quotes.front().date, SampleQuote(150).date);
    EXPECT_EQ(series.quotes.back().date, SampleQuote(399).date);
    EXPECT_TRUE(series.hasVolume);

    // It follows the selection.
    Grid("symbolGrid")->setFocus();
    QTest::keyClick(Grid("symbolGrid"), Qt::Key_Down);
    EXPECT_EQ(View().Graph().Series().symbol, "XYZ");
    EXPECT_EQ(View().Graph().Series().quotes.size(), 12U);

    // Off: the grid again, the quotes released.
    QTest::keyClick(Grid("symbolGrid"), Qt::Key_F7);
    EXPECT_TRUE(Grid("quoteGrid")->isVisible());
    EXPECT_FALSE(Graph()->isVisible());
    EXPECT_FALSE(GraphAction()->isChecked());
    EXPECT_EQ(store.ReadString("Settings", "ShowingGraph", ""), "0");
    EXPECT_TRUE(View().Graph().Series().quotes.empty());

    // On again: read afresh from the data file, which changed meanwhile.
    AddSymbol(stocks, "NEW", 3);
    fs::copy_file(stocks / "F3.DAT", stocks / "F2.DAT", fs::copy_options::overwrite_existing);
    GraphAction()->trigger();
    EXPECT_EQ(View().Graph().Series().symbol, "XYZ");
    EXPECT_EQ(View().Graph().Series().quotes.size(), 3U);
}

TEST_F(GraphWindowTest, TheGraphStaysOnAcrossStartsAndShowsAnEmptyFrameForAnUnreadableSymbol) {
    const fs::path stocks = Portfolio("Stocks");
    fs::create_directories(stocks);
    AddSymbol(stocks, "ABC", 5);
    const store::FieldSet noVolume = {true, false, true, true, true, true, false, false};
    AddSymbol(stocks, "BAD", 5);
    AddSymbol(stocks, "NOV", 5, noVolume);
    fs::remove(stocks / "F2.DAT");
    viewSettings.showingGraph = true;
    Open();
    EXPECT_FALSE(Grid("quoteGrid")->isVisible());
    EXPECT_TRUE(Graph()->isVisible());
    EXPECT_TRUE(GraphAction()->isChecked());
    EXPECT_EQ(View().Graph().Series().quotes.size(), 5U);

    Grid("symbolGrid")->setFocus();
    QTest::keyClick(Grid("symbolGrid"), Qt::Key_Down);
    EXPECT_EQ(View().State().currentSymbol, "BAD");
    EXPECT_TRUE(View().Graph().Series().quotes.empty());
    const GraphLayout frameOnly = View().Graph().Layout();
    EXPECT_EQ(frameOnly.Bars(), 0);
    EXPECT_TRUE(frameOnly.labels.empty());

    QTest::keyClick(Grid("symbolGrid"), Qt::Key_Down);
    EXPECT_EQ(View().Graph().Series().symbol, "NOV");
    EXPECT_FALSE(View().Graph().Series().hasVolume);
    EXPECT_EQ(View().Graph().Series().quotes.back().volume, 0.0f);
}

}  // namespace
}  // namespace ticksmith::test
