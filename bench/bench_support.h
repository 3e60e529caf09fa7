#pragma once

// What every benchmark program needs besides its own work: timing, a way out on failure,
// file writing (portfolio files too), a file system that skips syncs, and a messenger for
// generated data.

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "platform/little_endian.h"
#include "platform/messenger.h"
#include "store/master.h"
#include "store/quotes.h"

namespace ticksmith::bench {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

// The program's name in its failure messages; each main sets it first.
inline std::string& ProgramName() {
    static std::string name = "ticksmith bench";
    return name;
}

[[noreturn]] inline void Fail(const std::string& message) {
    std::cerr << ProgramName() << ": " << message << '\n';
    std::exit(EXIT_FAILURE);
}

inline void WriteFile(const fs::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        Fail("cannot write " + path.string());
    }
}

// A symbol's F<n>.DAT holding `quotes`, oldest first, in the standard fields, and its
// F<n>.DOP; written directly, since a set-up is not what is measured.
inline void WriteSymbolFiles(const fs::path& directory, int fileNumber,
                             const std::vector<store::Quote>& quotes) {
    const store::FieldLayout layout = store::LayoutOf(store::kStandardFields);
    const auto length = static_cast<std::size_t>(4 * layout.PresentFields());
    std::string data(length * (quotes.size() + 1), '\0');
    auto* bytes = reinterpret_cast<std::uint8_t*>(data.data());
    platform::WriteU16(bytes + 2, static_cast<std::uint16_t>(quotes.size() + 1));
    for (std::size_t i = 0; i < quotes.size(); ++i) {
        store::EncodeQuote(quotes[i], layout, bytes + length * (i + 1), static_cast<int>(length));
    }
    WriteFile(directory / store::DataFileName(fileNumber), data);
    WriteFile(directory / store::DopFileName(fileNumber), store::DopText(store::kStandardFields));
}

// A MASTER holding `records`, its header counting them.
inline void WriteMasterFile(const fs::path& directory,
                            const std::vector<store::MasterRecord>& records) {
    std::string master(store::kMasterRecordSize * (records.size() + 1), '\0');
    auto* bytes = reinterpret_cast<std::uint8_t*>(master.data());
    platform::WriteI16(bytes, static_cast<std::int16_t>(records.size()));
    platform::WriteI16(bytes + 2, static_cast<std::int16_t>(records.size()));
    for (std::size_t i = 0; i < records.size(); ++i) {
        store::EncodeMasterRecord(records[i], bytes + store::kMasterRecordSize * (i + 1));
    }
    WriteFile(directory / "MASTER", master);
}

// Generated set-ups need no durability; skipping their syncs keeps them quick.
class NoSyncFileSystem : public platform::FileSystem {
  public:
    bool Sync(int) override { return true; }
    bool SyncDirectory(const fs::path&) override { return true; }
};

// Generated data gives no reason for a message: any message ends the benchmark. Questions get
// the answer given.
class StrictMessenger : public platform::Messenger {
  public:
    explicit StrictMessenger(bool answer = false) : m_answer(answer) {}
    void Show(std::string_view text, platform::MessageIcon) override {
        Fail("unexpected message: " + std::string(text));
    }
    bool AskYesNo(std::string_view, platform::MessageIcon) override { return m_answer; }
    bool AskOkCancel(std::string_view, platform::MessageIcon) override { return m_answer; }
    void Play(platform::Sound) override {}

  private:
    bool m_answer;
};

}  // namespace ticksmith::bench
