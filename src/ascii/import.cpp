#include "ascii/import.h"

#include <algorithm>
#include <charconv>
#include <chrono>

#include "platform/file_system.h"
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

// An edit holding a whole number within its range, as the dialog's data exchange takes it.
std::optional<int> EditNumber(std::string_view text, int low, int high,
                              platform::Messenger& messenger) {
    text = Trimmed(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        messenger.Show("Please enter an integer.");
        return std::nullopt;
    }
    if (value < low || value > high) {
        messenger.Show(FormatMessage("Please enter an integer between %d and %d.",
                                     {std::to_string(low), std::to_string(high)}));
        return std::nullopt;
    }
    return value;
}

bool FitsEdit(std::string_view text, std::size_t limit, platform::Messenger& messenger) {
    if (text.size() <= limit) {
        return true;
    }
    messenger.Show(
        FormatMessage("Please enter no more than %d characters.", {std::to_string(limit)}));
    return false;
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

// One run, with the output directory locked for its whole length.
class ImportRun {
  public:
    ImportRun(const ImportJob& job, platform::Messenger& messenger, settings::SettingsStore& store)
        : m_job(job), m_messenger(messenger), m_store(store) {}

    ImportResult Run();

  private:
    bool EnterOutputDirectory();
    bool PrepareMaster();
    int FreeFileNumber();
    bool ConvertInput(Conversion& conversion);
    void WriteReversedInput();
    bool AddSymbol(int fileNumber, const Conversion& conversion, bool& quotesStored);
    bool ReportConversion(const Conversion& conversion);

    const ImportJob& m_job;
    platform::Messenger& m_messenger;
    settings::SettingsStore& m_store;
    platform::PortfolioLocks m_lock;
    fs::path m_directory;
    // The input as read and, when reversing, as it will be written back.
    std::vector<std::uint8_t> m_input;
    std::string m_reversed;
    ImportResult m_result;
};

ImportResult ImportRun::Run() {
    if (!EnterOutputDirectory() || !PrepareMaster()) {
        return m_result;
    }
    if (m_job.useExistingMaster) {
        store::MasterRecord found;
        fs::path foundDirectory;
        if (store::FindSymbol(m_directory, m_job.symbol, found, foundDirectory) ==
            store::kSuccess) {
            m_messenger.Show(
                "Duplicate Symbol Failure\n\nThe symbol you have chosen for\nthe conversion "
                "already exists.\n\nChoose a different symbol or\nrename/delete the existing "
                "symbol");
            return m_result;
        }
    }
    const int fileNumber = FreeFileNumber();
    if (fileNumber == 0) {
        return m_result;
    }
    // An input that cannot be read or reversed still gets its symbol, without quotes.
    Conversion conversion;
    const bool converted = ConvertInput(conversion);
    bool quotesStored = false;
    if (!AddSymbol(fileNumber, conversion, quotesStored)) {
        return m_result;
    }
    // Only now, with the symbol added, is the input rewritten: a run that adds nothing leaves
    // it as it was, so that trying again reads the same lines.
    if (converted && quotesStored && m_job.reverse) {
        WriteReversedInput();
    }
    settings::Write(m_store, keys::kImportPathIn, m_job.inputPath.string());
    settings::Write(m_store, keys::kImportPathOut, m_directory.string());
    settings::Write(m_store, keys::kImportSymbol, m_job.symbol);
    settings::Write(m_store, keys::kImportName, m_job.name);
    if (m_job.useExistingMaster &&
        !platform::CopyToBackup(store::MasterPath(m_directory), m_directory, "MASTER.BAK")) {
        m_messenger.Show(FormatMessage("Could not save %s as MASTER.BAK.",
                                       {store::MasterPath(m_directory).string()}));
    }
    const bool reported = converted && ReportConversion(conversion);
    if (converted && !quotesStored && !conversion.quotes.empty()) {
        m_messenger.Show(FormatMessage(
            "Could not write %s (is the disk full?).\nNone of the %s converted quotes were "
            "stored.",
            {(m_directory / store::DataFileName(fileNumber)).string(),
             std::to_string(conversion.quotes.size())}));
    }
    m_result.succeeded = reported && quotesStored;
    portfolio::KeepEmasterInStep(m_directory, m_messenger, {m_result.fileNumber, m_job.name});
    return m_result;
}

bool ImportRun::EnterOutputDirectory() {
    std::error_code error;
    m_directory = fs::canonical(m_job.outputDirectory, error);
    if (error || !platform::IsDirectory(m_directory)) {
        m_messenger.Show("Path does not exist");
        return false;
    }
    m_result.outputDirectory = m_directory;
    if ((m_directory / store::kMasterName).native().size() > store::kMaxPathLength) {
        m_messenger.Show("File/Path name too long");
        return false;
    }
    if (const auto failure = m_lock.Acquire({m_directory}, "Import")) {
        m_messenger.Show(failure->holder.empty()
                             ? std::string("Path does not exist")
                             : platform::LockFailureText(*failure) + "\nThe import did not start.");
        return false;
    }
    return true;
}

bool ImportRun::PrepareMaster() {
    const fs::path masterPath = store::MasterPath(m_directory);
    if (m_job.useExistingMaster) {
        if (!platform::InputFile(masterPath).IsOpen()) {
            m_messenger.Show("Path specified does not point to a Master file");
            return false;
        }
        return true;
    }
    // Any entry of that name counts, readable or not: a new MASTER never replaces one.
    if (platform::FindEntry(m_directory, store::kMasterName)) {
        m_messenger.Show(
            FormatMessage("New Master chosen but one already exists\nor path: %s\nis suspect.",
                          {masterPath.string()}));
        return false;
    }
    if (store::CreateEmptyMaster(m_directory) != store::kSuccess) {
        m_messenger.Show(FormatMessage("Could not create %s.", {masterPath.string()}));
        return false;
    }
    m_result.masterCreated = true;
    return true;
}

// The number the new record will get: the lowest that no record or file has. 0, with the reason
// shown, when there is none or MASTER cannot be read.
int ImportRun::FreeFileNumber() {
    const store::FileNumberResult free = store::FreeFileNumber(m_directory);
    switch (free.failure) {
        case store::NumberFailure::kNone:
            break;
        case store::NumberFailure::kFull:
            m_messenger.Show(kPortfolioFullMessage);
            return 0;
        case store::NumberFailure::kPartialRecord:
            // A record broken off at the end is some symbol's; its files must not be taken
            // for free.
            m_messenger.Show(FormatMessage(
                "%s ends in part of a record.\nCheck and repair the portfolio's MASTER first; "
                "nothing was changed.",
                {store::MasterPath(m_directory).string()}));
            return 0;
        case store::NumberFailure::kUnreadable:
        case store::NumberFailure::kNumberTaken:
        case store::NumberFailure::kNotWritten:
            m_messenger.Show(
                FormatMessage("Could not read %s.", {store::MasterPath(m_directory).string()}));
            return 0;
    }
    const int number = free.fileNumber;
    if (const auto stray = portfolio::StrayFileOf(m_directory, number)) {
        portfolio::ShowStrayFile(*stray, m_messenger);
        return 0;
    }
    return number;
}

bool ImportRun::ConvertInput(Conversion& conversion) {
    if (!platform::ReadWholeFile(m_job.inputPath, m_input)) {
        m_messenger.Show(
            FormatMessage("The input file %s could not be read.", {m_job.inputPath.string()}));
        return false;
    }
    std::string_view text(reinterpret_cast<const char*>(m_input.data()), m_input.size());
    int rowsToSkip = m_job.skip ? m_job.rowsToSkip : 0;
    if (m_job.reverse) {
        std::optional<std::string> lines = ReversedLines(text, rowsToSkip);
        if (!lines) {
            m_messenger.Show(kNoLinesMessage);
            return false;
        }
        m_reversed = std::move(*lines);
        // The heading rows are gone from the reversed text.
        text = m_reversed;
        rowsToSkip = 0;
    }
    conversion = ConvertLines(text, m_job, rowsToSkip);
    return true;
}

// Only ~TEMP.TXT and ~REVERSE.TXT are used, beside the input file so that each takes its
// target's place in one step; neither outlives the call. A failure leaves the input as it was
// and the imported quotes as they are.
void ImportRun::WriteReversedInput() {
    const fs::path directory = m_job.inputPath.parent_path();
    const std::string name = m_job.inputPath.filename().string();
    if (!platform::ReplaceFileContents(directory, name + ".BAK", "~TEMP.TXT", m_input.data(),
                                       m_input.size())) {
        m_messenger.Show(FormatMessage(
            "The quotes were imported, but %s could not be saved as .BAK;\nit was left "
            "in its order.",
            {m_job.inputPath.string()}));
        return;
    }
    if (!platform::ReplaceFileContents(directory, name, "~REVERSE.TXT", m_reversed.data(),
                                       m_reversed.size())) {
        m_messenger.Show(
            FormatMessage("The quotes were imported, but %s could not be rewritten in reverse "
                          "order;\n                          it was "
                          "left as it was.",
                          {m_job.inputPath.string()}));
    }
}

// The data files come whole and first, so that MASTER never names a symbol whose files are
// missing or still filling; a data file that cannot take the quotes is made empty instead.
bool ImportRun::AddSymbol(int fileNumber, const Conversion& conversion, bool& quotesStored) {
    const store::FieldSet fields = m_job.Fields();
    const store::FieldLayout layout = store::LayoutOf(fields);
    const int recordLength = 4 * m_job.FieldCount();
    const std::string dataName = store::DataFileName(fileNumber);
    const std::string dopName = store::DopFileName(fileNumber);
    const std::string temporaryName = "F" + std::to_string(fileNumber) + ".NEW";
    // The data file's replacement syncs the directory for the description's rename too.
    const std::string dop = store::DopText(fields);
    platform::ReplacementFile dopFile(m_directory, dopName, dopName + ".tmp");
    dopFile.DeferDirectorySync();
    bool written = dopFile.Open() && dopFile.Write(dop.data(), dop.size()) && dopFile.Commit();
    quotesStored =
        written && store::WriteSeries(m_directory, fileNumber, layout, recordLength,
                                      conversion.quotes, temporaryName) == store::kSuccess;
    written = written &&
              (quotesStored || store::WriteSeries(m_directory, fileNumber, layout, recordLength, {},
                                                  temporaryName) == store::kSuccess);
    store::MasterRecord record =
        store::NewMasterRecord(m_job.symbol, m_job.name, m_job.FieldCount());
    const bool dated = quotesStored && !conversion.quotes.empty();
    record.firstDate =
        store::FileDateFromDayNumber(dated ? conversion.quotes.front().date : m_job.today);
    record.lastDate =
        store::FileDateFromDayNumber(dated ? conversion.quotes.back().date : m_job.today);
    // The lock keeps MASTER as it was read; were the number taken after all, MASTER stays
    // unchanged and the files are removed below.
    store::FileNumberResult appended{0, store::NumberFailure::kNotWritten};
    if (written) {
        appended = store::AppendMasterRecord(m_directory, record, fileNumber);
    }
    if (appended.Succeeded()) {
        m_result.fileNumber = fileNumber;
        m_result.quotes = quotesStored ? static_cast<int>(conversion.quotes.size()) : 0;
        return true;
    }
    // MASTER is as it was; the files the run made are taken back, and whatever stays is named
    // after the message, since it would stand in the way of the next import.
    std::string left;
    platform::FileSystem& system = platform::CurrentFileSystem();
    for (const std::string& name : {dataName, dopName}) {
        const auto entry = platform::FindEntry(m_directory, name);
        if (entry && !system.Remove(*entry)) {
            left += FormatMessage("\n%s was left behind; remove it before importing here again.",
                                  {entry->string()});
        }
    }
    if (appended.failure == store::NumberFailure::kFull) {
        m_messenger.Show(std::string(kPortfolioFullMessage) + left);
    } else if (!written) {
        m_messenger.Show(FormatMessage("Could not create %s and %s in %s; the symbol %s was not "
                                       "added.",
                                       {dataName, dopName, m_directory.string(), m_job.symbol}) +
                         left);
    } else {
        m_messenger.Show(FormatMessage("Could not write %s; the symbol %s was not added.",
                                       {store::MasterPath(m_directory).string(), m_job.symbol}) +
                         left);
    }
    return false;
}

// The conversion's complaints, in the order its lines raised them; false when there was one.
bool ImportRun::ReportConversion(const Conversion& conversion) {
    bool clean = true;
    if (conversion.mismatch == DateMismatch::kNumericOnly) {
        m_messenger.Show(
            "You specified a numeric-only date format\nbut a non-numeric date character was "
            "found.");
        clean = false;
    } else if (conversion.mismatch == DateMismatch::kCharacterSeparated) {
        m_messenger.Show(
            "You specified a character-separated date format\nbut only numeric date characters "
            "were found.");
        clean = false;
    }
    const std::string line = std::to_string(conversion.stopLine);
    if (conversion.stop == ConversionStop::kDateTooLong) {
        m_messenger.Show(FormatMessage(
            "The date of line %s is 50 characters or longer:\n%s...\nThe conversion stopped "
            "there; the %s lines before it were converted.",
            {line, conversion.stopText.substr(0, 40), std::to_string(conversion.quotes.size())}));
        return false;
    }
    if (conversion.stop == ConversionStop::kDataFileFull) {
        m_messenger.Show(FormatMessage(
            "A data file holds at most %s quotes.\nThe conversion stopped at line %s.",
            {std::to_string(kMaxImportedQuotes), line}));
        return false;
    }
    if (conversion.quotes.empty()) {
        m_messenger.Show(kNoLinesMessage);
        return false;
    }
    return clean;
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

std::optional<ImportJob> CheckImportForm(ImportForm& form, const fs::path& workingDirectory,
                                         store::DayNumber today, platform::Messenger& messenger) {
    if (!FitsEdit(form.inputPath, kMaxPathText, messenger) ||
        !FitsEdit(form.outputDirectory, kMaxPathText, messenger) ||
        !FitsEdit(form.symbol, store::kNameLength, messenger) ||
        !FitsEdit(form.name, store::kMaxLongNameText, messenger) ||
        !FitsEdit(form.dateFormat, 12, messenger)) {
        return std::nullopt;
    }
    const std::optional<int> rows = EditNumber(form.skipRows, 0, kMaxSkipRows, messenger);
    if (!rows) {
        return std::nullopt;
    }
    ImportJob job;
    for (std::size_t field = 0; field < form.columns.size(); ++field) {
        const std::optional<int> column =
            EditNumber(form.columns[field], 1, kImportColumns, messenger);
        if (!column) {
            return std::nullopt;
        }
        job.columns[field] = *column - 1;
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
            messenger.Show("Duplicate columns specified\nCorrect or disable");
            return std::nullopt;
        }
        claim = true;
    }
    form.symbol = platform::ToUpperAscii(Trimmed(form.symbol));
    if (form.symbol.empty()) {
        messenger.Show("You did not enter a valid symbol.");
        return std::nullopt;
    }
    const std::string_view output = Trimmed(form.outputDirectory);
    if (output.empty()) {
        messenger.Show("Please enter path to output directory.");
        return std::nullopt;
    }
    form.inputPath = std::string(Trimmed(form.inputPath));
    if (form.inputPath.empty()) {
        messenger.Show("Please enter path to input file.");
        return std::nullopt;
    }
    job.inputPath = workingDirectory / form.inputPath;
    if (!platform::InputFile(job.inputPath).IsOpen()) {
        messenger.Show("The input file does not exist.");
        return std::nullopt;
    }
    // Only the twelve formats of the list have a code; a typed text is taken when it names one.
    job.dateFormat = 0;
    for (int code = store::kFirstDateFormat; code <= store::kLastDateFormat; ++code) {
        if (platform::EqualsIgnoringCase(store::DateFormatName(code), Trimmed(form.dateFormat))) {
            job.dateFormat = code;
        }
    }
    if (job.dateFormat == 0) {
        messenger.Show(FormatMessage(
            "\"%s\" is not one of the date formats.\nChoose a date format from the list.",
            {form.dateFormat}));
        return std::nullopt;
    }
    form.dateFormat = store::DateFormatName(job.dateFormat);
    job.useMonths = form.months;
    job.useExistingMaster = !form.makeNewMaster;
    job.outputDirectory = workingDirectory / std::string(output);
    // Past 16 characters the name needs the EMASTER of an existing portfolio to hold it.
    if (!portfolio::TypedNameFits(job.outputDirectory, form.name, messenger)) {
        return std::nullopt;
    }
    job.symbol = form.symbol;
    job.name = form.name;
    job.delimiter = DelimiterCharacter(form.delimiter);
    job.reverse = form.reverse;
    job.skip = form.skipOn;
    job.rowsToSkip = *rows;
    job.today = today;
    return job;
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
    return ImportRun(job, messenger, store).Run();
}

ImportOutcome ImportFromForm(ImportForm& form, const fs::path& workingDirectory,
                             store::DayNumber today, platform::Messenger& messenger,
                             settings::SettingsStore& store, ImportResult* result) {
    const std::optional<ImportJob> job = CheckImportForm(form, workingDirectory, today, messenger);
    if (!job) {
        return ImportOutcome::kRefused;
    }
    WriteImportChoices(store, form);
    const ImportResult outcome = RunImport(*job, messenger, store);
    if (result != nullptr) {
        *result = outcome;
    }
    if (!outcome.succeeded) {
        messenger.Show("Conversion failed.");
        return ImportOutcome::kFailed;
    }
    if (settings::Read(store, keys::kSoundDisable) == 0) {
        messenger.Play(platform::Sound::kAsterisk);
    }
    return ImportOutcome::kSucceeded;
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
