// Times the ASCII export and the split search on generated data and prints each beside its
// floor: reading the input bytes once and writing the output bytes once.
//
//   ticksmith_export_bench           export of a 16,000-quote symbol; split search over 255
//                                    symbols of 5,000 quotes (about 36 MB of data files)
//   ticksmith_export_bench --quick   a small setup, so that a test keeps the program working
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

#include "ascii/export.h"
#include "ascii/split_search.h"
#include "bench_support.h"
#include "platform/file_system.h"
#include "platform/messenger.h"
#include "portfolio/view_state.h"
#include "settings/settings_store.h"
#include "store/master.h"
#include "store/quotes.h"

namespace {

namespace fs = std::filesystem;
using namespace ticksmith;
using bench::Clock;
using bench::Fail;

struct Size {
    int exportQuotes;
    int symbols;
    int quotes;
    int repeats;  // the best of this many runs is printed
};

constexpr Size kFull{16000, 255, 5000, 3};
constexpr Size kQuick{2000, 20, 500, 1};

std::string SymbolName(int symbol) {
    char name[16];
    std::snprintf(name, sizeof name, "S%03d", symbol);
    return name;
}

// A portfolio of `symbols` symbols of `quotes` quotes each, a random walk with a 2-for-1 split
// in every tenth symbol. Files are written directly: the set-up is not what is measured.
void Generate(const fs::path& directory, int symbols, int quotes, std::mt19937& random) {
    fs::create_directories(directory);
    std::vector<store::MasterRecord> records;
    for (int s = 1; s <= symbols; ++s) {
        store::MasterRecord record = store::NewMasterRecord(SymbolName(s), "BENCH", 7);
        record.fileNumber = static_cast<std::uint8_t>(s);
        records.push_back(record);
        std::vector<store::Quote> series(static_cast<std::size_t>(quotes));
        float close = 20.0f + static_cast<float>(s % 50);
        store::DayNumber day = store::DayNumberFromYmd(1980, 1, 2);
        for (int i = 0; i < quotes; ++i) {
            store::Quote& quote = series[static_cast<std::size_t>(i)];
            quote.date = day++;
            close *= 1.0f + static_cast<float>(static_cast<int>(random() % 201) - 100) / 10000.0f;
            if (s % 10 == 0 && i == quotes / 2) {
                close /= 2.0f;
            }
            quote.open = close;
            quote.high = close * 1.01f;
            quote.low = close * 0.99f;
            quote.close = close;
            quote.volume = static_cast<float>(random() % 1000000);
            quote.openInterest = 0.0f;
        }
        bench::WriteSymbolFiles(directory, s, series);
    }
    bench::WriteMasterFile(directory, records);
}

template <typename Work>
double Best(int repeats, Work work) {
    double best = 1e30;
    for (int i = 0; i < repeats; ++i) {
        const auto start = Clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

// Reads every input file once and, when given, writes `outputSize` bytes to one new file.
double Floor(int repeats, const std::vector<fs::path>& inputs, const fs::path& output,
             std::size_t outputSize, bool synced) {
    const std::vector<std::uint8_t> text(outputSize, 'x');
    return Best(repeats, [&] {
        std::vector<std::uint8_t> bytes;
        for (const fs::path& file : inputs) {
            if (!platform::ReadWholeFile(file, bytes)) {
                Fail("cannot read " + file.string());
            }
        }
        if (output.empty()) {
            return;
        }
        platform::FileSystem& system = platform::CurrentFileSystem();
        const int descriptor = system.CreateForWrite(output);
        if (descriptor < 0 || !system.Write(descriptor, text.data(), text.size()) ||
            (synced && !system.Sync(descriptor)) || !system.Close(descriptor)) {
            Fail("cannot write " + output.string());
        }
    });
}

void Print(const char* what, double seconds, double floor, const char* floorText) {
    std::printf("%-52s %10.4f\n", what, seconds);
    std::printf("  %-50s %10.4f %9.2fx  (target 3x)\n", floorText, floor, seconds / floor);
}

}  // namespace

int main(int argc, char** argv) {
    bench::ProgramName() = "ticksmith_export_bench";
    const bool quick = argc > 1 && std::string(argv[1]) == "--quick";
    const Size size = quick ? kQuick : kFull;
    const fs::path root =
        fs::temp_directory_path() / ("ticksmith-export-bench-" + std::to_string(::getpid()));
    fs::remove_all(root);
    std::mt19937 random(20261206);
    std::cout << "Generating a symbol of " << size.exportQuotes << " quotes and " << size.symbols
              << " symbols x " << size.quotes << " quotes..." << std::endl;
    Generate(root / "one", 1, size.exportQuotes, random);
    Generate(root / "many", size.symbols, size.quotes, random);

    bench::StrictMessenger messenger(true);
    settings::MemorySettingsStore store;
    ascii::ExportChoices choices;
    choices.outputPath = (root / "export.txt").string();
    choices.title = true;
    const double exported = Best(size.repeats, [&] {
        if (ascii::ExportQuotes(root / "one", SymbolName(1), choices, root, store, true,
                                messenger) != ascii::ExportResult::kWritten) {
            Fail("the export failed");
        }
    });
    const std::size_t exportSize = fs::file_size(choices.outputPath);
    const std::vector<fs::path> exportInputs = {root / "one" / "MASTER",
                                                root / "one" / store::DataFileName(1)};
    const double exportFloor =
        Floor(size.repeats, exportInputs, root / "floor.txt", exportSize, true);
    const double exportFloorUnsynced =
        Floor(size.repeats, exportInputs, root / "floor.txt", exportSize, false);

    std::vector<store::MasterRecord> records;
    if (store::ReadMasterRecords(root / "many", records) != store::kSuccess) {
        Fail("cannot read the generated MASTER");
    }
    std::vector<std::string> results;
    const double searched = Best(size.repeats, [&] {
        results.clear();
        if (!ascii::SearchSplits(root / "many", portfolio::SymbolGridOrder(records), results, true,
                                 messenger)) {
            Fail("the split search failed");
        }
    });
    std::vector<fs::path> searchInputs = {root / "many" / "MASTER"};
    for (int s = 1; s <= size.symbols; ++s) {
        searchInputs.push_back(root / "many" / store::DataFileName(s));
    }
    const double searchFloor = Floor(size.repeats, searchInputs, {}, 0, false);
    fs::remove_all(root);

    std::printf("\n%-52s %10s %10s\n", "Export and split search", "seconds", "ratio");
    Print("export (title, all columns, oldest first)", exported, exportFloor,
          "floor: read F1.DAT, write the output, synced");
    std::printf("  %-50s %10.4f %9.2fx\n", "floor as above without fdatasync", exportFloorUnsynced,
                exported / exportFloorUnsynced);
    Print("split search", searched, searchFloor, "floor: read MASTER and every F<n>.DAT once");
    std::printf("quotes exported: %d (%zu bytes); candidates: %zu (%d expected)\n",
                size.exportQuotes, exportSize, results.size(), size.symbols / 10);
    return 0;
}
