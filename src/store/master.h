#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "store/encodings.h"
#include "store/status.h"

namespace ticksmith::store {

namespace fs = std::filesystem;

inline constexpr std::size_t kMasterRecordSize = 53;
inline constexpr int kMaxSymbols = 255;
inline constexpr std::size_t kNameLength = 16;
// Paths longer than this do not fit the fixed path buffers of the format's readers.
inline constexpr std::size_t kMaxPathLength = 299;
// How deep the symbol search follows sub-directory records.
inline constexpr int kMaxSubdirectoryDepth = 16;

inline constexpr std::string_view kMasterName = "MASTER";

using MasterBytes = std::array<std::uint8_t, kMasterRecordSize>;

// One 53-byte MASTER record. Every byte of the stored record has a home here, so a record
// decoded and encoded again is the same bytes; dates stay in their stored MBF form.
struct MasterRecord {
    std::uint8_t fileNumber = 0;
    std::array<std::uint8_t, 2> fileType{0x00, 0x65};
    std::uint8_t recordLength = 0;
    std::uint8_t fieldCount = 0;
    std::array<std::uint8_t, 2> reserved5{};
    std::array<char, kNameLength> issueName{};
    std::array<std::uint8_t, 2> reserved23{};
    FloatBytes firstDate{};
    FloatBytes lastDate{};
    char period = 'D';
    std::array<std::uint8_t, 2> reserved34{};
    std::array<char, kNameLength> symbol{};
    std::uint8_t reserved52 = 0;

    float FirstDateValue() const { return MbfToFloat(firstDate); }
    float LastDateValue() const { return MbfToFloat(lastDate); }
    DayNumber FirstDay() const { return DayNumberFromFileDate(FirstDateValue()); }
    DayNumber LastDay() const { return DayNumberFromFileDate(LastDateValue()); }

    // The issue name with trailing spaces (and anything after a NUL) removed.
    std::string IssueNameText() const;
    // The symbol as the symbol grid shows it: ended at the first character below "!",
    // the issue name when that leaves nothing.
    std::string SymbolText() const;
    // A record standing for a sub-directory that holds a MASTER of its own.
    bool IsSubdirectory() const;
    std::string SubdirectoryName() const;
};

MasterRecord DecodeMasterRecord(const std::uint8_t* bytes);
void EncodeMasterRecord(const MasterRecord& record, std::uint8_t* bytes);

// Pads a text with spaces to 16 characters; a longer text is cut at 16.
std::array<char, kNameLength> PaddedName(std::string_view text);

// A record for a new symbol: file type 0x00 0x65, period D, no dates yet.
MasterRecord NewMasterRecord(std::string_view symbol, std::string_view issueName, int fieldCount);

struct MasterHeader {
    std::int16_t count = 0;
    std::int16_t counter = 0;
};

// The path of a portfolio's MASTER, found without regard to case.
fs::path MasterPath(const fs::path& directory);

// Why a file cannot be read, for a person ("<path> could not be opened: <the system's reason>",
// "<path> is shorter than its header"); empty when it can.
std::string UnreadableFileReason(const fs::path& path, std::size_t headerBytes);
// Why a portfolio's MASTER cannot be read; empty when it can.
std::string DescribeMasterFailure(const fs::path& directory);

[[nodiscard]] Status ReadMasterHeader(const fs::path& directory, MasterHeader& header);

// All symbol records of a MASTER: the header's count, fewer when the file ends first.
[[nodiscard]] Status ReadMasterRecords(const fs::path& directory,
                                       std::vector<MasterRecord>& records,
                                       MasterHeader* header = nullptr);

// Every complete record to the end of the file, whatever the header's count says.
[[nodiscard]] Status ReadMasterRecordsToEnd(const fs::path& directory,
                                            std::vector<MasterRecord>& records);

// Depth-first search for a symbol by symbol text or issue name, following sub-directory
// records. `foundDirectory` is the directory whose MASTER holds the record.
[[nodiscard]] Status FindSymbol(const fs::path& directory, std::string_view text,
                                MasterRecord& record, fs::path& foundDirectory);

// Whether a record matches a search text: the issue name without trailing spaces, or the
// symbol up to its K-th space where K is one more than the spaces in the text.
bool MatchesSearchText(const MasterRecord& record, std::string_view text);

// Why no file number could be given.
enum class NumberFailure {
    kNone,
    kUnreadable,     // MASTER could not be opened or read
    kFull,           // 255 records, or every number taken by a record or a file
    kPartialRecord,  // MASTER ends in part of a record: the repair's work
    kNumberTaken,    // the number the caller's files have is no longer the lowest free one
    kNotWritten,     // MASTER could not be replaced
};

struct FileNumberResult {
    int fileNumber = 0;  // 1 to 255 when there is no failure
    NumberFailure failure = NumberFailure::kNone;
    Status status = kSuccess;  // the store's status behind kUnreadable and kNotWritten

    bool Succeeded() const { return failure == NumberFailure::kNone; }
};

// The file number AppendMasterRecord would give now. Files of a number for which `ownFiles`
// holds are the caller's own and do not keep that number taken.
[[nodiscard]] FileNumberResult FreeFileNumber(const fs::path& directory,
                                              const std::function<bool(int)>& ownFiles = {});

// Gives `record` the lowest file number that no record and no F<n>.DAT or F<n>.DOP has, and
// appends it; the counter becomes the highest file number the records use. A writer that made the
// record's files first passes their number: kNumberTaken, with MASTER unchanged, when it is no
// longer the lowest free one.
[[nodiscard]] FileNumberResult AppendMasterRecord(const fs::path& directory, MasterRecord& record,
                                                  int fileNumber = 0);

// Drops every record for which `predicate` holds. kRecordNotFound, with MASTER unchanged,
// when none does.
[[nodiscard]] Status RemoveMasterRecords(const fs::path& directory,
                                         const std::function<bool(const MasterRecord&)>& predicate);

enum class WhichDate { kFirst, kLast };

// Field updates: MASTER.BAK is taken first (unless `backup` is false), then MASTER.NEW
// replaces MASTER. Every record with the file number changes.
[[nodiscard]] Status SetMasterDate(const fs::path& directory, int fileNumber,
                                   const FloatBytes& date, WhichDate which, bool backup = true);
[[nodiscard]] Status SetMasterDates(const fs::path& directory, int fileNumber,
                                    const FloatBytes& first, const FloatBytes& last, bool backup);
[[nodiscard]] Status SetMasterNames(const fs::path& directory, int fileNumber,
                                    std::string_view symbol, std::string_view issueName);

// Creates an empty MASTER: one header of zeros.
[[nodiscard]] Status CreateEmptyMaster(const fs::path& directory);

}  // namespace ticksmith::store
