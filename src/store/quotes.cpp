#include "store/quotes.h"

#include <algorithm>
#include <climits>
#include <new>

#include "platform/file_system.h"
#include "platform/little_endian.h"
#include "platform/names.h"
#include "platform/safe_replace.h"
#include "platform/text_lines.h"
#include "store/emaster.h"

namespace ticksmith::store {

namespace {

// A F<n>.DOP larger than this is not a field description.
constexpr std::size_t kMaxDopBytes = 1 << 16;

FloatBytes FieldBytes(const std::uint8_t* record, int position) {
    const std::uint8_t* at = record + 4 * (position - 1);
    return {at[0], at[1], at[2], at[3]};
}

// Reads a leading decimal integer the way atoi does, saturating instead of overflowing.
int LeadingInteger(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) {
        ++at;
    }
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) {
        negative = text[at] == '-';
        ++at;
    }
    long long value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        value = std::min<long long>(value * 10 + (text[at] - '0'), INT_MAX);
    }
    return static_cast<int>(negative ? -value : value);
}

// A description a writer can trust: a date and a close, no field named twice (a repeated name
// leaves a gap in the positions), and no field past the record's end.
bool DescribesRecord(const FieldLayout& layout, int recordLength) {
    const int lines = *std::max_element(layout.position.begin(), layout.position.end());
    return layout.Has(kDate) && layout.Has(kClose) && lines == layout.PresentFields() &&
           4 * lines <= recordLength;
}

void SetPositions(FieldLayout& layout, std::initializer_list<Field> fields) {
    int position = 1;
    for (Field field : fields) {
        layout.position[field] = position++;
    }
}

// A symbol found, its layout learned and its data file opened: the first step of every reader.
struct OpenedSeries {
    MasterRecord record;
    fs::path directory;
    FieldLayout layout;
    platform::InputFile file;
    std::vector<std::uint8_t> header;
    int quotes = 0;
};

Status OpenSeries(const fs::path& directory, std::string_view text, OpenedSeries& series) {
    if (const Status status = FindSymbol(directory, text, series.record, series.directory);
        status != kSuccess) {
        return status;
    }
    const int recordLength = series.record.recordLength;
    if (const Status status = ReadFieldLayout(series.directory, series.record.fileNumber,
                                              recordLength, series.layout, series.record.period);
        status != kSuccess) {
        return status;
    }
    series.file = platform::InputFile(
        platform::ResolveEntry(series.directory, DataFileName(series.record.fileNumber)));
    if (!series.file.IsOpen()) {
        return kFileOpen;
    }
    series.header.resize(static_cast<std::size_t>(std::max(recordLength, 4)));
    const std::int64_t got = series.file.ReadAt(0, series.header.data(), series.header.size());
    if (got < 4) {
        return kFileRead;
    }
    series.header.resize(static_cast<std::size_t>(got));
    return CountQuotes(series.header, series.file.Size(), recordLength, series.quotes);
}

}  // namespace

int FieldLayout::PresentFields() const {
    return static_cast<int>(
        std::count_if(position.begin(), position.end(), [](int p) { return p != 0; }));
}

float Quote::Value(Field field) const {
    switch (field) {
        case kDate:
            return static_cast<float>(date);
        case kTime:
            return static_cast<float>(time);
        case kOpen:
            return open;
        case kHigh:
            return high;
        case kLow:
            return low;
        case kClose:
            return close;
        case kVolume:
            return volume;
        case kOpenInterest:
            return openInterest;
    }
    return kAbsentValue;
}

void Quote::SetValue(Field field, float value) {
    switch (field) {
        case kDate:
            date = static_cast<DayNumber>(value);
            break;
        case kTime:
            time = static_cast<PackedTime>(value);
            break;
        case kOpen:
            open = value;
            break;
        case kHigh:
            high = value;
            break;
        case kLow:
            low = value;
            break;
        case kClose:
            close = value;
            break;
        case kVolume:
            volume = value;
            break;
        case kOpenInterest:
            openInterest = value;
            break;
    }
}

std::string SymbolFileName(int fileNumber, std::string_view extension) {
    return "F" + std::to_string(fileNumber) + "." + std::string(extension);
}

std::string DataFileName(int fileNumber) {
    return SymbolFileName(fileNumber, "DAT");
}

