// The archiver the update run starts for ZIP and self-extracting update files:
//   pkunzip ARCHIVE -o [-sPASSWORD] [-bBYTES]
// Unpacks every file of the archive into the current directory, overwriting existing files.
// The files appear only once the whole archive has been unpacked, in a private folder beside
// them, so a killed or failed run leaves no half-written file where update files are read.
// -b caps the bytes written (the run's budget across nested archives); a success ends with
// the count written on standard output.
// Stored folders are dropped, as the classic tool did without -d. A self-extracting archive
// is read as the ZIP behind its program stub and never executed. Nothing is written unless
// every entry is a plain file or folder with a name that stays inside the directory, and the
// whole stays within the size limits, so a hostile archive cannot escape or fill the disk.
#include <archive.h>
#include <archive_entry.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "platform/names.h"
#include "platform/safe_replace.h"
#include "update/archiver.h"

namespace {

namespace fs = std::filesystem;
using ticksmith::update::ExtractionLimits;

constexpr std::string_view kUsage = "usage: pkunzip ARCHIVE -o [-sPASSWORD] [-bBYTES]\n";

struct Options {
    std::string archive;
    std::string password;
    bool hasPassword = false;
    std::int64_t budget = ExtractionLimits().totalBytes;
};

// Removes the private folder, and whatever is in it, unless the files were all moved out.
class ScratchDirectory {
  public:
    ScratchDirectory() : m_path(ticksmith::update::ScratchDirectoryName(::getpid())) {}
    ~ScratchDirectory() {
        if (m_created) {
            // Best effort: a folder left behind is hidden from every listing, and the next
            // archiver of this id clears it before it unpacks.
            static_cast<void>(ticksmith::update::RemoveScratchDirectory(m_path));
        }
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    bool Create() {
        auto& system = ticksmith::platform::CurrentFileSystem();
        // One left by an earlier process of the same id holds nothing anyone wants.
        m_created =
            system.CreateDirectory(m_path) ||
            (ticksmith::update::RemoveScratchDirectory(m_path) && system.CreateDirectory(m_path));
        return m_created;
    }
    const fs::path& Path() const { return m_path; }

  private:
    fs::path m_path;
    bool m_created = false;
};

struct ArchiveCloser {
    void operator()(archive* handle) const { archive_read_free(handle); }
};
using ArchiveReader = std::unique_ptr<archive, ArchiveCloser>;

// One-line reasons on stderr; the caller exits non-zero.
int Fail(std::string_view reason) {
    std::cerr << "pkunzip: " << reason << '\n';
    return 1;
}

ArchiveReader OpenArchive(const Options& options, std::string& error) {
    ArchiveReader reader(archive_read_new());
    // The seekable reader finds the central directory behind a self-extractor's stub.
    archive_read_support_format_zip_seekable(reader.get());
    if (options.hasPassword) {
        archive_read_add_passphrase(reader.get(), options.password.c_str());
    }
    if (archive_read_open_filename(reader.get(), options.archive.c_str(), 1 << 16) != ARCHIVE_OK) {
        error = std::string("cannot read ") + options.archive + ": " +
                archive_error_string(reader.get());
        return nullptr;
    }
    return reader;
}

// The file name an entry is unpacked under; empty for a folder. False for an entry that
// must not be unpacked at all.
bool CheckEntry(archive_entry* entry, std::string& name, std::string& error) {
    const char* path = archive_entry_pathname(entry);
    const std::string text = path != nullptr ? path : "";
    const auto type = archive_entry_filetype(entry);
    if (archive_entry_hardlink(entry) != nullptr || archive_entry_symlink(entry) != nullptr ||
        (type != AE_IFREG && type != AE_IFDIR)) {
        error = "refusing " + text + ": not a plain file";
        return false;
    }
    if (text.empty() || text.front() == '/' || text.front() == '\\' ||
        (text.size() > 1 && text[1] == ':')) {
        error = "refusing " + text + ": absolute path";
        return false;
    }
    std::string component;
    std::vector<std::string> components;
    for (char c : text + "/") {
        if (c == '/' || c == '\\') {
            if (component == "..") {
                error = "refusing " + text + ": it leads out of the directory";
                return false;
            }
            if (!component.empty() && component != ".") {
                components.push_back(component);
            }
            component.clear();
        } else {
            component += c;
        }
    }
    name = type == AE_IFDIR || components.empty() ? std::string() : components.back();
    if (!name.empty() && !ticksmith::platform::IsPlainName(name)) {
        error = "refusing " + text + ": not a usable file name";
        return false;
    }
    return true;
}

// Reads every header once: refuses the whole archive before anything is written.
bool CheckArchive(const Options& options, std::int64_t limit, std::string& error) {
    ArchiveReader reader = OpenArchive(options, error);
    if (!reader) {
        return false;
    }
    std::int64_t declared = 0;
    archive_entry* entry = nullptr;
    int status;
    while ((status = archive_read_next_header(reader.get(), &entry)) == ARCHIVE_OK) {
        std::string name;
        if (!CheckEntry(entry, name, error)) {
            return false;
        }
        if (archive_entry_size_is_set(entry) != 0) {
            declared += archive_entry_size(entry);
        }
    }
    if (status != ARCHIVE_EOF) {
        error = std::string("damaged archive: ") + archive_error_string(reader.get());
        return false;
    }
    if (declared > limit) {
        error = "refusing the archive: it would unpack to " + std::to_string(declared) + " bytes";
        return false;
    }
    return true;
}

// Moves the unpacked files over those of the current directory, keeping an existing spelling.
bool MoveIntoPlace(const std::set<fs::path>& files, std::string& error) {
    auto& system = ticksmith::platform::CurrentFileSystem();
    for (const fs::path& file : files) {
        const std::string name = file.filename().string();
        if (!system.Rename(file, ticksmith::platform::ResolveEntry(".", name))) {
            error = "cannot move " + name + " into place";
            return false;
        }
    }
    // The files are in place; the sync only hardens the renames against a power cut.
    static_cast<void>(system.SyncDirectory("."));
    return true;
}

int Extract(const Options& options, std::int64_t limit) {
    std::string error;
    ArchiveReader reader = OpenArchive(options, error);
    if (!reader) {
        return Fail(error);
    }
    ScratchDirectory scratch;
    if (!scratch.Create()) {
        return Fail("cannot create " + scratch.Path().string());
    }
    std::set<fs::path> unpacked;
    std::int64_t total = 0;
    std::vector<char> buffer(1 << 16);
    archive_entry* entry = nullptr;
    int status;
    while ((status = archive_read_next_header(reader.get(), &entry)) == ARCHIVE_OK) {
        std::string name;
        if (!CheckEntry(entry, name, error)) {
            return Fail(error);
        }
        if (name.empty()) {
            continue;
        }
        ticksmith::platform::ReplacementFile file(scratch.Path(), name, name + ".tmp");
        // The directory that matters is synced once, after the moves.
        file.DeferDirectorySync();
        if (!file.Open()) {
            return Fail("cannot create " + name);
        }
        for (;;) {
            const la_ssize_t got = archive_read_data(reader.get(), buffer.data(), buffer.size());
            if (got < 0) {
                return Fail(std::string("cannot unpack ") + name + ": " +
                            archive_error_string(reader.get()));
            }
            if (got == 0) {
                break;
            }
            total += got;
            if (total > limit) {
                return Fail("refusing the archive: it unpacks to more than " +
                            std::to_string(limit) + " bytes");
            }
            if (!file.Write(buffer.data(), static_cast<std::size_t>(got))) {
                return Fail("cannot write " + name);
            }
        }
        if (!file.Commit()) {
            return Fail("cannot write " + name);
        }
        unpacked.insert(file.TargetPath());
    }
    if (status != ARCHIVE_EOF) {
        return Fail(std::string("damaged archive: ") + archive_error_string(reader.get()));
    }
    if (!MoveIntoPlace(unpacked, error)) {
        return Fail(error);
    }
    std::cout << ticksmith::update::UnpackedReport(total) << '\n';
    return 0;
}

bool ReadBudget(std::string_view text, std::int64_t& budget) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), budget);
    return !text.empty() && error == std::errc() && end == text.data() + text.size() && budget >= 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument(argv[i]);
        if (argument == "-o") {
            continue;  // existing files are always overwritten
        }
        if (argument.substr(0, 2) == "-s") {
            options.password = std::string(argument.substr(2));
            options.hasPassword = true;
        } else if (argument.substr(0, 2) == ticksmith::update::kBudgetOption) {
            if (!ReadBudget(argument.substr(2), options.budget)) {
                std::cerr << kUsage;
                return 2;
            }
        } else if (options.archive.empty() && !argument.empty() && argument.front() != '-') {
            options.archive = std::string(argument);
        } else {
            std::cerr << kUsage;
            return 2;
        }
    }
    if (options.archive.empty()) {
        std::cerr << kUsage;
        return 2;
    }
    // The update run names the archive in upper case; the file may be spelt otherwise.
    const fs::path found = ticksmith::platform::ResolveEntry(".", options.archive);
    if (options.archive.find('/') == std::string::npos) {
        options.archive = found.string();
    }
    struct stat info {};
    if (::stat(options.archive.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return Fail("cannot open " + options.archive);
    }
    const std::int64_t limit =
        std::min(ExtractionLimits().AllowanceFor(info.st_size), options.budget);
    std::string error;
    if (!CheckArchive(options, limit, error)) {
        return Fail(error);
    }
    return Extract(options, limit);
}
