#include "ascii/import.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <memory>
#include <set>

#include "platform/file_system.h"
#include "platform/little_endian.h"
#include "platform/locks.h"
#include "platform/names.h"
#include "platform/safe_replace.h"
#include "platform/text_lines.h"
#include "portfolio/symbols.h"
#include "profiles/profile.h"
#include "settings/setting_keys.h"
#include "store/master.h"
#include "text/columns.h"

namespace ticksmith::ascii {

namespace {

using platform::FormatMessage;
namespace keys = settings::keys;

constexpr std::array<store::Field, kImportFieldCount> kStoreFields = {
    store::kDate,  store::kOpen,   store::kHigh,        store::kLow,
    store::kClose, store::kVolume, store::kOpenInterest};

constexpr std::array<std::string_view, 12> kMonths = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                      "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

constexpr std::size_t kMaxPathText = 250;

constexpr std::string_view kNoLinesMessage = "The input file holds no lines to convert.";
constexpr std::string_view kPortfolioFullMessage =
    "This portfolio already has the\nmaximum number of symbols (255).\nChoose a different or new "
    "portfolio.";

// The setting of each field's box and column, in field order; Date and Close have no box.
struct FieldKeys {
    const settings::IntSetting* on;
    const settings::IntSetting* column;
};
constexpr std::array<FieldKeys, kImportFieldCount> kFieldKeys = {{
    {nullptr, &keys::kImportDateColumn},
    {&keys::kImportOpenOn, &keys::kImportOpenColumn},
    {&keys::kImportHighOn, &keys::kImportHighColumn},
    {&keys::kImportLowOn, &keys::kImportLowColumn},
    {nullptr, &keys::kImportCloseColumn},
    {&keys::kImportVolumeOn, &keys::kImportVolumeColumn},
    {&keys::kImportOpenInterestOn, &keys::kImportOpenInterestColumn},
}};

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

std::string_view Trimmed(std::string_view text, bool (*blank)(char) = IsBlank) {
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool IsSpace(char c) {
    return c == ' ';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A C string ends at its first NUL.
std::string_view UpToNul(std::string_view piece) {
    return piece.substr(0, piece.find('\0'));
}

// An edit holding a whole number within its range, as the dialog's data exchange takes it:
// the refusal, or nothing with `value` set.
std::optional<std::string> EditNumber(std::string_view text, int low, int high, int& value) {
    text = Trimmed(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return "Please enter an integer.";
    }
    if (value < low || value > high) {
        return FormatMessage("Please enter an integer between %d and %d.",
                             {std::to_string(low), std::to_string(high)});
    }
    return std::nullopt;
}

// A text edit's refusal of a text longer than its limit.
std::optional<std::string> TooLong(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) {
        return std::nullopt;
    }
    return FormatMessage("Please enter no more than %d characters.", {std::to_string(limit)});
}

bool FieldOn(const ImportForm& form, int field) {
    return field == kImportDate || field == kImportClose ||
           form.present[static_cast<std::size_t>(field)];
}

char DelimiterCharacter(int delimiter) {
    profiles::Profile profile;
    profile.delimiter = static_cast<std::uint8_t>(delimiter);
    return profile.DelimiterCharacter();
}

DateMismatch FirstDateMismatch(std::string_view dateText, int code, bool monthsApplied) {
    const bool digitsOnly = std::all_of(dateText.begin(), dateText.end(), IsDigit);
    if (code >= 7) {
        return digitsOnly || monthsApplied ? DateMismatch::kNone : DateMismatch::kNumericOnly;
    }
    return digitsOnly ? DateMismatch::kCharacterSeparated : DateMismatch::kNone;
}

// The conversion's complaints, in the order its lines raised them; false when there was one.
bool ReportConversion(const Conversion& conversion, std::size_t quotes,
                      platform::Messenger& messenger) {
    bool clean = true;
    if (conversion.mismatch == DateMismatch::kNumericOnly) {
        messenger.Show(
            "You specified a numeric-only date format\nbut a non-numeric date character was "
            "found.");
        clean = false;
    } else if (conversion.mismatch == DateMismatch::kCharacterSeparated) {
        messenger.Show(
            "You specified a character-separated date format\nbut only numeric date characters "
            "were found.");
        clean = false;
    }
    const std::string line = std::to_string(conversion.stopLine);
    if (conversion.stop == ConversionStop::kDateTooLong) {
        messenger.Show(FormatMessage(
            "The date of line %s is 50 characters or longer:\n%s...\nThe conversion stopped "
            "there; the %s lines before it were converted.",
            {line, conversion.stopText.substr(0, 40), std::to_string(quotes)}));
        return false;
    }
    if (conversion.stop == ConversionStop::kDataFileFull) {
        messenger.Show(FormatMessage(
            "A data file holds at most %s quotes.\nThe conversion stopped at line %s.",
            {std::to_string(kMaxImportedQuotes), line}));
        return false;
    }
    if (quotes == 0) {
        messenger.Show(kNoLinesMessage);
        return false;
    }
    return clean;
}

// A symbol's messages, held until its portfolio is committed, so that each symbol's messages
// come together and in the order importing one file at a time gives them.
class HeldMessages : public platform::Messenger {
  public:
    explicit HeldMessages(platform::Messenger& target) : m_target(&target) {}

    void Show(std::string_view text,
              platform::MessageIcon icon = platform::MessageIcon::kExclamation) override {
        m_held.push_back({std::string(text), icon, std::nullopt});
    }
    // The import asks nothing; a question could not wait anyway.
    bool AskYesNo(std::string_view text, platform::MessageIcon icon) override {
        return m_target->AskYesNo(text, icon);
    }
    bool AskOkCancel(std::string_view text, platform::MessageIcon icon) override {
        return m_target->AskOkCancel(text, icon);
    }
    void Play(platform::Sound sound) override { m_held.push_back({{}, {}, sound}); }

    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const Held& held : m_held) {
            if (!held.sound) {
                texts.push_back(held.text);
            }
        }
        return texts;
    }

