#include "store/xmaster.h"

#include <algorithm>
#include <vector>

#include "platform/file_system.h"
#include "platform/little_endian.h"
#include "platform/names.h"
#include "store/master.h"
#include "store/record_fields.h"

namespace ticksmith::store {

namespace {

constexpr std::size_t kMagicAt = 0;
constexpr std::size_t kCountAt = 10;
constexpr std::size_t kNextFileNumberAt = 18;
constexpr std::size_t kSymbolAt = 1;
constexpr std::size_t kXSymbolLength = 15;
constexpr std::size_t kNameAt = 16;
constexpr std::size_t kXNameLength = 46;
constexpr std::size_t kPeriodAt = 62;
constexpr std::size_t kFileNumberAt = 65;
static_assert(kSymbolAt + kXSymbolLength == kNameAt, "the name follows the symbol");
static_assert(kNameAt + kXNameLength == kPeriodAt, "the period follows the name");
static_assert(kFileNumberAt + 2 <= kXmasterRecordSize, "the file number is inside the record");
static_assert(kNextFileNumberAt + 2 <= kXmasterRecordSize, "the header is one record");

// Far more than the vendor's software indexes.
constexpr std::size_t kMaxXmasterBytes = kXmasterRecordSize * 65536;

std::string Text(const std::uint8_t* bytes, std::size_t size) {
    return std::string(fields::TextOf(reinterpret_cast<const char*>(bytes), size));
}

}  // namespace

XmasterHeader DecodeXmasterHeader(const std::uint8_t* bytes) {
    XmasterHeader header;
    std::copy_n(bytes + kMagicAt, header.magic.size(), header.magic.begin());
    header.count = platform::ReadU16(bytes + kCountAt);
    header.nextFileNumber = platform::ReadU16(bytes + kNextFileNumberAt);
    return header;
}

XmasterRecord DecodeXmasterRecord(const std::uint8_t* bytes) {
    XmasterRecord record;
    record.symbol = Text(bytes + kSymbolAt, kXSymbolLength);
    record.name = Text(bytes + kNameAt, kXNameLength);
    record.period = static_cast<char>(bytes[kPeriodAt]);
    record.fileNumber = platform::ReadU16(bytes + kFileNumberAt);
    return record;
}

int SymbolsOnlyInXmaster(const fs::path& directory) {
    const auto path = platform::FindEntry(directory, kXmasterName);
    std::vector<std::uint8_t> bytes;
    if (!path || !platform::ReadWholeFile(*path, bytes, kMaxXmasterBytes) ||
        bytes.size() < kXmasterRecordSize) {
        return 0;
    }
    const XmasterHeader header = DecodeXmasterHeader(bytes.data());
    if (header.magic != kXmasterMagic) {
        return 0;
    }
    const std::size_t records =
        std::min<std::size_t>(header.count, bytes.size() / kXmasterRecordSize - 1);
    int hidden = 0;
    for (std::size_t number = 1; number <= records; ++number) {
        if (DecodeXmasterRecord(bytes.data() + number * kXmasterRecordSize).fileNumber >
            kMaxSymbols) {
            ++hidden;
        }
    }
    return hidden;
}

std::string XmasterNote(const fs::path& directory) {
    const int hidden = SymbolsOnlyInXmaster(directory);
    if (hidden == 0) {
        return {};
    }
    return "XMASTER holds " + std::to_string(hidden) + " more symbol" + (hidden == 1 ? "" : "s") +
           " that this program does not show.";
}

}  // namespace ticksmith::store
