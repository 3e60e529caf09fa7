#include "store/edit_quotes.h"

#include <algorithm>
#include <vector>

#include "platform/file_system.h"
#include "platform/little_endian.h"
#include "platform/names.h"
#include "platform/safe_replace.h"
#include "store/master.h"
#include "store/quotes.h"

namespace ticksmith::store {

namespace {

// Day 1, 1 January 1961, was a Sunday.
bool IsWeekend(DayNumber day) {
    const int weekday = (day - 1) % 7;
    return weekday == 0 || weekday == 6;
}

constexpr std::array<Field, 6> kEditedFields = {kOpen, kHigh, kLow, kClose, kVolume, kOpenInterest};

// MASTER's dates after a delete of quote `index` out of `quotes`, read from the data file as it
// still is; false when neither date moves.
bool DatesAfterDelete(const std::vector<std::uint8_t>& bytes, const FieldLayout& layout,
                      std::size_t length, int index, int quotes, MasterRecord& record) {
    const auto dateOf = [&](int quote) {
        const std::size_t at = length * static_cast<std::size_t>(quote + 1);
        if (at + length > bytes.size()) {
            return DayNumber{0};
        }
        return DecodeQuote(bytes.data() + at, layout, static_cast<int>(length)).date;
    };
    if (index == 0 && quotes > 1) {
        record.firstDate = FileDateFromDayNumber(dateOf(1));
    } else if (index == quotes - 1 && quotes > 1) {
        record.lastDate = FileDateFromDayNumber(dateOf(quotes - 2));
    } else if (index == 0 && quotes == 1) {
        record.firstDate = record.lastDate = FileDateFromDayNumber(dateOf(0));
    } else {
        return false;
    }
    return true;
}

}  // namespace

DayNumber PreviousWeekday(DayNumber day) {
    do {
        --day;
    } while (day > 0 && IsWeekend(day));
    return day;
}

DayNumber NextWeekday(DayNumber day) {
    do {
        ++day;
    } while (day < 0xFFFF && IsWeekend(day));
    return day;
}

Status EditQuotes(const fs::path& dataDirectory, std::string_view symbol,
                  const EditRequest& request, platform::Messenger& messenger) {
    MasterRecord record;
    fs::path directory;
    if (const Status status = FindSymbol(dataDirectory, symbol, record, directory);
        status != kSuccess) {
        return status;
    }
    const int fileNumber = record.fileNumber;
    const int recordLength = record.recordLength;
    FieldLayout layout;
    if (const Status status = ReadFieldLayout(directory, fileNumber, recordLength, layout);
        status != kSuccess) {
        return status;
    }
    const std::string dataName = DataFileName(fileNumber);
    const fs::path dataPath = platform::ResolveEntry(directory, dataName);
    std::vector<std::uint8_t> bytes;
    if (!platform::ReadWholeFile(dataPath, bytes)) {
        return kFileOpen;
    }
    const auto length = static_cast<std::size_t>(recordLength);
    if (bytes.size() < std::max<std::size_t>(length, 4)) {
        return kFileRead;
    }
    if (!platform::CopyToBackup(dataPath, directory, SymbolFileName(fileNumber, "BAK"))) {
        return kFileWrite;
    }

    const auto operation = static_cast<EditOperation>(request.operation);
    int lastRecord = platform::ReadU16(bytes.data() + 2);
    const MasterRecord before = record;
    bool datesMoved = false;
    const int quotes = static_cast<int>(std::min<std::size_t>(
        static_cast<std::size_t>(std::max(lastRecord - 1, 0)), bytes.size() / length - 1));
    const auto dateOf = [&](int quote) {
        return DecodeQuote(bytes.data() + length * static_cast<std::size_t>(quote + 1), layout,
                           recordLength)
            .date;
    };
    // The quote a delete drops: the first of its date in file order, found the way the
    // rewrite below meets it, so that MASTER's dates follow the record really dropped.
    int dropIndex = -1;
    if (operation == EditOperation::kDelete) {
        for (int quote = 0; quote < quotes && dropIndex < 0; ++quote) {
            if (dateOf(quote) == request.date1) {
                dropIndex = quote;
            }
        }
        if (dropIndex < 0) {
            messenger.Show("Failure in delete quote for findrec");
            return kNoQuoteToDelete;
        }
        --lastRecord;
        // MASTER's dates move before the data file does: in between, and after a failure
        // whose undo fails too, MASTER names dates the file still holds and a retry finishes
        // the delete. The other order would leave it naming a quote that is gone.
        datesMoved = DatesAfterDelete(bytes, layout, length, dropIndex, lastRecord, record);
        if (datesMoved && SetMasterDates(directory, fileNumber, record.firstDate, record.lastDate,
                                         true) != kSuccess) {
            return kFileWrite;
        }
    }

    const bool multiply = request.operation == 2 || operation == EditOperation::kMultiply;
    std::vector<std::uint8_t> out;
    out.reserve(bytes.size() + length);
    out.insert(out.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
    // Only the values change; the date and time bytes of an edited record stay as stored.
    FieldLayout values = layout;
    values.position[kDate] = 0;
    values.position[kTime] = 0;
    int added = 0;
    int index = 0;
    for (std::size_t at = length; at + length <= bytes.size(); at += length, ++index) {
        std::vector<std::uint8_t> current(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                          bytes.begin() + static_cast<std::ptrdiff_t>(at + length));
        if (index == dropIndex) {
            continue;
        }
        Quote quote = DecodeQuote(current.data(), layout, recordLength);
        if (operation != EditOperation::kDelete && quote.date >= request.date1 &&
            quote.date <= request.date2) {
            if (multiply || operation == EditOperation::kReplace) {
                for (std::size_t i = 0; i < kEditedFields.size(); ++i) {
                    const Field field = kEditedFields[i];
                    if (layout.Has(field)) {
                        quote.SetValue(field, multiply ? quote.Value(field) * request.values[i]
                                                       : request.values[i]);
                    }
                }
                EncodeQuote(quote, values, current.data(), recordLength);
            } else if (operation == EditOperation::kAdd) {
                // Only the date of the copy changes; its other bytes stay exactly as stored.
                std::vector<std::uint8_t> copy = current;
                if (layout.Has(kDate)) {
                    const FloatBytes date = FileDateFromDayNumber(PreviousWeekday(quote.date));
                    std::copy(date.begin(), date.end(),
                              copy.begin() + 4 * (layout.position[kDate] - 1));
                }
                out.insert(out.end(), copy.begin(), copy.end());
                ++added;
            }
        }
        out.insert(out.end(), current.begin(), current.end());
    }
    if (operation == EditOperation::kAdd && added == 0) {
        return kRecordNotFound;  // no quote of that day to copy: nothing to add
    }
    // The header counts every copy written, so none is hidden from readers.
    lastRecord += added;
    Status status = kSuccess;
    if (lastRecord > kMaxQuotesInFile + 1) {
        status = kInvalidParm;
    } else {
        platform::WriteU16(out.data() + 2, static_cast<std::uint16_t>(lastRecord));
        platform::ReplacementFile file(directory, dataName, SymbolFileName(fileNumber, "NEW"));
        if (!file.Open()) {
            status = kFileOpen;
        } else if (!file.Write(out.data(), out.size()) || !file.Commit()) {
            status = kFileWrite;
        }
    }
    if (status != kSuccess && datesMoved &&
        SetMasterDates(directory, fileNumber, before.firstDate, before.lastDate, false) !=
            kSuccess) {
        // The quote is still there, but MASTER already gives the dates without it.
        messenger.Show(platform::FormatMessage(
            "The dates of %s in MASTER could not be put back; MASTER.BAK holds them.",
            {std::string(symbol)}));
    }
    return status;
}

}  // namespace ticksmith::store