    void Release() {
        for (const Held& held : m_held) {
            if (held.sound) {
                m_target->Play(*held.sound);
            } else {
                m_target->Show(held.text, held.icon);
            }
        }
        m_held.clear();
    }

  private:
    struct Held {
        std::string text;
        platform::MessageIcon icon;
        std::optional<platform::Sound> sound;
    };
    platform::Messenger* m_target;
    std::vector<Held> m_held;
};

// One file of a batch, from its checks to its outcome.
struct BatchEntry {
    explicit BatchEntry(platform::Messenger& target) : messages(target) {}

    HeldMessages messages;
    bool fromForm = false;  // "Conversion failed." and the sound are the batch's to give
    bool refused = false;
    ImportJob job;
    ImportResult result;
    // Until the commit: what the conversion said, and the symbol's files in the group.
    bool converted = false;
    bool quotesStored = false;
    Conversion conversion;  // its quotes dropped once they are written
    std::size_t quotes = 0;
    int fileNumber = 0;
    std::size_t firstMember = 0;
    std::size_t endMember = 0;
    store::MasterRecord record;
    // Kept only when the input is reversed after the commit.
    std::vector<std::uint8_t> input;
    std::string reversed;
};

// Runs the imports of a batch in order. Those bound for one portfolio are one commit, under
// the portfolio's lock: every symbol's files are written to temporary files, made durable
// together and renamed into place, then MASTER gets all their records in one replacement, then
// MASTER.BAK and EMASTER follow. A crash leaves the portfolio as it was, or with files no
// record names yet, whose numbers the next import passes over.
class BatchImport {
  public:
    BatchImport(platform::Messenger& messenger, settings::SettingsStore& store)
        : m_messenger(messenger), m_store(store) {}

    BatchEntry& Add(bool fromForm) {
        m_entries.push_back(std::make_unique<BatchEntry>(m_messenger));
        m_entries.back()->fromForm = fromForm;
        return *m_entries.back();
    }
    void Run(BatchEntry& entry);
    // Commits what is pending and gives every entry's messages.
    void Finish() { Commit(m_entries.size()); }

    const std::vector<std::unique_ptr<BatchEntry>>& Entries() const { return m_entries; }

  private:
    bool EnterOutputDirectory(BatchEntry& entry, fs::path& directory);
    bool Begin(const fs::path& directory, BatchEntry& entry);
    bool PrepareMaster(BatchEntry& entry);
    bool IsDuplicate(BatchEntry& entry);
    int NextFileNumber(platform::Messenger& messenger);
    bool ConvertInput(BatchEntry& entry);
    bool WriteFiles(BatchEntry& entry);
    // Commits what is pending and gives the messages of the entries before `releaseUpTo`.
    void Commit(std::size_t releaseUpTo);
    bool WriteMaster(const std::vector<BatchEntry*>& added);
    std::string TakeBack(const BatchEntry& entry);
    void WriteReversedInput(BatchEntry& entry);
    void Release(std::size_t upTo);

