#include "update/archiver.h"

#include <algorithm>
#include <charconv>
#include <system_error>

#include "platform/child_process.h"
#include "platform/file_system.h"
#include "platform/names.h"

namespace ticksmith::update {

namespace {
constexpr std::string_view kUnpacked = "unpacked ";
constexpr std::string_view kBytes = " bytes";
}  // namespace

std::int64_t ExtractionLimits::AllowanceFor(std::int64_t archiveBytes) const {
    const std::int64_t byRatio = archiveBytes > totalBytes / std::max<std::int64_t>(ratio, 1)
                                     ? totalBytes
                                     : archiveBytes * ratio;
    return std::min(totalBytes, std::max(floorBytes, byRatio));
}

std::string ScratchDirectoryName(long id) {
    return ".pkunzip." + std::to_string(id);
}

bool RemoveScratchDirectory(const fs::path& directory) {
    std::error_code error;
    if (!fs::is_directory(fs::symlink_status(directory, error))) {
        return !fs::exists(fs::symlink_status(directory, error));
    }
    // The archiver writes only plain files there, never folders.
    for (const fs::directory_entry& entry : fs::directory_iterator(directory, error)) {
        // A file that stays keeps the folder, whose removal below then reports it.
        static_cast<void>(platform::CurrentFileSystem().Remove(entry.path()));
    }
    return platform::CurrentFileSystem().RemoveDirectory(directory);
}

std::string UnpackedReport(std::int64_t bytes) {
    return std::string(kUnpacked) + std::to_string(bytes) + std::string(kBytes);
}

std::optional<std::int64_t> ReadUnpackedReport(std::string_view line) {
    if (line.substr(0, kUnpacked.size()) != kUnpacked ||
        line.size() < kUnpacked.size() + kBytes.size() ||
        line.substr(line.size() - kBytes.size()) != kBytes) {
        return std::nullopt;
    }
    const std::string_view digits =
        line.substr(kUnpacked.size(), line.size() - kUnpacked.size() - kBytes.size());
    std::int64_t bytes = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), bytes);
    if (error != std::errc() || end != digits.data() + digits.size() || bytes < 0) {
        return std::nullopt;
    }
    return bytes;
}

fs::path DefaultArchiverFor(const fs::path& programDirectory) {
    if (const auto beside = platform::FindEntry(programDirectory, kArchiverName)) {
        return *beside;
    }
    const fs::path installed =
        (programDirectory / TICKSMITH_ARCHIVER_FROM_BINDIR).lexically_normal();
    if (const auto found = platform::FindEntry(installed, kArchiverName)) {
        return *found;
    }
    return programDirectory / kArchiverName;
}

fs::path ArchiverProgramIn(const std::string& pkunzipPath) {
    if (pkunzipPath.empty()) {
        return DefaultArchiverFor(platform::ExecutableDirectory());
    }
    return platform::ResolveEntry(pkunzipPath, kArchiverName);
}

}  // namespace ticksmith::update
