// Hand edits of a data file: the engine's five operations, the commands' own rules, and what a
// failing disk leaves behind.
#include <gtest/gtest.h>

#include "portfolio/grid_format.h"
#include "portfolio/quote_commands.h"
#include "settings/settings_support.h"
#include "store/edit_quotes.h"
#include "test_support.h"

namespace ticksmith::test {
namespace {

using portfolio::ViewState;

std::vector<store::Quote> Quotes(const fs::path& dir, const std::string& symbol) {
    store::QuoteSeries series;
    EXPECT_EQ(store::AllocSeries(series, 1000), store::kSuccess);
    EXPECT_EQ(store::ReadSeries(series, dir, symbol, 0, -1), store::kSuccess);
    return series.quotes;
}

store::MasterRecord RecordOf(const fs::path& dir, const std::string& symbol) {
    store::MasterRecord record;
    fs::path found;
    EXPECT_EQ(store::FindSymbol(dir, symbol, record, found), store::kSuccess);
    return record;
}

class QuoteEditing : public ::testing::Test {
  protected:
    void SetUp() override {
        m_number = AddSymbol(m_dir, "AAA", 10);
        AddSymbol(m_dir, "BBB", 3);
    }

    // The view as the window holds it with AAA selected and all its quotes shown.
    ViewState View(const std::string& symbol = "AAA") {
        ViewState view;
        view.settings.displayRecent = false;
        EXPECT_TRUE(view.OpenPortfolio(m_dir.string(), m_messenger));
        EXPECT_TRUE(view.FillSymbolsGrid(0, m_messenger));
        EXPECT_TRUE(view.SelectSymbolRow(view.SymbolRowOf(symbol), m_messenger));
        return view;
    }

    Bytes Data() const { return ReadBytes(m_dir / store::DataFileName(m_number)); }
    std::string Date(int quote) const { return store::GridDateText(SampleQuote(quote).date); }