    platform::Messenger& m_messenger;
    settings::SettingsStore& m_store;
    std::vector<std::unique_ptr<BatchEntry>> m_entries;
    std::size_t m_released = 0;
    std::set<fs::path> m_madeMasters;
    // The portfolio being imported into, locked, with the symbols pending for it.
    std::optional<platform::PortfolioLocks> m_lock;
    fs::path m_directory;
    std::vector<BatchEntry*> m_pending;
    platform::ReplacementGroup m_group;
    // Numbers MASTER's records or stray files hold, once MASTER has been read.
    std::optional<store::FileNumberResult> m_firstFree;
    std::array<bool, store::kMaxSymbols + 1> m_taken{};
    int m_records = 0;
};

void BatchImport::Run(BatchEntry& entry) {
    fs::path directory;
    if (!EnterOutputDirectory(entry, directory)) {
        return;
    }
    if (m_lock && (directory != m_directory || m_pending.size() >= store::kMaxSymbols)) {
        Commit(m_entries.size() - 1);
    }
    if (!m_lock && !Begin(directory, entry)) {
        return;
    }
    if (!PrepareMaster(entry) || IsDuplicate(entry)) {
        return;
    }
    entry.fileNumber = NextFileNumber(entry.messages);
    if (entry.fileNumber == 0) {
        return;
    }
    // An input that cannot be read or reversed still gets its symbol, without quotes.
    entry.converted = ConvertInput(entry);
    if (WriteFiles(entry)) {
        m_pending.push_back(&entry);
    }
}

bool BatchImport::EnterOutputDirectory(BatchEntry& entry, fs::path& directory) {
    std::error_code error;
    directory = fs::canonical(entry.job.outputDirectory, error);
    if (error || !platform::IsDirectory(directory)) {
        entry.messages.Show("Path does not exist");
        return false;
    }
    entry.result.outputDirectory = directory;
    if ((directory / store::kMasterName).native().size() > store::kMaxPathLength) {
        entry.messages.Show("File/Path name too long");
        return false;
    }
    return true;
}

bool BatchImport::Begin(const fs::path& directory, BatchEntry& entry) {
    platform::PortfolioLocks lock;
    if (const auto failure = lock.Acquire({directory}, "Import")) {
        entry.messages.Show(failure->holder.empty() ? std::string("Path does not exist")
                                                    : platform::LockFailureText(*failure) +
                                                          "\nThe import did not start.");
        return false;
    }
    m_lock = std::move(lock);
    m_directory = directory;
    m_firstFree.reset();
    m_taken.fill(false);
    m_records = 0;
    return true;
}

bool BatchImport::PrepareMaster(BatchEntry& entry) {
    const fs::path masterPath = store::MasterPath(m_directory);
    // A later file of a batch that made the MASTER joins it.
    if (!entry.job.useExistingMaster && m_madeMasters.count(m_directory) != 0) {
        entry.job.useExistingMaster = true;
    }
    if (entry.job.useExistingMaster) {
        if (!platform::InputFile(masterPath).IsOpen()) {
            entry.messages.Show("Path specified does not point to a Master file");
            return false;
        }
        return true;
    }
    // Any entry of that name counts, readable or not: a new MASTER never replaces one.
    if (platform::FindEntry(m_directory, store::kMasterName)) {
        entry.messages.Show(
            FormatMessage("New Master chosen but one already exists\nor path: %s\nis suspect.",
                          {masterPath.string()}));
        return false;
    }
    if (store::CreateEmptyMaster(m_directory) != store::kSuccess) {
        entry.messages.Show(FormatMessage("Could not create %s.", {masterPath.string()}));
        return false;
    }
    m_madeMasters.insert(m_directory);
    entry.result.masterCreated = true;
    return true;
}

// Among MASTER's symbols and those pending for it.
bool BatchImport::IsDuplicate(BatchEntry& entry) {
    if (!entry.job.useExistingMaster) {
        return false;
    }
    store::MasterRecord found;
    fs::path foundDirectory;
    const bool pending = std::any_of(m_pending.begin(), m_pending.end(), [&](const BatchEntry* p) {
        return store::MatchesSearchText(p->record, entry.job.symbol);
    });
    if (pending || store::FindSymbol(m_directory, entry.job.symbol, found, foundDirectory) ==
                       store::kSuccess) {
        entry.messages.Show(
            "Duplicate Symbol Failure\n\nThe symbol you have chosen for\nthe conversion "
            "already exists.\n\nChoose a different symbol or\nrename/delete the existing "
            "symbol");
        return true;
    }
    return false;
}

// The number the next record will get: the lowest that no record, no pending symbol and no
// file has. 0, with the reason shown, when there is none or MASTER cannot be read.
int BatchImport::NextFileNumber(platform::Messenger& messenger) {
    if (!m_firstFree) {
        m_firstFree = store::FreeFileNumber(m_directory);
        std::vector<store::MasterRecord> records;
        store::MasterHeader header;
        if (m_firstFree->Succeeded()) {
            if (store::ReadMasterRecordsToEnd(m_directory, records) != store::kSuccess ||
                store::ReadMasterHeader(m_directory, header) != store::kSuccess) {
                m_firstFree = store::FileNumberResult{0, store::NumberFailure::kUnreadable};
            }
            for (const store::MasterRecord& record : records) {
                m_taken[record.fileNumber] = true;
            }
            m_records = header.count;
        }
    }
    switch (m_firstFree->failure) {
        case store::NumberFailure::kNone:
            break;
        case store::NumberFailure::kFull:
            messenger.Show(kPortfolioFullMessage);
            return 0;
        case store::NumberFailure::kPartialRecord:
            // A record broken off at the end is some symbol's; its files must not be taken
            // for free.
            messenger.Show(FormatMessage(
                "%s ends in part of a record.\nCheck and repair the portfolio's MASTER first; "
                "nothing was changed.",
                {store::MasterPath(m_directory).string()}));
            return 0;
        case store::NumberFailure::kUnreadable:
        case store::NumberFailure::kNumberTaken:
        case store::NumberFailure::kNotWritten:
            messenger.Show(
                FormatMessage("Could not read %s.", {store::MasterPath(m_directory).string()}));
            return 0;
    }
    if (m_records + static_cast<int>(m_pending.size()) >= store::kMaxSymbols) {
        messenger.Show(kPortfolioFullMessage);
        return 0;
    }
    // Files without a record may be a symbol's quotes: their numbers are passed over.
    for (int number = 1; number <= store::kMaxSymbols; ++number) {
        const auto at = static_cast<std::size_t>(number);
        if (!m_taken[at] && !portfolio::StrayFileOf(m_directory, number)) {
            m_taken[at] = true;
            return number;
        }
        m_taken[at] = true;
    }
    messenger.Show(kPortfolioFullMessage);
    return 0;
}

bool BatchImport::ConvertInput(BatchEntry& entry) {
    const ImportJob& job = entry.job;
    if (!platform::ReadWholeFile(job.inputPath, entry.input)) {
        entry.messages.Show(
            FormatMessage("The input file %s could not be read.", {job.inputPath.string()}));
        return false;
    }
    std::string_view text(reinterpret_cast<const char*>(entry.input.data()), entry.input.size());
    int rowsToSkip = job.skip ? job.rowsToSkip : 0;
    if (job.reverse) {
        std::optional<std::string> lines = ReversedLines(text, rowsToSkip);
        if (!lines) {
            entry.messages.Show(kNoLinesMessage);
            return false;
        }
        entry.reversed = std::move(*lines);
        // The heading rows are gone from the reversed text.
        text = entry.reversed;
        rowsToSkip = 0;
    }
    entry.conversion = ConvertLines(text, job, rowsToSkip);
    entry.quotes = entry.conversion.quotes.size();
    return true;
}

// The symbol's data file and description join the portfolio's group; a data file that cannot
// take the quotes is made empty instead. False, with the symbol not added, when neither can be
// written.
bool BatchImport::WriteFiles(BatchEntry& entry) {
    const ImportJob& job = entry.job;
    const int fileNumber = entry.fileNumber;
    const store::FieldSet fields = job.Fields();
    const store::FieldLayout layout = store::LayoutOf(fields);
    const int recordLength = 4 * job.FieldCount();
    const std::string dopName = store::DopFileName(fileNumber);
    const std::string temporaryName = "F" + std::to_string(fileNumber) + ".NEW";
    const std::string dop = store::DopText(fields);
    entry.firstMember = m_group.Size();
    bool written = false;
    {
        platform::DeferredCommits deferred(m_group);
        platform::ReplacementFile dopFile(m_directory, dopName, dopName + ".tmp");
        written = dopFile.Open() && dopFile.Write(dop.data(), dop.size()) && dopFile.Commit();
        entry.quotesStored = written && store::WriteSeries(m_directory, fileNumber, layout,
                                                           recordLength, entry.conversion.quotes,
                                                           temporaryName) == store::kSuccess;
        written = written && (entry.quotesStored ||
                              store::WriteSeries(m_directory, fileNumber, layout, recordLength, {},
                                                 temporaryName) == store::kSuccess);
    }
    entry.endMember = m_group.Size();
    entry.record = store::NewMasterRecord(job.symbol, job.name, job.FieldCount());
    entry.record.fileNumber = static_cast<std::uint8_t>(fileNumber);
    const bool dated = entry.quotesStored && entry.quotes > 0;
    entry.record.firstDate =
        store::FileDateFromDayNumber(dated ? entry.conversion.quotes.front().date : job.today);
    entry.record.lastDate =
        store::FileDateFromDayNumber(dated ? entry.conversion.quotes.back().date : job.today);
    // Only the counts are reported from here on.
    std::vector<store::Quote>().swap(entry.conversion.quotes);
    if (!job.reverse) {
        std::vector<std::uint8_t>().swap(entry.input);
    }
    if (!written) {
        for (std::size_t member = entry.firstMember; member < entry.endMember; ++member) {
            m_group.Member(member).Abandon();
        }
        entry.messages.Show(FormatMessage(
            "Could not create %s and %s in %s; the symbol %s was not added.",
            {store::DataFileName(fileNumber), dopName, m_directory.string(), job.symbol}));
        m_taken[static_cast<std::size_t>(fileNumber)] = false;
    }
    return written;
}

// The symbol's files, whatever the commit put in place, are taken back; whatever stays is named
// after the message, since it would stand in the way of the next import.
std::string BatchImport::TakeBack(const BatchEntry& entry) {
    std::string left;
    platform::FileSystem& system = platform::CurrentFileSystem();
    for (const std::string& name :
         {store::DataFileName(entry.fileNumber), store::DopFileName(entry.fileNumber)}) {
        const auto file = platform::FindEntry(m_directory, name);
        if (file && !system.Remove(*file)) {
            left += FormatMessage("\n%s was left behind; remove it before importing here again.",
                                  {file->string()});
        }
    }
    return left;
}

// MASTER with a record for each added symbol, in one replacement.
bool BatchImport::WriteMaster(const std::vector<BatchEntry*>& added) {
    std::vector<std::uint8_t> master;
    if (!platform::ReadWholeFile(store::MasterPath(m_directory), master) ||
        master.size() < store::kMasterRecordSize) {
        return false;
    }
    // As AppendMasterRecord raises them for each record: the counter never past 255.
    const auto count = platform::ReadI16(master.data());
    const auto counter = platform::ReadI16(master.data() + 2);
    const auto more = static_cast<int>(added.size());
    platform::WriteI16(master.data(), static_cast<std::int16_t>(count + more));
    if (counter < store::kMaxSymbols) {
        platform::WriteI16(master.data() + 2,
                           static_cast<std::int16_t>(std::min(counter + more, store::kMaxSymbols)));
    }
    for (const BatchEntry* entry : added) {
        const std::size_t at = master.size();
        master.resize(at + store::kMasterRecordSize);
        store::EncodeMasterRecord(entry->record, master.data() + at);
    }
    return platform::ReplaceFileContents(m_directory, store::kMasterName, "MASTER.~NU",
                                         master.data(), master.size());
}

void BatchImport::Commit(std::size_t releaseUpTo) {
    if (!m_lock) {
        Release(releaseUpTo);
        return;
    }
    // Whether each symbol's files are in place is told by its members.
    static_cast<void>(m_group.Commit());
    std::vector<BatchEntry*> added;
    for (BatchEntry* entry : m_pending) {
        bool whole = true;
        for (std::size_t member = entry->firstMember; member < entry->endMember; ++member) {
            whole = whole && m_group.Member(member).Committed();
        }
        if (whole) {
            added.push_back(entry);
        } else {
            entry->messages.Show(
                FormatMessage(
                    "Could not create %s and %s in %s; the symbol %s was not added.",
                    {store::DataFileName(entry->fileNumber), store::DopFileName(entry->fileNumber),
                     m_directory.string(), entry->job.symbol}) +
                TakeBack(*entry));
        }
    }
    m_group.Abandon();
    if (!added.empty() && !WriteMaster(added)) {
        // MASTER is as it was; the files the batch made are taken back.
        for (BatchEntry* entry : added) {
            entry->messages.Show(
                FormatMessage("Could not write %s; the symbol %s was not added.",
                              {store::MasterPath(m_directory).string(), entry->job.symbol}) +
                TakeBack(*entry));
        }
        added.clear();
    }
    const bool anyExisting = std::any_of(added.begin(), added.end(), [](const BatchEntry* entry) {
        return entry->job.useExistingMaster;
    });
    const bool backedUp = !anyExisting || platform::CopyToBackup(store::MasterPath(m_directory),
                                                                 m_directory, "MASTER.BAK");
    bool backupReported = false;
    for (BatchEntry* entry : added) {
        entry->result.fileNumber = entry->fileNumber;
        entry->result.quotes = entry->quotesStored ? static_cast<int>(entry->quotes) : 0;
        // Only now, with the symbol added, is the input rewritten: a run that adds nothing
        // leaves it as it was, so that trying again reads the same lines.
        if (entry->converted && entry->quotesStored && entry->job.reverse) {
            WriteReversedInput(*entry);
        }
        if (!backedUp && entry->job.useExistingMaster && !backupReported) {
            entry->messages.Show(FormatMessage("Could not save %s as MASTER.BAK.",
                                               {store::MasterPath(m_directory).string()}));
            backupReported = true;
        }
        const bool reported =
            entry->converted && ReportConversion(entry->conversion, entry->quotes, entry->messages);
        if (entry->converted && !entry->quotesStored && entry->quotes > 0) {
            entry->messages.Show(FormatMessage(
                "Could not write %s (is the disk full?).\nNone of the %s converted quotes were "
                "stored.",
                {(m_directory / store::DataFileName(entry->fileNumber)).string(),
                 std::to_string(entry->quotes)}));
        }
        entry->result.succeeded = reported && entry->quotesStored;
    }
    if (!added.empty()) {
        // Each write of a setting may rewrite the settings file: only the last symbol's stay.
        const ImportJob& last = added.back()->job;
        settings::Write(m_store, keys::kImportPathIn, last.inputPath.string());
        settings::Write(m_store, keys::kImportPathOut, m_directory.string());
        settings::Write(m_store, keys::kImportSymbol, last.symbol);
        settings::Write(m_store, keys::kImportName, last.name);
        portfolio::KeepEmasterInStep(m_directory, added.back()->messages);
        // A name past MASTER's 16 characters goes whole to EMASTER, one symbol at a time.
        for (BatchEntry* entry : added) {
            if (entry->job.name.size() > store::kNameLength) {
                portfolio::KeepEmasterInStep(m_directory, entry->messages,
                                             {entry->fileNumber, entry->job.name});
            }
        }
    }
    m_pending.clear();
    m_lock.reset();
    Release(releaseUpTo);
}

// Only ~TEMP.TXT and ~REVERSE.TXT are used, beside the input file so that each takes its
// target's place in one step; neither outlives the call. A failure leaves the input as it was
// and the imported quotes as they are.
void BatchImport::WriteReversedInput(BatchEntry& entry) {
    const fs::path& inputPath = entry.job.inputPath;
    const fs::path directory = inputPath.parent_path();
    const std::string name = inputPath.filename().string();
    if (!platform::ReplaceFileContents(directory, name + ".BAK", "~TEMP.TXT", entry.input.data(),
                                       entry.input.size())) {
        entry.messages.Show(FormatMessage(
            "The quotes were imported, but %s could not be saved as .BAK;\nit was left "
            "in its order.",
            {inputPath.string()}));
        return;
    }
    if (!platform::ReplaceFileContents(directory, name, "~REVERSE.TXT", entry.reversed.data(),
                                       entry.reversed.size())) {
        entry.messages.Show(
            FormatMessage("The quotes were imported, but %s could not be rewritten in reverse "
                          "order;\n                          it was "
                          "left as it was.",
                          {inputPath.string()}));
    }
}

// Every entry up to `upTo` gets its outcome's last words, and the person sees them.
void BatchImport::Release(std::size_t upTo) {
    const bool quiet = settings::Read(m_store, keys::kSoundDisable) != 0;
    for (; m_released < upTo; ++m_released) {
        BatchEntry& entry = *m_entries[m_released];
        std::vector<std::uint8_t>().swap(entry.input);
        std::string().swap(entry.reversed);
        if (entry.fromForm && !entry.refused) {
            if (!entry.result.succeeded) {
                entry.messages.Show("Conversion failed.", platform::MessageIcon::kExclamation);
            } else if (!quiet) {
                entry.messages.Play(platform::Sound::kAsterisk);
            }
        }
        entry.result.messages = entry.messages.Texts();
        entry.messages.Release();
    }
}

}  // namespace