std::string DopFileName(int fileNumber) {
    return SymbolFileName(fileNumber, "DOP");
}

FieldLayout ParseFieldLayout(std::string_view dopText) {
    FieldLayout layout;
    platform::LinePieceReader reader(dopText);
    std::string_view line;
    bool endsLine = false;
    int nextPosition = 1;
    while (reader.Next(line, endsLine)) {
        if (line.empty() || line.front() != '"') {
            continue;
        }
        const std::size_t firstComma = line.find(',');
        const std::string_view name =
            line.substr(1, firstComma == line.npos ? line.npos : firstComma - 1);
        int codes[2] = {0, 0};
        std::size_t at = firstComma;
        for (int& code : codes) {
            if (at == line.npos) {
                break;
            }
            const std::size_t next = line.find(',', at + 1);
            code =
                LeadingInteger(line.substr(at + 1, next == line.npos ? line.npos : next - at - 1));
            at = next;
        }
        for (int field = 0; field < kFieldCount; ++field) {
            const std::string_view keyword = kFieldNames[static_cast<std::size_t>(field)];
            if (name.size() >= keyword.size() &&
                platform::EqualsIgnoringCase(name.substr(0, keyword.size()), keyword)) {
                layout.position[field] = nextPosition++;
                layout.inputFormat[field] = codes[0];
                layout.displayFormat[field] = codes[1];
                break;
            }
        }
    }
    return layout;
}

Status LayoutFromRecordLength(int recordLength, const std::uint8_t* firstQuote, FieldLayout& layout,
                              char period) {
    layout = {};
    switch (recordLength) {
        case 12:
            SetPositions(layout, {kDate, kClose, kVolume});
            return kSuccess;
        case 16:
            SetPositions(layout, {kDate, kHigh, kLow, kClose});
            return kSuccess;
        case 20: {
            if (firstQuote == nullptr) {
                return kUnknownLayout;
            }
            const float second = MbfToFloat(FieldBytes(firstQuote, 2));
            const float fifth = MbfToFloat(FieldBytes(firstQuote, 5));
            if (fifth == 0.0f || fifth > 2.0f * second) {
                SetPositions(layout, {kDate, kHigh, kLow, kClose, kVolume});
            } else {
                SetPositions(layout, {kDate, kOpen, kHigh, kLow, kClose});
            }
            return kSuccess;
        }
        case 24:
            SetPositions(layout, {kDate, kOpen, kHigh, kLow, kClose, kVolume});
            return kSuccess;
        case 28:
            if (period == 'I') {
                // Read as daily bars, the time of day would show as the open and be overwritten.
                SetPositions(layout, {kDate, kTime, kOpen, kHigh, kLow, kClose, kVolume});
            } else {
                SetPositions(layout, {kDate, kOpen, kHigh, kLow, kClose, kVolume, kOpenInterest});
            }
            return kSuccess;
        case 32:
            // Intraday software writes every field, the time of day after the date.
            SetPositions(layout,
                         {kDate, kTime, kOpen, kHigh, kLow, kClose, kVolume, kOpenInterest});
            return kSuccess;
        default:
            return kUnknownLayout;
    }
}

Status ReadFieldLayout(const fs::path& directory, int fileNumber, int recordLength,
                       FieldLayout& layout, char period) {
    layout = {};
    if (recordLength <= 0 || recordLength % 4 != 0) {
        return kUnknownLayout;
    }
    std::vector<std::uint8_t> dop;
    if (platform::ReadWholeFile(platform::ResolveEntry(directory, DopFileName(fileNumber)), dop,
                                kMaxDopBytes)) {
        layout = ParseFieldLayout(
            std::string_view(reinterpret_cast<const char*>(dop.data()), dop.size()));
        if (DescribesRecord(layout, recordLength)) {
            return kSuccess;
        }
        // A damaged description would have writers store zeros; other programs, which carry
        // no F<n>.DOP, go by the record length, and so do we.
        layout = {};
    }
    if (recordLength != 20) {
        return LayoutFromRecordLength(recordLength, nullptr, layout, period);
    }
    // The 20-byte layout is told by the first quote, or by the header when there is none.
    platform::InputFile data(platform::ResolveEntry(directory, DataFileName(fileNumber)));
    if (!data.IsOpen()) {
        return kUnknownLayout;
    }
    std::array<std::uint8_t, 40> firstRecords{};
    const std::int64_t got = data.ReadAt(0, firstRecords.data(), firstRecords.size());
    const std::uint8_t* first = got >= 40 ? firstRecords.data() + 20 : firstRecords.data();
    return LayoutFromRecordLength(recordLength, first, layout, period);
}

