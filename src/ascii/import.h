#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/form_problem.h"
#include "platform/messenger.h"
#include "platform/progress.h"
#include "settings/settings_store.h"
#include "store/encodings.h"
#include "store/quotes.h"

namespace ticksmith::ascii {

namespace fs = std::filesystem;

// The seven fields an import knows, in the order its records and F<n>.DOP hold them.
enum ImportField : int {
    kImportDate,
    kImportOpen,
    kImportHigh,
    kImportLow,
    kImportClose,
    kImportVolume,
    kImportOpenInterest
};
inline constexpr int kImportFieldCount = 7;
inline constexpr int kImportColumns = 20;
inline constexpr int kMaxSkipRows = 200;
// A date text this long stops the conversion.
inline constexpr std::size_t kDateTextLimit = 50;
inline constexpr int kMaxImportedQuotes = store::kMaxQuotesInFile;

// What the import dialog holds, as it holds it: the edits' texts, the boxes and the buttons.
// The boxes of Date and Close are ignored: those fields are always present.
struct ImportForm {
    std::string inputPath;
    std::string outputDirectory;
    std::string symbol;
    std::string name;
    std::string dateFormat = "MMDDYY";
    int delimiter = 0;  // 0 comma, 1 tab, 2 space
    bool makeNewMaster = false;
    bool reverse = false;
    bool skipOn = false;
    std::string skipRows = "0";
    bool months = false;  // "Use 3 letter months"
    std::array<bool, kImportFieldCount> present{true, true, true, true, true, true, true};
    std::array<std::string, kImportFieldCount> columns{"1", "2", "3", "4", "5", "6", "7"};
};

// One run of the import, built from a form that passed its checks.
struct ImportJob {
    fs::path inputPath;
    bool useMonths = false;
    bool useExistingMaster = true;
    std::array<bool, kImportFieldCount> present{};
    std::array<int, kImportFieldCount> columns{};  // from 0
    fs::path outputDirectory;                      // as entered
    std::string symbol;
    std::string name;
    char delimiter = ',';
    int dateFormat = 9;
    bool reverse = false;
    bool skip = false;
    int rowsToSkip = 0;
    // The date a new record carries until its quotes are in.
    store::DayNumber today = 0;

