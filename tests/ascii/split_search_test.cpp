#include "ascii/split_search.h"

#include <gtest/gtest.h>

#include <random>

#include "portfolio/view_state.h"
#include "settings/settings_support.h"
#include "test_support.h"

namespace ticksmith::ascii {
namespace {

namespace fs = std::filesystem;
using test::RecordingMessenger;

store::Quote Bar(float close, float high, float low) {
    store::Quote quote;
    quote.close = close;
    quote.high = high;
    quote.low = low;
    return quote;
}

std::optional<SplitRatio> Between(float a, float b) {
    // Ranges a fiftieth of the close wide: far enough apart for every band of the table.
    return SplitBetween(Bar(a, a * 1.01f, a * 0.99f), Bar(b, b * 1.01f, b * 0.99f));
}

TEST(SplitBetweenTest, BandsAndGap) {
    const auto two = SplitRatio{2, 1};
    EXPECT_EQ(SplitBetween(Bar(100, 101, 98), Bar(50, 52, 49)), two);           // g 46 > d 40
    EXPECT_EQ(SplitBetween(Bar(100, 101, 45), Bar(50, 60, 49)), std::nullopt);  // g 15
    // A rising close compares the earlier high with the later low.
    EXPECT_EQ(SplitBetween(Bar(50, 51, 49), Bar(100, 102, 99)), (SplitRatio{1, 2}));
    EXPECT_EQ(SplitBetween(Bar(50, 90, 49), Bar(100, 102, 99)), std::nullopt);

    const std::pair<float, SplitRatio> table[] = {
        {0.5f, {1, 2}},     {1.0f / 3, {1, 3}}, {0.25f, {1, 4}}, {2.0f, {2, 1}},
        {2.0f / 3, {2, 3}}, {3.0f, {3, 1}},     {1.5f, {3, 2}},  {4.0f, {4, 1}},
    };
    for (const auto& [ratio, expected] : table) {
        EXPECT_EQ(Between(ratio * 30.0f, 30.0f), expected) << ratio;
        EXPECT_EQ(Between(ratio * 30.0f * 1.09f, 30.0f), expected) << ratio;
    }
    // Bounds are strict; 4/3, 3/4 and ratios between the bands are never splits; a zero
    // close excludes the pair.
    for (const float a : {220.0f, 180.0f, 400.0f / 3, 75.0f, 120.0f, 0.0f}) {
        EXPECT_EQ(Between(a, 100.0f), std::nullopt) << a;
    }
    EXPECT_EQ(Between(100.0f, 0.0f), std::nullopt);
    EXPECT_EQ(SplitCandidateText("XYZ", two, store::DayNumberFromYmd(99, 5, 27)),
              "XYZ possible 2 for 1 split on 05/27/99");
}

class SplitSearchTest : public testing::Test {
  protected:
    fs::path dir() const { return temp.path(); }

    void AddSeries(const std::string& symbol, const std::vector<store::Quote>& quotes) {
        const int number = test::AddSymbol(dir(), symbol, 0);
        test::WriteBytes(dir() / store::DataFileName(number),
                         test::DataFile(quotes, store::LayoutOf(store::kStandardFields), 28));
    }

    // A quiet series of `count` quotes, with a 2-for-1 split before each quote in `splits`.
    static std::vector<store::Quote> Series(int count, const std::vector<int>& splits) {
        std::vector<store::Quote> quotes;
        float close = 1000.0f;
        for (int i = 0; i < count; ++i) {
            if (std::find(splits.begin(), splits.end(), i) != splits.end()) {
                close /= 2;
            }
            store::Quote quote = Bar(close, close * 1.01f, close * 0.99f);
            quote.date = static_cast<store::DayNumber>(10000 + i);
            quotes.push_back(quote);
        }
        return quotes;
    }

