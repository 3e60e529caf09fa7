// One symbol with a fuzzed record length, F1.DOP and F1.DAT: every reader of quote data must
// stay inside the file and agree with the others about what it holds.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz_support.h"
#include "platform/little_endian.h"
#include "store/encodings.h"
#include "store/master.h"
#include "store/quotes.h"
#include "store/status.h"

namespace {

namespace store = ticksmith::store;
namespace platform = ticksmith::platform;
using fuzzing::Bytes;
using fuzzing::fs::path;

constexpr std::string_view kSymbol = "FZ";

bool IsKnownStatus(int status) {
    return status == store::kSuccess || (status <= -1 && status >= -14) ||
           status == store::kUnknownLayout;
}

bool SameQuote(const store::Quote& a, const store::Quote& b) {
    for (int field = 0; field < store::kFieldCount; ++field) {
        if (a.Value(static_cast<store::Field>(field)) !=
            b.Value(static_cast<store::Field>(field))) {
            return false;
        }
    }
    return true;
}

std::uint32_t Key(const store::Quote& quote) {
    return (static_cast<std::uint32_t>(quote.date) << 16) | quote.time;
}

void CheckLayout(const store::FieldLayout& layout, int recordLength, bool limited) {
    std::vector<int> used;
    for (int field = 0; field < store::kFieldCount; ++field) {
        const int position = layout.position[field];
        FUZZ_CHECK(position >= 0);
        if (position != 0) {
            FUZZ_CHECK(!limited || 4 * position <= recordLength);
            FUZZ_CHECK(std::find(used.begin(), used.end(), position) == used.end());
            used.push_back(position);
        }
    }
}

// Series live as long as the process: a new 16000-quote block for every input costs more
// than everything else the target does.
// `reference` keeps the whole series apart from the one the reads under test go to.
store::QuoteSeries& Series(int capacity, bool reference = false) {
    static std::map<std::pair<int, bool>, store::QuoteSeries> series;
    const auto [at, added] = series.try_emplace({capacity, reference});
    if (added) {
        FUZZ_CHECK(store::AllocSeries(at->second, capacity) == store::kSuccess);
    }
    return at->second;
}

Bytes MasterWithOneRecord(int recordLength) {
    Bytes master(2 * store::kMasterRecordSize);
    platform::WriteI16(master.data(), 1);
    platform::WriteI16(master.data() + 2, 1);
    store::MasterRecord record = store::NewMasterRecord(kSymbol, "FUZZ QUOTES", recordLength / 4);
    record.fileNumber = 1;
    record.recordLength = static_cast<std::uint8_t>(recordLength);
    record.firstDate = store::FileDateFromDayNumber(14247);
    record.lastDate = store::FileDateFromDayNumber(15710);
    store::EncodeMasterRecord(record, master.data() + store::kMasterRecordSize);
    return master;
}

// Decoding, encoding and decoding again gives the first decoding.
void CheckRecordRoundTrip(const std::uint8_t* record, const store::FieldLayout& layout,
                          int recordLength) {
    const store::Quote decoded = store::DecodeQuote(record, layout, recordLength);
    Bytes copy(record, record + recordLength);
    store::EncodeQuote(decoded, layout, copy.data(), recordLength);
    FUZZ_CHECK(SameQuote(store::DecodeQuote(copy.data(), layout, recordLength), decoded));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < fuzzing::quote_input::kHeaderSize) {
        return 0;
    }
    const int recordLength = data[0];
    const std::uint8_t flags = data[1];
    const std::size_t dopLength = std::min<std::size_t>(platform::ReadU16(data + 2),
                                                        size - fuzzing::quote_input::kHeaderSize);
    const std::uint8_t* dopStart = data + fuzzing::quote_input::kHeaderSize;
    const std::string_view dop(reinterpret_cast<const char*>(dopStart), dopLength);
    const Bytes dat(dopStart + dopLength, data + size);
    const int capacity =
        fuzzing::quote_input::kCapacities[(flags >> fuzzing::quote_input::kCapacityShift) & 3];
    const bool lower = (flags & fuzzing::quote_input::kLowerCaseNames) != 0;
    const bool hasDop = (flags & fuzzing::quote_input::kNoDop) == 0;
    const bool hasDat = (flags & fuzzing::quote_input::kNoDat) == 0;

