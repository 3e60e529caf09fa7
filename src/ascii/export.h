#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/messenger.h"
#include "platform/safe_replace.h"
#include "settings/settings_store.h"
#include "store/quotes.h"

namespace ticksmith::ascii {

namespace fs = std::filesystem;

// What the export dialog collects; also what it remembers under "XportSel".
struct ExportChoices {
    std::string outputPath = "output.txt";  // relative to the working directory unless absolute
    bool useOpen = true;
    bool useHigh = true;
    bool useLow = true;
    bool useClose = true;
    bool useVolume = true;
    bool useOpenInterest = true;
    bool newestFirst = false;
    int delimiter = 0;  // 0 comma, 1 tab, 2 space
    bool title = false;

    bool operator==(const ExportChoices&) const = default;
};

ExportChoices ReadExportChoices(const settings::SettingsStore& store);
void WriteExportChoices(settings::SettingsStore& store, const ExportChoices& choices);

inline constexpr std::string_view kEnterNameMessage = "Please enter a name";
inline constexpr std::string_view kReplaceExportMessage =
    "%s\nThis file already exists\n\nReplace existing file?";
inline constexpr std::string_view kExportErrorMessage = "File export error";
inline constexpr std::string_view kPortfolioFileMessage =
    "%s\nis a file of the portfolio in its directory.\nChoose another file name.";
inline constexpr std::string_view kExportReadErrorMessage =
    "File export error\nThe quotes of %s cannot be read: %s";

// The dialog's check on OK: an empty path shows kEnterNameMessage and keeps the dialog open.
[[nodiscard]] bool AcceptExportChoices(const ExportChoices& choices,
                                       platform::Messenger& messenger);

// The title row and one quote's line as written, each ending in CR LF. An intraday series
// (`withTime`) has its time of day after the date, as TIME.
std::string ExportTitleLine(const ExportChoices& choices, bool withTime = false);
void AppendExportLine(const store::Quote& quote, const ExportChoices& choices, std::string& text,
                      bool withTime = false);

enum class ExportResult { kWritten, kDeclined, kFailed };

// Writes every quote of `symbol` in `dataDirectory` to the chosen file, after OK: an existing
// file is replaced only when the person says Yes (No stores nothing, not even the settings);
// then the choices go to "XportSel" and the file is written beside its old version and renamed
// over it, so a failure keeps the old file whole. A symbol that cannot be read writes nothing.
[[nodiscard]] ExportResult ExportQuotes(const fs::path& dataDirectory, std::string_view symbol,
                                        const ExportChoices& choices,
                                        const fs::path& workingDirectory,
                                        settings::SettingsStore& store, bool soundDisable,
                                        platform::Messenger& messenger);

inline constexpr std::string_view kReplaceAllMessage =
    "%s\n%s of the files already exist\n\nReplace existing files?";
inline constexpr std::string_view kExportAllFailedMessage =
    "File export error\nThese symbols were not exported:%s";

// What an export of every symbol did: how many files it wrote, and each symbol it could not
// write with the reason.
struct ExportAllResult {
    ExportResult result = ExportResult::kWritten;
    int written = 0;
    std::vector<std::string> failed;
};

// The file a symbol's quotes go to in a folder: "<symbol>.txt", with anything that could
// lead out of the folder replaced.
std::string ExportFileName(std::string_view symbol);

// Every symbol of the portfolio, in the grid's order, into a file of its own in
// `outputDirectory` (relative to the working directory unless absolute; created when missing),
// with the choices' columns and order. Existing files are asked about once, before anything
// is written; No writes nothing and stores nothing. A symbol that cannot be read or written
// keeps its old file and is named in one message at the end; the others are written.
[[nodiscard]] ExportAllResult ExportAllSymbols(const fs::path& directory,
                                               std::string_view outputDirectory,
                                               const ExportChoices& choices,
                                               const fs::path& workingDirectory,
                                               settings::SettingsStore& store, bool soundDisable,
                                               platform::Messenger& messenger);

// The file an output path names: taken relative to the working directory unless absolute, and
// an existing entry of its directory found without regard to case.
fs::path OutputFilePath(std::string_view path, const fs::path& workingDirectory);
// Whether anything stands at `path`: a file, also one that cannot be read, a directory, a link.
bool EntryExists(const fs::path& path);

// A new version of the file at `path` (created when missing), written beside it and renamed
// over it on Commit; abandoned, it leaves the old file untouched. Its temporary name is one
// that nothing holds yet, since the writer removes whatever stands there, and that must never
// be another file of the person's.
class TextFileReplacement {
  public:
    explicit TextFileReplacement(const fs::path& path);
    [[nodiscard]] bool Open();
    [[nodiscard]] bool Write(std::string_view text);
    [[nodiscard]] bool Commit();

  private:
    std::optional<platform::ReplacementFile> m_file;
};

// Replaces the file at `path` with `text` whole; false, with the old file untouched, when it
// cannot be written.
[[nodiscard]] bool ReplaceTextFile(const fs::path& path, std::string_view text);

}  // namespace ticksmith::ascii