    std::vector<store::MasterRecord> GridRecords() const {
        std::vector<store::MasterRecord> records;
        EXPECT_EQ(store::ReadMasterRecords(dir(), records), store::kSuccess);
        return portfolio::SymbolGridOrder(records);
    }

    bool Search() {
        statuses.clear();
        platform::ProgressSink status([this](const platform::ProgressSnapshot& snapshot) {
            statuses.push_back(snapshot.Text(kSplitStatusText));
        });
        return SearchSplits(dir(), GridRecords(), results, false, messenger, &status);
    }

    test::TempDir temp;
    RecordingMessenger messenger;
    std::vector<std::string> results;
    std::vector<std::string> statuses;
};

std::string Candidate(const std::string& symbol, int quote) {
    return symbol + " possible 2 for 1 split on " +
           store::GridDateText(static_cast<store::DayNumber>(10000 + quote));
}

TEST_F(SplitSearchTest, FindsEveryPairOnceAcrossWindows) {
    // Splits at the start, around the window edge of 400 quotes, around the end of a read of
    // eight windows, and at the end.
    const std::vector<int> splits = {1, 399, 400, 401, 3198, 3199, 3200, 3201, 4999};
    AddSeries("LONG", Series(5000, splits));
    AddSeries("EDGE", Series(401, {400}));
    ASSERT_TRUE(Search());
    std::vector<std::string> expected = {Candidate("EDGE", 400)};
    for (const int split : splits) {
        expected.push_back(Candidate("LONG", split));
    }
    EXPECT_EQ(results, expected);
    EXPECT_EQ(statuses, (std::vector<std::string>{"EDGE", "LONG", "Done search"}));
    EXPECT_TRUE(messenger.shown.empty());

    // A second search appends to the first one's list.
    ASSERT_TRUE(Search());
    EXPECT_EQ(results.size(), 2 * expected.size());
}

// A window lists each candidate as it is found, and its Close stops a long search.
TEST_F(SplitSearchTest, TellsOfCandidatesAsFoundAndStopsWhenAsked) {
    AddSeries("A", Series(900, {10, 800}));
    AddSeries("B", Series(50, {20}));
    platform::ProgressSink status;
    std::vector<std::string> told;
    std::size_t listedWhenTold = 0;
    ASSERT_TRUE(SearchSplits(
        dir(), GridRecords(), results, true, messenger, &status,
        [&](const SplitCandidate& candidate) {
            told.push_back(candidate.text);
            EXPECT_EQ(candidate.text, SplitCandidateText(candidate.symbol, {2, 1}, candidate.date));
            listedWhenTold = results.size();
        }));
    EXPECT_EQ(told, results);
    EXPECT_EQ(listedWhenTold, results.size());

    // Asked to stop at the first candidate: the window being read is finished, nothing after
    // it is searched and nothing is said.
    results.clear();
    told.clear();
    messenger.shown.clear();
    EXPECT_FALSE(SearchSplits(dir(), GridRecords(), results, false, messenger, &status,
                              [&](const SplitCandidate& candidate) {
                                  told.push_back(candidate.text);
                                  status.RequestCancel();
                              }));
    EXPECT_EQ(told, (std::vector<std::string>{Candidate("A", 10), Candidate("A", 800)}));
    EXPECT_TRUE(messenger.shown.empty());
    EXPECT_NE(status.Snapshot().Text(kSplitStatusText), "Done search");
}

// Random walks crossing every band edge: the search lists exactly the pairs SplitBetween
// accepts, in order.
TEST_F(SplitSearchTest, AgreesWithThePairTest) {
    std::mt19937 random(11);
    std::vector<store::Quote> quotes;
    std::vector<std::string> expected;
    float close = 50.0f;
    for (int i = 0; i < 3000; ++i) {
        close *= static_cast<float>(random() % 5000 + 100) / 1000.0f;
        close = std::clamp(close, 0.01f, 1e6f);
        const float width = static_cast<float>(random() % 60) / 100.0f;
        store::Quote quote =
            Bar(random() % 50 == 0 ? 0.0f : close, close * (1 + width), close * (1 - width));
        quote.date = static_cast<store::DayNumber>(10000 + i);
        if (!quotes.empty()) {
            if (const auto ratio = SplitBetween(quotes.back(), quote)) {
                expected.push_back(SplitCandidateText("WALK", *ratio, quote.date));
            }
        }
        quotes.push_back(quote);
    }
    AddSeries("WALK", quotes);
    ASSERT_TRUE(Search());
    EXPECT_GT(expected.size(), 50u);
    EXPECT_EQ(results, expected);
}

TEST_F(SplitSearchTest, MessagesAndGridOrder) {
    AddSeries("beta", Series(2, {1}));
    AddSeries("ONE", Series(1, {}));
    test::AddSymbol(dir(), "NONE", 0);
    AddSeries("Alpha", Series(3, {2}));
    AddSeries("GONE", Series(5, {}));
    fs::remove(dir() / "F5.DAT");
    // Records without a symbol show, and are searched under, their issue name.
    store::MasterRecord bare = store::NewMasterRecord("", "ANON", 7);
    ASSERT_TRUE(store::AppendMasterRecord(dir(), bare).Succeeded());

    ASSERT_TRUE(Search());
    EXPECT_EQ(statuses, (std::vector<std::string>{"Alpha", "ANON", "beta", "GONE", "NONE", "ONE",
                                                  "Done search"}));
    EXPECT_EQ(results, (std::vector<std::string>{Candidate("Alpha", 2), Candidate("beta", 1)}));
    const std::string fewer =
        "SplitSearch cannot perform search\nas there are fewer than 2 quotes.";
    const auto unreadable = [&](const std::string& symbol, const std::string& file) {
        return "For symbol " + symbol +
               "\nSplitSearch cannot perform search\nas its quotes cannot be read: File Open (" +
               (dir() / file).string() + " could not be opened: No such file or directory)";
    };
    EXPECT_EQ(messenger.shown,
              (std::vector<std::string>{unreadable("ANON", "F6.DAT"), unreadable("GONE", "F5.DAT"),
                                        "For symbol NONE\n" + fewer, "For symbol ONE\n" + fewer}));

    // Nothing found anywhere: said with the information icon.
    results.clear();
    messenger.shown.clear();
    fs::remove(dir() / "F1.DAT");
    fs::remove(dir() / "F4.DAT");
    ASSERT_TRUE(Search());
    EXPECT_TRUE(results.empty());
    EXPECT_EQ(messenger.shown.back(), "No candidate splits found");
    EXPECT_EQ(messenger.lastIcon, platform::MessageIcon::kInformation);
}

TEST_F(SplitSearchTest, SaveReplacesWholeOrNotAtAll) {
    const std::vector<std::string> lines = {"A possible 2 for 1 split on 01/04/00",
                                            "B possible 1 for 2 split on 01/05/00"};
    const fs::path file = dir() / "result.txt";
    ASSERT_TRUE(SaveSplitResults(file, lines, messenger));
    const std::string saved =
        "A possible 2 for 1 split on 01/04/00\r\nB possible 1 for 2 split on 01/05/00\r\n";
    const test::Bytes before = test::ReadBytes(file);
    EXPECT_EQ(std::string(before.begin(), before.end()), saved);

    for (int failAt = 0; failAt < 4; ++failAt) {
        test::FailingFileSystem failing(failAt);
        platform::ScopedFileSystem scope(failing);
        EXPECT_FALSE(SaveSplitResults(file, {"C possible 3 for 1 split on 01/06/00"}, messenger));
        EXPECT_EQ(test::ReadBytes(file), before);
    }
    EXPECT_EQ(messenger.shown.back(), file.string() + "\nThe search results cannot be saved.");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir()), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace ticksmith::ascii
