#include "ascii/export.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>

#include "platform/names.h"
#include "platform/safe_replace.h"
#include "portfolio/grid_format.h"
#include "portfolio/portfolio_files.h"
#include "portfolio/view_state.h"
#include "settings/setting_keys.h"
#include "store/encodings.h"
#include "store/master.h"

namespace ticksmith::ascii {

namespace {

using namespace settings::keys;

// Quotes read per call; the reader finds the symbol again on every call.
constexpr int kReadChunk = 4000;

char DelimiterOf(const ExportChoices& choices) {
    return choices.delimiter == 1 ? '\t' : choices.delimiter == 2 ? ' ' : ',';
}

struct Column {
    bool ExportChoices::*use;
    float store::Quote::*value;
    std::string_view title;
    int decimals;
};

constexpr Column kColumns[] = {
    {&ExportChoices::useOpen, &store::Quote::open, "OPEN", 4},
    {&ExportChoices::useHigh, &store::Quote::high, "HIGH", 4},
    {&ExportChoices::useLow, &store::Quote::low, "LOW", 4},
    {&ExportChoices::useClose, &store::Quote::close, "CLOSE", 4},
    {&ExportChoices::useVolume, &store::Quote::volume, "VOL", 2},
    {&ExportChoices::useOpenInterest, &store::Quote::openInterest, "OI", 2},
};

// A line is put together in a buffer and appended once: the widest value, a float's largest
// with four decimals, takes 45 characters.
constexpr std::size_t kLineRoom = 8 + (1 + 8) + 6 * (1 + 48) + 2;

char* PutDigits(std::uint64_t number, int digits, char* at) {
    for (int i = digits - 1; i >= 0; --i) {
        at[i] = static_cast<char>('0' + number % 10);
        number /= 10;
    }
    return at + digits;
}

// "%.4f" / "%.2f" with a point whatever the process locale says, and the same digits: a float
// times 10^4 is exact in a double, so rounding it to the nearest integer (ties to even) rounds
// the exact value as printf does. Magnitudes beyond that, -0 and NaN take the general path.
char* PutValue(float value, int decimals, char* at) {
    if (value < 0.0f) {
        constexpr std::string_view kNotAvailable = "N/A";
        return std::copy(kNotAvailable.begin(), kNotAvailable.end(), at);
    }
    const double scale = decimals == 4 ? 1e4 : 1e2;
    const double scaled = static_cast<double>(value) * scale;
    if (!std::signbit(value) && scaled < 1e15) {
        const auto units = static_cast<std::uint64_t>(std::nearbyint(scaled));
        const auto unit = static_cast<std::uint64_t>(scale);
        at = std::to_chars(at, at + 24, units / unit).ptr;
        *at++ = '.';
        return PutDigits(units % unit, decimals, at);
    }
    const auto result =
        std::to_chars(at, at + 48, static_cast<double>(value), std::chars_format::fixed, decimals);
    return result.ec == std::errc() ? result.ptr : at;
}

// MM/DD/YY as FormatDateText writes it with code 3, without a formatted copy per line.
char* PutDate(store::DayNumber day, char* at) {
    const store::Ymd date = store::YmdFromDayNumber(day);
    at = PutDigits(static_cast<std::uint64_t>(date.month), 2, at);
    *at++ = '/';
    at = PutDigits(static_cast<std::uint64_t>(date.day), 2, at);
    *at++ = '/';
    return PutDigits(static_cast<std::uint64_t>(date.year % 100), 2, at);
}

}  // namespace

fs::path OutputFilePath(std::string_view path, const fs::path& workingDirectory) {
    fs::path output(path);
    if (!output.is_absolute()) {
        output = workingDirectory / output;
    }
    if (output.has_filename()) {
        output = platform::ResolveEntry(output.parent_path(), output.filename().string());
    }
    return output;
}

bool EntryExists(const fs::path& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

ExportChoices ReadExportChoices(const settings::SettingsStore& store) {
    using settings::Read;
    ExportChoices choices;
    choices.outputPath = Read(store, kExportStarter);
    choices.useOpen = Read(store, kExportUseOpen) != 0;
    choices.useHigh = Read(store, kExportUseHigh) != 0;
    choices.useLow = Read(store, kExportUseLow) != 0;
    choices.useClose = Read(store, kExportUseClose) != 0;
    choices.useVolume = Read(store, kExportUseVolume) != 0;
    choices.useOpenInterest = Read(store, kExportUseOpenInterest) != 0;
    choices.newestFirst = Read(store, kExportNewest) != 0;
    choices.delimiter = std::clamp(Read(store, kExportDelimiter), 0, 2);
    choices.title = Read(store, kExportTitle) != 0;
    return choices;
}

void WriteExportChoices(settings::SettingsStore& store, const ExportChoices& choices) {
    using settings::Write;
    Write(store, kExportStarter, choices.outputPath);
    Write(store, kExportUseOpen, choices.useOpen ? 1 : 0);
    Write(store, kExportUseHigh, choices.useHigh ? 1 : 0);
    Write(store, kExportUseLow, choices.useLow ? 1 : 0);
    Write(store, kExportUseClose, choices.useClose ? 1 : 0);
    Write(store, kExportUseVolume, choices.useVolume ? 1 : 0);
    Write(store, kExportUseOpenInterest, choices.useOpenInterest ? 1 : 0);
    Write(store, kExportNewest, choices.newestFirst ? 1 : 0);
    Write(store, kExportDelimiter, choices.delimiter);
    Write(store, kExportTitle, choices.title ? 1 : 0);
}

bool AcceptExportChoices(const ExportChoices& choices, platform::Messenger& messenger) {
    if (choices.outputPath.empty()) {
        messenger.Show(kEnterNameMessage);
        return false;
    }
    return true;
}

std::string ExportTitleLine(const ExportChoices& choices, bool withTime) {
    std::string text = "DATE";
    if (withTime) {
        text += DelimiterOf(choices);
        text += "TIME";
    }
    for (const Column& column : kColumns) {
        if (choices.*column.use) {
            text += DelimiterOf(choices);
            text += column.title;
        }
    }
    return text + "\r\n";
}

void AppendExportLine(const store::Quote& quote, const ExportChoices& choices, std::string& text,
                      bool withTime) {
    char line[kLineRoom];
    char* at = PutDate(quote.date, line);
    if (withTime) {
        *at++ = DelimiterOf(choices);
        const std::string time = portfolio::FormatQuoteTime(quote.time);
        at = std::copy(time.begin(), time.end(), at);
    }
    for (const Column& column : kColumns) {
        if (choices.*column.use) {
            *at++ = DelimiterOf(choices);
            at = PutValue(quote.*column.value, column.decimals, at);
        }
    }
    *at++ = '\r';
    *at++ = '\n';
    text.append(line, at);
}

namespace {

// How writing one symbol's file went: without `readError` a failure is the file's own.
struct FileOutcome {
    bool written = false;
    std::string readError;
};

// The symbol's quotes into a new version of `output`, renamed over the old one only when all
// of them are in it.
FileOutcome WriteSymbolFile(const fs::path& dataDirectory, std::string_view symbol,
                            const ExportChoices& choices, const fs::path& output) {
    TextFileReplacement file(output);
    if (!file.Open()) {
        return {};
    }
    store::QuoteSeries series;
    store::Status status = store::AllocSeries(series, kReadChunk);
    if (status == store::kSuccess) {
        status = store::ReadSeries(series, dataDirectory, symbol, 0, 0);
    }
    const int total = series.quotesInFile;
    const bool withTime = series.layout.Has(store::kTime);
    std::string text = choices.title ? ExportTitleLine(choices, withTime) : std::string();
    bool written = true;
    for (int done = 0; status == store::kSuccess && written && done < total;) {
        const int chunk = std::min(kReadChunk, total - done);
        const int start = choices.newestFirst ? total - done - chunk : done;
        status = store::ReadSeries(series, dataDirectory, symbol, start, chunk);
        if (status == store::kSuccess && series.count != chunk) {
            status = store::kFileRead;  // the file ended early or changed: never a part export
        }
        if (status != store::kSuccess) {
            break;
        }
        if (choices.newestFirst) {
            std::for_each(series.quotes.rbegin(), series.quotes.rend(),
                          [&](const store::Quote& quote) {
                              AppendExportLine(quote, choices, text, withTime);
                          });
        } else {
            for (const store::Quote& quote : series.quotes) {
                AppendExportLine(quote, choices, text, withTime);
            }
        }
        written = file.Write(text);
        text.clear();
        done += series.count;
    }
    store::FreeSeries(series);
    if (status != store::kSuccess) {
        return {false,
                store::StatusReport(status, store::DescribeSeriesFailure(dataDirectory, symbol))};
    }
    return {written && file.Write(text) && file.Commit(), {}};
}

}  // namespace

ExportResult ExportQuotes(const fs::path& dataDirectory, std::string_view symbol,
                          const ExportChoices& choices, const fs::path& workingDirectory,
                          settings::SettingsStore& store, bool soundDisable,
                          platform::Messenger& messenger) {
    const fs::path output = OutputFilePath(choices.outputPath, workingDirectory);
    if (portfolio::IsPortfolioFile(output)) {
        messenger.Show(platform::FormatMessage(kPortfolioFileMessage, {output.string()}));
        return ExportResult::kFailed;
    }
    // Any entry under the name is asked about, also one that cannot be read.
    if (EntryExists(output) &&
        !messenger.AskYesNo(platform::FormatMessage(kReplaceExportMessage, {output.string()}))) {
        return ExportResult::kDeclined;
    }
    WriteExportChoices(store, choices);

    const FileOutcome outcome = WriteSymbolFile(dataDirectory, symbol, choices, output);
    if (!outcome.readError.empty()) {
        messenger.Show(
            platform::FormatMessage(kExportReadErrorMessage, {symbol, outcome.readError}));
        return ExportResult::kFailed;
    }
    if (!outcome.written) {
        messenger.Show(kExportErrorMessage);
        return ExportResult::kFailed;
    }
    if (!soundDisable) {
        messenger.Play(platform::Sound::kAsterisk);
    }
    return ExportResult::kWritten;
}

std::string ExportFileName(std::string_view symbol) {
    std::string name(symbol);
    for (char& c : name) {
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < ' ') {
            c = '_';
        }
    }
    // A leading dot would hide the file.
    if (name.empty() || name.front() == '.') {
        name.insert(0, 1, '_');
    }
    return name + ".txt";
}

ExportAllResult ExportAllSymbols(const fs::path& directory, std::string_view outputDirectory,
                                 const ExportChoices& choices, const fs::path& workingDirectory,
                                 settings::SettingsStore& store, bool soundDisable,
                                 platform::Messenger& messenger) {
    ExportAllResult result;
    if (outputDirectory.empty()) {
        messenger.Show(kEnterNameMessage);
        result.result = ExportResult::kFailed;
        return result;
    }
    std::vector<store::MasterRecord> records;
    if (const store::Status status = store::ReadMasterRecords(directory, records);
        status != store::kSuccess) {
        messenger.Show(platform::FormatMessage(
            kExportReadErrorMessage,
            {directory.string(),
             store::StatusReport(status, store::DescribeMasterFailure(directory))}));
        result.result = ExportResult::kFailed;
        return result;
    }
    fs::path folder(outputDirectory);
    if (!folder.is_absolute()) {
        folder = workingDirectory / folder;
    }
    // Two symbols that differ only in case would share a file: the later one is numbered.
    std::vector<std::pair<std::string, fs::path>> targets;
    std::vector<std::string> taken;
    std::size_t existing = 0;
    for (const store::MasterRecord& record : portfolio::SymbolGridOrder(std::move(records))) {
        std::string name = ExportFileName(record.SymbolText());
        if (std::any_of(taken.begin(), taken.end(), [&](const std::string& other) {
                return platform::EqualsIgnoringCase(other, name);
            })) {
            name.insert(name.size() - 4, "_F" + std::to_string(record.fileNumber));
        }
        taken.push_back(name);
        fs::path output = platform::ResolveEntry(folder, name);
        if (portfolio::IsPortfolioFile(output)) {
            messenger.Show(platform::FormatMessage(kPortfolioFileMessage, {output.string()}));
            result.result = ExportResult::kFailed;
            return result;
        }
        existing += EntryExists(output) ? 1 : 0;
        targets.emplace_back(record.SymbolText(), std::move(output));
    }
    if (existing > 0 && !messenger.AskYesNo(platform::FormatMessage(
                            kReplaceAllMessage, {folder.string(), std::to_string(existing)}))) {
        result.result = ExportResult::kDeclined;
        return result;
    }
    WriteExportChoices(store, choices);
    std::error_code error;
    fs::create_directories(folder, error);

    std::string failures;
    for (const auto& [symbol, output] : targets) {
        const FileOutcome outcome = WriteSymbolFile(directory, symbol, choices, output);
        if (outcome.written) {
            ++result.written;
            continue;
        }
        result.failed.push_back(symbol);
        failures += "\n";
        failures += symbol;
        failures += ": ";
        failures +=
            outcome.readError.empty() ? output.string() + " cannot be written" : outcome.readError;
    }
    if (!result.failed.empty()) {
        result.result = ExportResult::kFailed;
        messenger.Show(platform::FormatMessage(kExportAllFailedMessage, {failures}));
    } else if (!soundDisable) {
        messenger.Play(platform::Sound::kAsterisk);
    }
    return result;
}

TextFileReplacement::TextFileReplacement(const fs::path& path) {
    if (!path.has_filename()) {
        return;
    }
    const fs::path directory = path.has_parent_path() ? path.parent_path() : fs::path(".");
    const std::string name = path.filename().string();
    // The replacement's temporary name is its own, so an entry called <name>.tmp is never touched.
    m_file.emplace(directory, name, name + ".tmp");
}

bool TextFileReplacement::Open() {
    return m_file && m_file->Open();
}

bool TextFileReplacement::Write(std::string_view text) {
    return m_file && m_file->Write(text.data(), text.size());
}

bool TextFileReplacement::Commit() {
    return m_file && m_file->Commit();
}

bool ReplaceTextFile(const fs::path& path, std::string_view text) {
    TextFileReplacement file(path);
    return file.Open() && file.Write(text) && file.Commit();
}

}  // namespace ticksmith::ascii
