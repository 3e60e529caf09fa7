// The archiver the update run starts for ZIP and self-extracting update files:
//   pkunzip ARCHIVE -o [-sPASSWORD]
// Unpacks every file of the archive into the current directory, overwriting existing files.
// Stored folders are dropped, as the classic tool did without -d. A self-extracting archive
// is read as the ZIP behind its program stub and never executed. Nothing is written unless
// every entry is a plain file or folder with a name that stays inside the directory, and the
// whole stays within the size limits, so a hostile archive cannot escape or fill the disk.
#include <archive.h>
#include <archive_entry.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "platform/names.h"
#include "platform/safe_replace.h"

namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kMaxTotalBytes = std::int64_t{1} << 30;
constexpr std::int64_t kMaxRatio = 1000;
// Archives smaller than this may expand up to it whatever their ratio.
constexpr std::int64_t kRatioFloor = std::int64_t{1} << 20;

struct Options {
    std::string archive;
    std::string password;
    bool hasPassword = false;
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
bool CheckArchive(const Options& options, std::int64_t archiveSize, std::string& error) {
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
    if (declared > kMaxTotalBytes ||
        (declared > kRatioFloor && declared / std::max<std::int64_t>(archiveSize, 1) > kMaxRatio)) {
        error = "refusing the archive: it would unpack to " + std::to_string(declared) + " bytes";
        return false;
    }
    return true;
}

int Extract(const Options& options, std::int64_t archiveSize) {
    std::string error;
    ArchiveReader reader = OpenArchive(options, error);
    if (!reader) {
        return Fail(error);
    }
    const std::int64_t limit =
        std::min(kMaxTotalBytes, std::max(kRatioFloor, archiveSize * kMaxRatio));
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
        ticksmith::platform::ReplacementFile file(".", name, name + ".tmp");
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
    }
    if (status != ARCHIVE_EOF) {
        return Fail(std::string("damaged archive: ") + archive_error_string(reader.get()));
    }
    return 0;
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
        } else if (options.archive.empty() && !argument.empty() && argument.front() != '-') {
            options.archive = std::string(argument);
        } else {
            std::cerr << "usage: pkunzip ARCHIVE -o [-sPASSWORD]\n";
            return 2;
        }
    }
    if (options.archive.empty()) {
        std::cerr << "usage: pkunzip ARCHIVE -o [-sPASSWORD]\n";
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
    std::string error;
    if (!CheckArchive(options, info.st_size, error)) {
        return Fail(error);
    }
    return Extract(options, info.st_size);
}