std::string UnknownLayoutReason(int fileNumber, int recordLength) {
    return "neither " + DopFileName(fileNumber) + " nor the record length of " +
           std::to_string(recordLength) + " bytes tells which field holds what";
}

std::string IntradayRefusal(std::string_view symbol) {
    return std::string(symbol) +
           " holds intraday records; this program reads them but does not change them";
}

namespace {

// A layout turned into the byte offsets of the fields a record has, so that decoding a long
// series does not look at the absent fields of every record.
class QuoteDecoder {
  public:
    QuoteDecoder(const FieldLayout& layout, int recordLength) {
        static constexpr float Quote::*kValues[kFieldCount] = {
            nullptr,     nullptr,       &Quote::open,   &Quote::high,
            &Quote::low, &Quote::close, &Quote::volume, &Quote::openInterest};
        for (int field = 0; field < kFieldCount; ++field) {
            const int position = layout.position[field];
            if (position == 0 || 4 * position > recordLength) {
                continue;
            }
            const int offset = 4 * (position - 1);
            if (field == kDate) {
                m_dateOffset = offset;
            } else if (field == kTime) {
                m_timeOffset = offset;
            } else {
                m_values[m_valueCount++] = {offset, kValues[field]};
            }
        }
    }

    Quote Decode(const std::uint8_t* record) const {
        Quote quote;
        if (m_dateOffset >= 0) {
            quote.date =
                DayNumberFromFileDate(MbfToFloat(FieldBytes(record, m_dateOffset / 4 + 1)));
        }
        if (m_timeOffset >= 0) {
            quote.time =
                PackedTimeFromFileTime(MbfToFloat(FieldBytes(record, m_timeOffset / 4 + 1)));
        }
        for (int i = 0; i < m_valueCount; ++i) {
            quote.*m_values[i].member = MbfToFloat(FieldBytes(record, m_values[i].offset / 4 + 1));
        }
        return quote;
    }

  private:
    struct Value {
        int offset;
        float Quote::*member;
    };
    int m_dateOffset = -1;
    int m_timeOffset = -1;
    std::array<Value, kFieldCount> m_values{};
    int m_valueCount = 0;
};

}  // namespace

Quote DecodeQuote(const std::uint8_t* record, const FieldLayout& layout, int recordLength) {
    return QuoteDecoder(layout, recordLength).Decode(record);
}

void EncodeQuote(const Quote& quote, const FieldLayout& layout, std::uint8_t* record,
                 int recordLength) {
    for (int field = 0; field < kFieldCount; ++field) {
        const int position = layout.position[field];
        if (position == 0 || 4 * position > recordLength) {
            continue;
        }
        FloatBytes bytes;
        if (field == kDate) {
            bytes = FileDateFromDayNumber(quote.date);
        } else if (field == kTime) {
            bytes = FloatToMbf(FileTimeValue(quote.time));
        } else {
            bytes = FloatToMbf(quote.Value(static_cast<Field>(field)));
        }
        std::copy(bytes.begin(), bytes.end(), record + 4 * (position - 1));
    }
}

FieldLayout LayoutOf(const FieldSet& fields) {
    FieldLayout layout;
    int position = 1;
    for (int field = 0; field < kFieldCount; ++field) {
        if (fields[static_cast<std::size_t>(field)]) {
            layout.position[field] = position++;
            layout.inputFormat[field] = field == kDate ? 0 : 4;
            layout.displayFormat[field] = layout.inputFormat[field];
        }
    }
    return layout;
}

std::string DopText(const FieldSet& fields) {
    std::string text;
    for (int field = 0; field < kFieldCount; ++field) {
        if (fields[static_cast<std::size_t>(field)]) {
            text += '"';
            text += kFieldNames[static_cast<std::size_t>(field)];
            text += field == kDate ? "\",0,0\r\n" : "\",4,4\r\n";
        }
    }
    return text;
}