    TempDir m_temp;
    fs::path m_dir = m_temp.path();
    int m_number = 0;
    RecordingMessenger m_messenger;
    settings::MemorySettingsStore m_settings;
};

TEST_F(QuoteEditing, SplitRescalesOnlyTheQuotesBeforeItsDate) {
    ViewState view = View();
    const Bytes before = Data();
    ASSERT_TRUE(portfolio::SplitQuotes(view, Date(5), "2", "1", m_settings, m_messenger));
    const auto quotes = Quotes(m_dir, "AAA");
    ASSERT_EQ(quotes.size(), 10u);
    for (int i = 0; i < 10; ++i) {
        const store::Quote want = SampleQuote(i);
        const float price = i < 5 ? 0.5f : 1.0f;
        const float shares = i < 5 ? 2.0f : 1.0f;
        EXPECT_EQ(quotes[i].date, want.date);
        EXPECT_FLOAT_EQ(quotes[i].close, want.close * price) << i;
        EXPECT_FLOAT_EQ(quotes[i].volume, want.volume * shares) << i;
        EXPECT_FLOAT_EQ(quotes[i].openInterest, want.openInterest * shares) << i;
    }
    EXPECT_EQ(ReadBytes(m_dir / "F1.BAK"), before);
    EXPECT_EQ(m_settings.ReadString("Split", "New", ""), "2");
    EXPECT_EQ(portfolio::QuoteCellText(view.quotes[0], 4, {}),
              portfolio::QuoteCellText(SampleQuote(9), 4, {}));
}

TEST_F(QuoteEditing, RefusedInputChangesNothing) {
    ViewState view = View();
    const auto before = Snapshot(m_dir);
    EXPECT_FALSE(portfolio::SplitQuotes(view, Date(5), "0", "1", m_settings, m_messenger));
    EXPECT_FALSE(portfolio::SplitQuotes(view, Date(5), "2", "one", m_settings, m_messenger));
    EXPECT_FALSE(portfolio::SplitQuotes(view, "13/45/04", "2", "1", m_settings, m_messenger));
    EXPECT_FALSE(portfolio::EditQuote(view, Date(3), {"1", "2", "x", "4", "5", "6"}, m_settings,
                                      m_messenger));
    // Adjust's own rule: dates of 8 characters inside the series, no multiplier of 0.
    const std::string first = Date(0), last = Date(9);
    for (const portfolio::AdjustInput& input : std::vector<portfolio::AdjustInput>{
             {Date(0), Date(9), "0"},
             {Date(0), Date(9), "1", "abc"},
             {"1/3/00", Date(9)},
             {Date(0), store::GridDateText(SampleQuote(10).date)},
             {store::GridDateText(SampleQuote(0).date - 1), Date(9)}}) {
        EXPECT_EQ(portfolio::AdjustQuotes(view, input, m_settings, m_messenger),
                  portfolio::AdjustResult::kInvalid);
    }
    EXPECT_EQ(m_messenger.shown.back(), "Invalid Data Entered");
    EXPECT_EQ(Snapshot(m_dir), before);
    EXPECT_FALSE(m_settings.ReadText("Split", "New"));
}

// The dialogs put the focus back on the input that a refusal names.
TEST_F(QuoteEditing, ChecksNameTheFirstRefusedInput) {
    using portfolio::QuoteFormField;
    const auto field = [](const auto& problem) {
        return problem ? static_cast<int>(problem->field) : -1;
    };
    ViewState view = View();
    EXPECT_EQ(field(portfolio::CheckEditForm(view, {"1", "2", "3", "4", "5", "6"})), -1);
    const auto low = portfolio::CheckEditForm(view, {"1", "2", "1,5", "x", "5", "6"});
    EXPECT_EQ(field(low), static_cast<int>(QuoteFormField::kLow));
    EXPECT_EQ(low->message, "The Low value \"1,5\" is not a number.\nNothing was changed.");
    // A field the data file lacks is never refused.
    AddSymbol(m_dir, "CCC", 4, {true, false, false, true, true, true, true, false});
    EXPECT_EQ(field(portfolio::CheckEditForm(View("CCC"), {"x", "1", "1", "1", "", "1"})),
              static_cast<int>(QuoteFormField::kVolume));

    EXPECT_EQ(field(portfolio::CheckSplitForm("13/15/04", "x", "x")),
              static_cast<int>(QuoteFormField::kDate));
    EXPECT_EQ(field(portfolio::CheckSplitForm("06/15/04", "-2", "1")),
              static_cast<int>(QuoteFormField::kNewShares));
    EXPECT_EQ(field(portfolio::CheckSplitForm("06/15/04", "2", "0")),
              static_cast<int>(QuoteFormField::kOldShares));
    EXPECT_EQ(field(portfolio::CheckSplitForm("06/15/04", "2", "1")), -1);

    EXPECT_EQ(field(portfolio::CheckAdjustForm(view, {Date(0), "12/31/99"})),
              static_cast<int>(QuoteFormField::kTo));
    EXPECT_EQ(field(portfolio::CheckAdjustForm(view, {Date(0), Date(9), "1", "1", "zero"})),
              static_cast<int>(QuoteFormField::kOpenInterestMultiplier));
}

TEST_F(QuoteEditing, AdjustOfOneDayAndEditOfAFileWithoutOpen) {
    ViewState view = View();
    ASSERT_EQ(
        portfolio::AdjustQuotes(view, {Date(4), Date(4), "3", "2", "-1"}, m_settings, m_messenger),
        portfolio::AdjustResult::kDone);
    auto quotes = Quotes(m_dir, "AAA");
    EXPECT_FLOAT_EQ(quotes[4].high, SampleQuote(4).high * 3);
    EXPECT_FLOAT_EQ(quotes[4].openInterest, -SampleQuote(4).openInterest);
    EXPECT_FLOAT_EQ(quotes[3].high, SampleQuote(3).high);
    EXPECT_FLOAT_EQ(quotes[5].high, SampleQuote(5).high);
    // From after To is accepted and changes nothing.
    const Bytes data = Data();
    EXPECT_EQ(portfolio::AdjustQuotes(view, {Date(6), Date(2), "3"}, m_settings, m_messenger),
              portfolio::AdjustResult::kDone);
    EXPECT_EQ(Data(), data);

    const store::FieldSet noOpen = {true, false, false, true, true, true, true, false};
    AddSymbol(m_dir, "CCC", 4, noOpen);
    ViewState other = View("CCC");
    EXPECT_EQ(portfolio::QuoteCellText(other.quotes[1], 1, {}), "");
    ASSERT_TRUE(portfolio::EditQuote(other, portfolio::DateText(other.quotes[1].date),
                                     {"not used", "9.5", "8", "9.25", "77", "ignored too"},
                                     m_settings, m_messenger));
    quotes = Quotes(m_dir, "CCC");
    EXPECT_EQ(quotes[2].open, store::kAbsentValue);
    EXPECT_EQ(quotes[2].high, 9.5f);
    EXPECT_EQ(quotes[2].volume, 77.0f);
    EXPECT_EQ(quotes[3].high, SampleQuote(3).high);
    EXPECT_EQ(m_settings.ReadString("Edit", "Hi", ""), "9.5");
}

TEST_F(QuoteEditing, AddStepsBackToThePreviousWeekday) {
    ViewState view = View();
    // Quote 5 is Monday 01/10/00; the Friday before it exists.
    view.selectedQuoteRow = view.QuoteRowOf(SampleQuote(5).date);
    EXPECT_FALSE(portfolio::NewQuoteDate(view, m_messenger));
    EXPECT_EQ(m_messenger.shown.back(), "Date " + Date(4) + " already exists.");
    ASSERT_TRUE(portfolio::DeleteQuote(view, Date(4), m_settings, m_messenger));

    view.selectedQuoteRow = view.QuoteRowOf(SampleQuote(5).date);
    const auto newDate = portfolio::NewQuoteDate(view, m_messenger);
    ASSERT_EQ(newDate, Date(4));
    const int selected = view.selectedQuoteRow;
    ASSERT_TRUE(portfolio::AddQuote(view, *newDate, m_settings, m_messenger));
    EXPECT_EQ(view.selectedQuoteRow, selected + 1);
    EXPECT_EQ(view.SelectedQuoteDay(), SampleQuote(4).date);
    auto quotes = Quotes(m_dir, "AAA");
    ASSERT_EQ(quotes.size(), 10u);
    store::Quote copy = SampleQuote(5);
    copy.date = SampleQuote(4).date;
    EXPECT_EQ(portfolio::QuoteRowTexts(quotes[4]), portfolio::QuoteRowTexts(copy));

    // The oldest row has nothing before it to copy into.
    view.selectedQuoteRow = view.QuoteCount() - 1;
    EXPECT_FALSE(portfolio::NewQuoteDate(view, m_messenger));
}

TEST_F(QuoteEditing, DeleteKeepsMasterDatesOnTheQuotesLeft) {
    ViewState view = View();
    const auto dates = [&] {
        const store::MasterRecord record = RecordOf(m_dir, "AAA");
        return std::pair{store::GridDateText(record.FirstDay()),
                         store::GridDateText(record.LastDay())};
    };
    ASSERT_TRUE(portfolio::DeleteQuote(view, Date(9), m_settings, m_messenger));
    EXPECT_EQ(dates(), std::pair(Date(0), Date(8)));
    ASSERT_TRUE(portfolio::DeleteQuote(view, Date(0), m_settings, m_messenger));
    EXPECT_EQ(dates(), std::pair(Date(1), Date(8)));
    ASSERT_TRUE(portfolio::DeleteQuote(view, Date(5), m_settings, m_messenger));
    EXPECT_EQ(dates(), std::pair(Date(1), Date(8)));
    EXPECT_EQ(Quotes(m_dir, "AAA").size(), 7u);
    EXPECT_TRUE(fs::exists(m_dir / "MASTER.BAK"));

    // The only quote: both dates stay on the deleted day, the header's last record is 1.
    const int only = AddSymbol(m_dir, "ONE", 1);
    ViewState single = View("ONE");
    ASSERT_TRUE(portfolio::DeleteQuote(single, Date(0), m_settings, m_messenger));
    const store::MasterRecord record = RecordOf(m_dir, "ONE");
    EXPECT_EQ(record.FirstDay(), SampleQuote(0).date);
    EXPECT_EQ(record.LastDay(), SampleQuote(0).date);
    const Bytes data = ReadBytes(m_dir / store::DataFileName(only));
    EXPECT_EQ(data.size(), 28u);
    EXPECT_EQ(platform::ReadU16(data.data() + 2), 1);

    // A date the file does not have: the engine's message, then the command's; nothing changes.
    const auto before = Snapshot(m_dir);
    m_messenger.shown.clear();
    EXPECT_FALSE(portfolio::DeleteQuote(view, Date(5), m_settings, m_messenger));
    EXPECT_EQ(m_messenger.shown,
              (std::vector<std::string>{"Failure in delete quote for findrec\n\n" +
                                            (m_dir / "F1.DAT").string() + " holds no quote dated " +
                                            Date(5),
                                        "Delete Edit Failed"}));
    auto after = Snapshot(m_dir);
    after.erase("F1.BAK");
    auto expected = before;
    expected.erase("F1.BAK");
    EXPECT_EQ(after, expected);
}

// Another program left the header counting fewer quotes than the file holds: an edit keeps
// every record and counts them all, so that none stays hidden from readers.
TEST_F(QuoteEditing, RecordsBeyondALowHeaderCountAreKeptAndCounted) {
    const auto lowerCount = [&] {
        Bytes data = Data();
        platform::WriteU16(data.data() + 2, 5);
        WriteBytes(m_dir / store::DataFileName(m_number), data);
    };
    lowerCount();
    ViewState view = View();
    EXPECT_EQ(view.QuoteCount(), 4);
    ASSERT_TRUE(portfolio::SplitQuotes(view, Date(2), "2", "1", m_settings, m_messenger));
    EXPECT_EQ(platform::ReadU16(Data().data() + 2), 11);
    auto quotes = Quotes(m_dir, "AAA");
    ASSERT_EQ(quotes.size(), 10u);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(quotes[i].date, SampleQuote(i).date);
        EXPECT_FLOAT_EQ(quotes[i].close, SampleQuote(i).close * (i < 2 ? 0.5f : 1.0f)) << i;
    }

