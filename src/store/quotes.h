#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "store/encodings.h"
#include "store/master.h"
#include "store/status.h"

namespace ticksmith::store {

namespace fs = std::filesystem;

// The canonical fields of a quote, in the order a record holds them.
enum Field : int { kDate, kTime, kOpen, kHigh, kLow, kClose, kVolume, kOpenInterest };
inline constexpr int kFieldCount = 8;
inline constexpr std::array<std::string_view, kFieldCount> kFieldNames = {
    "DATE", "TIME", "OPEN", "HIGH", "LOW", "CLOSE", "VOL", "OI"};

// The most quotes a data file can hold: its header counts them, plus one, in 16 bits.
inline constexpr int kMaxQuotesInFile = 0xFFFE;
// Reading all quotes stops here.
inline constexpr int kMaxSeriesQuotes = 16000;
// A field the record does not carry reads as this.
inline constexpr float kAbsentValue = -1.0f;

// Which field of a record holds what: 1-based positions, 0 for a field the record lacks.
struct FieldLayout {
    std::array<int, kFieldCount> position{};
    std::array<int, kFieldCount> inputFormat{};
    std::array<int, kFieldCount> displayFormat{};

    bool Has(Field field) const { return position[field] != 0; }
    int PresentFields() const;
};

// The fields a new symbol's files carry.
using FieldSet = std::array<bool, kFieldCount>;
// Add Symbol's set: every field but TIME.
inline constexpr FieldSet kStandardFields = {true, false, true, true, true, true, true, true};

struct Quote {
    DayNumber date = 0;
    PackedTime time = 0;
    float open = kAbsentValue;
    float high = kAbsentValue;
    float low = kAbsentValue;
    float close = kAbsentValue;
    float volume = kAbsentValue;
    float openInterest = kAbsentValue;

    float Value(Field field) const;
    void SetValue(Field field, float value);
};

// Names of a symbol's files.
std::string SymbolFileName(int fileNumber, std::string_view extension);  // F<n>.<extension>
std::string DataFileName(int fileNumber);                                // F<n>.DAT
std::string DopFileName(int fileNumber);                                 // F<n>.DOP

// Layout from F<n>.DOP text. Lines not beginning with a double quote and unknown names are
// skipped; a name matches a keyword over the keyword's length (VOLUME is VOL).
FieldLayout ParseFieldLayout(std::string_view dopText);
// Layout from the record length alone; the 20-byte case looks at the first quote's bytes
// (null when the file holds none). `period` is the MASTER record's period letter: intraday
// software writes 28-byte records with the time of day after the date and no open interest.
[[nodiscard]] Status LayoutFromRecordLength(int recordLength, const std::uint8_t* firstQuote,
                                            FieldLayout& layout, char period = 'D');
// Learns a symbol's layout from its F<n>.DOP, or from the record length when there is none or
// it cannot describe the record (no DATE or CLOSE, a field named twice, more fields than the
// record holds). kUnknownLayout when neither gives one, or the record length is not a whole
// number of fields. Every reader and writer of data files learns the layout here. `period` is
// the MASTER record's period letter.
[[nodiscard]] Status ReadFieldLayout(const fs::path& directory, int fileNumber, int recordLength,
                                     FieldLayout& layout, char period);

// Why neither F<n>.DOP nor the record length gives a layout, for a person.
std::string UnknownLayoutReason(int fileNumber, int recordLength);

// Writers refuse a series whose records carry a time of day: neither the profiles nor the
// dialogs say which time a new or changed quote would get.
inline bool HoldsIntraday(const FieldLayout& layout) {
    return layout.Has(kTime);
}
// The refusal, for a person.
std::string IntradayRefusal(std::string_view symbol);

// Record <-> quote. The encoder writes the layout's fields at their positions over `record`,
// leaving bytes of fields the layout does not name as they are.
Quote DecodeQuote(const std::uint8_t* record, const FieldLayout& layout, int recordLength);
void EncodeQuote(const Quote& quote, const FieldLayout& layout, std::uint8_t* record,
                 int recordLength);

// The layout that the F<n>.DOP of CreateQuoteFiles describes for `fields`.
FieldLayout LayoutOf(const FieldSet& fields);

// A new symbol's header-only F<n>.DAT and its F<n>.DOP.
[[nodiscard]] Status CreateQuoteFiles(const fs::path& directory, int fileNumber,
                                      const FieldSet& fields);
std::string DopText(const FieldSet& fields);

// The quotes that a data file of `fileSize` bytes holds in whole records after its header,
// whatever the header's count says; 0 for a file no longer than its header.
[[nodiscard]] std::int64_t WholeRecordQuotes(std::int64_t fileSize, int recordLength);

// The number of quotes a data file holds: its header's last record number - 1, limited to
// the records the file really has. kFileRead for a header below 1 or shorter than 4 bytes.
[[nodiscard]] Status CountQuotes(const std::vector<std::uint8_t>& header, std::int64_t fileSize,
                                 int recordLength, int& quotes);

// Writes a whole data file holding `quotes`, oldest first, through `temporaryName`; the header
// is a new file's. kInvalidParm when the quotes do not fit a header's record number.
[[nodiscard]] Status WriteSeries(const fs::path& directory, int fileNumber,
                                 const FieldLayout& layout, int recordLength,
                                 const std::vector<Quote>& quotes, std::string_view temporaryName);

// A symbol's quotes in memory, oldest first.
struct QuoteSeries {
    int capacity = 0;
    int count = 0;
    std::vector<Quote> quotes;
    int quotesInFile = 0;
    fs::path directory;  // where the symbol was found
    std::string symbol;  // the text that was asked for
    MasterRecord record;
    FieldLayout layout;
};

[[nodiscard]] Status AllocSeries(QuoteSeries& series, int capacity);
void FreeSeries(QuoteSeries& series);
[[nodiscard]] Status SetSeriesCount(QuoteSeries& series, int count);

// Reads `count` quotes from quote `start` (0 = oldest). A negative count asks for all (at
// most 16000); a negative start for the newest `count`. A count of 0 learns only the facts.
[[nodiscard]] Status ReadSeries(QuoteSeries& series, const fs::path& directory,
                                std::string_view text, int start, int count);

// Index of the first quote at or after (date, time); kRecordNotFound when all are earlier.
[[nodiscard]] int FindQuoteByDate(const fs::path& directory, std::string_view text, DayNumber date,
                                  PackedTime time, DayNumber* foundDate = nullptr,
                                  PackedTime* foundTime = nullptr);

struct SeriesInfo {
    fs::path directory;  // the portfolio directory that was searched
    int fileNumber = 0;
    int recordLength = 0;
    int fieldCount = 0;
    int quoteCount = 0;
    std::string issueName;  // 16 characters as stored
    std::string longName;   // EMASTER's long name while it agrees with MASTER; else empty
    float firstDate = 0;    // file dates, such as 1000103
    float lastDate = 0;
    char period = 'D';
    std::string symbol;  // 16 characters as stored
    FieldLayout layout;  // the fields the data file has, with their input and display formats
};

// What a failed read of a symbol's series met, for a person: which file and why, found by
// trying the files again; empty when nothing is found wrong now.
std::string DescribeSeriesFailure(const fs::path& directory, std::string_view text);

// kSuccess, or the status of the first file that could not be read.
[[nodiscard]] Status GetSeriesInfo(const fs::path& directory, std::string_view text,
                                   SeriesInfo& info);

}  // namespace ticksmith::store
