// A MASTER of any bytes, perhaps with a sub-directory (or a link back to the portfolio) that
// the search follows: the readers must not crash, and the writers, run on a copy, must either
// do exactly their job or leave the file as it was.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "fuzz_support.h"
#include "platform/little_endian.h"
#include "platform/names.h"
#include "store/master.h"
#include "store/status.h"

namespace {

namespace store = ticksmith::store;
namespace platform = ticksmith::platform;
using fuzzing::Bytes;
using fuzzing::fs::path;

// Several sub-directory records naming one link back to the portfolio make the search take
// (records)^(depth) steps; that is known and reported, so by default the cycle is only
// built when at most one record names it. TICKSMITH_FUZZ_ALLOW_BLOWUP=1 lifts the limit.
bool AllowBlowup() {
    static const bool allow = [] {
        const char* value = std::getenv("TICKSMITH_FUZZ_ALLOW_BLOWUP");
        return value != nullptr && std::string_view(value) == "1";
    }();
    return allow;
}

std::size_t CompleteRecords(const Bytes& master) {
    return master.size() < store::kMasterRecordSize ? 0
                                                    : master.size() / store::kMasterRecordSize - 1;
}

const std::uint8_t* RecordAt(const Bytes& master, std::size_t number) {
    return master.data() + number * store::kMasterRecordSize;
}

bool IsKnownStatus(int status) {
    return status == store::kSuccess || (status <= -1 && status >= -14) ||
           status == store::kUnknownLayout;
}

// The texts searched for: fixed ones, and ones taken from the records so that matches happen.
std::vector<std::string> SearchTexts(const Bytes& master) {
    std::vector<std::string> texts = {
        "", " ", "IBM", "ibm", "BRK A", "A B C D E F G H I J K L", std::string(17, 'X')};
    const std::size_t records = std::min<std::size_t>(CompleteRecords(master), 3);
    for (std::size_t number = 1; number <= records; ++number) {
        const store::MasterRecord record = store::DecodeMasterRecord(RecordAt(master, number));
        texts.push_back(record.SymbolText());
        texts.push_back(record.IssueNameText());
        texts.emplace_back(record.symbol.data(), record.symbol.size());
    }
    return texts;
}

void ReadAndSearch(const path& portfolio, const Bytes& master) {
    store::MasterHeader header;
    const store::Status headerStatus = store::ReadMasterHeader(portfolio, header);
    FUZZ_CHECK(IsKnownStatus(headerStatus));
    FUZZ_CHECK((headerStatus == store::kSuccess) == (master.size() >= store::kMasterRecordSize));

    std::vector<store::MasterRecord> records;
    store::MasterHeader read;
    const store::Status recordsStatus = store::ReadMasterRecords(portfolio, records, &read);
    FUZZ_CHECK(IsKnownStatus(recordsStatus));
    if (recordsStatus == store::kSuccess) {
        FUZZ_CHECK(read.count == header.count && read.counter == header.counter);
        FUZZ_CHECK(records.size() <= CompleteRecords(master));
        FUZZ_CHECK(records.size() <= static_cast<std::size_t>(std::max<int>(header.count, 0)));
        for (std::size_t i = 0; i < records.size(); ++i) {
            std::array<std::uint8_t, store::kMasterRecordSize> again{};
            store::EncodeMasterRecord(records[i], again.data());
            FUZZ_CHECK(std::memcmp(again.data(), RecordAt(master, i + 1), again.size()) == 0);
        }
    }

    for (const std::string& text : SearchTexts(master)) {
        store::MasterRecord record;
        path found;
        const store::Status status = store::FindSymbol(portfolio, text, record, found);
        FUZZ_CHECK(status == store::kSuccess || status == store::kFileNotFound ||
                   status == store::kFileRead);
        if (status == store::kSuccess) {
            FUZZ_CHECK(store::MatchesSearchText(record, text));
            FUZZ_CHECK(!record.IsSubdirectory());
            // The search stays below the directory it was given.
            const std::string relative = found.lexically_relative(portfolio).string();
            FUZZ_CHECK(!relative.empty() && relative.rfind("..", 0) != 0);
        }
    }
}

// The writers on a copy of the MASTER: each either does exactly its job or changes nothing.
void WriteCopy(const path& copy, const Bytes& master) {
    const path masterPath = copy / "MASTER";
    fuzzing::WriteFile(masterPath, master);

    store::MasterRecord added = store::NewMasterRecord("FZNEW", "FUZZ NEW ISSUE", 7);
    const store::FileNumberResult result = store::AppendMasterRecord(copy, added);
    FUZZ_CHECK(result.Succeeded() == (result.fileNumber > 0));
    FUZZ_CHECK(IsKnownStatus(result.status));
    const int appended = result.fileNumber;
    const Bytes afterAppend = fuzzing::ReadFile(masterPath);
    if (appended > 0) {
        FUZZ_CHECK(appended <= store::kMaxSymbols);
        FUZZ_CHECK(afterAppend.size() == master.size() + store::kMasterRecordSize);
        FUZZ_CHECK(std::equal(master.begin() + 4, master.end(), afterAppend.begin() + 4));
        const store::MasterRecord last =
            store::DecodeMasterRecord(afterAppend.data() + master.size());
        FUZZ_CHECK(last.fileNumber == appended && last.symbol == added.symbol);
        // The lowest number that no record of the file uses.
        std::array<bool, 256> used{};
        for (std::size_t number = 1; number <= CompleteRecords(master); ++number) {
            used[RecordAt(master, number)[0]] = true;
        }
        FUZZ_CHECK(!used[static_cast<std::size_t>(appended)]);
        for (int number = 1; number < appended; ++number) {
            FUZZ_CHECK(used[static_cast<std::size_t>(number)]);
        }
    } else {
        FUZZ_CHECK(afterAppend == master);
    }

    const Bytes before = afterAppend;
    const std::uint8_t victim =
        CompleteRecords(before) > 0 ? RecordAt(before, 1)[0] : static_cast<std::uint8_t>(0);
    const auto predicate = [victim](const store::MasterRecord& record) {
        return record.fileNumber == victim || record.SymbolText() == "FZNEW";
    };
    std::size_t matching = 0;
    for (std::size_t number = 1; number <= CompleteRecords(before); ++number) {
        matching += predicate(store::DecodeMasterRecord(RecordAt(before, number))) ? 1 : 0;
    }
    const store::Status removed = store::RemoveMasterRecords(copy, predicate);
    FUZZ_CHECK(IsKnownStatus(removed));
    const Bytes afterRemove = fuzzing::ReadFile(masterPath);
    if (removed == store::kSuccess) {
        FUZZ_CHECK(matching > 0);
        FUZZ_CHECK(afterRemove.size() == before.size() - matching * store::kMasterRecordSize);
        for (std::size_t number = 1; number <= CompleteRecords(afterRemove); ++number) {
            FUZZ_CHECK(!predicate(store::DecodeMasterRecord(RecordAt(afterRemove, number))));
        }
    } else {
        FUZZ_CHECK(afterRemove == before);
        FUZZ_CHECK(removed != store::kRecordNotFound || matching == 0);
    }

    // A field update touches only the dates of the records with that number.
    const store::FloatBytes first = store::FileDateFromDayNumber(14247);
    const store::FloatBytes last = store::FileDateFromDayNumber(15710);
    const store::Status dated = store::SetMasterDates(copy, victim, first, last, false);
    FUZZ_CHECK(IsKnownStatus(dated));
    const Bytes afterDates = fuzzing::ReadFile(masterPath);
    FUZZ_CHECK(afterDates.size() == afterRemove.size());
    for (std::size_t at = 0; at < afterDates.size(); ++at) {
        const std::size_t number = at / store::kMasterRecordSize;
        const std::size_t offset = at % store::kMasterRecordSize;
        const bool dateByte = number >= 1 && number <= CompleteRecords(afterRemove) &&
                              offset >= 25 && offset < 33 &&
                              RecordAt(afterRemove, number)[0] == victim;
        FUZZ_CHECK(dateByte || afterDates[at] == afterRemove[at]);
    }

    // Only the MASTER is left: no temporary or backup file stays behind.
    const std::vector<std::string> left = fuzzing::Tree(copy);
    FUZZ_CHECK(left.size() == 1 && left.front() == "MASTER");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    fuzzing::Scratch& scratch = fuzzing::Scratch::Instance();
    const path& root = scratch.NewCase();
    const std::uint8_t flags = data[0];
    const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::size_t marker = rest.find(fuzzing::master_input::kSubMasterMarker);
    const std::string_view mainPart = rest.substr(0, marker);
    const Bytes master(mainPart.begin(), mainPart.end());

    const path portfolio = root / "P";
    fuzzing::fs::create_directory(portfolio);
    const bool lower = (flags & fuzzing::master_input::kLowerCaseNames) != 0;
    fuzzing::WriteFile(portfolio / (lower ? "master" : "MASTER"), master);

    // The sub-directory that the first sub-directory record names.
    std::string subName;
    int namingRecords = 0;
    for (std::size_t number = 1; number <= CompleteRecords(master); ++number) {
        const store::MasterRecord record = store::DecodeMasterRecord(RecordAt(master, number));
        if (record.IsSubdirectory() && platform::IsPlainName(record.SubdirectoryName())) {
            if (subName.empty()) {
                subName = record.SubdirectoryName();
            }
            // The search resolves names without regard to case, so "loop" leads into LOOP too.
            namingRecords += platform::EqualsIgnoringCase(record.SubdirectoryName(), subName);
        }
    }
    if ((flags & fuzzing::master_input::kHasSubdirectory) != 0 && !subName.empty() &&
        !platform::EqualsIgnoringCase(subName, "MASTER")) {
        const path sub = portfolio / subName;
        if ((flags & fuzzing::master_input::kSubdirectoryIsCycle) != 0) {
            if (namingRecords <= 1 || AllowBlowup()) {
                std::error_code ignored;
                fuzzing::fs::create_directory_symlink(".", sub, ignored);
            }
        } else if (std::error_code error;
                   fuzzing::fs::create_directory(sub, error) && marker != std::string_view::npos) {
            const std::string_view subPart =
                rest.substr(marker + fuzzing::master_input::kSubMasterMarker.size());
            fuzzing::WriteFile(sub / (lower ? "master" : "MASTER"), subPart.data(), subPart.size());
        }
    }

    const std::vector<std::string> portfolioBefore = fuzzing::Tree(portfolio);
    ReadAndSearch(portfolio, master);
    FUZZ_CHECK(fuzzing::Tree(portfolio) == portfolioBefore);
    FUZZ_CHECK(fuzzing::ReadFile(store::MasterPath(portfolio)) == master);

    const path copy = root / "COPY";
    fuzzing::fs::create_directory(copy);
    WriteCopy(copy, master);
    FUZZ_CHECK(fuzzing::Tree(portfolio) == portfolioBefore);
    scratch.CheckNothingStrayed();
    return 0;
}
