// Times the historical import on generated histories and prints it beside its floor: reading
// each input once and writing each output file (F<n>.DAT, F<n>.DOP, and MASTER once per
// portfolio) once, with the same fdatasync every replacement does. Both are also timed with
// fdatasync switched off, which shows the work apart from the disk.
//
//   ticksmith_import_bench           one history of 20,000 lines, and a batch of 1,000 such
//                                    histories into four portfolios (about 1 GB of input)
//   ticksmith_import_bench --quick   the same with 2,000 lines and a batch of 12
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

constexpr Size kFull{20000, 1000, 4};
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
};

Batch Prepare(const fs::path& root, const std::string& history, int files, int portfolios) {
    Batch batch;
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

// Imports every input as the dialog would; the first of each portfolio makes its MASTER.
double Import(const Batch& batch, int lines) {
    bench::StrictMessenger messenger;
    settings::MemorySettingsStore store;
    const store::DayNumber today = store::DayNumberOfTime(std::time(nullptr));
    const auto start = Clock::now();
    for (std::size_t i = 0; i < batch.inputs.size(); ++i) {
        ascii::ImportForm form;
        form.inputPath = batch.inputs[i].string();
        form.outputDirectory = batch.portfolios[i].string();
        form.symbol = batch.inputs[i].stem().string();
        form.dateFormat = "MM_DD_CCYY";
        form.makeNewMaster = !fs::exists(batch.portfolios[i] / "MASTER");
        ascii::ImportResult result;
        if (ascii::ImportFromForm(form, batch.inputs[i].parent_path(), today, messenger, store,
                                  &result) != ascii::ImportOutcome::kSucceeded ||
            result.quotes != lines) {
            Fail("the import of " + form.inputPath + " failed");
        }
    }
    return Seconds(Clock::now() - start);
}

// Reads each input once and writes what the imports left, each file once: the data files and
// their descriptions, and each portfolio's MASTER. Every history is the same, so one data file
// and one description stand for all of them.
double Floor(const Batch& batch) {
    std::vector<std::uint8_t> data;
    std::vector<std::uint8_t> dop;
    std::vector<std::vector<std::uint8_t>> masters(batch.portfolios.size());
    if (!platform::ReadWholeFile(batch.portfolios[0] / store::DataFileName(1), data) ||
        !platform::ReadWholeFile(batch.portfolios[0] / store::DopFileName(1), dop)) {
        Fail("no data file to copy");
    }
    const std::size_t portfolios = std::min(batch.portfolios.size(), batch.inputs.size());
    for (std::size_t p = 0; p < portfolios; ++p) {
        if (!platform::ReadWholeFile(batch.portfolios[p] / "MASTER", masters[p])) {
            Fail("cannot read " + (batch.portfolios[p] / "MASTER").string());
        }
    }
    const auto write = [](const fs::path& directory, const std::string& name,
                          const std::vector<std::uint8_t>& bytes) {
        if (!platform::ReplaceFileContents(directory, name, name + ".floor", bytes.data(),
                                           bytes.size())) {
            Fail("cannot write " + (directory / name).string());
        }
    };
    std::vector<std::uint8_t> input;
    const auto start = Clock::now();
    for (std::size_t i = 0; i < batch.inputs.size(); ++i) {
        const int number = static_cast<int>(i / portfolios + 1);
        if (!platform::ReadWholeFile(batch.inputs[i], input)) {
            Fail("cannot read " + batch.inputs[i].string());
        }
        write(batch.portfolios[i], store::DataFileName(number), data);
        write(batch.portfolios[i], store::DopFileName(number), dop);
    }
    for (std::size_t p = 0; p < portfolios; ++p) {
        write(batch.portfolios[p], "MASTER", masters[p]);
    }
    return Seconds(Clock::now() - start);
}

// Everything written before a timing reaches the disk first, so that no measurement pays for
// the write-back of another's files.
void Settle() {
    ::sync();
}

void Measure(const char* title, const fs::path& root, const std::string& history, const Size& size,
             int files, int portfolios) {
    NoSyncFileSystem noSync;
    Batch batch = Prepare(root, history, files, portfolios);
    Settle();
    const double synced = Import(batch, size.lines);
    Settle();
    const double floorSynced = Floor(batch);
    double unsynced = 0;
    double floorUnsynced = 0;
    {
        platform::ScopedFileSystem scope(noSync);
        batch = Prepare(root, history, files, portfolios);
        Settle();
        unsynced = Import(batch, size.lines);
        Settle();
        floorUnsynced = Floor(batch);
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
