#pragma once

// What the window benchmarks share: medians of timed runs, a portfolio of identical series,
// the settings of a window whose scan keeps to one tree, and a dialog seam for generated data.

#include <QMessageBox>
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/dialog_seam.h"
#include "bench_support.h"
#include "platform/names.h"
#include "platform/volumes.h"
#include "settings/setting_keys.h"
#include "settings/settings_store.h"
#include "settings/view_settings.h"

namespace ticksmith::bench {

inline double Milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

template <typename Work>
double MedianMilliseconds(int runs, Work work) {
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const auto start = Clock::now();
        work();
        times.push_back(Milliseconds(Clock::now() - start));
    }
    return Median(times);
}

// A portfolio of `symbols` symbols, named by `symbolName(number)`, each holding `series`.
template <typename SymbolName>
void WriteUniformPortfolio(const fs::path& directory, int symbols,
                           const std::vector<store::Quote>& series, SymbolName symbolName) {
    fs::create_directories(directory);
    std::vector<store::MasterRecord> records;
    for (int s = 1; s <= symbols; ++s) {
        store::MasterRecord record = store::NewMasterRecord(symbolName(s), "BENCH CORP", 7);
        record.fileNumber = static_cast<std::uint8_t>(s);
        record.firstDate = store::FileDateFromDayNumber(series.front().date);
        record.lastDate = store::FileDateFromDayNumber(series.back().date);
        records.push_back(record);
        WriteSymbolFiles(directory, s, series);
    }
    WriteMasterFile(directory, records);
}

// The drive box offers mount points only: the tree's own mount point with the filter set to
// the tree keeps the walk to that tree.
inline settings::ViewSettings TreeSettings(const fs::path& root, settings::SettingsStore& store) {
    settings::Write(store, settings::keys::kDrive, platform::VolumeRoot(root).string());
    settings::ViewSettings view;
    view.workingDirectory = root;
    view.searchLimit = true;
    view.searchName = root.string();
    view.searchFilter = platform::ToUpperAscii(root.string());
    view.displayRecent = true;
    view.soundDisable = true;
    return view;
}

// Generated data gives no reason for a message box or dialog: any ends the benchmark.
class StrictDialogs : public app::DialogSeam {
  public:
    QMessageBox::StandardButton Message(QWidget*, QMessageBox::Icon, const QString&,
                                        const QString& text, QMessageBox::StandardButtons,
                                        QMessageBox::StandardButton) override {
        Fail("unexpected message: " + text.toStdString());
    }
    int Exec(QDialog&) override { Fail("unexpected dialog"); }
};

}  // namespace ticksmith::bench
