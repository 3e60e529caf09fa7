#include "store/master.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>

#include "platform/file_system.h"
#include "platform/little_endian.h"
#include "platform/names.h"
#include "platform/safe_replace.h"
#include "store/quotes.h"
#include "store/record_fields.h"

namespace ticksmith::store {

namespace {

using fields::Put;
using fields::Take;
using fields::TextOf;
using fields::WithoutTrailingSpaces;
using platform::ReadI16;
using platform::WriteI16;

// Offsets of the fields of a MASTER record.
constexpr std::size_t kFileNumberAt = 0;
constexpr std::size_t kFileTypeAt = 1;
constexpr std::size_t kRecordLengthAt = 3;
constexpr std::size_t kFieldCountAt = 4;
constexpr std::size_t kReserved5At = 5;
constexpr std::size_t kIssueNameAt = 7;
constexpr std::size_t kReserved23At = 23;
constexpr std::size_t kFirstDateAt = 25;
constexpr std::size_t kLastDateAt = 29;
constexpr std::size_t kPeriodAt = 33;
constexpr std::size_t kReserved34At = 34;
constexpr std::size_t kSymbolAt = 36;
constexpr std::size_t kReserved52At = 52;
static_assert(kReserved52At + 1 == kMasterRecordSize, "MASTER records are 53 bytes");
static_assert(kSymbolAt + kNameLength == kReserved52At, "the symbol fills offsets 36 to 51");
static_assert(kIssueNameAt + kNameLength == kReserved23At, "the name fills offsets 7 to 22");

// A MASTER larger than this is not a MASTER: 32767 records and the header.
constexpr std::size_t kMaxMasterBytes = kMasterRecordSize * 32768;

// A MASTER read whole: header, complete records, and any broken-off bytes at the end.
struct MasterImage {
    std::vector<std::uint8_t> bytes;
    fs::path path;

