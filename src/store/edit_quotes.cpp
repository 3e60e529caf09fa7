#include "store/edit_quotes.h"

#include <algorithm>
#include <cerrno>
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

EditResult EditQuotes(const fs::path& dataDirectory, std::string_view symbol,
                      const EditRequest& request) {
    const auto unreadable = [&](Status status) {
        return EditResult{status, DescribeSeriesFailure(dataDirectory, symbol)};
    };
    MasterRecord record;
    fs::path directory;
    if (const Status status = FindSymbol(dataDirectory, symbol, record, directory);
        status != kSuccess) {
        return unreadable(status);
    }
    const int fileNumber = record.fileNumber;
    const int recordLength = record.recordLength;
    FieldLayout layout;
    if (const Status status =
            ReadFieldLayout(directory, fileNumber, recordLength, layout, record.period);
        status != kSuccess) {
        return unreadable(status);
    }
    if (HoldsIntraday(layout)) {
        return {kIntradayRecords, IntradayRefusal(symbol)};
    }
    const std::string dataName = DataFileName(fileNumber);
    const fs::path dataPath = platform::ResolveEntry(directory, dataName);
    std::vector<std::uint8_t> bytes;
    errno = 0;
    if (!platform::ReadWholeFile(dataPath, bytes)) {
        return {kFileOpen, dataPath.string() + " could not be read" + platform::LastErrorText()};
    }
    const auto length = static_cast<std::size_t>(recordLength);
    if (bytes.size() < std::max<std::size_t>(length, 4)) {
        return {kFileRead, dataPath.string() + " is shorter than its header"};
    }
    const std::string backupName = SymbolFileName(fileNumber, "BAK");
    errno = 0;
    if (!platform::CopyToBackup(dataPath, directory, backupName)) {
        return {kFileWrite, (directory / backupName).string() + " could not be written" +
                                platform::LastErrorText()};
    }

    const auto operation = static_cast<EditOperation>(request.operation);
    const MasterRecord before = record;
    bool datesMoved = false;
    // Every whole record is a quote, also beyond a header count that another program left
    // too low.
    const auto quotes =
        static_cast<int>(WholeRecordQuotes(static_cast<std::int64_t>(bytes.size()), recordLength));
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
            return {kNoQuoteToDelete,
                    dataPath.string() + " holds no quote dated " + GridDateText(request.date1)};
        }
        // MASTER's dates move before the data file does: in between, and after a failure
        // whose undo fails too, MASTER names dates the file still holds and a retry finishes
        // the delete. The other order would leave it naming a quote that is gone.
        datesMoved = DatesAfterDelete(bytes, layout, length, dropIndex, quotes, record);
        errno = 0;
        if (datesMoved) {
            if (const Status status =
                    SetMasterDates(directory, fileNumber, record.firstDate, record.lastDate, true);
                status != kSuccess) {
                return {status, MasterPath(directory).string() + " could not be updated" +
                                    platform::LastErrorText()};
            }
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
        // No quote of that day to copy: nothing to add.
        return {kRecordNotFound,
                dataPath.string() + " holds no quote dated " + GridDateText(request.date1)};
    }
    // The header counts every record written, so none is hidden from readers.
    const std::int64_t written =
        WholeRecordQuotes(static_cast<std::int64_t>(out.size()), recordLength);
    EditResult result;
    if (written > kMaxQuotesInFile) {
        result = {kInvalidParm, dataPath.string() + " would hold " + std::to_string(written) +
                                    " quotes, more than its header can count"};
    } else {
        platform::WriteU16(out.data() + 2, static_cast<std::uint16_t>(written + 1));
        const std::string temporaryName = SymbolFileName(fileNumber, "NEW");
        platform::ReplacementFile file(directory, dataName, temporaryName);
        errno = 0;
        if (!file.Open()) {
            result = {kFileOpen, (directory / temporaryName).string() + " could not be created" +
                                     platform::LastErrorText()};
        } else if (!file.Write(out.data(), out.size()) || !file.Commit()) {
            result = {kFileWrite,
                      dataPath.string() + " could not be replaced" + platform::LastErrorText()};
        }
    }
    if (!result.Succeeded() && datesMoved &&
        SetMasterDates(directory, fileNumber, before.firstDate, before.lastDate, false) !=
            kSuccess) {
        // The quote is still there, but MASTER already gives the dates without it.
        result.detail += "; MASTER.BAK holds the dates of " + std::string(symbol) +
                         ", which could not be put back into MASTER";
    }
    return result;
}

}  // namespace ticksmith::store