int ImportJob::FieldCount() const {
    return static_cast<int>(std::count(present.begin(), present.end(), true));
}

store::FieldSet ImportJob::Fields() const {
    store::FieldSet fields{};
    for (int field = 0; field < kImportFieldCount; ++field) {
        fields[static_cast<std::size_t>(kStoreFields[static_cast<std::size_t>(field)])] =
            present[static_cast<std::size_t>(field)];
    }
    return fields;
}

ImportForm ReadImportForm(const settings::SettingsStore& store, const fs::path& workingDirectory) {
    ImportForm form;
    form.inputPath = settings::Read(store, keys::kImportPathIn);
    if (form.inputPath.empty()) {
        form.inputPath = (workingDirectory / "ibm.txt").string();
    }
    form.outputDirectory = settings::Read(store, keys::kImportPathOut);
    if (form.outputDirectory.empty()) {
        form.outputDirectory = workingDirectory.string();
    }
    form.symbol = settings::Read(store, keys::kImportSymbol);
    form.name = settings::Read(store, keys::kImportName);
    form.dateFormat = settings::Read(store, keys::kImportDateFormat);
    for (int code = store::kFirstDateFormat; code <= store::kLastDateFormat; ++code) {
        const std::string_view entry = store::DateFormatName(code);
        if (platform::EqualsIgnoringCase(entry.substr(0, form.dateFormat.size()),
                                         form.dateFormat)) {
            form.dateFormat = entry;
            break;
        }
    }
    form.delimiter = settings::Read(store, keys::kImportDelimiter);
    if (form.delimiter < 0 || form.delimiter > 2) {
        form.delimiter = 0;
    }
    form.makeNewMaster = settings::Read(store, keys::kImportExist) != 0;
    form.reverse = settings::Read(store, keys::kImportReverse) != 0;
    form.skipOn = settings::Read(store, keys::kImportSkipOn) != 0;
    form.skipRows = std::to_string(settings::Read(store, keys::kImportSkipRows));
    form.months = settings::Read(store, keys::kImportMonths) != 0;
    for (std::size_t field = 0; field < kFieldKeys.size(); ++field) {
        if (kFieldKeys[field].on != nullptr) {
            form.present[field] = settings::Read(store, *kFieldKeys[field].on) != 0;
        }
        form.columns[field] = std::to_string(settings::Read(store, *kFieldKeys[field].column));
    }
    return form;
}

