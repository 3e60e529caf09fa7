#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "store/quotes.h"
#include "test_support.h"

namespace ticksmith::store {
namespace {

using test::Bytes;
using test::ReadBytes;
using test::SampleQuote;
using test::WriteBytes;
using Positions = std::array<int, kFieldCount>;

// A data file of plain numbers, dates as file dates.
Bytes RawDataFile(std::size_t fields, const std::vector<std::vector<float>>& rows) {
    Bytes bytes(4 * fields);
    platform::WriteU16(bytes.data() + 2, static_cast<std::uint16_t>(rows.size() + 1));
    for (const auto& row : rows) {
        for (float value : row) {
            const FloatBytes mbf = FloatToMbf(value);
            bytes.insert(bytes.end(), mbf.begin(), mbf.end());
        }
    }
    return bytes;
}

void ExpectQuote(const Quote& got, const Quote& want) {
    EXPECT_EQ(std::pair(got.date, got.time), std::pair(want.date, want.time));
    for (Field field : {kOpen, kHigh, kLow, kClose, kVolume, kOpenInterest}) {
        EXPECT_EQ(got.Value(field), want.Value(field)) << "field " << field;
    }
}

class QuotesTest : public ::testing::Test {
  protected:
    fs::path Dir() const { return m_temp.path(); }
    Positions LayoutPositions(int recordLength) const {
        FieldLayout layout;
        const Status status = ReadFieldLayout(Dir(), 1, recordLength, layout, 'D');
        return status == kSuccess ? layout.position : Positions{status};
    }
    test::TempDir m_temp;
};

TEST(FieldLayoutTest, FromDopText) {
    const FieldLayout standard = ParseFieldLayout(DopText(kStandardFields));
    EXPECT_EQ(standard.position, (Positions{1, 0, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(standard.inputFormat, (Positions{0, 0, 4, 4, 4, 4, 4, 4}));
    EXPECT_EQ(standard.displayFormat, standard.inputFormat);
    const FieldLayout lower = ParseFieldLayout(
        "\"date\",0,0\n\"open\",4,4\n\"high\",4,4\n\"low\",4,4\n\"close\",4,4\n\"volume\",4,4\n"
        "\"oi\",4,4");
    EXPECT_EQ(lower.position, standard.position);
    EXPECT_EQ(lower.displayFormat, standard.displayFormat);

    // Other lines and unknown names take no position; the file's order is honoured.
    const FieldLayout odd =
        ParseFieldLayout("junk\r\n\"CLOSE\",-3\r\n\"FOO\",1,1\r\n\r\n\"DATE\",0,0\r\n\"VOL\"");
    EXPECT_EQ(odd.position, (Positions{2, 0, 0, 0, 0, 1, 3, 0}));
    EXPECT_EQ(std::pair(odd.inputFormat[kClose], odd.displayFormat[kClose]), std::pair(-3, 0));

    // Lines arrive in pieces of 299 characters: a piece that begins with a quote is a line.
    std::string close = "\"CLOSE\",2,2";
    close.resize(299, ' ');
    const FieldLayout pieces =
        ParseFieldLayout(std::string(300, 'x') + "\n\"DATE\",0,0\n" + close + "\"VOL\",100,1000\n");
    EXPECT_EQ(pieces.position, (Positions{1, 0, 0, 0, 0, 2, 3, 0}));
    EXPECT_EQ(pieces.displayFormat[kVolume], 1000);
}

TEST_F(QuotesTest, LayoutFromTheFilesOrTheRecordLength) {
    EXPECT_EQ(LayoutPositions(12), (Positions{1, 0, 0, 0, 0, 2, 3, 0}));
    EXPECT_EQ(LayoutPositions(16), (Positions{1, 0, 0, 2, 3, 4, 0, 0}));
    EXPECT_EQ(LayoutPositions(24), (Positions{1, 0, 2, 3, 4, 5, 6, 0}));
    EXPECT_EQ(LayoutPositions(28), (Positions{1, 0, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(LayoutPositions(32), (Positions{1, 2, 3, 4, 5, 6, 7, 8}));
    for (int length : {0, -4, 6, 8, 20, 30, 36}) {
        EXPECT_EQ(LayoutPositions(length), Positions{kUnknownLayout}) << length;
    }
    // 20 bytes: a fifth value of 0 or above twice the second one is a volume.
    const Positions hlcv{1, 0, 0, 2, 3, 4, 5, 0};
    const Positions ohlc{1, 0, 2, 3, 4, 5, 0, 0};
    const std::pair<Bytes, Positions> guesses[] = {
        {RawDataFile(5, {}), hlcv},
        {RawDataFile(5, {{1000103, 10.5f, 10.0f, 10.2f, 12000}}), hlcv},
        {RawDataFile(5, {{1000103, 10.1f, 10.5f, 10.0f, 10.2f}}), ohlc},
        {RawDataFile(5, {{1000103, 10.1f, 10.5f, 10.0f, 0}}), hlcv}};
    for (const auto& [data, positions] : guesses) {
        WriteBytes(Dir() / "f1.dat", data);
        EXPECT_EQ(LayoutPositions(20), positions);
    }
    // A F<n>.DOP, its name in any case, decides.
    WriteBytes(Dir() / "f1.Dop", DopText(kStandardFields));
    EXPECT_EQ(LayoutPositions(32), (Positions{1, 0, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(LayoutPositions(0), Positions{kUnknownLayout});
    EXPECT_EQ(LayoutPositions(22), Positions{kUnknownLayout});
}

// A description that cannot be true of the record is ignored, as by programs that carry none.
TEST_F(QuotesTest, DamagedDopGivesWayToTheRecordLength) {
    const Positions byLength{1, 0, 2, 3, 4, 5, 6, 7};
    const std::string standard = DopText(kStandardFields);
    const std::string damaged[] = {
        "",
        std::string("\0\xff\"\x80\n", 5),
        "\"FOO\",0,0\r\n\"BAR\",4,4\r\n",
        "\"OPEN\",4,4\r\n\"CLOSE\",4,4\r\n",  // no date
        "\"DATE\",0,0\r\n\"OPEN\",4,4\r\n",   // no close
        standard + "\"VOLUME\",4,4\r\n",      // a field named twice
    };
    for (const std::string& dop : damaged) {
        WriteBytes(Dir() / "F1.DOP", dop);
        EXPECT_EQ(LayoutPositions(28), byLength) << dop;
        EXPECT_EQ(LayoutPositions(32), (Positions{1, 2, 3, 4, 5, 6, 7, 8})) << dop;
        EXPECT_EQ(LayoutPositions(36), Positions{kUnknownLayout}) << dop;
    }
    // More fields than 28 bytes hold; 32 bytes hold them all.
    WriteBytes(Dir() / "F1.DOP", "\"TIME\",0,0\r\n" + standard);
    EXPECT_EQ(LayoutPositions(28), byLength);
    EXPECT_EQ(LayoutPositions(32), (Positions{2, 1, 3, 4, 5, 6, 7, 8}));
    // Fewer fields than the record holds, in an order of its own, are a description.
    WriteBytes(Dir() / "F1.DOP", std::string("\"CLOSE\",4,4\r\n\"DATE\",0,0\r\n"));
    EXPECT_EQ(LayoutPositions(28), (Positions{2, 0, 0, 0, 0, 1, 0, 0}));
}

TEST(QuoteCodingTest, EncodeWritesOnlyTheLayoutsFields) {
    FieldLayout layout;
    layout.position = {1, 0, 0, 0, 0, 3, 2, 6};  // the open interest lies past the record
    Bytes record(20, 0xAB);
    Quote quote = SampleQuote(3);
    quote.time = 5;
    EncodeQuote(quote, layout, record.data(), 20);
    const FloatBytes date = FileDateFromDayNumber(quote.date);
    const FloatBytes volume = FloatToMbf(quote.volume);
    EXPECT_TRUE(std::equal(date.begin(), date.end(), record.begin()));
    EXPECT_TRUE(std::equal(volume.begin(), volume.end(), record.begin() + 4));
    EXPECT_EQ(Bytes(record.begin() + 12, record.end()), Bytes(8, 0xAB));
    Quote expected;
    expected.date = quote.date;
    expected.close = quote.close;
    expected.volume = quote.volume;
    ExpectQuote(DecodeQuote(record.data(), layout, 20), expected);
}

TEST_F(QuotesTest, ReadSeriesStartAndCount) {
    test::AddSymbol(Dir(), "TWENTYFIVE", 25);
    test::AddSymbol(Dir(), "EMPTY", 0);
    QuoteSeries series;
    ASSERT_EQ(AllocSeries(series, 100), kSuccess);
    // start, count -> status, first quote read, quotes read
    const std::array<int, 5> cases[] = {
        {0, -1, kSuccess, 0, 25},       {-1, -1, kSuccess, 0, 25}, {-1, 10, kSuccess, 15, 10},
        {5, -1, kSuccess, 5, 20},       {20, 10, kSuccess, 20, 5}, {24, 1, kSuccess, 24, 1},
        {0, 0, kSuccess, 0, 0},         {25, -1, kSuccess, 0, 0},  {25, 1, kRecordNotFound, 0, 0},
        {30, -1, kRecordNotFound, 0, 0}};
    for (const auto& [start, count, status, first, read] : cases) {
        SCOPED_TRACE(testing::Message() << "start " << start << " count " << count);
        ASSERT_EQ(ReadSeries(series, Dir(), "twentyfive", start, count), status);
        EXPECT_EQ(std::pair(series.quotesInFile, series.directory), std::pair(25, Dir()));
        if (status != kSuccess) {
            continue;
        }
        ASSERT_EQ(series.count, read);
        for (int i = 0; i < read; ++i) {
            ExpectQuote(series.quotes[static_cast<std::size_t>(i)], SampleQuote(first + i));
        }
    }
    ASSERT_EQ(AllocSeries(series, 4), kSuccess);
    ASSERT_EQ(ReadSeries(series, Dir(), "TWENTYFIVE", -1, -1), kSuccess);
    ASSERT_EQ(series.count, 4);
    ExpectQuote(series.quotes[0], SampleQuote(21));
    EXPECT_EQ(ReadSeries(series, Dir(), "EMPTY", 0, -1), kSuccess);
    EXPECT_EQ(series.count, 0);
    EXPECT_EQ(ReadSeries(series, Dir(), "EMPTY", 0, 5), kRecordNotFound);
    EXPECT_EQ(FindQuoteByDate(Dir(), "EMPTY", 1, 0), kRecordNotFound);
    EXPECT_EQ(ReadSeries(series, Dir(), "NONE", 0, 5), kFileNotFound);
    fs::remove(Dir() / "F1.DAT");
    EXPECT_EQ(ReadSeries(series, Dir(), "TWENTYFIVE", 0, 5), kFileOpen);
}

TEST_F(QuotesTest, ReadSeriesOfOtherLayoutsAndDamagedFiles) {
    test::AddSymbol(Dir(), "BIG", 16010);
    QuoteSeries series;
    ASSERT_EQ(AllocSeries(series, 20000), kSuccess);
    ASSERT_EQ(ReadSeries(series, Dir(), "BIG", 0, -1), kSuccess);
    EXPECT_EQ(std::pair(series.quotesInFile, series.count), std::pair(16010, 16000));
    ExpectQuote(series.quotes[15999], SampleQuote(15999));

    // Five fields and no F<n>.DOP: DATE HIGH LOW CLOSE VOL, so no open and no time.
    const int five =
        test::AddSymbol(Dir(), "FIVE", 3, {true, false, false, true, true, true, true});
    fs::remove(Dir() / DopFileName(five));
    ASSERT_EQ(ReadSeries(series, Dir(), "FIVE", 0, -1), kSuccess);
    ASSERT_EQ(series.count, 3);
    for (int i = 0; i < 3; ++i) {
        Quote expected = SampleQuote(i);
        expected.open = expected.openInterest = kAbsentValue;
        ExpectQuote(series.quotes[static_cast<std::size_t>(i)], expected);
    }

    // A header that promises more records than the file holds, then one below 1.
    const int number = test::AddSymbol(Dir(), "SHORT", 3);
    Bytes data = ReadBytes(Dir() / DataFileName(number));
    data.resize(data.size() - 5);
    for (const std::uint16_t last : {50, 0x8000}) {  // unsigned: 0x8000 is no negative number
        platform::WriteU16(data.data() + 2, last);
        WriteBytes(Dir() / DataFileName(number), data);
        ASSERT_EQ(ReadSeries(series, Dir(), "SHORT", 0, -1), kSuccess);
        EXPECT_EQ(std::pair(series.quotesInFile, series.count), std::pair(2, 2));
    }
    platform::WriteU16(data.data() + 2, 0);
    WriteBytes(Dir() / DataFileName(number), data);
    EXPECT_EQ(ReadSeries(series, Dir(), "SHORT", 0, -1), kFileRead);
    EXPECT_EQ(FindQuoteByDate(Dir(), "SHORT", 14247, 0), kFileRead);
    for (int length : {0, 6}) {
        MasterRecord record = test::Record(number, "SHORT");
        record.recordLength = static_cast<std::uint8_t>(length);
        WriteBytes(Dir() / "MASTER", test::MasterFile(1, 1, {record}));
        EXPECT_EQ(ReadSeries(series, Dir(), "SHORT", 0, -1), kUnknownLayout) << length;
    }
}

TEST_F(QuotesTest, FindQuoteByDate) {
    test::AddSymbol(Dir(), "DAYS", 10);  // Monday 3 to Friday 14 January 2000
    const DayNumber monday = 14247;
    DayNumber found = 0;
    // Days after that Monday, and the index found; without a TIME field the time is ignored.
    const int days[] = {0, 2, 5, 6, 11, -247, 12};
    const int indexes[] = {0, 2, 5, 5, 9, 0, kRecordNotFound};
    for (std::size_t i = 0; i < std::size(days); ++i) {
        found = 0;
        const auto date = static_cast<DayNumber>(monday + days[i]);
        EXPECT_EQ(FindQuoteByDate(Dir(), "DAYS", date, 999, &found), indexes[i]) << days[i];
        EXPECT_EQ(found, indexes[i] < 0 ? 0 : SampleQuote(indexes[i]).date) << days[i];
    }
    EXPECT_EQ(FindQuoteByDate(Dir(), "NONE", monday, 0), kFileNotFound);

    // With a TIME field, quotes of one day are told apart by their time.
    FieldSet all;
    all.fill(true);
    const int number = test::AddSymbol(Dir(), "INTRA", 0, all);
    std::vector<Quote> quotes(3, SampleQuote(0));
    quotes[0].time = quotes[2].time = PackTime(9, 0, 0);
    quotes[1].time = PackTime(9, 30, 0);
    quotes[2].date = monday + 1;
    WriteBytes(Dir() / DataFileName(number),
               test::DataFile(quotes, ParseFieldLayout(DopText(all)), 32));
    PackedTime foundTime = 0;
    EXPECT_EQ(FindQuoteByDate(Dir(), "INTRA", monday, PackTime(9, 15, 0), &found, &foundTime), 1);
    EXPECT_EQ(foundTime, PackTime(9, 30, 0));
    EXPECT_EQ(FindQuoteByDate(Dir(), "INTRA", monday, PackTime(9, 30, 0)), 1);
    EXPECT_EQ(FindQuoteByDate(Dir(), "INTRA", monday, 0), 0);
    EXPECT_EQ(FindQuoteByDate(Dir(), "INTRA", monday + 1, PackTime(10, 0, 0)), kRecordNotFound);
}

TEST_F(QuotesTest, CreateQuoteFilesAllOrNothing) {
    ASSERT_EQ(CreateQuoteFiles(Dir(), 12, kStandardFields), kSuccess);
    EXPECT_EQ(ReadBytes(Dir() / "F12.DAT"), test::DataFile({}, {}, 28));
    const Bytes dop = ReadBytes(Dir() / "F12.DOP");
    EXPECT_EQ(std::string(dop.begin(), dop.end()),
              "\"DATE\",0,0\r\n\"OPEN\",4,4\r\n\"HIGH\",4,4\r\n\"LOW\",4,4\r\n\"CLOSE\",4,4\r\n"
              "\"VOL\",4,4\r\n\"OI\",4,4\r\n");

    const fs::path pristine = Dir() / "pristine";
    fs::create_directory(pristine);
    test::AddSymbol(pristine, "HAS", 4);
    const auto create = [](const fs::path& dir) -> int {
        return CreateQuoteFiles(dir, 2, kStandardFields);
    };
    // Only the data file, complete, may stay when its description cannot be written.
    std::vector<int> statuses(8, kFileWrite);
    statuses[0] = kFileOpen;
    EXPECT_EQ(test::ExpectAllOrNothing(pristine, Dir() / "work", create, {"F2.DAT"}), statuses);
}

TEST_F(QuotesTest, GarbageGetsAStatusNotACrash) {
    std::mt19937 random(7);
    const auto garbage = [&random](std::size_t size) {
        std::string bytes(size, '"');
        for (char& byte : bytes) {
            byte = random() % 8 == 0 ? '"' : static_cast<char>(random());
        }
        return bytes;
    };
    const std::string dopLines[] = {"\"DATE\",0,0", "\"TIME\",", "\"VOLUME\",-9",
                                    "\"",           "\"OI",      std::string(310, 'c'),
                                    "\r\n",         "\n",        ","};
    QuoteSeries series;
    for (int round = 0; round < 120; ++round) {
        MasterRecord record = test::Record(1, "G");
        record.recordLength =
            static_cast<std::uint8_t>(round % 3 == 0 ? random() : 4 * (random() % 10));
        record.firstDate = {0x12, 0x34, static_cast<std::uint8_t>(random()), 0x95};
        Bytes master = test::MasterFile(static_cast<int>(random() % 4), 9, {record});
        const std::string tail = garbage(random() % 120);
        master.insert(master.end(), tail.begin(), tail.end());
        WriteBytes(Dir() / "MASTER", master);
        WriteBytes(Dir() / "F1.DAT", garbage(random() % 400));
        std::string dop;
        for (int line = 0; line < 12; ++line) {
            dop += dopLines[random() % std::size(dopLines)] + garbage(random() % 4);
        }
        WriteBytes(Dir() / "F1.DOP", dop);
        if (round % 2 == 0) {
            fs::remove(Dir() / "F1.DOP");
        }
        ASSERT_EQ(AllocSeries(series, 1 + static_cast<int>(random() % 40)), kSuccess);
        for (const auto& [start, count] : {std::pair{0, -1}, {-1, -1}, {-1, 5}, {3, 7}, {0, 0}}) {
            const Status status = ReadSeries(series, Dir(), "G", start, count);
            EXPECT_LE(status, 0);
            EXPECT_LE(series.count, std::min(series.capacity, series.quotesInFile));
        }
        const int index = FindQuoteByDate(Dir(), "G", static_cast<DayNumber>(random()),
                                          static_cast<PackedTime>(random()));
        EXPECT_LT(index, std::max(series.quotesInFile, 1));
        SeriesInfo info;
        EXPECT_LE(GetSeriesInfo(Dir(), "G", info), 0);
    }
}

}  // namespace
}  // namespace ticksmith::store