Status CreateQuoteFiles(const fs::path& directory, int fileNumber, const FieldSet& fields) {
    const FieldLayout layout = LayoutOf(fields);
    const std::string dataName = DataFileName(fileNumber);
    const std::string dopName = DopFileName(fileNumber);
    const std::string dop = DopText(fields);
    if (const Status status = WriteSeries(directory, fileNumber, layout, 4 * layout.PresentFields(),
                                          {}, dataName + ".tmp");
        status != kSuccess) {
        return status;
    }
    if (!platform::ReplaceFileContents(directory, dopName, dopName + ".tmp", dop.data(),
                                       dop.size())) {
        // Half a symbol's files would leave it unreadable; take the new data file back. Should
        // that fail too, the empty file stays and the next Add Symbol names it as in the way.
        (void)platform::CurrentFileSystem().Remove(platform::ResolveEntry(directory, dataName));
        return kFileWrite;
    }
    return kSuccess;
}

Status WriteSeries(const fs::path& directory, int fileNumber, const FieldLayout& layout,
                   int recordLength, const std::vector<Quote>& quotes,
                   std::string_view temporaryName) {
    if (recordLength < 4 || recordLength % 4 != 0 ||
        quotes.size() > static_cast<std::size_t>(kMaxQuotesInFile)) {
        return kInvalidParm;
    }
    const auto length = static_cast<std::size_t>(recordLength);
    std::vector<std::uint8_t> bytes(length * (quotes.size() + 1));
    for (std::size_t at = 4; at < length; at += 4) {
        bytes[at + 2] = 1;  // a new file's header repeats 00 00 01 00
    }
    platform::WriteU16(bytes.data() + 2, static_cast<std::uint16_t>(quotes.size() + 1));
    for (std::size_t i = 0; i < quotes.size(); ++i) {
        EncodeQuote(quotes[i], layout, bytes.data() + length * (i + 1), recordLength);
    }
    platform::ReplacementFile file(directory, DataFileName(fileNumber), temporaryName);
    if (!file.Open()) {
        return kFileOpen;
    }
    if (!file.Write(bytes.data(), bytes.size()) || !file.Commit()) {
        return kFileWrite;
    }
    return kSuccess;
}

std::int64_t WholeRecordQuotes(std::int64_t fileSize, int recordLength) {
    if (recordLength <= 0 || fileSize < recordLength) {
        return 0;
    }
    return fileSize / recordLength - 1;
}

Status CountQuotes(const std::vector<std::uint8_t>& header, std::int64_t fileSize, int recordLength,
                   int& quotes) {
    quotes = 0;
    if (header.size() < 4 || recordLength <= 0) {
        return kFileRead;
    }
    const int lastRecord = platform::ReadU16(header.data() + 2);
    if (lastRecord < 1) {
        return kFileRead;
    }
    quotes = static_cast<int>(
        std::min<std::int64_t>(lastRecord - 1, WholeRecordQuotes(fileSize, recordLength)));
    return kSuccess;
}

Status AllocSeries(QuoteSeries& series, int capacity) {
    FreeSeries(series);
    if (capacity < 0) {
        return kMalloc;
    }
    try {
        series.quotes.reserve(static_cast<std::size_t>(capacity));
    } catch (const std::bad_alloc&) {
        FreeSeries(series);
        return kMalloc;
    }
    series.capacity = capacity;
    return kSuccess;
}

void FreeSeries(QuoteSeries& series) {
    series = QuoteSeries{};
}

Status SetSeriesCount(QuoteSeries& series, int count) {
    if (count > series.capacity || count < 0) {
        return kMalloc;
    }
    series.quotes.resize(static_cast<std::size_t>(count));
    series.count = count;
    return kSuccess;
}