std::optional<ImportFormProblem> CheckImportForm(ImportForm& form, const fs::path& workingDirectory,
                                                 store::DayNumber today, ImportJob& job,
                                                 platform::Messenger& messenger) {
    using enum ImportFormField;
    const struct {
        ImportFormField field;
        const std::string& text;
        std::size_t limit;
    } edits[] = {{kInputPath, form.inputPath, kMaxPathText},
                 {kOutputDirectory, form.outputDirectory, kMaxPathText},
                 {kSymbol, form.symbol, store::kNameLength},
                 {kName, form.name, store::kMaxLongNameText},
                 {kDateFormat, form.dateFormat, 12}};
    for (const auto& edit : edits) {
        if (auto message = TooLong(edit.text, edit.limit)) {
            return platform::Refuse(edit.field, std::move(*message));
        }
    }
    int rows = 0;
    if (auto message = EditNumber(form.skipRows, 0, kMaxSkipRows, rows)) {
        return platform::Refuse(kSkipRows, std::move(*message));
    }
    job = ImportJob{};
    for (int field = 0; field < kImportFieldCount; ++field) {
        int column = 0;
        if (auto message = EditNumber(form.columns[static_cast<std::size_t>(field)], 1,
                                      kImportColumns, column)) {
            return platform::Refuse(ImportColumnField(field), std::move(*message));
        }
        job.columns[static_cast<std::size_t>(field)] = column - 1;
    }
    std::array<bool, kImportColumns> claimed{};
    for (int field = 0; field < kImportFieldCount; ++field) {
        job.present[static_cast<std::size_t>(field)] = FieldOn(form, field);
        if (!FieldOn(form, field)) {
            continue;
        }
        bool& claim =
            claimed[static_cast<std::size_t>(job.columns[static_cast<std::size_t>(field)])];
        if (claim) {
            return platform::Refuse(ImportColumnField(field),
                                    "Duplicate columns specified\nCorrect or disable");
        }
        claim = true;
    }
    form.symbol = platform::ToUpperAscii(Trimmed(form.symbol));
    if (form.symbol.empty()) {
        return platform::Refuse(kSymbol, "You did not enter a valid symbol.");
    }
    const std::string_view output = Trimmed(form.outputDirectory);
    if (output.empty()) {
        return platform::Refuse(kOutputDirectory, "Please enter path to output directory.");
    }
    form.inputPath = std::string(Trimmed(form.inputPath));
    if (form.inputPath.empty()) {
        return platform::Refuse(kInputPath, "Please enter path to input file.");
    }
    job.inputPath = workingDirectory / form.inputPath;
    if (!platform::InputFile(job.inputPath).IsOpen()) {
        return platform::Refuse(kInputPath, "The input file does not exist.");
    }
    // Only the twelve formats of the list have a code; a typed text is taken when it names one.
    job.dateFormat = 0;
    for (int code = store::kFirstDateFormat; code <= store::kLastDateFormat; ++code) {
        if (platform::EqualsIgnoringCase(store::DateFormatName(code), Trimmed(form.dateFormat))) {
            job.dateFormat = code;
        }
    }
    if (job.dateFormat == 0) {
        return platform::Refuse(
            kDateFormat, FormatMessage("\"%s\" is not one of the date formats.\nChoose a date "
                                       "format from the list.",
                                       {form.dateFormat}));
    }
    form.dateFormat = store::DateFormatName(job.dateFormat);
    job.useMonths = form.months;
    job.useExistingMaster = !form.makeNewMaster;
    job.outputDirectory = workingDirectory / std::string(output);
    // Past 16 characters the name needs the EMASTER of an existing portfolio to hold it.
    if (auto refusal = portfolio::TypedNameRefusal(job.outputDirectory, form.name)) {
        return platform::Refuse(kName, std::move(*refusal));
    }
    portfolio::NoteTypedNameSplit(form.name, messenger);
    job.symbol = form.symbol;
    job.name = form.name;
    job.delimiter = DelimiterCharacter(form.delimiter);
    job.reverse = form.reverse;
    job.skip = form.skipOn;
    job.rowsToSkip = rows;
    job.today = today;
    return std::nullopt;
}

