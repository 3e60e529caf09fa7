#include "store/emaster.h"

#include <algorithm>
#include <cmath>

#include "platform/file_system.h"
#include "platform/little_endian.h"
#include "platform/names.h"
#include "platform/safe_replace.h"
#include "store/record_fields.h"

namespace ticksmith::store {

namespace {

using fields::Put;
using fields::Take;
using fields::TextOf;
using fields::WithoutTrailingSpaces;

constexpr std::size_t kMarkerAt = 0;
constexpr std::size_t kFileNumberAt = 2;
constexpr std::size_t kReserved3At = 3;
constexpr std::size_t kFieldCountAt = 6;
constexpr std::size_t kFieldMaskAt = 7;
constexpr std::size_t kReserved8At = 8;
constexpr std::size_t kAutorunAt = 9;
constexpr std::size_t kReserved10At = 10;
constexpr std::size_t kSymbolAt = 11;
constexpr std::size_t kReserved25At = 25;
constexpr std::size_t kIssueNameAt = 32;
constexpr std::size_t kReserved48At = 48;
constexpr std::size_t kPeriodAt = 60;
constexpr std::size_t kReserved61At = 61;
constexpr std::size_t kFirstDateAt = 64;
constexpr std::size_t kReserved68At = 68;
constexpr std::size_t kLastDateAt = 72;
constexpr std::size_t kReserved76At = 76;
constexpr std::size_t kFirstDateLongAt = 126;
constexpr std::size_t kReserved130At = 130;
constexpr std::size_t kLongNameAt = 139;
static_assert(kSymbolAt + kEmasterSymbolLength == kReserved25At, "the symbol fills 11 to 24");
static_assert(kIssueNameAt + kNameLength == kReserved48At, "the name fills 32 to 47");
static_assert(kReserved130At + 9 == kLongNameAt, "the long name starts at 139");
static_assert(kLongNameAt + kLongNameLength == kEmasterRecordSize, "EMASTER records are 192 bytes");
static_assert(sizeof(EmasterHeader::rest) + 4 == kEmasterRecordSize, "the header is one record");

// No portfolio has more: 255 records and the header, with room for stale ones.
constexpr std::size_t kMaxEmasterBytes = kEmasterRecordSize * 4096;

template <std::size_t N>
std::string TextField(const std::array<char, N>& field) {
    return std::string(WithoutTrailingSpaces(TextOf(field.data(), N)));
}

// Writes `text` NUL-padded, unless the field already says it: bytes after a NUL stay.
template <std::size_t N>
void SetText(std::array<char, N>& field, std::string_view text) {
    text = text.substr(0, std::min(text.size(), N == kLongNameLength ? kMaxLongNameText : N));
    if (TextField(field) == text) {
        return;
    }
    field.fill('\0');
    std::copy(text.begin(), text.end(), field.begin());
}

// The MASTER symbol field holds 14 characters of symbol; what follows is not part of it.
std::string MasterSymbol(const MasterRecord& master) {
    return std::string(WithoutTrailingSpaces(TextOf(master.symbol.data(), kEmasterSymbolLength)));
}

// Whether a long name's first 16 characters are MASTER's name.
bool StartsWithName(std::string_view longName, std::string_view name) {
    return WithoutTrailingSpaces(longName.substr(0, std::min(longName.size(), kNameLength))) ==
           name;
}

void SetDate(FloatBytes& ieee, const FloatBytes& mbf) {
    const FloatBytes wanted = MbfToIeee(mbf);
    float have = 0;
    float want = 0;
    std::memcpy(&have, ieee.data(), sizeof have);
    std::memcpy(&want, wanted.data(), sizeof want);
    if (have != want) {
        ieee = wanted;
    }
}

std::int32_t LongDate(float fileDate) {
    return fileDate > 0 ? 19000000 + static_cast<std::int32_t>(std::lround(fileDate)) : 0;
}

Status LoadEmaster(const fs::path& path, std::vector<std::uint8_t>& bytes) {
    if (!platform::ReadWholeFile(path, bytes, kMaxEmasterBytes)) {
        return kFileRead;
    }
    if (bytes.empty() || bytes.size() % kEmasterRecordSize != 0) {
        return kUnknownLayout;
    }
    return kSuccess;
}

}  // namespace

std::string EmasterRecord::SymbolText() const {
    return TextField(symbol);
}
std::string EmasterRecord::IssueNameText() const {
    return TextField(issueName);
}
std::string EmasterRecord::LongNameText() const {
    return TextField(longName);
}

EmasterHeader DecodeEmasterHeader(const std::uint8_t* bytes) {
    EmasterHeader header;
    header.count = platform::ReadI16(bytes);
    header.counter = platform::ReadI16(bytes + 2);
    Take(header.rest, bytes, 4);
    return header;
}

void EncodeEmasterHeader(const EmasterHeader& header, std::uint8_t* bytes) {
    platform::WriteI16(bytes, header.count);
    platform::WriteI16(bytes + 2, header.counter);
    Put(header.rest, bytes, 4);
}

EmasterRecord DecodeEmasterRecord(const std::uint8_t* bytes) {
    EmasterRecord record;
    Take(record.marker, bytes, kMarkerAt);
    record.fileNumber = bytes[kFileNumberAt];
    Take(record.reserved3, bytes, kReserved3At);
    record.fieldCount = bytes[kFieldCountAt];
    record.fieldMask = bytes[kFieldMaskAt];
    record.reserved8 = bytes[kReserved8At];
    record.autorun = static_cast<char>(bytes[kAutorunAt]);
    record.reserved10 = bytes[kReserved10At];
    Take(record.symbol, bytes, kSymbolAt);
    Take(record.reserved25, bytes, kReserved25At);
    Take(record.issueName, bytes, kIssueNameAt);
    Take(record.reserved48, bytes, kReserved48At);
    record.period = static_cast<char>(bytes[kPeriodAt]);
    Take(record.reserved61, bytes, kReserved61At);
    Take(record.firstDate, bytes, kFirstDateAt);
    Take(record.reserved68, bytes, kReserved68At);
    Take(record.lastDate, bytes, kLastDateAt);
    Take(record.reserved76, bytes, kReserved76At);
    record.firstDateLong = platform::ReadI32(bytes + kFirstDateLongAt);
    Take(record.reserved130, bytes, kReserved130At);
    Take(record.longName, bytes, kLongNameAt);
    return record;
}

void EncodeEmasterRecord(const EmasterRecord& record, std::uint8_t* bytes) {
    Put(record.marker, bytes, kMarkerAt);
    bytes[kFileNumberAt] = record.fileNumber;
    Put(record.reserved3, bytes, kReserved3At);
    bytes[kFieldCountAt] = record.fieldCount;
    bytes[kFieldMaskAt] = record.fieldMask;
    bytes[kReserved8At] = record.reserved8;
    bytes[kAutorunAt] = static_cast<std::uint8_t>(record.autorun);
    bytes[kReserved10At] = record.reserved10;
    Put(record.symbol, bytes, kSymbolAt);
    Put(record.reserved25, bytes, kReserved25At);
    Put(record.issueName, bytes, kIssueNameAt);
    Put(record.reserved48, bytes, kReserved48At);
    bytes[kPeriodAt] = static_cast<std::uint8_t>(record.period);
    Put(record.reserved61, bytes, kReserved61At);
    Put(record.firstDate, bytes, kFirstDateAt);
    Put(record.reserved68, bytes, kReserved68At);
    Put(record.lastDate, bytes, kLastDateAt);
    Put(record.reserved76, bytes, kReserved76At);
    platform::WriteI32(bytes + kFirstDateLongAt, record.firstDateLong);
    Put(record.reserved130, bytes, kReserved130At);
    Put(record.longName, bytes, kLongNameAt);
}

fs::path EmasterPath(const fs::path& directory) {
    return platform::FindEntry(directory, kEmasterName).value_or(fs::path());
}

Status ReadEmaster(const fs::path& directory, EmasterHeader& header,
                   std::vector<EmasterRecord>& records) {
    const fs::path path = EmasterPath(directory);
    if (path.empty()) {
        return kFileNotFound;
    }
    std::vector<std::uint8_t> bytes;
    if (const Status status = LoadEmaster(path, bytes); status != kSuccess) {
        return status;
    }
    header = DecodeEmasterHeader(bytes.data());
    records.clear();
    for (std::size_t at = kEmasterRecordSize; at < bytes.size(); at += kEmasterRecordSize) {
        records.push_back(DecodeEmasterRecord(bytes.data() + at));
    }
    return kSuccess;
}

EmasterRecord EmasterRecordFor(const MasterRecord& master, const EmasterRecord* current,
                               std::string_view typed) {
    EmasterRecord record;
    if (current != nullptr) {
        record = *current;
    } else {
        record.fieldMask =
            static_cast<std::uint8_t>((1U << std::min<int>(master.fieldCount, 8)) - 1);
    }
    const std::string name = master.IssueNameText();
    const std::string symbol = MasterSymbol(master);
    // An empty long name says there is none; readers fall back to the short one.
    const std::string longName = record.LongNameText();
    // A typed name comes from a writer that knows the record is the same symbol, renamed or
    // not; without one a new symbol text means another symbol.
    const bool sameSymbol = record.SymbolText() == symbol || !typed.empty();
    const bool keepLongName =
        current != nullptr && sameSymbol && (longName.empty() || StartsWithName(longName, name));
    record.fileNumber = master.fileNumber;
    record.fieldCount = master.fieldCount;
    SetText(record.symbol, symbol);
    SetText(record.issueName, name);
    record.period = master.period;
    SetDate(record.firstDate, master.firstDate);
    SetDate(record.lastDate, master.lastDate);
    record.firstDateLong = LongDate(master.FirstDateValue());
    // MASTER's 16 characters typed again say nothing of the rest of a long name.
    if (typed.size() > kNameLength && StartsWithName(typed, name)) {
        SetText(record.longName, typed);
    } else if (!keepLongName) {
        SetText(record.longName, name);
    }
    return record;
}

Status SyncEmaster(const fs::path& directory, const TypedLongName& typed) {
    const fs::path path = EmasterPath(directory);
    if (path.empty()) {
        return kSuccess;
    }
    std::vector<MasterRecord> master;
    MasterHeader masterHeader;
    if (const Status status = ReadMasterRecords(directory, master, &masterHeader);
        status != kSuccess) {
        return status;
    }
    if (master.size() > static_cast<std::size_t>(kMaxSymbols)) {
        master.resize(kMaxSymbols);
    }
    std::vector<std::uint8_t> before;
    if (const Status status = LoadEmaster(path, before); status != kSuccess) {
        return status;
    }
    std::vector<EmasterRecord> old;
    for (std::size_t at = kEmasterRecordSize; at < before.size(); at += kEmasterRecordSize) {
        old.push_back(DecodeEmasterRecord(before.data() + at));
    }
    std::vector<bool> taken(old.size(), false);
    std::vector<std::uint8_t> after((master.size() + 1) * kEmasterRecordSize);
    EmasterHeader header = DecodeEmasterHeader(before.data());
    header.count = static_cast<std::int16_t>(master.size());
    header.counter = masterHeader.counter;
    EncodeEmasterHeader(header, after.data());
    for (std::size_t number = 0; number < master.size(); ++number) {
        const EmasterRecord* current = nullptr;
        for (std::size_t index = 0; index < old.size() && current == nullptr; ++index) {
            if (!taken[index] && old[index].fileNumber == master[number].fileNumber) {
                taken[index] = true;
                current = &old[index];
            }
        }
        const bool isTyped = typed.fileNumber == master[number].fileNumber;
        EncodeEmasterRecord(
            EmasterRecordFor(master[number], current, isTyped ? typed.name : std::string_view()),
            after.data() + (number + 1) * kEmasterRecordSize);
    }
    if (after == before) {
        return kSuccess;
    }
    if (!platform::ReplaceFileContents(directory, kEmasterName, "EMASTER.NEW", after.data(),
                                       after.size())) {
        return kFileWrite;
    }
    return kSuccess;
}

std::vector<std::string> LongNames(const fs::path& directory,
                                   const std::vector<MasterRecord>& records) {
    std::vector<std::string> names(records.size());
    EmasterHeader header;
    std::vector<EmasterRecord> emaster;
    if (ReadEmaster(directory, header, emaster) != kSuccess) {
        return names;
    }
    for (std::size_t number = 0; number < records.size(); ++number) {
        for (const EmasterRecord& candidate : emaster) {
            if (candidate.fileNumber != records[number].fileNumber) {
                continue;
            }
            const std::string longName = candidate.LongNameText();
            if (candidate.SymbolText() == MasterSymbol(records[number]) &&
                StartsWithName(longName, records[number].IssueNameText())) {
                names[number] = longName;
            }
            break;
        }
    }
    return names;
}

}  // namespace ticksmith::store