    fuzzing::Scratch& scratch = fuzzing::Scratch::Instance();
    const path& portfolio = fuzzing::Scratch::Instance().NewCase();
    fuzzing::WriteFile(portfolio / (lower ? "master" : "MASTER"),
                       MasterWithOneRecord(recordLength));
    if (hasDop) {
        fuzzing::WriteFile(portfolio / (lower ? "f1.dop" : "F1.DOP"), dop.data(), dop.size());
    }
    if (hasDat) {
        fuzzing::WriteFile(portfolio / (lower ? "f1.dat" : "F1.DAT"), dat);
    }
    const std::vector<std::string> filesBefore = fuzzing::Tree(portfolio);

    // The pieces on their own.
    CheckLayout(store::ParseFieldLayout(dop), recordLength, false);
    if (dat.size() >= 20) {
        store::FieldLayout guessed;
        const store::Status status =
            store::LayoutFromRecordLength(recordLength, dat.data(), guessed);
        FUZZ_CHECK(status == store::kSuccess || status == store::kUnknownLayout);
        CheckLayout(guessed, recordLength, status == store::kSuccess);
    }
    int counted = 0;
    const std::vector<std::uint8_t> header(dat.begin(),
                                           dat.begin() + std::min<std::size_t>(dat.size(), 4));
    const store::Status countStatus =
        store::CountQuotes(header, static_cast<std::int64_t>(dat.size()), recordLength, counted);
    FUZZ_CHECK(countStatus == store::kSuccess || countStatus == store::kFileRead);
    FUZZ_CHECK(counted >= 0);
    if (recordLength > 0) {
        FUZZ_CHECK(static_cast<std::size_t>(counted) * static_cast<std::size_t>(recordLength) +
                       static_cast<std::size_t>(recordLength) <=
                   std::max<std::size_t>(dat.size(), static_cast<std::size_t>(recordLength)));
    }

    store::FieldLayout layout;
    const store::Status layoutStatus =
        store::ReadFieldLayout(portfolio, 1, recordLength, layout, 'D');
    FUZZ_CHECK(layoutStatus == store::kSuccess || layoutStatus == store::kUnknownLayout);
    if (layoutStatus == store::kSuccess) {
        CheckLayout(layout, recordLength, true);
        for (std::size_t at = static_cast<std::size_t>(recordLength);
             at + static_cast<std::size_t>(recordLength) <= dat.size() && at < 8u * 256u;
             at += static_cast<std::size_t>(recordLength)) {
            CheckRecordRoundTrip(dat.data() + at, layout, recordLength);
        }
    }

    // The facts alone, then all quotes: the reference for the reads below.
    store::QuoteSeries facts;
    FUZZ_CHECK(store::AllocSeries(facts, 0) == store::kSuccess);
    store::QuoteSeries& all = Series(store::kMaxSeriesQuotes, true);
    const store::Status factsStatus = store::ReadSeries(facts, portfolio, kSymbol, 0, 0);
    FUZZ_CHECK(IsKnownStatus(factsStatus));
    const store::Status allStatus = store::ReadSeries(all, portfolio, kSymbol, 0, -1);
    FUZZ_CHECK(IsKnownStatus(allStatus));
    FUZZ_CHECK((factsStatus == store::kSuccess) == (allStatus == store::kSuccess));
    if (allStatus == store::kSuccess) {
        FUZZ_CHECK(layoutStatus == store::kSuccess && countStatus == store::kSuccess);
        FUZZ_CHECK(facts.quotesInFile == counted && all.quotesInFile == counted);
        FUZZ_CHECK(all.count == std::min(counted, store::kMaxSeriesQuotes));
        FUZZ_CHECK(static_cast<int>(all.quotes.size()) == all.count);
    }