void WriteImportChoices(settings::SettingsStore& store, const ImportForm& form) {
    settings::Write(store, keys::kImportDateFormat, form.dateFormat);
    settings::Write(store, keys::kImportDelimiter, form.delimiter);
    settings::Write(store, keys::kImportExist, form.makeNewMaster ? 1 : 0);
    settings::Write(store, keys::kImportReverse, form.reverse ? 1 : 0);
    settings::Write(store, keys::kImportSkipOn, form.skipOn ? 1 : 0);
    settings::Write(store, keys::kImportSkipRows,
                    settings::ScanLeadingInteger(form.skipRows).value_or(0));
    for (std::size_t field = 0; field < kFieldKeys.size(); ++field) {
        if (kFieldKeys[field].on != nullptr) {
            settings::Write(store, *kFieldKeys[field].on, form.present[field] ? 1 : 0);
        }
        settings::Write(store, *kFieldKeys[field].column,
                        settings::ScanLeadingInteger(form.columns[field]).value_or(0));
    }
    settings::Write(store, keys::kImportMonths, form.months ? 1 : 0);
}

ImportResult RunImport(const ImportJob& job, platform::Messenger& messenger,
                       settings::SettingsStore& store) {
    BatchImport batch(messenger, store);
    BatchEntry& entry = batch.Add(false);
    entry.job = job;
    batch.Run(entry);
    batch.Finish();
    return entry.result;
}

