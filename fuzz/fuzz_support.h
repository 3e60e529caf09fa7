#pragma once

// What the fuzz targets share: a private scratch directory per process, file helpers, the
// layout of each target's input (also used by the seed generator) and a failure report that
// libFuzzer records as a crash.

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/file_system.h"

namespace fuzzing {

namespace fs = std::filesystem;

using Bytes = std::vector<std::uint8_t>;

// Checks a property that must hold for every input; abort() makes libFuzzer keep the input.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)

// ---- Input layouts -------------------------------------------------------------------------

// fuzz_master: [flags] [MASTER bytes] optionally followed by kSubMasterMarker and the bytes of
// the MASTER of the first sub-directory that the main MASTER names.
namespace master_input {
inline constexpr std::uint8_t kHasSubdirectory = 1 << 0;
// The sub-directory is a symbolic link back to the portfolio: a cycle the search must survive.
inline constexpr std::uint8_t kSubdirectoryIsCycle = 1 << 1;
inline constexpr std::uint8_t kLowerCaseNames = 1 << 2;
inline constexpr std::string_view kSubMasterMarker = "\n#SUBMASTER#\n";
}  // namespace master_input

// fuzz_quote_files: [record length] [flags] [DOP length, 2 bytes LE] [DOP text] [DAT bytes]
namespace quote_input {
inline constexpr std::uint8_t kNoDop = 1 << 0;
inline constexpr std::uint8_t kLowerCaseNames = 1 << 1;
inline constexpr std::uint8_t kNoDat = 1 << 2;
// Bits 3 and 4 choose the series capacity.
inline constexpr int kCapacityShift = 3;
inline constexpr int kCapacities[4] = {16000, 10, 0, 1};
inline constexpr std::size_t kHeaderSize = 4;
}  // namespace quote_input

// fuzz_date_text: [separator] [day number, 2 bytes LE] [text]
namespace date_input {
inline constexpr std::size_t kHeaderSize = 3;
}

// ---- Files ---------------------------------------------------------------------------------

inline void WriteFile(const fs::path& path, const void* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    FUZZ_CHECK(out.good());
}

inline void WriteFile(const fs::path& path, const Bytes& bytes) {
    WriteFile(path, bytes.data(), bytes.size());
}

inline Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every name below `directory`, relative to it, without following links.
inline std::vector<std::string> Tree(const fs::path& directory) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::recursive_directory_iterator it(directory, error), end; !error && it != end;
         it.increment(error)) {
        names.push_back(it->path().lexically_relative(directory).string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Durability is not under test; without fsync the targets run several times faster.
class NoSyncFileSystem : public ticksmith::platform::FileSystem {
  public:
    bool Sync(int /*descriptor*/) override { return true; }
    bool SyncDirectory(const fs::path& /*directory*/) override { return true; }
};

// One directory per process (in memory when /dev/shm is there), emptied for every input.
class Scratch {
  public:
    static Scratch& Instance() {
        static Scratch scratch;
        return scratch;
    }

    // A fresh, empty directory for the current input.
    const fs::path& NewCase() {
        std::error_code ignored;
        fs::remove_all(m_case, ignored);
        fs::create_directory(m_case);
        return m_case;
    }

    // Nothing may appear beside the case directory.
    void CheckNothingStrayed() const { FUZZ_CHECK(Tree(m_root).size() == 1 + Tree(m_case).size()); }

    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

  private:
    // TICKSMITH_FUZZ_SCRATCH names the parent; a crashed run leaves its directory there.
    static fs::path Parent() {
        if (const char* chosen = std::getenv("TICKSMITH_FUZZ_SCRATCH"); chosen && *chosen) {
            return chosen;
        }
        const fs::path shm = "/dev/shm";
        return ::access(shm.c_str(), W_OK) == 0 ? shm : fs::temp_directory_path();
    }

    Scratch() {
        const fs::path parent = Parent();
        std::string pattern = (parent / "ticksmith-fuzz-XXXXXX").string();
        FUZZ_CHECK(::mkdtemp(pattern.data()) != nullptr);
        m_root = pattern;
        m_case = m_root / "case";
        static NoSyncFileSystem noSync;
        static ticksmith::platform::ScopedFileSystem scoped(noSync);
    }

    ~Scratch() {
        std::error_code ignored;
        fs::remove_all(m_root, ignored);
    }

    fs::path m_root;
    fs::path m_case;
};

}  // namespace fuzzing
