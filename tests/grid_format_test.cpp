// The texts the grids, the command line and printing show, and the numbers typed back, in the
// C locale and in one with a decimal comma.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "portfolio/grid_format.h"

namespace ticksmith::test {
namespace {

using portfolio::NumberOf;
using portfolio::QuoteValueText;

// A German locale for the scope, as a GUI toolkit sets it from the environment; the C locale
// again afterwards.
class GermanLocale {
  public:
    GermanLocale() {
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"}) {
            if (std::setlocale(LC_ALL, name) != nullptr) {
                m_active = true;
                break;
            }
        }
    }
    ~GermanLocale() { std::setlocale(LC_ALL, "C"); }
    GermanLocale(const GermanLocale&) = delete;
    GermanLocale& operator=(const GermanLocale&) = delete;

    bool Active() const { return m_active; }

  private:
    bool m_active = false;
};

// "%.<decimals>f" as printf writes it in the locale in effect.
std::string Printed(int decimals, float value) {
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, static_cast<double>(value));
    return buffer;
}

// Values whose rounding is easy to get wrong: exact ties (which go to even), carries, the
// largest float, negative zero.
const std::vector<float> kValues = {0.0f,
                                    -0.0f,
                                    0.5f,
                                    1.5f,
                                    2.5f,
                                    1.03125f,
                                    1.09375f,
                                    9.99995f,
                                    0.00005f,
                                    250.0f,
                                    12.34567f,
                                    99999.5f,
                                    1234567.0f,
                                    16777217.0f,
                                    std::numeric_limits<float>::max(),
                                    std::numeric_limits<float>::denorm_min()};

// Each value's texts as printf writes them in the C locale.
struct Expected {
    std::string decimals;
    std::string whole;
};
std::vector<Expected> PrintedInC() {
    std::vector<Expected> expected;
    for (const float value : kValues) {
        expected.push_back({Printed(4, value), Printed(0, value)});
    }
    return expected;
}

void ExpectPrintfDigits(const std::vector<Expected>& expected) {
    for (std::size_t i = 0; i < kValues.size(); ++i) {
        EXPECT_EQ(QuoteValueText(kValues[i], false), expected[i].decimals) << kValues[i];
        EXPECT_EQ(QuoteValueText(kValues[i], true), expected[i].whole) << kValues[i];
        EXPECT_EQ(portfolio::WholeNumberText(kValues[i]), expected[i].whole) << kValues[i];
    }
}

void ExpectNumbersRead() {
    EXPECT_EQ(NumberOf("1.5"), 1.5f);
    EXPECT_EQ(NumberOf(" \t-0.25 "), -0.25f);
    EXPECT_EQ(NumberOf("+2"), 2.0f);
    EXPECT_EQ(NumberOf(".5"), 0.5f);
    EXPECT_EQ(NumberOf("5."), 5.0f);
    EXPECT_EQ(NumberOf("1e3"), 1000.0f);
    EXPECT_EQ(NumberOf("1e-50"), 0.0f);  // below a float's range
    EXPECT_EQ(NumberOf("12.3456"), 12.3456f);
    for (const char* refused : {"", "  ", "1,5", "1.5x", "x1", "1 5", "+", "+-1", "--1", "1e",
                                "1e39", "-1e39", "inf", "nan", "1..2"}) {
        EXPECT_FALSE(NumberOf(refused)) << '"' << refused << '"';
    }
}

TEST(GridFormat, QuoteValuesHaveThePrintfDigits) {
    ExpectPrintfDigits(PrintedInC());
    EXPECT_EQ(QuoteValueText(250.0f, false), "250.0000");
    EXPECT_EQ(QuoteValueText(250.0f, true), "250");
    EXPECT_EQ(QuoteValueText(1.03125f, false), "1.0312");
    EXPECT_EQ(QuoteValueText(std::numeric_limits<float>::max(), true).size(), 39u);
    // A field the record lacks reads as -1 and shows nothing, whatever the display.
    EXPECT_EQ(QuoteValueText(-1.0f, false), "");
    EXPECT_EQ(QuoteValueText(-1.0f, true), "");
}

TEST(GridFormat, QuoteRowsFollowTheIntegerDisplay) {
    store::Quote quote;
    quote.date = store::DayNumberFromYmd(2004, 2, 29);
    quote.open = 10.125f;
    quote.high = 11.0f;
    quote.low = 9.5f;
    quote.close = 10.75f;
    quote.volume = 250.0f;
    // Open interest stays at -1: the file does not carry it.
    using Row = std::array<std::string, portfolio::kQuoteColumns>;
    EXPECT_EQ(portfolio::QuoteRowTexts(quote),
              (Row{"02/29/04", "10.1250", "11.0000", "9.5000", "10.7500", "250.0000", ""}));
    quote.openInterest = 7.5f;
    EXPECT_EQ(portfolio::QuoteRowTexts(quote, {true, false})[5], "250");
    EXPECT_EQ(portfolio::QuoteRowTexts(quote, {true, false})[6], "7.5000");
    EXPECT_EQ(portfolio::QuoteRowTexts(quote, {false, true})[6], "8");  // 7.5 rounds to even
    EXPECT_EQ(portfolio::QuoteCellText(quote, portfolio::kQuoteColumns, {}), "");
    EXPECT_EQ(portfolio::DateText(0), "00/00/00");
    EXPECT_EQ(portfolio::DateText(store::DayNumberFromYmd(1999, 12, 31)), "12/31/99");
}

TEST(GridFormat, SymbolRowsShowTheGridsTexts) {
    portfolio::SymbolRow row{store::NewMasterRecord("", "ACME CORP", 7), std::nullopt};
    // An empty symbol field shows the issue name; the name column keeps all 16 characters.
    EXPECT_EQ(portfolio::SymbolCellText(row, 0), "ACME CORP");
    EXPECT_EQ(portfolio::SymbolCellText(row, 1), "ACME CORP       ");
    EXPECT_EQ(portfolio::SymbolCellText(row, 2), " (none)");
    row.record.symbol = store::PaddedName("ACM");
    row.profile = "Daily";
    EXPECT_EQ(portfolio::SymbolCellText(row, 0), "ACM");
    EXPECT_EQ(portfolio::SymbolCellText(row, 2), "Daily");
    EXPECT_EQ(portfolio::SymbolCellText(row, portfolio::kSymbolColumns), "");
}

TEST(GridFormat, SeriesFactsNameTheirCodes) {
    EXPECT_EQ(portfolio::PeriodText('W'), "W Weekly");
    EXPECT_EQ(portfolio::PeriodText('?'), "ERROR");
    const store::FieldLayout layout = store::ParseFieldLayout(
        store::DopText({true, false, false, true, true, true, true, false}));
    EXPECT_EQ(portfolio::FieldFormatTexts(layout, store::kOpen), (std::array<std::string, 2>{}));
    EXPECT_EQ(portfolio::FieldFormatTexts(layout, store::kClose)[1], "10,000ths");
}

TEST(GridFormat, TypedNumbersAreReadWithAPoint) {
    ExpectNumbersRead();
}

// The window's toolkit sets the C locale from the environment; nothing shown or stored may
// change with it.
TEST(GridFormat, ADecimalCommaLocaleChangesNothing) {
    const std::vector<Expected> expected = PrintedInC();
    GermanLocale german;
    if (!german.Active()) {
        GTEST_SKIP() << "no German locale installed";
    }
    ASSERT_EQ(Printed(1, 1.5f), "1,5");  // the locale is in effect
    ExpectPrintfDigits(expected);
    ExpectNumbersRead();
}

}  // namespace
}  // namespace ticksmith::test