ImportOutcome ImportFromForm(ImportForm& form, const fs::path& workingDirectory,
                             store::DayNumber today, platform::Messenger& messenger,
                             settings::SettingsStore& store, ImportResult* result) {
    std::vector<ImportForm> forms{form};
    std::vector<ImportResult> results;
    const ImportOutcome outcome =
        ImportForms(forms, workingDirectory, today, messenger, store, &results).front();
    form = forms.front();
    if (result != nullptr) {
        *result = results.front();
    }
    return outcome;
}

std::vector<ImportOutcome> ImportForms(std::vector<ImportForm>& forms,
                                       const fs::path& workingDirectory, store::DayNumber today,
                                       platform::Messenger& messenger,
                                       settings::SettingsStore& store,
                                       std::vector<ImportResult>* results,
                                       platform::ProgressSink* progress) {
    BatchImport batch(messenger, store);
    const ImportForm* lastChecked = nullptr;
    const auto total = static_cast<long long>(forms.size());
    for (ImportForm& form : forms) {
        if (progress != nullptr) {
            // Only between files: a file begun is imported whole.
            if (progress->CancelRequested()) {
                break;
            }
            const auto number = static_cast<long long>(batch.Entries().size()) + 1;
            progress->SetText(
                kImportCountText,
                FormatMessage("File %s of %s", {std::to_string(number), std::to_string(total)}),
                false);
            progress->SetText(kImportFileText, form.inputPath, false);
            progress->SetCount(number - 1, total);
        }
        BatchEntry& entry = batch.Add(true);
        if (const auto problem =
                CheckImportForm(form, workingDirectory, today, entry.job, entry.messages)) {
            entry.messages.Show(problem->message);
            entry.refused = true;
            continue;
        }
        lastChecked = &form;
        batch.Run(entry);
    }
    batch.Finish();
    // The choices of every OK are stored; the last one's are those that stay.
    if (lastChecked != nullptr) {
        WriteImportChoices(store, *lastChecked);
    }
    std::vector<ImportOutcome> outcomes;
    for (const auto& entry : batch.Entries()) {
        outcomes.push_back(entry->refused            ? ImportOutcome::kRefused
                           : entry->result.succeeded ? ImportOutcome::kSucceeded
                                                     : ImportOutcome::kFailed);
        if (results != nullptr) {
            results->push_back(entry->result);
        }
    }
    return outcomes;
}

ImportForm BatchForm(const ImportForm& base, const std::string& input, bool symbolFromName) {
    ImportForm form = base;
    form.inputPath = input;
    if (symbolFromName) {
        const std::string stem = fs::path(input).stem().string();
        form.symbol = platform::ToUpperAscii(stem);
        if (Trimmed(form.name).empty()) {
            form.name = stem.substr(0, store::kNameLength);
        }
    }
    return form;
}

bool BatchImportReport::Stopped() const {
    return !refusedFile && outcomes.size() < forms.size();
}

int BatchImportReport::SymbolsAdded() const {
    return static_cast<int>(std::count_if(results.begin(), results.end(),
                                          [](const ImportResult& r) { return r.fileNumber != 0; }));
}

long long BatchImportReport::QuotesAdded() const {
    long long quotes = 0;
    for (const ImportResult& result : results) {
        quotes += result.quotes;
    }
    return quotes;
}

std::string BatchImportReport::Summary() const {
    if (refusedFile) {
        return FormatMessage("%s:\n%s\n\nNothing was imported.",
                             {forms[*refusedFile].inputPath, problem ? problem->message : ""});
    }
    const int symbols = SymbolsAdded();
    const long long quotes = QuotesAdded();
    std::string text = FormatMessage(
        "%s of %s files imported: %s %s with %s %s.",
        {std::to_string(std::count(outcomes.begin(), outcomes.end(), ImportOutcome::kSucceeded)),
         std::to_string(forms.size()), std::to_string(symbols), symbols == 1 ? "symbol" : "symbols",
         std::to_string(quotes), quotes == 1 ? "quote" : "quotes"});
    if (Stopped()) {
        text += FormatMessage("\nStopped before %s; the files from there on were not read.",
                              {forms[outcomes.size()].inputPath});
    }
    bool headed = false;
    for (std::size_t file = 0; file < outcomes.size(); ++file) {
        if (outcomes[file] == ImportOutcome::kSucceeded) {
            continue;
        }
        if (!headed) {
            text += "\n\nThese files failed:";
            headed = true;
        }
        const std::vector<std::string>& said = results[file].messages;
        std::string why = said.empty() ? std::string("Conversion failed.") : said.front();
        std::replace(why.begin(), why.end(), '\n', ' ');
        text += FormatMessage("\n%s: %s", {forms[file].inputPath, why});
    }
    return text;
}

