#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// What the update run and its archiver (tools/pkunzip) agree on.
namespace ticksmith::update {

namespace fs = std::filesystem;

// How much unpacking may write: at most `totalBytes`, and at most `ratio` times the archives'
// own size, except that archives may always unpack to `floorBytes`.
struct ExtractionLimits {
    std::int64_t totalBytes = std::int64_t{1} << 30;
    std::int64_t ratio = 1000;
    std::int64_t floorBytes = std::int64_t{1} << 20;

    std::int64_t AllowanceFor(std::int64_t archiveBytes) const;
};

inline constexpr std::string_view kArchiverName = "pkunzip";

// Where the archiver is started from: in `pkunzipPath`, or, when that is empty, the default
// archiver of the running program (DefaultArchiverFor).
fs::path ArchiverProgramIn(const std::string& pkunzipPath);

// The archiver that goes with a program in `programDirectory`: beside it, as in a build
// directory, or else in the private directory an installed package keeps it in (under
// libexec, reached from the programs' directory so that no PATH is consulted).
fs::path DefaultArchiverFor(const fs::path& programDirectory);

// The archiver's option that caps what it may write, followed by the byte count.
inline constexpr std::string_view kBudgetOption = "-b";

// The private directory, inside the target directory, where the archiver with process id `id`
// unpacks before it moves the files into place. Its leading dot keeps it out of every listing.
std::string ScratchDirectoryName(long id);
// Removes a scratch directory and whatever the archiver left in it; true when it is gone.
[[nodiscard]] bool RemoveScratchDirectory(const fs::path& directory);

// The archiver's last line of output after a success, and its reading.
std::string UnpackedReport(std::int64_t bytes);
[[nodiscard]] std::optional<std::int64_t> ReadUnpackedReport(std::string_view line);

}  // namespace ticksmith::update
