#pragma once

// What every benchmark program needs besides its own work: timing, a way out on failure,
// file writing, a file system that skips syncs, and a messenger for generated data.

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "platform/messenger.h"

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