BatchImportReport ImportFiles(const ImportForm& base, const std::vector<std::string>& inputs,
                              bool symbolFromName, const fs::path& workingDirectory,
                              store::DayNumber today, platform::Messenger& messenger,
                              settings::SettingsStore& store, platform::ProgressSink* progress) {
    BatchImportReport report;
    for (const std::string& input : inputs) {
        report.forms.push_back(BatchForm(base, input, symbolFromName));
    }
    // A refused file stops the batch before anything is written; notes of checks that pass
    // come again with the import itself.
    for (std::size_t file = 0; file < report.forms.size(); ++file) {
        ImportForm checked = report.forms[file];
        ImportJob job;
        platform::SilentMessenger silent;
        if (auto problem = CheckImportForm(checked, workingDirectory, today, job, silent)) {
            report.refusedFile = file;
            report.problem = std::move(problem);
            report.forms[file] = checked;
            return report;
        }
    }
    report.outcomes = ImportForms(report.forms, workingDirectory, today, messenger, store,
                                  &report.results, progress);
    return report;
}

bool ConvertMonthText(std::string& text) {
    const auto letter = std::find_if(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 'A' && byte < 128;
    });
    if (letter == text.end()) {
        return false;
    }
    const auto at = static_cast<std::size_t>(letter - text.begin());
    const std::string abbreviation = platform::ToUpperAscii(std::string_view(text).substr(at, 3));
    const auto month = std::find(kMonths.begin(), kMonths.end(), abbreviation);
    if (month == kMonths.end()) {
        return true;
    }
    const auto number = static_cast<int>(month - kMonths.begin()) + 1;
    const char digits[] = {' ', static_cast<char>('0' + number / 10),
                           static_cast<char>('0' + number % 10)};
    text.replace(at, 3, digits, sizeof digits);
    std::string_view trimmed = Trimmed(text, IsSpace);
    if (const std::size_t space = trimmed.find(' '); space != std::string_view::npos) {
        text = std::string(Trimmed(trimmed.substr(0, space), IsSpace)) +
               std::string(Trimmed(trimmed.substr(space + 1), IsSpace));
    } else {
        text = std::string(trimmed);
    }
    return true;
}

Conversion ConvertLines(std::string_view text, const ImportJob& job, int rowsToSkip) {
    Conversion conversion;
    const auto lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    conversion.quotes.reserve(std::min(lines, static_cast<std::size_t>(kMaxImportedQuotes)));
    // A slot keeps its text until a line long enough to reach it comes; the views point into
    // `text`, which outlives them.
    std::array<std::string_view, kImportColumns> slots;
    slots.fill("123");
    const auto slot = [&](int field) {
        return slots[static_cast<std::size_t>(job.columns[static_cast<std::size_t>(field)])];
    };
    platform::LinePieceReader reader(text);
    std::string_view piece;
    bool endsLine = false;
    std::string dateText;
    for (int line = 1; reader.Next(piece, endsLine); ++line) {
        if (line <= rowsToSkip) {
            continue;
        }
        // Columns the line does not reach keep their text from an earlier line.
        if (text::SplitColumns(UpToNul(piece), job.delimiter, slots) == 0) {
            continue;
        }
        const std::string_view date = slot(kImportDate);
        const bool full = conversion.quotes.size() == static_cast<std::size_t>(kMaxImportedQuotes);
        if (date.size() >= kDateTextLimit || full) {
            conversion.stop = full ? ConversionStop::kDataFileFull : ConversionStop::kDateTooLong;
            conversion.stopLine = line;
            conversion.stopText = date;
            break;
        }
        bool monthsApplied = false;
        if (job.useMonths) {
            dateText = date;
            monthsApplied = ConvertMonthText(dateText);
        }
        if (conversion.quotes.empty()) {
            conversion.mismatch = FirstDateMismatch(date, job.dateFormat, monthsApplied);
        }
        store::Quote& quote = conversion.quotes.emplace_back();
        quote.date =
            store::ParseDateText(job.useMonths ? std::string_view(dateText) : date, job.dateFormat);
        quote.time = 0;
        for (int field = kImportOpen; field < kImportFieldCount; ++field) {
            // A text without a number (N/A) gives 0; an absent field is not stored at all.
            const auto index = static_cast<std::size_t>(field);
            quote.SetValue(kStoreFields[index],
                           job.present[index] ? text::ScanNumber(slot(field)) : 0.0f);
        }
    }
    return conversion;
}

std::optional<std::string> ReversedLines(std::string_view text, int rowsToSkip) {
    // Whole lines, however long: cutting one into pieces would swap its parts.
    std::vector<std::string_view> kept;
    int lineNumber = 0;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const bool endsLine = end < text.size();
        std::string_view whole = text.substr(at, end - at);
        at = end + 1;
        if (endsLine && !whole.empty() && whole.back() == '\r') {
            whole.remove_suffix(1);
        }
        const std::string_view content = UpToNul(whole);
        // The line end counts only where the line reaches it.
        const std::size_t length = content.size() + (endsLine && content.size() == whole.size());
        if (++lineNumber > rowsToSkip && length >= 2) {
            kept.push_back(content);
        }
    }
    if (kept.empty()) {
        return std::nullopt;
    }
    std::string reversed;
    std::size_t size = 0;
    for (const std::string_view line : kept) {
        size += line.size() + 2;
    }
    reversed.reserve(size);
    for (auto line = kept.rbegin(); line != kept.rend(); ++line) {
        reversed += *line;
        reversed += "\r\n";
    }
    return reversed;
}

}  // namespace ticksmith::ascii