    int FieldCount() const;
    // The store's fields for the present ones (TIME never).
    store::FieldSet Fields() const;
};

// The dialog as it opens: every "Import" setting, an empty input path shown as ibm.txt in the
// working directory, an empty output directory as the working directory, and the stored date
// format replaced by the first of the twelve that begins with it (kept as typed when none does).
ImportForm ReadImportForm(const settings::SettingsStore& store, const fs::path& workingDirectory);

// The dialog's controls a check can refuse, so the dialog can put the focus back on one. The
// column edits follow ImportField's order (ImportColumnField).
enum class ImportFormField {
    kInputPath,
    kOutputDirectory,
    kSymbol,
    kName,
    kDateFormat,
    kSkipRows,
    kDateColumn,
    kOpenColumn,
    kHighColumn,
    kLowColumn,
    kCloseColumn,
    kVolumeColumn,
    kOpenInterestColumn
};

[[nodiscard]] constexpr ImportFormField ImportColumnField(int field) {
    return static_cast<ImportFormField>(static_cast<int>(ImportFormField::kDateColumn) + field);
}

using ImportFormProblem = platform::FormProblem<ImportFormField>;

// OK's checks in their order; on success `job` is the run the form asks for and nothing is
// returned, otherwise the dialog stays open and the caller shows the problem's message. A name
// longer than MASTER holds is noted through the messenger when it passes. Trims and upper-cases
// the symbol and trims the input path, as the dialog shows them back. Relative paths are taken
// from `workingDirectory`.
[[nodiscard]] std::optional<ImportFormProblem> CheckImportForm(ImportForm& form,
                                                               const fs::path& workingDirectory,
                                                               store::DayNumber today,
                                                               ImportJob& job,
                                                               platform::Messenger& messenger);

// What OK stores: the dialog's choices, not the paths, symbol or name.
void WriteImportChoices(settings::SettingsStore& store, const ImportForm& form);

struct ImportResult {
    bool succeeded = false;
    bool masterCreated = false;         // a new, empty MASTER was made
    int fileNumber = 0;                 // of the new symbol; 0 when none was added
    int quotes = 0;                     // quotes stored in its data file
    fs::path outputDirectory;           // the portfolio directory as resolved
    std::vector<std::string> messages;  // what was said about this file, in order
};

// Runs one import with the output directory locked against other writers. The input is
// reversed and converted before the symbol is added, so its data file is written once, whole,
// and MASTER gets the record with its final dates; a run that fails once the checks have
// passed still adds the symbol, with the quotes it could store. Every failure is shown through
// the messenger; "Conversion failed." is left to the caller. Stores the input path, output
// directory, symbol and name under "Import" once the symbol exists.
[[nodiscard]] ImportResult RunImport(const ImportJob& job, platform::Messenger& messenger,
                                     settings::SettingsStore& store);

enum class ImportOutcome { kRefused, kFailed, kSucceeded };

// The dialog's OK from end to end: the checks (kRefused keeps the dialog open), the choices
// stored, the run, then "Conversion failed." or the completion sound. Showing the portfolio
// afterwards is the front end's.
[[nodiscard]] ImportOutcome ImportFromForm(ImportForm& form, const fs::path& workingDirectory,
                                           store::DayNumber today, platform::Messenger& messenger,
                                           settings::SettingsStore& store,
                                           ImportResult* result = nullptr);

// A batch's progress: "File 2 of 9" and the input path, with the count of files begun.
inline constexpr std::size_t kImportCountText = 0;
inline constexpr std::size_t kImportFileText = 1;

// The OK of each form in turn, as ImportFromForm gives it, with the same messages, outcomes and
// files; the files bound for one portfolio are committed together: every symbol's data files
// written and made durable at once, then renamed into place, then MASTER (with MASTER.BAK and
// EMASTER) written once. A form that makes a new MASTER joins the one an earlier form made in
// the same directory. Each form's messages come once its portfolio is committed. With
// `progress`, each file is announced there before it is read, and a cancel asked there stops
// the batch before the next file: what was imported is committed, and the forms not reached
// get no outcome.
[[nodiscard]] std::vector<ImportOutcome> ImportForms(
    std::vector<ImportForm>& forms, const fs::path& workingDirectory, store::DayNumber today,
    platform::Messenger& messenger, settings::SettingsStore& store,
    std::vector<ImportResult>* results = nullptr, platform::ProgressSink* progress = nullptr);

// The form of one file of a batch: `base`'s choices with `input` as its input and, when
// `symbolFromName`, the file's name without extension, upper-cased, as its symbol, and as its
// name (cut to what MASTER holds) when `base` has none.
[[nodiscard]] ImportForm BatchForm(const ImportForm& base, const std::string& input,
                                   bool symbolFromName);

struct BatchImportReport {
    // The first file the checks refused, and why; nothing was imported then.
    std::optional<std::size_t> refusedFile;
    std::optional<ImportFormProblem> problem;
    std::vector<ImportForm> forms;  // one per file, as checked
    // One per file imported or tried; fewer than the files when the batch was stopped.
    std::vector<ImportOutcome> outcomes;
    std::vector<ImportResult> results;

    [[nodiscard]] bool Stopped() const;
    [[nodiscard]] int SymbolsAdded() const;
    [[nodiscard]] long long QuotesAdded() const;
    // How the batch ended: symbols and quotes imported, then each failed file with the
    // first thing said about it.
    [[nodiscard]] std::string Summary() const;
};

// Several files into one portfolio: every file's form passes the checks before any is
// imported, then ImportForms runs them, stoppable between files through `progress`.
[[nodiscard]] BatchImportReport ImportFiles(const ImportForm& base,
                                            const std::vector<std::string>& inputs,
                                            bool symbolFromName, const fs::path& workingDirectory,
                                            store::DayNumber today, platform::Messenger& messenger,
                                            settings::SettingsStore& store,
                                            platform::ProgressSink* progress = nullptr);

// ---- The conversion itself, without files ------------------------------------------------

// Replaces a month abbreviation (JAN to DEC, any case) at the first character from 'A' up by
// its number: 15-JAN-2004 gives 15-01-2004, Jan152004 gives 01152004. False, with the text
// unchanged, when there is no such character; true once there is, matched or not.
[[nodiscard]] bool ConvertMonthText(std::string& text);

// What the first converted line's date says against the chosen format.
enum class DateMismatch { kNone, kNumericOnly, kCharacterSeparated };

enum class ConversionStop { kEndOfText, kDateTooLong, kDataFileFull };

struct Conversion {
    std::vector<store::Quote> quotes;  // one per converted line, in file order
    DateMismatch mismatch = DateMismatch::kNone;
    ConversionStop stop = ConversionStop::kEndOfText;
    int stopLine = 0;  // counted from 1, heading rows included
    std::string stopText;
};

// Converts the lines of an input text, read in pieces of at most 299 characters, after
// dropping `rowsToSkip` of them.
Conversion ConvertLines(std::string_view text, const ImportJob& job, int rowsToSkip);

// The reversed form of an input text: heading rows dropped, lines shorter than two characters
// with their line end dropped, the rest last first, each ending in CR LF. Nothing when no line
// is kept.
[[nodiscard]] std::optional<std::string> ReversedLines(std::string_view text, int rowsToSkip);

}  // namespace ticksmith::ascii