    MasterHeader Header() const { return {ReadI16(bytes.data()), ReadI16(bytes.data() + 2)}; }
    std::size_t CompleteRecords() const { return bytes.size() / kMasterRecordSize - 1; }
    const std::uint8_t* Record(std::size_t number) const {
        return bytes.data() + number * kMasterRecordSize;
    }
    std::uint8_t* Record(std::size_t number) { return bytes.data() + number * kMasterRecordSize; }
    bool HasBrokenTail() const { return bytes.size() % kMasterRecordSize != 0; }
};

Status LoadMaster(const fs::path& directory, MasterImage& image) {
    // The usual spelling is opened at once; the resolver's look-around only for the others.
    image.path = directory / kMasterName;
    platform::InputFile file(image.path);
    if (!file.IsOpen()) {
        image.path = MasterPath(directory);
        file = platform::InputFile(image.path);
    }
    if (!file.IsOpen()) {
        return kFileOpen;
    }
    const std::int64_t size = file.Size();
    if (size < static_cast<std::int64_t>(kMasterRecordSize) ||
        size > static_cast<std::int64_t>(kMaxMasterBytes)) {
        return kFileRead;
    }
    image.bytes.resize(static_cast<std::size_t>(size));
    if (file.ReadAt(0, image.bytes.data(), image.bytes.size()) != size) {
        return kFileRead;
    }
    return kSuccess;
}

Status ReplaceMaster(const fs::path& directory, std::string_view temporaryName,
                     const MasterImage& image) {
    platform::ReplacementFile file(directory, kMasterName, temporaryName);
    if (!file.Open()) {
        return kFileOpen;
    }
    if (!file.Write(image.bytes.data(), image.bytes.size()) || !file.Commit()) {
        return kFileWrite;
    }
    return kSuccess;
}

Status UpdateRecords(const fs::path& directory, int fileNumber, bool backup,
                     const std::function<void(MasterRecord&)>& change) {
    MasterImage image;
    if (const Status status = LoadMaster(directory, image); status != kSuccess) {
        return status;
    }
    if (backup && !platform::CopyToBackup(image.path, directory, "MASTER.BAK")) {
        return kFileWrite;
    }
    for (std::size_t number = 1; number <= image.CompleteRecords(); ++number) {
        std::uint8_t* bytes = image.Record(number);
        if (bytes[kFileNumberAt] == fileNumber) {
            MasterRecord record = DecodeMasterRecord(bytes);
            change(record);
            EncodeMasterRecord(record, bytes);
        }
    }
    return ReplaceMaster(directory, "MASTER.NEW", image);
}

}  // namespace

std::string MasterRecord::IssueNameText() const {
    return std::string(WithoutTrailingSpaces(TextOf(issueName.data(), issueName.size())));
}

std::string MasterRecord::SymbolText() const {
    std::size_t end = 0;
    while (end < symbol.size() && static_cast<unsigned char>(symbol[end]) > ' ') {
        ++end;
    }
    if (end == 0) {
        return IssueNameText();
    }
    return std::string(symbol.data(), end);
}

bool MasterRecord::IsSubdirectory() const {
    return issueName[0] != ' ' && std::memcmp(issueName.data() + 11, "<DIR>", 5) == 0;
}

std::string MasterRecord::SubdirectoryName() const {
    return std::string(WithoutTrailingSpaces(TextOf(issueName.data(), 8)));
}

MasterRecord DecodeMasterRecord(const std::uint8_t* bytes) {
    MasterRecord record;
    record.fileNumber = bytes[kFileNumberAt];
    Take(record.fileType, bytes, kFileTypeAt);
    record.recordLength = bytes[kRecordLengthAt];
    record.fieldCount = bytes[kFieldCountAt];
    Take(record.reserved5, bytes, kReserved5At);
    Take(record.issueName, bytes, kIssueNameAt);
    Take(record.reserved23, bytes, kReserved23At);
    Take(record.firstDate, bytes, kFirstDateAt);
    Take(record.lastDate, bytes, kLastDateAt);
    record.period = static_cast<char>(bytes[kPeriodAt]);
    Take(record.reserved34, bytes, kReserved34At);
    Take(record.symbol, bytes, kSymbolAt);
    record.reserved52 = bytes[kReserved52At];
    return record;
}

void EncodeMasterRecord(const MasterRecord& record, std::uint8_t* bytes) {
    bytes[kFileNumberAt] = record.fileNumber;
    Put(record.fileType, bytes, kFileTypeAt);
    bytes[kRecordLengthAt] = record.recordLength;
    bytes[kFieldCountAt] = record.fieldCount;
    Put(record.reserved5, bytes, kReserved5At);
    Put(record.issueName, bytes, kIssueNameAt);
    Put(record.reserved23, bytes, kReserved23At);
    Put(record.firstDate, bytes, kFirstDateAt);
    Put(record.lastDate, bytes, kLastDateAt);
    bytes[kPeriodAt] = static_cast<std::uint8_t>(record.period);
    Put(record.reserved34, bytes, kReserved34At);
    Put(record.symbol, bytes, kSymbolAt);
    bytes[kReserved52At] = record.reserved52;
}

std::array<char, kNameLength> PaddedName(std::string_view text) {
    std::array<char, kNameLength> name;
    name.fill(' ');
    std::copy_n(text.begin(), std::min(text.size(), kNameLength), name.begin());
    return name;
}

MasterRecord NewMasterRecord(std::string_view symbol, std::string_view issueName, int fieldCount) {
    MasterRecord record;
    record.fieldCount = static_cast<std::uint8_t>(fieldCount);
    record.recordLength = static_cast<std::uint8_t>(4 * fieldCount);
    record.issueName = PaddedName(issueName);
    record.symbol = PaddedName(symbol);
    return record;
}

fs::path MasterPath(const fs::path& directory) {
    return platform::ResolveEntry(directory, kMasterName);
}

std::string UnreadableFileReason(const fs::path& path, std::size_t headerBytes) {
    errno = 0;
    const platform::InputFile file(path);
    if (!file.IsOpen()) {
        return path.string() + " could not be opened" + platform::LastErrorText();
    }
    if (file.Size() < static_cast<std::int64_t>(headerBytes)) {
        return path.string() + " is shorter than its header";
    }
    return {};
}

std::string DescribeMasterFailure(const fs::path& directory) {
    return UnreadableFileReason(MasterPath(directory), kMasterRecordSize);
}

Status ReadMasterHeader(const fs::path& directory, MasterHeader& header) {
    platform::InputFile file(MasterPath(directory));
    if (!file.IsOpen()) {
        return kFileOpen;
    }
    std::uint8_t bytes[kMasterRecordSize];
    if (file.ReadAt(0, bytes, sizeof bytes) != static_cast<std::int64_t>(sizeof bytes)) {
        return kFileRead;
    }
    header = {ReadI16(bytes), ReadI16(bytes + 2)};
    return kSuccess;
}

namespace {

Status ReadRecords(const fs::path& directory, bool toEnd, std::vector<MasterRecord>& records,
                   MasterHeader* header) {
    records.clear();
    MasterImage image;
    if (const Status status = LoadMaster(directory, image); status != kSuccess) {
        return status;
    }
    const MasterHeader read = image.Header();
    if (header != nullptr) {
        *header = read;
    }
    const std::size_t count = toEnd
                                  ? image.CompleteRecords()
                                  : std::min(static_cast<std::size_t>(std::max<int>(read.count, 0)),
                                             image.CompleteRecords());
    records.reserve(count);
    for (std::size_t number = 1; number <= count; ++number) {
        records.push_back(DecodeMasterRecord(image.Record(number)));
    }
    return kSuccess;
}

}  // namespace

Status ReadMasterRecords(const fs::path& directory, std::vector<MasterRecord>& records,
                         MasterHeader* header) {
    return ReadRecords(directory, false, records, header);
}

Status ReadMasterRecordsToEnd(const fs::path& directory, std::vector<MasterRecord>& records) {
    return ReadRecords(directory, true, records, nullptr);
}

bool MatchesSearchText(const MasterRecord& record, std::string_view text) {
    if (platform::EqualsIgnoringCase(
            WithoutTrailingSpaces(TextOf(record.issueName.data(), record.issueName.size())),
            text)) {
        return true;
    }
    const std::size_t wantedSpaces =
        static_cast<std::size_t>(std::count(text.begin(), text.end(), ' ')) + 1;
    const std::string_view symbol = TextOf(record.symbol.data(), record.symbol.size());
    std::size_t spaces = 0;
    std::size_t end = 0;
    for (; end < symbol.size(); ++end) {
        if (symbol[end] == ' ' && ++spaces == wantedSpaces) {
            break;
        }
    }
    return platform::EqualsIgnoringCase(symbol.substr(0, end), text);
}

Status FindSymbol(const fs::path& directory, std::string_view text, MasterRecord& record,
                  fs::path& foundDirectory) {
    struct Level {
        fs::path directory;
        MasterImage image;
        std::size_t count = 0;
        std::size_t position = 0;  // 0: not yet scanned
    };
    std::vector<Level> levels;
    // A directory named by several records, or by a link back up, is searched once: without
    // this a few such records make the search take exponential time.
    std::set<std::pair<dev_t, ino_t>> visited;
    const auto enter = [&levels, &visited](fs::path path) {
        struct stat info {};
        if (::stat(path.empty() ? "." : path.c_str(), &info) == 0 &&
            !visited.insert({info.st_dev, info.st_ino}).second) {
            return false;
        }
        Level level;
        level.directory = std::move(path);
        if (LoadMaster(level.directory, level.image) == kSuccess) {
            level.count = static_cast<std::size_t>(std::max<int>(level.image.Header().count, 0));
        } else {
            level.position = 1;  // unreadable: nothing at this level
        }
        levels.push_back(std::move(level));
        return true;
    };
    enter(directory);
    while (!levels.empty()) {
        Level& level = levels.back();
        const std::size_t available = level.image.bytes.empty() ? 0 : level.image.CompleteRecords();
        if (level.position == 0) {
            bool sawSubdirectory = false;
            for (std::size_t number = 1; number <= level.count; ++number) {
                if (number > available) {
                    // A MASTER that breaks off: only sub-directories seen before the break
                    // are still searched.
                    if (!sawSubdirectory) {
                        level.count = 0;
                    }
                    break;
                }
                const MasterRecord candidate = DecodeMasterRecord(level.image.Record(number));
                if (candidate.IsSubdirectory()) {
                    if (!sawSubdirectory) {
                        level.position = number;
                        sawSubdirectory = true;
                    }
                } else if (MatchesSearchText(candidate, text)) {
                    record = candidate;
                    foundDirectory = level.directory;
                    return kSuccess;
                }
            }
            if (!sawSubdirectory) {
                level.position = level.count + 1;
            }
        }
        bool descended = false;
        while (level.position <= level.count) {
            if (level.position > available) {
                return kFileRead;
            }
            const MasterRecord candidate = DecodeMasterRecord(level.image.Record(level.position));
            ++level.position;
            if (!candidate.IsSubdirectory()) {
                continue;
            }
            const std::string name = candidate.SubdirectoryName();
            if (!platform::IsPlainName(name) ||
                levels.size() > static_cast<std::size_t>(kMaxSubdirectoryDepth)) {
                continue;
            }
            fs::path child = platform::ResolveEntry(level.directory, name);
            if ((child / kMasterName).native().size() > kMaxPathLength) {
                continue;
            }
            if (enter(std::move(child))) {
                descended = true;
                break;
            }
        }
        if (!descended) {
            levels.pop_back();
        }
    }
    return kFileNotFound;
}

namespace {

// The lowest file number that neither a record nor a file of the directory has, files for
// which `ownFiles` holds aside.
FileNumberResult LowestFreeNumber(const MasterImage& image, const fs::path& directory,
                                  const std::function<bool(int)>& ownFiles) {
    // Other software keeps its highest file number in the counter, so only the records fill
    // a portfolio.
    if (image.Header().count >= kMaxSymbols) {
        return {0, NumberFailure::kFull};
    }
    // A new record after broken-off bytes would sit at the wrong offset; leave that MASTER
    // to the repair.
    if (image.HasBrokenTail()) {
        return {0, NumberFailure::kPartialRecord, kFileRead};
    }
    std::array<bool, 256> used{};
    used[0] = true;
    for (std::size_t number = 1; number <= image.CompleteRecords(); ++number) {
        used[image.Record(number)[kFileNumberAt]] = true;
    }
    // Files without a record are some symbol's all the same; handing out their number would
    // overwrite them.
    const auto hasFiles = [&](int number) {
        return !(ownFiles && ownFiles(number)) &&
               (platform::FindEntry(directory, DataFileName(number)) ||
                platform::FindEntry(directory, DopFileName(number)));
    };
    for (int number = 1; number <= kMaxSymbols; ++number) {
        if (!used[static_cast<std::size_t>(number)] && !hasFiles(number)) {
            return {number};
        }
    }
    return {0, NumberFailure::kFull};
}

}  // namespace

FileNumberResult FreeFileNumber(const fs::path& directory,
                                const std::function<bool(int)>& ownFiles) {
    MasterImage image;
    if (const Status status = LoadMaster(directory, image); status != kSuccess) {
        return {0, NumberFailure::kUnreadable, status};
    }
    return LowestFreeNumber(image, directory, ownFiles);
}

FileNumberResult AppendMasterRecord(const fs::path& directory, MasterRecord& record,
                                    int fileNumber) {
    MasterImage image;
    if (const Status status = LoadMaster(directory, image); status != kSuccess) {
        return {0, NumberFailure::kUnreadable, status};
    }
    // Files made before the record are the writer's own.
    const FileNumberResult free = LowestFreeNumber(
        image, directory, [fileNumber](int number) { return number == fileNumber; });
    if (!free.Succeeded()) {
        return free;
    }
    if (fileNumber != 0 && fileNumber != free.fileNumber) {
        return {0, NumberFailure::kNumberTaken, kFileExists};
    }
    const MasterHeader header = image.Header();
    record.fileNumber = static_cast<std::uint8_t>(free.fileNumber);
    WriteI16(image.bytes.data(), static_cast<std::int16_t>(header.count + 1));
    // The counter names the highest file number in use, as other software keeps it; readers
    // that look no further than it then see the new symbol.
    int highest = free.fileNumber;
    for (std::size_t number = 1; number <= image.CompleteRecords(); ++number) {
        highest = std::max<int>(highest, image.Record(number)[kFileNumberAt]);
    }
    WriteI16(image.bytes.data() + 2, static_cast<std::int16_t>(highest));
    const std::size_t at = image.bytes.size();
    image.bytes.resize(at + kMasterRecordSize);
    EncodeMasterRecord(record, image.bytes.data() + at);
    if (const Status status = ReplaceMaster(directory, "MASTER.~NU", image); status != kSuccess) {
        return {0, NumberFailure::kNotWritten, status};
    }
    return free;
}

Status RemoveMasterRecords(const fs::path& directory,
                           const std::function<bool(const MasterRecord&)>& predicate) {
    MasterImage image;
    if (const Status status = LoadMaster(directory, image); status != kSuccess) {
        return status;
    }
    const std::size_t records = image.CompleteRecords();
    MasterImage kept;
    kept.bytes.assign(image.bytes.begin(), image.bytes.begin() + kMasterRecordSize);
    int removed = 0;
    for (std::size_t number = 1; number <= records; ++number) {
        const std::uint8_t* bytes = image.Record(number);
        if (predicate(DecodeMasterRecord(bytes))) {
            ++removed;
        } else {
            kept.bytes.insert(kept.bytes.end(), bytes, bytes + kMasterRecordSize);
        }
    }
    if (removed == 0) {
        return kRecordNotFound;
    }
    kept.bytes.insert(kept.bytes.end(), image.Record(records + 1),
                      image.bytes.data() + image.bytes.size());
    // The header follows the records actually dropped, so it never disagrees with the file.
    const MasterHeader header = image.Header();
    WriteI16(kept.bytes.data(), static_cast<std::int16_t>(std::max(header.count - removed, 0)));
    WriteI16(kept.bytes.data() + 2,
             static_cast<std::int16_t>(std::max(header.counter - removed, 0)));
    return ReplaceMaster(directory, "MASTER.~NU", kept);
}

Status SetMasterDate(const fs::path& directory, int fileNumber, const FloatBytes& date,
                     WhichDate which, bool backup) {
    return UpdateRecords(directory, fileNumber, backup, [&](MasterRecord& record) {
        (which == WhichDate::kFirst ? record.firstDate : record.lastDate) = date;
    });
}

Status SetMasterDates(const fs::path& directory, int fileNumber, const FloatBytes& first,
                      const FloatBytes& last, bool backup) {
    return UpdateRecords(directory, fileNumber, backup, [&](MasterRecord& record) {
        record.firstDate = first;
        record.lastDate = last;
    });
}

Status SetMasterNames(const fs::path& directory, int fileNumber, std::string_view symbol,
                      std::string_view issueName) {
    return UpdateRecords(directory, fileNumber, true, [&](MasterRecord& record) {
        record.symbol = PaddedName(symbol);
        record.issueName = PaddedName(issueName);
    });
}

Status CreateEmptyMaster(const fs::path& directory) {
    const std::array<std::uint8_t, kMasterRecordSize> header{};
    if (!platform::ReplaceFileContents(directory, kMasterName, "MASTER.~NU", header.data(),
                                       header.size())) {
        return kFileWrite;
    }
    return kSuccess;
}

}  // namespace ticksmith::store
