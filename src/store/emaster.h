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

inline constexpr std::size_t kEmasterRecordSize = 192;
inline constexpr std::size_t kEmasterSymbolLength = 14;
inline constexpr std::size_t kLongNameLength = 53;
// The longest long name a writer stores: readers take the field as a text ended by a NUL.
inline constexpr std::size_t kMaxLongNameText = kLongNameLength - 1;
inline constexpr std::string_view kEmasterName = "EMASTER";

// The EMASTER header: the two counts MASTER's header has, then bytes kept as they are.
struct EmasterHeader {
    std::int16_t count = 0;
    std::int16_t counter = 0;
    std::array<std::uint8_t, kEmasterRecordSize - 4> rest{};
};

// One 192-byte EMASTER record: what MASTER says of a symbol, with dates as IEEE floats, texts
// ended by NULs, and a long name. Every byte has a home, so decode and encode give the same
// bytes.
struct EmasterRecord {
    std::array<char, 2> marker{'6', '6'};
    std::uint8_t fileNumber = 0;
    std::array<std::uint8_t, 3> reserved3{};
    std::uint8_t fieldCount = 0;
    std::uint8_t fieldMask = 0;
    std::uint8_t reserved8 = 0;
    char autorun = ' ';
    std::uint8_t reserved10 = 0;
    std::array<char, kEmasterSymbolLength> symbol{};
    std::array<std::uint8_t, 7> reserved25{};
    std::array<char, kNameLength> issueName{};
    std::array<std::uint8_t, 12> reserved48{};
    char period = 'D';
    std::array<std::uint8_t, 3> reserved61{};
    FloatBytes firstDate{};  // IEEE, unlike MASTER's
    std::array<std::uint8_t, 4> reserved68{};
    FloatBytes lastDate{};
    std::array<std::uint8_t, 50> reserved76{};
    std::int32_t firstDateLong = 0;  // the first date again, as YYYYMMDD
    std::array<std::uint8_t, 9> reserved130{};
    std::array<char, kLongNameLength> longName{};

    std::string SymbolText() const;
    std::string IssueNameText() const;
    std::string LongNameText() const;
};

EmasterHeader DecodeEmasterHeader(const std::uint8_t* bytes);
void EncodeEmasterHeader(const EmasterHeader& header, std::uint8_t* bytes);
EmasterRecord DecodeEmasterRecord(const std::uint8_t* bytes);
void EncodeEmasterRecord(const EmasterRecord& record, std::uint8_t* bytes);

// The EMASTER of a portfolio, found without regard to case; empty when there is none.
fs::path EmasterPath(const fs::path& directory);

// kFileNotFound when the portfolio has no EMASTER; kUnknownLayout when its size is not a
// whole number of records.
[[nodiscard]] Status ReadEmaster(const fs::path& directory, EmasterHeader& header,
                                 std::vector<EmasterRecord>& records);

// A long name typed for the symbol of a file number, to be stored whole in EMASTER.
struct TypedLongName {
    int fileNumber = 0;
    std::string name;
};

// `current` (the record EMASTER holds for the file number, or nullptr) brought in step with
// `master`. A long name is kept while it still begins with MASTER's name (and the symbol is
// the same, unless a name was typed for it); a typed name longer than MASTER's takes its place.
EmasterRecord EmasterRecordFor(const MasterRecord& master, const EmasterRecord* current,
                               std::string_view typed = {});

// Rewrites EMASTER, when the portfolio has one, so that it holds one record for each MASTER
// record, in MASTER's order, agreeing with it, with `typed`'s long name for its file number.
// Nothing is written when it already agrees; a portfolio without an EMASTER keeps having none.
[[nodiscard]] Status SyncEmaster(const fs::path& directory, const TypedLongName& typed = {});

// The long names EMASTER holds, by file number; empty when there is no EMASTER or a record no
// longer agrees with MASTER's name.
std::vector<std::string> LongNames(const fs::path& directory,
                                   const std::vector<MasterRecord>& records);

}  // namespace ticksmith::store