    // A quote the low count hid can be deleted, and MASTER's last date follows.
    lowerCount();
    ASSERT_TRUE(portfolio::DeleteQuote(view, Date(9), m_settings, m_messenger));
    EXPECT_EQ(platform::ReadU16(Data().data() + 2), 10);
    quotes = Quotes(m_dir, "AAA");
    ASSERT_EQ(quotes.size(), 9u);
    EXPECT_EQ(quotes.back().date, SampleQuote(8).date);
    EXPECT_EQ(RecordOf(m_dir, "AAA").LastDay(), SampleQuote(8).date);
}

// The commands tell the person which file failed and why; "not found" only for a MASTER that
// was read and has no such symbol.
TEST_F(QuoteEditing, FailuresSayWhichFileAndWhy) {
    ViewState view = View();
    const fs::path data = m_dir / store::DataFileName(m_number);
    const fs::path master = m_dir / "MASTER";
    const Bytes dataBytes = ReadBytes(data);
    const Bytes masterBytes = ReadBytes(master);
    const auto shownAfter = [&](auto command) {
        m_messenger.shown.clear();
        EXPECT_FALSE(command());
        return m_messenger.shown;
    };
    const auto split = [&] {
        return portfolio::SplitQuotes(view, Date(5), "2", "1", m_settings, m_messenger);
    };
    const auto remove = [&] {
        return portfolio::DeleteQuote(view, Date(5), m_settings, m_messenger);
    };

    fs::remove(data);
    EXPECT_EQ(shownAfter(split),
              std::vector<std::string>{"Split Edit Failed\n\nFile Open (" + data.string() +
                                       " could not be read: No such file or directory)"});
    WriteBytes(data, dataBytes);

    const std::string unreadable = "The MASTER file of\n" + m_dir.string() +
                                   "\ncould not be read; nothing was changed.\n\n" +
                                   master.string();
    WriteBytes(master, Bytes(10));
    EXPECT_EQ(shownAfter(remove),
              (std::vector<std::string>{unreadable + " is shorter than its header",
                                        "Delete Edit Failed"}));
    fs::remove(master);
    EXPECT_EQ(
        shownAfter(remove),
        (std::vector<std::string>{unreadable + " could not be opened: No such file or directory",
                                  "Delete Edit Failed"}));
    WriteBytes(master, masterBytes);
    ASSERT_EQ(store::RemoveMasterRecords(
                  m_dir, [](const store::MasterRecord& r) { return r.SymbolText() == "AAA"; }),
              store::kSuccess);
    EXPECT_EQ(shownAfter(remove),
              (std::vector<std::string>{"The Symbol AAA was not found in\n" + m_dir.string(),
                                        "Delete Edit Failed"}));
    EXPECT_EQ(ReadBytes(data), dataBytes);

    EXPECT_EQ(shownAfter([&] { return view.FillQuotesGrid(0, m_messenger); }),
              std::vector<std::string>{"Error in FillQuotesGrid\n\nFile Not Found (AAA is not in " +
                                       master.string() + ")"});
}

TEST_F(QuoteEditing, AFailingDiskLeavesEveryFileAsItWas) {
    TempDir work;
    const auto run = [&](store::EditRequest request) {
        return [request](const fs::path& dir) {
            const store::EditResult result = store::EditQuotes(dir, "AAA", request);
            // Every failure names the file and the reason.
            EXPECT_EQ(result.detail.empty(), result.Succeeded()) << result.detail;
            return int{result.status};
        };
    };
    const store::DayNumber monday = SampleQuote(5).date;
    const std::set<std::string> backups = {"MASTER.BAK", "F1.BAK"};
    // Each replaced file is created, written, synced and renamed: F1.BAK and F1.DAT, and for a
    // delete that moves MASTER's dates also MASTER.BAK and MASTER.
    const std::pair<store::EditRequest, std::size_t> cases[] = {
        {{{2, 2, 2, 2, 2, 2}, 0, monday, 3}, 2 * 4},
        {{{1, 2, 3, 4, 5, 6}, monday, monday, 1}, 2 * 4},
        {{{}, monday, monday, 5}, 2 * 4},
        {{{}, SampleQuote(9).date, SampleQuote(9).date, 4}, 4 * 4},
        {{{}, monday, monday, 4}, 2 * 4}};
    for (const auto& [request, changes] : cases) {
        SCOPED_TRACE("operation " + std::to_string(request.operation));
        const auto statuses = ExpectAllOrNothing(m_dir, work.path() / "p", run(request), backups);
        EXPECT_EQ(statuses.size(), changes);
        for (const int status : statuses) {
            EXPECT_LT(status, 0);
        }
    }
}

}  // namespace
}  // namespace ticksmith::test