Status ReadSeries(QuoteSeries& series, const fs::path& directory, std::string_view text, int start,
                  int count) {
    OpenedSeries data;
    if (const Status status = OpenSeries(directory, text, data); status != kSuccess) {
        return status;
    }
    const int recordLength = data.record.recordLength;
    const FieldLayout& layout = data.layout;
    const int inFile = data.quotes;
    if (count < 0) {
        count = std::min(inFile, kMaxSeriesQuotes) - (start < 1 ? 0 : start);
    }
    series.quotesInFile = inFile;
    series.directory = data.directory;
    series.symbol = std::string(text);
    series.record = data.record;
    series.layout = layout;
    series.quotes.clear();
    series.count = 0;
    if (count == 0) {
        return kSuccess;
    }
    count = std::min(count, series.capacity);
    if (start < 0) {
        start = std::max(0, inFile - count);
    }
    if (start > inFile - 1) {
        return kRecordNotFound;
    }
    count = std::max(0, std::min(count, inFile - start));
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count) *
                                    static_cast<std::size_t>(recordLength));
    const std::int64_t got = data.file.ReadAt(static_cast<std::int64_t>(recordLength) * (start + 1),
                                              bytes.data(), bytes.size());
    if (got < 0) {
        return kFileRead;
    }
    const int complete = static_cast<int>(got / recordLength);
    series.quotes.resize(static_cast<std::size_t>(complete));
    const QuoteDecoder decoder(layout, recordLength);
    for (int i = 0; i < complete; ++i) {
        series.quotes[static_cast<std::size_t>(i)] = decoder.Decode(
            bytes.data() + static_cast<std::size_t>(i) * static_cast<std::size_t>(recordLength));
    }
    series.count = complete;
    return kSuccess;
}

int FindQuoteByDate(const fs::path& directory, std::string_view text, DayNumber date,
                    PackedTime time, DayNumber* foundDate, PackedTime* foundTime) {
    OpenedSeries data;
    if (const Status status = OpenSeries(directory, text, data); status != kSuccess) {
        return status;
    }
    const int recordLength = data.record.recordLength;
    const FieldLayout& layout = data.layout;
    if (!layout.Has(kTime)) {
        time = 0;
    }
    const auto key = [](DayNumber day, PackedTime at) {
        return (static_cast<std::uint32_t>(day) << 16) | at;
    };
    const std::uint32_t wanted = key(date, time);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(recordLength));
    int low = 0;
    int high = data.quotes;  // the answer lies in [low, high]
    Quote quote;
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (data.file.ReadAt(static_cast<std::int64_t>(recordLength) * (middle + 1), bytes.data(),
                             bytes.size()) != recordLength) {
            return kFileRead;
        }
        quote = DecodeQuote(bytes.data(), layout, recordLength);
        if (key(quote.date, quote.time) < wanted) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    if (low >= data.quotes) {
        return kRecordNotFound;
    }
    if (data.file.ReadAt(static_cast<std::int64_t>(recordLength) * (low + 1), bytes.data(),
                         bytes.size()) != recordLength) {
        return kFileRead;
    }
    quote = DecodeQuote(bytes.data(), layout, recordLength);
    if (foundDate != nullptr) {
        *foundDate = quote.date;
    }
    if (foundTime != nullptr) {
        *foundTime = quote.time;
    }
    return low;
}

std::string DescribeSeriesFailure(const fs::path& directory, std::string_view text) {
    if (std::string reason = DescribeMasterFailure(directory); !reason.empty()) {
        return reason;
    }
    MasterRecord record;
    fs::path found;
    if (FindSymbol(directory, text, record, found) != kSuccess) {
        return std::string(text) + " is not in " + MasterPath(directory).string();
    }
    FieldLayout layout;
    if (ReadFieldLayout(found, record.fileNumber, record.recordLength, layout, record.period) !=
        kSuccess) {
        return UnknownLayoutReason(record.fileNumber, record.recordLength) + " in " +
               found.string();
    }
    return UnreadableFileReason(platform::ResolveEntry(found, DataFileName(record.fileNumber)),
                                std::max<std::size_t>(record.recordLength, 4));
}

Status GetSeriesInfo(const fs::path& directory, std::string_view text, SeriesInfo& info) {
    OpenedSeries data;
    if (const Status status = OpenSeries(directory, text, data); status != kSuccess) {
        return status;
    }
    const MasterRecord& record = data.record;
    info = {};
    info.directory = directory;
    info.fileNumber = record.fileNumber;
    info.recordLength = record.recordLength;
    info.fieldCount = record.fieldCount;
    info.quoteCount = data.quotes;
    info.issueName.assign(record.issueName.begin(), record.issueName.end());
    info.longName = LongNames(data.directory, {record}).front();
    info.firstDate = record.FirstDateValue();
    info.lastDate = record.LastDateValue();
    info.period = record.period;
    info.symbol.assign(record.symbol.begin(), record.symbol.end());
    info.layout = data.layout;
    return kSuccess;
}

}  // namespace ticksmith::store
