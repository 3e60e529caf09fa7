// Times Update Quotes on a generated setup of realistic size and prints it beside its floors:
//   - the floors: reading the update files once and copying once every F<n>.DAT that received a
//     quote, without syncs, with one sync per portfolio, and with an fdatasync per file;
//   - the plain search: for each symbol, listing the profile directory again and reading its
//     files from the start until the first newer line, as the run's search is defined.
//
//   ticksmith_update_bench           20 portfolios x 255 symbols x 5,000 quotes, five update
//                                    files of 10,000 lines (about 700 MB of data files)
//   ticksmith_update_bench --quick   a small setup, so that a test keeps the program working
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

#include "bench_support.h"
#include "platform/file_system.h"
#include "platform/little_endian.h"
#include "platform/messenger.h"
#include "platform/names.h"
#include "platform/safe_replace.h"
#include "platform/text_lines.h"
#include "profiles/profile.h"
#include "settings/view_settings.h"
#include "store/master.h"
#include "store/quotes.h"
#include "update/update_index.h"
#include "update/update_line.h"
#include "update/update_run.h"

namespace {

namespace fs = std::filesystem;
using namespace ticksmith;
using bench::Clock;
using bench::Fail;
using bench::Seconds;
using bench::WriteFile;

struct Size {
    int portfolios;
    int symbols;
    int quotes;
    int files;
    int lines;
    int plainSample;  // symbols whose plain search is timed
};

constexpr Size kFull{20, 255, 5000, 5, 10000, 200};
constexpr Size kQuick{2, 20, 200, 5, 100, 40};

class CountingMessenger : public platform::Messenger {
  public:
    void Show(std::string_view text, platform::MessageIcon) override {
        if (shown++ < 3) {
            std::cerr << "message: " << text << '\n';
        }
    }
    bool AskYesNo(std::string_view, platform::MessageIcon) override { return false; }
    bool AskOkCancel(std::string_view, platform::MessageIcon) override { return false; }
    void Play(platform::Sound) override {}
    int shown = 0;
};

std::string SymbolName(int portfolio, int symbol) {
    char name[48];
    std::snprintf(name, sizeof name, "P%02dS%03d", portfolio, symbol);
    return name;
}

store::DayNumber NextWeekday(store::DayNumber day) {
    do {
        ++day;
    } while ((day - 1) % 7 == 0 || (day - 1) % 7 == 6);
    return day;
}

struct Setup {
    fs::path root;
    fs::path work;
    fs::path updates;
    std::vector<std::string> portfolios;
    profiles::Profile profile;
};

// Data files are written directly: the set-up is not what is measured.
Setup Generate(const Size& size) {
    Setup setup;
    setup.root =
        fs::temp_directory_path() / ("ticksmith-update-bench-" + std::to_string(::getpid()));
    fs::remove_all(setup.root);
    setup.work = setup.root / "work";
    setup.updates = setup.root / "updates";
    fs::create_directories(setup.work / settings::kLasttimeDirectory);
    fs::create_directories(setup.updates);
    std::mt19937 random(20261206);

    const store::FieldLayout layout = store::LayoutOf(store::kStandardFields);
    const int length = 4 * layout.PresentFields();
    std::vector<store::DayNumber> days;
    store::DayNumber day = store::DayNumberFromYmd(2000, 1, 3);
    for (int i = 0; i < size.quotes; ++i) {
        days.push_back(day);
        day = NextWeekday(day);
    }
    const store::DayNumber lastDay = days.back();
    for (int p = 1; p <= size.portfolios; ++p) {
        const fs::path directory = setup.root / ("P" + std::to_string(p));
        fs::create_directories(directory);
        setup.portfolios.push_back(directory.string());
        std::vector<std::uint8_t> master(store::kMasterRecordSize * (size.symbols + 1));
        platform::WriteI16(master.data(), static_cast<std::int16_t>(size.symbols));
        platform::WriteI16(master.data() + 2, static_cast<std::int16_t>(size.symbols));
        for (int s = 1; s <= size.symbols; ++s) {
            store::MasterRecord record = store::NewMasterRecord(SymbolName(p, s), "BENCH", 7);
            record.fileNumber = static_cast<std::uint8_t>(s);
            record.firstDate = store::FileDateFromDayNumber(days.front());
            record.lastDate = store::FileDateFromDayNumber(lastDay);
            store::EncodeMasterRecord(record, master.data() + store::kMasterRecordSize * s);
            std::string data(static_cast<std::size_t>(length) * (days.size() + 1), '\0');
            auto* bytes = reinterpret_cast<std::uint8_t*>(data.data());
            platform::WriteU16(bytes + 2, static_cast<std::uint16_t>(days.size() + 1));
            float close = 20.0f + static_cast<float>(s % 50);
            for (std::size_t i = 0; i < days.size(); ++i) {
                store::Quote quote;
                quote.date = days[i];
                close *=
                    1.0f + static_cast<float>(static_cast<int>(random() % 201) - 100) / 10000.0f;
                quote.open = quote.high = quote.low = quote.close = close;
                quote.volume = 100000.0f;
                quote.openInterest = 0.0f;
                store::EncodeQuote(quote, layout,
                                   bytes + static_cast<std::size_t>(length) * (i + 1), length);
            }
            WriteFile(directory / store::DataFileName(s), data);
            WriteFile(directory / store::DopFileName(s), store::DopText(store::kStandardFields));
            WriteFile(directory / profiles::AssignmentFileName(s),
                      std::string("\0Daily", 6) + std::string(28, '\0'));
        }
        WriteFile(directory / "MASTER", std::string(master.begin(), master.end()));
    }
    setup.profile = profiles::DefaultProfile(setup.work);
    setup.profile.openInterestColumn = 0;
    setup.profile.updateDirectory = setup.updates.string();
    profiles::ProfileBytes profileBytes{};
    if (!profiles::EncodeProfile(setup.profile, profileBytes)) {
        Fail("the profile's update directory is too long: " + setup.updates.string());
    }
    WriteFile(setup.work / "Daily.pfd", std::string(profileBytes.begin(), profileBytes.end()));

    // Most symbols appear in each day's file, some do not; unknown symbols fill the rest.
    store::DayNumber fileDay = lastDay;
    for (int f = 1; f <= size.files; ++f) {
        fileDay = NextWeekday(fileDay);
        std::vector<std::string> lines;
        for (int p = 1; p <= size.portfolios; ++p) {
            for (int s = 1; s <= size.symbols; ++s) {
                if (random() % 100 < 95 && static_cast<int>(lines.size()) < size.lines) {
                    lines.push_back(SymbolName(p, s));
                }
            }
        }
        for (int filler = 0; static_cast<int>(lines.size()) < size.lines; ++filler) {
            lines.push_back("ZZ" + std::to_string(filler));
        }
        std::shuffle(lines.begin(), lines.end(), random);
        std::string text;
        for (const std::string& symbol : lines) {
            text += symbol + "," + store::GridDateText(fileDay) + ",10.50,11.25,10.25,11.00," +
                    std::to_string(random() % 900000 + 1000) + "\r\n";
        }
        WriteFile(setup.updates / ("DAY" + std::to_string(f) + ".TXT"), text);
    }
    return setup;
}

// The search as defined per symbol: the directory listed again, each file read from the start.
bool PlainSearch(const fs::path& directory, const profiles::Profile& profile,
                 const std::string& symbol, store::DayNumber lastDay) {
    std::vector<std::uint8_t> bytes;
    update::SplitFields fields;
    for (const fs::path& file : update::CandidateFiles(directory)) {
        if (!platform::ReadWholeFile(file, bytes)) {
            continue;
        }
        platform::LinePieceReader reader(
            std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
            update::kLinePieceLimit);
        std::string_view piece;
        bool endsLine = false;
        while (reader.Next(piece, endsLine)) {
            const update::UpdateLine line = update::CleanPiece(piece, endsLine);
            if (update::LineNamesSymbol(line, profile, symbol)) {
                update::SplitLine(line, profile, fields);
                if (update::LineDate(fields, profile) > lastDay) {
                    return true;
                }
            }
        }
    }
    return false;
}

enum class FloorSync { kNone, kEachFile, kOncePerPortfolio };

// Reads the update files once and copies every data file that received a quote once: without
// syncs, with an fdatasync per file, or with one syncfs per portfolio before its renames.
double Floor(const Setup& setup, const std::vector<fs::path>& received, FloorSync sync) {
    const auto start = Clock::now();
    std::vector<std::uint8_t> bytes;
    for (const fs::path& file : update::CandidateFiles(setup.updates)) {
        if (!platform::ReadWholeFile(file, bytes)) {
            Fail("cannot read " + file.string());
        }
    }
    platform::FileSystem& system = platform::CurrentFileSystem();
    std::vector<fs::path> copied;
    const auto renameCopies = [&] {
        if (sync == FloorSync::kOncePerPortfolio && !copied.empty()) {
            const int directory = ::open(copied.front().parent_path().c_str(), O_RDONLY);
            if (directory < 0 || ::syncfs(directory) != 0) {
                Fail("cannot sync " + copied.front().parent_path().string());
            }
            ::close(directory);
        }
        for (const fs::path& file : copied) {
            if (!system.Rename(file.string() + ".floor", file)) {
                Fail("cannot rename " + file.string());
            }
        }
        copied.clear();
    };
    for (const fs::path& file : received) {
        if (!copied.empty() && copied.front().parent_path() != file.parent_path()) {
            renameCopies();
        }
        const fs::path copy = file.string() + ".floor";
        const int descriptor =
            platform::ReadWholeFile(file, bytes) ? system.CreateForWrite(copy) : -1;
        if (descriptor < 0 || !system.Write(descriptor, bytes.data(), bytes.size()) ||
            (sync == FloorSync::kEachFile && !system.Sync(descriptor)) ||
            !system.Close(descriptor)) {
            Fail("cannot copy " + file.string());
        }
        copied.push_back(file);
    }
    renameCopies();
    return Seconds(Clock::now() - start);
}

}  // namespace

