// An intraday portfolio in the window: the quote grid shows each bar's time after its date, and
// the Quotes menu refuses to change such a series before any dialog opens.
#include <gtest/gtest.h>

#include "app/command_table.h"
#include "intraday_support.h"
#include "window_support.h"

namespace ticksmith::test {
namespace {

using app::CommandId;

class IntradayViewTest : public testing::Test, public WindowFixture {
  protected:
    void SetUp() override {
        fs::create_directories(m_dir);
        intraday::AddIntradaySymbol(m_dir, "AAA", m_bars);
        AddSymbol(m_dir, "DLY", 5);
        Open();
        SelectSymbol("AAA");
    }

    void SelectSymbol(const std::string& symbol) {
        const int row = View().State().SymbolRowOf(symbol);
        ASSERT_GE(row, 0);
        Grid("symbolGrid")->setCurrentIndex(Grid("symbolGrid")->model()->index(row, 0));
        ASSERT_EQ(View().State().currentSymbol, symbol);
    }
    std::string Header(int section) {
        return Grid("quoteGrid")
            ->model()
            ->headerData(section, Qt::Horizontal)
            .toString()
            .toStdString();
    }

    fs::path m_dir = Portfolio("intra");
    std::vector<intraday::Bar> m_bars = intraday::Bars(3, 4, 100.0f);
};

TEST_F(IntradayViewTest, QuoteGridShowsTheTimeAfterTheDate) {
    ASSERT_EQ(Grid("quoteGrid")->model()->rowCount(), static_cast<int>(m_bars.size()));
    EXPECT_EQ(Header(0), "Date");
    EXPECT_EQ(Header(1), "Time");
    EXPECT_EQ(Header(2), "Open");
    EXPECT_EQ(Header(7), "Open Interest");
    for (int row : {0, 5}) {
        const intraday::Bar& bar = m_bars[m_bars.size() - 1 - static_cast<std::size_t>(row)];
        const std::vector<std::string> shown = Row("quoteGrid", row);
        ASSERT_EQ(shown.size(), 8u);
        EXPECT_EQ(std::vector<std::string>(shown.begin(), shown.begin() + 2),
                  (std::vector<std::string>{intraday::DateText(bar), intraday::TimeText(bar)}));
        EXPECT_NEAR(std::stod(shown[2]), bar.open, 5e-5);
        EXPECT_NEAR(std::stod(shown[6]), bar.volume, 5e-5);
    }
    // A daily series has its seven columns back.
    SelectSymbol("DLY");
    EXPECT_EQ(Grid("quoteGrid")->model()->columnCount(), 7);
    EXPECT_EQ(Header(1), "Open");
}

TEST_F(IntradayViewTest, QuoteCommandsRefuseBeforeAnyDialog) {
    const auto before = Snapshot(m_dir);
    for (CommandId id : {CommandId::kQuoteEdit, CommandId::kQuoteSplit, CommandId::kQuoteAdjust,
                         CommandId::kQuoteAdd, CommandId::kQuoteDelete}) {
        SCOPED_TRACE(static_cast<int>(id));
        dialogs.messages.clear();
        View().Execute(id);
        EXPECT_TRUE(dialogs.dialogTitles.empty());
        EXPECT_EQ(dialogs.messages,
                  std::vector<std::string>{"AAA holds intraday records; this program reads them "
                                           "but does not change them"});
        EXPECT_EQ(Snapshot(m_dir), before);
        EXPECT_EQ(Grid("quoteGrid")->model()->rowCount(), static_cast<int>(m_bars.size()));
    }
}

}  // namespace
}  // namespace ticksmith::test
