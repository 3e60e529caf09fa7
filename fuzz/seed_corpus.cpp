// Writes the starting corpus of each fuzz target, built through the store's own writers:
//
//   ticksmith_fuzz_seeds OUTDIR   ->  OUTDIR/fuzz_master/, OUTDIR/fuzz_quote_files/,
//                                     OUTDIR/fuzz_date_text/, OUTDIR/fuzz_import_line/

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz_support.h"
#include "platform/little_endian.h"
#include "store/encodings.h"
#include "store/master.h"
#include "store/quotes.h"

namespace {

namespace store = ticksmith::store;
namespace platform = ticksmith::platform;
using fuzzing::Bytes;
using fuzzing::fs::path;
namespace fs = fuzzing::fs;

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "ticksmith_fuzz_seeds: %s\n", what.c_str());
    std::exit(EXIT_FAILURE);
}

class Workspace {
  public:
    Workspace() {
        std::string pattern = (fs::temp_directory_path() / "ticksmith-seeds-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            Fail("cannot create a temporary directory");
        }
        m_path = pattern;
    }
    ~Workspace() {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    // A new empty portfolio.
    path Portfolio(const std::string& name) const {
        const path directory = m_path / name;
        fs::create_directories(directory);
        if (store::CreateEmptyMaster(directory) != store::kSuccess) {
            Fail("CreateEmptyMaster " + directory.string());
        }
        return directory;
    }

  private:
    path m_path;
};

int Add(const path& portfolio, std::string_view symbol, std::string_view name, int fields = 7) {
    store::MasterRecord record = store::NewMasterRecord(symbol, name, fields);
    const store::FileNumberResult appended = store::AppendMasterRecord(portfolio, record);
    if (!appended.Succeeded()) {
        Fail("AppendMasterRecord " + std::string(symbol));
    }
    return appended.fileNumber;
}

Bytes MasterBytes(const path& portfolio) {
    return fuzzing::ReadFile(store::MasterPath(portfolio));
}

void Save(const path& directory, const std::string& name, const Bytes& bytes) {
    fs::create_directories(directory);
    fuzzing::WriteFile(directory / name, bytes);
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes joined;
    for (const Bytes& part : parts) {
        joined.insert(joined.end(), part.begin(), part.end());
    }
    return joined;
}

Bytes Text(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

void MasterSeeds(const Workspace& work, const path& out) {
    namespace in = fuzzing::master_input;
    const path empty = work.Portfolio("empty");
    Save(out, "empty", Join({{0}, MasterBytes(empty)}));

    const path three = work.Portfolio("three");
    Add(three, "IBM", "INTL BUSINESS MACHINES");
    Add(three, "BRK A", "BERKSHIRE HATHAWAY A");
    Add(three, "MSFT", "MICROSOFT");
    const Bytes threeBytes = MasterBytes(three);
    Save(out, "three", Join({{0}, threeBytes}));
    Save(out, "three_lower_case", Join({{in::kLowerCaseNames}, threeBytes}));
    Save(out, "three_broken_tail", Join({{0}, threeBytes, Bytes(20, 0x41)}));
    Bytes overcounted = threeBytes;
    platform::WriteI16(overcounted.data(), 10);
    Save(out, "three_count_10", Join({{0}, overcounted}));

    const path parent = work.Portfolio("parent");
    Add(parent, "AAA", "AAA INDUSTRIES");
    Add(parent, "SUBDIR", "SUBDIR     <DIR>", 0);
    Add(parent, "ZZZ", "ZZZ MINING");
    const path child = work.Portfolio("child");
    Add(child, "DEEP", "DEEP HOLDINGS");
    Add(child, "AAA", "AAA IN CHILD");
    const Bytes parentBytes = MasterBytes(parent);
    Save(
        out, "subdirectory",
        Join(
            {{in::kHasSubdirectory}, parentBytes, Text(in::kSubMasterMarker), MasterBytes(child)}));
    Save(out, "subdirectory_cycle",
         Join({{in::kHasSubdirectory | in::kSubdirectoryIsCycle}, parentBytes}));
    // Three records naming one link back: the search takes 3^17 steps. The target builds this
    // cycle only under TICKSMITH_FUZZ_ALLOW_BLOWUP=1, where it reproduces the hang.
    const path cycle = work.Portfolio("cycle");
    for (int i = 0; i < 3; ++i) {
        Add(cycle, "LOOP", "LOOP       <DIR>", 0);
    }
    Save(out, "subdirectory_cycle_three",
         Join({{in::kHasSubdirectory | in::kSubdirectoryIsCycle}, MasterBytes(cycle)}));

    const path full = work.Portfolio("full");
    for (int i = 0; i < store::kMaxSymbols; ++i) {
        const std::string symbol = "S" + std::to_string(i);
        Add(full, symbol, symbol + " CORP");
    }
    Save(out, "full_255", Join({{0}, MasterBytes(full)}));
}

// A quote-file input: the record length, flags, the DOP text and the DAT bytes.
Bytes QuoteInput(int recordLength, std::uint8_t flags, std::string_view dop, const Bytes& dat) {
    Bytes input = {static_cast<std::uint8_t>(recordLength), flags, 0, 0};
    platform::WriteU16(input.data() + 2, static_cast<std::uint16_t>(dop.size()));
    input.insert(input.end(), dop.begin(), dop.end());
    input.insert(input.end(), dat.begin(), dat.end());
    return input;
}

// A data file as the writers make it: header, then one record per quote.
Bytes DataFile(const store::FieldLayout& layout, int recordLength,
               const std::vector<store::Quote>& quotes) {
    Bytes bytes(static_cast<std::size_t>(recordLength) * (quotes.size() + 1));
    for (std::size_t at = 0; at + 4 <= static_cast<std::size_t>(recordLength); at += 4) {
        bytes[at + 2] = 1;
    }
    platform::WriteI16(bytes.data() + 2, static_cast<std::int16_t>(quotes.size() + 1));
    for (std::size_t i = 0; i < quotes.size(); ++i) {
        store::EncodeQuote(quotes[i], layout, bytes.data() + recordLength * (i + 1), recordLength);
    }
    return bytes;
}

std::vector<store::Quote> Quotes(int count, store::DayNumber first, int step = 1) {
    std::vector<store::Quote> quotes;
    float close = 10.5f;
    for (int i = 0; i < count; ++i) {
        store::Quote quote;
        quote.date = static_cast<store::DayNumber>(first + step * i);
        quote.time = store::PackTime(9 + i % 7, (i * 7) % 60, (i * 13) % 60);
        quote.open = close;
        close += static_cast<float>((i * 37) % 11 - 5) / 8.0f;
        quote.close = close;
        quote.high = std::max(quote.open, close) + 0.25f;
        quote.low = std::min(quote.open, close) - 0.25f;
        quote.volume = static_cast<float>(12000 + 100 * i);
        quote.openInterest = static_cast<float>(i);
        quotes.push_back(quote);
    }
    return quotes;
}

void QuoteSeeds(const path& out) {
    namespace in = fuzzing::quote_input;
    constexpr store::DayNumber kStart = 14247;  // 3 January 2000

    const std::string standardDop = store::DopText(store::kStandardFields);
    const store::FieldLayout standard = store::ParseFieldLayout(standardDop);
    const Bytes standardData = DataFile(standard, 28, Quotes(40, kStart));
    Save(out, "standard_28", QuoteInput(28, 0, standardDop, standardData));
    Save(out, "standard_28_capacity_10",
         QuoteInput(28, 1 << in::kCapacityShift, standardDop, standardData));
    Save(out, "standard_28_lower_case",
         QuoteInput(28, in::kLowerCaseNames, standardDop, standardData));
    Save(out, "standard_28_no_dop", QuoteInput(28, in::kNoDop, standardDop, standardData));
    Save(out, "standard_28_no_dat", QuoteInput(28, in::kNoDat, standardDop, {}));
    Save(out, "standard_28_header_only",
         QuoteInput(28, 0, standardDop, DataFile(standard, 28, {})));
    Save(out, "standard_28_unsorted",
         QuoteInput(28, 0, standardDop, DataFile(standard, 28, Quotes(30, 20000, -3))));

    const store::FieldSet all = {true, true, true, true, true, true, true, true};
    const std::string allDop = store::DopText(all);
    Save(out, "time_32",
         QuoteInput(32, 0, allDop,
                    DataFile(store::ParseFieldLayout(allDop), 32, Quotes(25, kStart))));

    const std::string lowerDop =
        "\"date\",0,0\r\n\"open\",4,4\r\n\"high\",4,4\r\n\"low\",4,4\r\n"
        "\"close\",4,4\r\n\"volume\",4,4\r\n";
    Save(out, "lower_dop_volume_24",
         QuoteInput(24, 0, lowerDop,
                    DataFile(store::ParseFieldLayout(lowerDop), 24, Quotes(20, kStart))));
    const std::string longLine = "\"DATE\"," + std::string(320, '7') + ",0\n\"CLOSE\",-3,100\n";
    Save(out, "long_dop_line_8",
         QuoteInput(8, 0, longLine,
                    DataFile(store::ParseFieldLayout(longLine), 8, Quotes(5, kStart))));

    for (const auto& [length, fields] : std::vector<std::pair<int, std::vector<store::Field>>>{
             {12, {store::kDate, store::kClose, store::kVolume}},
             {16, {store::kDate, store::kHigh, store::kLow, store::kClose}},
             {20, {store::kDate, store::kHigh, store::kLow, store::kClose, store::kVolume}},
             {20, {store::kDate, store::kOpen, store::kHigh, store::kLow, store::kClose}},
             {24,
              {store::kDate, store::kOpen, store::kHigh, store::kLow, store::kClose,
               store::kVolume}}}) {
        store::FieldLayout layout;
        int position = 1;
        for (const store::Field field : fields) {
            layout.position[field] = position++;
        }
        const std::string name = "no_dop_" + std::to_string(length) + "_" +
                                 (layout.Has(store::kOpen) ? "open" : "no_open");
        Save(out, name,
             QuoteInput(length, in::kNoDop, "", DataFile(layout, length, Quotes(12, kStart))));
    }
}

void DateSeeds(const path& out) {
    const auto input = [](char separator, store::DayNumber day, std::string_view text) {
        Bytes bytes = {static_cast<std::uint8_t>(separator), 0, 0};
        platform::WriteU16(bytes.data() + 1, day);
        bytes.insert(bytes.end(), text.begin(), text.end());
        return bytes;
    };
    const std::pair<const char*, std::string_view> texts[] = {
        {"mm_dd_yy", "1/3/00"},
        {"mm_dd_ccyy", "01/03/2000"},
        {"quoted", "  \"01/03/2000"},
        {"yymmdd", "000103"},
        {"ccyymmdd", "20000103"},
        {"zeros", "000000"},
        {"eleven", "12345678901"},
        {"iso", "2000-01-03"},
        {"dotted", "03.01.2000"},
        {"one_field", "2000"},
        {"empty", ""},
        {"leap_day", "02/29/2000"},
    };
    for (const auto& [name, text] : texts) {
        Save(out, name, input('/', 14247, text));
    }
    Save(out, "last_day", input('-', 65535, "06/04/2140"));
    Save(out, "first_day", input('.', 1, "19610101"));
}

// fuzz_import_line: [date format] [flags] [rows to skip] [seven column bytes] [text], as
// fuzz_import_line.cpp reads them.
void ImportLineSeeds(const path& out) {
    const auto input = [](std::uint8_t format, std::uint8_t flags, std::uint8_t skip,
                          std::string_view text) {
        Bytes bytes = {format, flags, skip, 0, 1, 2, 3, 4, 5, 6};
        bytes.insert(bytes.end(), text.begin(), text.end());
        return bytes;
    };
    constexpr std::uint8_t kAllFields = 0xF8;  // comma, no month names
    const std::string longLine = "01/05/2004," + std::string(300, '7') + ",1\r\n";
    Save(out, "csv_ccyy",
         input(3, kAllFields, 0,
               "01/05/2004,1.5,2,1,1.75,1000,0\r\n01/06/2004,1.6,2.1,1.1,1.8,"
               "1100,5\r\n"));
    Save(out, "heading",
         input(8, kAllFields, 1,
               "Date,Open,High,Low,Close,Vol,OI\n010504,1,2,"
               "0.5,1.5,100,N/A\n010604,1,2,0.5,1.5\n"));
    Save(out, "months",
         input(5, kAllFields | 4, 0,
               "15-JAN-2004,1,2,0.5,1.5,100,7\n"
               "16-jan-2004,1,2,0.5,1.5,100,7\n"));
    Save(out, "tabs_no_oi", input(7, 0x78 | 1, 0, "20040105\t1\t2\t0.5\t1.5\t100\n\n\t\t\n"));
    Save(out, "spaces_short_lines", input(0, 0x08 | 2, 0, "04 01 05  1.5\n04 01 06\n"));
    Save(out, "long_date",
         input(3, kAllFields, 0, "01/05/2004,1\r\n" + std::string(55, '1') + ",2\r\n"));
    Save(out, "long_line", input(3, kAllFields, 0, longLine));
    Save(out, "no_line_end", input(3, kAllFields, 0, "01/05/2004,1,2,3,4,5,6"));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return EXIT_FAILURE;
    }
    const path out = argv[1];
    fuzzing::NoSyncFileSystem noSync;
    platform::ScopedFileSystem scoped(noSync);
    Workspace work;
    MasterSeeds(work, out / "fuzz_master");
    QuoteSeeds(out / "fuzz_quote_files");
    DateSeeds(out / "fuzz_date_text");
    ImportLineSeeds(out / "fuzz_import_line");
    return EXIT_SUCCESS;
}