int main(int argc, char** argv) {
    bench::ProgramName() = "ticksmith_update_bench";
    const bool quick = argc > 1 && std::string(argv[1]) == "--quick";
    const Size size = quick ? kQuick : kFull;
    std::cout << "Generating " << size.portfolios << " portfolios x " << size.symbols
              << " symbols x " << size.quotes << " quotes, " << size.files << " update files of "
              << size.lines << " lines..." << std::endl;
    const Setup setup = Generate(size);

    // Every data file's size before the run, to learn which received a quote.
    std::vector<std::pair<fs::path, std::uintmax_t>> before;
    for (const std::string& portfolio : setup.portfolios) {
        for (int s = 1; s <= size.symbols; ++s) {
            const fs::path file = fs::path(portfolio) / store::DataFileName(s);
            before.emplace_back(file, fs::file_size(file));
        }
    }

    // The indexed search alone: building the index and answering every symbol.
    const auto indexStart = Clock::now();
    update::UpdateDirectoryIndex index(setup.updates, setup.profile);
    int found = 0;        // symbols with a newer quote
    int foundQuotes = 0;  // every missing day of them
    for (const std::string& portfolio : setup.portfolios) {
        const int p = std::stoi(fs::path(portfolio).filename().string().substr(1));
        for (int s = 1; s <= size.symbols; ++s) {
            const std::size_t days =
                index.FindAllNewer(SymbolName(p, s), store::DayNumberFromYmd(2000, 1, 1)).size();
            found += days > 0 ? 1 : 0;
            foundQuotes += static_cast<int>(days);
        }
    }
    const double indexed = Seconds(Clock::now() - indexStart);

    // The plain search on a spread sample of symbols, scaled to all of them.
    const int total = size.portfolios * size.symbols;
    const auto plainStart = Clock::now();
    int plainFound = 0;
    for (int i = 0; i < size.plainSample; ++i) {
        const int n = static_cast<int>(static_cast<long long>(i) * total / size.plainSample);
        plainFound += PlainSearch(setup.updates, setup.profile,
                                  SymbolName(n / size.symbols + 1, n % size.symbols + 1), 1)
                          ? 1
                          : 0;
    }
    const double plain = Seconds(Clock::now() - plainStart) * total / size.plainSample;

    settings::ViewSettings view;
    view.workingDirectory = setup.work;
    CountingMessenger messenger;
    platform::ProgressSink progress;
    const auto runStart = Clock::now();
    update::UpdateResult result;
    {
        update::UpdateRun run(setup.work, setup.portfolios, view, "", progress, messenger);
        result = run.Run();
        if (!run.Started()) {
            Fail("the run did not start");
        }
    }
    const double runTime = Seconds(Clock::now() - runStart);
    const int added = result.quotesAdded;

    std::vector<fs::path> received;
    for (const auto& [file, bytes] : before) {
        if (fs::file_size(file) != bytes) {
            received.push_back(file);
        }
    }
    if (static_cast<int>(received.size()) != found || added == 0 || foundQuotes != added) {
        Fail("unexpected result: " + std::to_string(added) + " added, " +
             std::to_string(received.size()) + " files changed, " + std::to_string(foundQuotes) +
             " quotes of " + std::to_string(found) + " symbols found by the index");
    }
    const double floorEachFile = Floor(setup, received, FloorSync::kEachFile);
    const double floorPortfolio = Floor(setup, received, FloorSync::kOncePerPortfolio);
    const double floorUnsynced = Floor(setup, received, FloorSync::kNone);
    fs::remove_all(setup.root);

    std::printf("\n%-58s %10s %10s\n", "Update Quotes", "seconds", "ratio");
    std::printf("%-58s %10.3f\n", "run (every missing day of every symbol)", runTime);
    std::printf("%-58s %10.3f %9.2fx  (target 2x)\n",
                "floor: read updates once, copy received F<n>.DAT, no sync", floorUnsynced,
                runTime / floorUnsynced);
    std::printf("%-58s %10.3f %9.2fx  (target 1.2x)\n", "floor as above, one sync per portfolio",
                floorPortfolio, runTime / floorPortfolio);
    std::printf("%-58s %10.3f %9.2fx\n", "floor as above, an fdatasync per file", floorEachFile,
                runTime / floorEachFile);
    std::printf("%-58s %10.3f\n", "indexed search: build once, answer every symbol", indexed);
    std::printf("%-58s %10.3f %9.2fx  (target 20x)\n",
                "plain per-symbol search (scaled from sample)", plain, plain / indexed);
    std::printf("%-58s %10.3f %9.2fx\n", "run with the plain search instead (estimate)",
                runTime - indexed + plain, (runTime - indexed + plain) / runTime);
    std::printf("quotes added: %d of %d symbols; plain search found %d of %d sampled\n", added,
                total, plainFound, size.plainSample);
    return 0;
}
