// Times the historical import on generated histories and prints it beside its floor: reading
// each input once and writing each output file (F<n>.DAT, F<n>.DOP, and MASTER once per
// portfolio) once, with one sync of the file system per portfolio. Both are also timed with
// fdatasync switched off, which shows the work apart from the disk.
//
//   ticksmith_import_bench           one history of 2,500 lines, and a batch of 1,500 such
//                                    histories into six new portfolios of 250 (159 MB of input)
//   ticksmith_import_bench --quick   the same with 2,000 lines and a batch of 12
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "ascii/import.h"
#include "bench_support.h"
#include "platform/file_system.h"
#include "platform/messenger.h"
#include "platform/safe_replace.h"
#include "settings/settings_store.h"
#include "store/encodings.h"
#include "store/master.h"
#include "store/quotes.h"

namespace {

namespace fs = std::filesystem;
using namespace ticksmith;
using bench::Clock;
using bench::Fail;
using bench::NoSyncFileSystem;
using bench::Seconds;
using bench::WriteFile;

struct Size {
    int lines;
    int files;
    int portfolios;
};

constexpr Size kFull{2500, 1500, 6};
constexpr Size kQuick{2000, 12, 2};

// A history of weekdays, oldest first, as a vendor writes one.
std::string History(int lines) {
    std::mt19937 random(20261206);
    std::string text;
    text.reserve(static_cast<std::size_t>(lines) * 64);
    store::DayNumber day = store::DayNumberFromYmd(1961, 1, 2);
    double close = 25.0;
    char line[128];
    for (int i = 0; i < lines; ++i) {
        while ((day - 1) % 7 == 0 || (day - 1) % 7 == 6) {
            ++day;
        }
        close *= 1.0 + static_cast<double>(static_cast<int>(random() % 201) - 100) / 10000.0;
        const int length = std::snprintf(
            line, sizeof line, "%s,%.2f,%.2f,%.2f,%.2f,%u,%u\r\n",
            store::FormatDateText(day, 4, '/').c_str(), close * 0.995, close * 1.01, close * 0.99,
            close, static_cast<unsigned>(random() % 900000 + 1000), static_cast<unsigned>(i));
        text.append(line, static_cast<std::size_t>(length));
        ++day;
    }
    return text;
}

struct Batch {
    std::vector<fs::path> inputs;
    std::vector<fs::path> portfolios;  // the portfolio of each input
    std::size_t portfolioCount = 0;    // input i goes to portfolio i % portfolioCount
};

Batch Prepare(const fs::path& root, const std::string& history, int files, int portfolios) {
    Batch batch;
    batch.portfolioCount = static_cast<std::size_t>(portfolios);
    fs::remove_all(root);
    fs::create_directories(root / "in");
    for (int p = 0; p < portfolios; ++p) {
        fs::create_directories(root / ("P" + std::to_string(p)));
    }
    for (int f = 0; f < files; ++f) {
        batch.inputs.push_back(root / "in" / ("S" + std::to_string(f) + ".TXT"));
        batch.portfolios.push_back(root / ("P" + std::to_string(f % portfolios)));
        WriteFile(batch.inputs.back(), history);
    }
    return batch;
}

// Imports every input as the command line does, one batch per portfolio; the first of each
// batch makes its MASTER.
double Import(const Batch& batch, int lines) {
    bench::StrictMessenger messenger;
    settings::MemorySettingsStore store;
    const store::DayNumber today = store::DayNumberOfTime(std::time(nullptr));
    const std::size_t portfolios = batch.portfolioCount;
    const auto start = Clock::now();
    for (std::size_t p = 0; p < portfolios; ++p) {
        std::vector<ascii::ImportForm> forms;
        for (std::size_t i = p; i < batch.inputs.size(); i += portfolios) {
            ascii::ImportForm& form = forms.emplace_back();
            form.inputPath = batch.inputs[i].string();
            form.outputDirectory = batch.portfolios[i].string();
            form.symbol = batch.inputs[i].stem().string();
            form.dateFormat = "MM_DD_CCYY";
            form.makeNewMaster = true;
        }
        std::vector<ascii::ImportResult> results;
        const std::vector<ascii::ImportOutcome> outcomes = ascii::ImportForms(
            forms, batch.inputs[0].parent_path(), today, messenger, store, &results);
        for (std::size_t f = 0; f < forms.size(); ++f) {
            if (outcomes[f] != ascii::ImportOutcome::kSucceeded || results[f].quotes != lines) {
                Fail("the import of " + forms[f].inputPath + " failed");
            }
        }
    }
    return Seconds(Clock::now() - start);
}

// Everything written before a timing reaches the disk first, so that no measurement pays for
// the write-back of another's files.
void Settle() {
    ::sync();
}

// Reads each input once and writes what the imports left, each file once: the data files and
// their descriptions, and each portfolio's MASTER. Every history is the same, so one data file
// and one description stand for all of them.
double Floor(const Batch& batch, bool synced) {
    std::vector<std::uint8_t> data;
    std::vector<std::uint8_t> dop;
    std::vector<std::vector<std::uint8_t>> masters(batch.portfolios.size());
    if (!platform::ReadWholeFile(batch.portfolios[0] / store::DataFileName(1), data) ||
        !platform::ReadWholeFile(batch.portfolios[0] / store::DopFileName(1), dop)) {
        Fail("no data file to copy");
    }
    const std::size_t portfolios = batch.portfolioCount;
    for (std::size_t p = 0; p < portfolios; ++p) {
        if (!platform::ReadWholeFile(batch.portfolios[p] / "MASTER", masters[p])) {
            Fail("cannot read " + (batch.portfolios[p] / "MASTER").string());
        }
    }
    const auto write = [](const fs::path& directory, const std::string& name,
                          const std::vector<std::uint8_t>& bytes) {
        platform::ReplacementFile file(directory, name, name + ".floor");
        file.SkipSync();
        if (!file.Open() || !file.Write(bytes.data(), bytes.size()) || !file.Commit()) {
            Fail("cannot write " + (directory / name).string());
        }
    };
    // One sync of the file system makes a portfolio's files durable at once.
    const auto sync = [synced](const fs::path& directory) {
        if (!synced) {
            return;
        }
        const int descriptor = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (descriptor < 0 || ::syncfs(descriptor) != 0) {
            Fail("cannot sync " + directory.string());
        }
        ::close(descriptor);
    };
    // Into new directories, as the import wrote new files.
    std::vector<fs::path> copies;
    for (std::size_t p = 0; p < portfolios; ++p) {
        copies.push_back(batch.portfolios[p].string() + "-floor");
        fs::remove_all(copies.back());
        fs::create_directories(copies.back());
    }
    Settle();
    std::vector<std::uint8_t> input;
    const auto start = Clock::now();
    for (std::size_t p = 0; p < portfolios; ++p) {
        for (std::size_t i = p; i < batch.inputs.size(); i += portfolios) {
            const int number = static_cast<int>(i / portfolios + 1);
            if (!platform::ReadWholeFile(batch.inputs[i], input)) {
                Fail("cannot read " + batch.inputs[i].string());
            }
            write(copies[p], store::DataFileName(number), data);
            write(copies[p], store::DopFileName(number), dop);
        }
        write(copies[p], "MASTER", masters[p]);
        sync(copies[p]);
    }
    return Seconds(Clock::now() - start);
}

void Measure(const char* title, const fs::path& root, const std::string& history, const Size& size,
             int files, int portfolios) {
    NoSyncFileSystem noSync;
    Batch batch = Prepare(root, history, files, portfolios);
    Settle();
    const double synced = Import(batch, size.lines);
    Settle();
    const double floorSynced = Floor(batch, true);
    double unsynced = 0;
    double floorUnsynced = 0;
    {
        platform::ScopedFileSystem scope(noSync);
        batch = Prepare(root, history, files, portfolios);
        Settle();
        unsynced = Import(batch, size.lines);
        Settle();
        floorUnsynced = Floor(batch, false);
    }
    fs::remove_all(root);
    std::printf("%s\n", title);
    std::printf("  %-56s %10.3f %9.2fx  (target 3x)\n", "import", synced, synced / floorSynced);
    std::printf("  %-56s %10.3f\n", "floor: read input once, write outputs once, synced",
                floorSynced);
    std::printf("  %-56s %10.3f %9.2fx\n", "import without fdatasync", unsynced,
                unsynced / floorUnsynced);
    std::printf("  %-56s %10.3f\n", "floor without fdatasync", floorUnsynced);
}

}  // namespace

int main(int argc, char** argv) {
    bench::ProgramName() = "ticksmith_import_bench";
    const bool quick = argc > 1 && std::string(argv[1]) == "--quick";
    const Size size = quick ? kQuick : kFull;
    const std::string history = History(size.lines);
    const fs::path root =
        fs::temp_directory_path() / ("ticksmith-import-bench-" + std::to_string(::getpid()));
    std::printf("Historical import: histories of %d lines (%zu bytes each)\n%-58s %10s %10s\n",
                size.lines, history.size(), "", "seconds", "ratio");
    Measure("one history", root, history, size, 1, 1);
    Measure(("a batch of " + std::to_string(size.files) + " histories into " +
             std::to_string(size.portfolios) + " portfolios")
                .c_str(),
            root, history, size, size.files, size.portfolios);
    return 0;
}