    const std::pair<int, int> reads[] = {{0, -1},  {-1, 10}, {0, 5},       {3, 2},   {0, 0},
                                         {-5, -1}, {2, -1},  {1 << 20, 1}, {-1, -1}, {0, 1 << 20}};
    store::QuoteSeries& series = Series(capacity);
    for (const auto& [start, count] : reads) {
        const store::Status status = store::ReadSeries(series, portfolio, kSymbol, start, count);
        FUZZ_CHECK(IsKnownStatus(status));
        if (status != store::kSuccess) {
            continue;
        }
        FUZZ_CHECK(allStatus == store::kSuccess);
        FUZZ_CHECK(series.count == static_cast<int>(series.quotes.size()));
        FUZZ_CHECK(series.count <= std::max(series.capacity, 0));
        FUZZ_CHECK(series.count <= series.quotesInFile);
        // Each quote read is the quote at the same place of the whole series.
        const int first = start >= 0 ? start : std::max(0, counted - series.count);
        for (int i = 0; i < series.count; ++i) {
            const int index = first + i;
            if (index < all.count) {
                FUZZ_CHECK(SameQuote(series.quotes[static_cast<std::size_t>(i)],
                                     all.quotes[static_cast<std::size_t>(index)]));
            }
        }
    }

    // The date search: within the file, and exact when the quotes are in order.
    const bool sorted = allStatus == store::kSuccess && all.count == counted &&
                        std::is_sorted(all.quotes.begin(), all.quotes.end(),
                                       [](const store::Quote& a, const store::Quote& b) {
                                           return Key(a) < Key(b);
                                       });
    std::vector<store::DayNumber> dates = {0, 1, 14247, 65535};
    if (allStatus == store::kSuccess && all.count > 0) {
        dates.push_back(all.quotes.front().date);
        dates.push_back(all.quotes[static_cast<std::size_t>(all.count / 2)].date);
        dates.push_back(all.quotes.back().date);
        dates.push_back(static_cast<store::DayNumber>(all.quotes.back().date + 1));
    }
    for (const store::DayNumber date : dates) {
        store::DayNumber foundDate = 0;
        store::PackedTime foundTime = 0;
        const int index =
            store::FindQuoteByDate(portfolio, kSymbol, date, 0, &foundDate, &foundTime);
        FUZZ_CHECK(index >= 0 || IsKnownStatus(index));
        if (index >= 0) {
            FUZZ_CHECK(allStatus == store::kSuccess && index < counted);
        }
        if (sorted) {
            const std::uint32_t wanted = static_cast<std::uint32_t>(date) << 16;
            const auto expected = std::lower_bound(
                all.quotes.begin(), all.quotes.end(), wanted,
                [](const store::Quote& quote, std::uint32_t key) { return Key(quote) < key; });
            if (expected == all.quotes.end()) {
                FUZZ_CHECK(index == store::kRecordNotFound);
            } else {
                FUZZ_CHECK(index == static_cast<int>(expected - all.quotes.begin()));
                FUZZ_CHECK(foundDate == expected->date && foundTime == expected->time);
            }
        }
    }

    store::SeriesInfo info;
    const store::Status infoStatus = store::GetSeriesInfo(portfolio, kSymbol, info);
    FUZZ_CHECK(infoStatus == factsStatus);
    if (infoStatus == store::kSuccess) {
        FUZZ_CHECK(info.fileNumber == 1 && info.recordLength == recordLength);
        FUZZ_CHECK(info.quoteCount == counted);
        FUZZ_CHECK(info.symbol.size() == store::kNameLength);
        for (int field = 0; field < store::kFieldCount; ++field) {
            const auto f = static_cast<store::Field>(field);
            FUZZ_CHECK(info.layout.Has(f) == layout.Has(f));
        }
    }

    // Readers leave the portfolio as they found it.
    FUZZ_CHECK(fuzzing::Tree(portfolio) == filesBefore);
    scratch.CheckNothingStrayed();
    return 0;
}
