#pragma once

#include <archive.h>
#include <archive_entry.h>
#include <sys/stat.h>

#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli.h"
#include "cli_support.h"
#include "platform/messenger.h"
#include "profiles/profile.h"
#include "test_support.h"

namespace ticksmith::test {

struct ZipEntry {
    ZipEntry(std::string entryName, std::string entryData, unsigned entryType = AE_IFREG,
             std::string linkTarget = {})
        : name(std::move(entryName)),
          data(std::move(entryData)),
          type(entryType),
          link(std::move(linkTarget)) {}
    std::string name;
    std::string data;
    unsigned type;
    std::string link;  // a symlink's target
};

// A ZIP made by libarchive; `options` such as "zip:encryption=aes256" need a password.
inline std::string MakeZip(const std::vector<ZipEntry>& entries, const char* options = nullptr,
                           const char* password = nullptr) {
    std::string out;
    archive* writer = archive_write_new();
    archive_write_set_format_zip(writer);
    archive_write_set_bytes_in_last_block(writer, 1);
    if (options != nullptr) {
        EXPECT_EQ(archive_write_set_options(writer, options), ARCHIVE_OK);
    }
    if (password != nullptr) {
        archive_write_set_passphrase(writer, password);
    }
    const auto append = [](archive*, void* buffer, const void* data, std::size_t size) {
        static_cast<std::string*>(buffer)->append(static_cast<const char*>(data), size);
        return static_cast<la_ssize_t>(size);
    };
    archive_write_open(writer, &out, nullptr, append, nullptr);
    for (const ZipEntry& item : entries) {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, item.name.c_str());
        archive_entry_set_filetype(entry, item.type);
        archive_entry_set_perm(entry, 0644);
        if (item.type == AE_IFLNK) {
            archive_entry_set_symlink(entry, item.link.c_str());
        } else {
            archive_entry_set_size(entry, static_cast<la_int64_t>(item.data.size()));
        }
        EXPECT_EQ(archive_write_header(writer, entry), ARCHIVE_OK) << item.name;
        if (!item.data.empty()) {
            archive_write_data(writer, item.data.data(), item.data.size());
        }
        archive_entry_free(entry);
    }
    archive_write_close(writer);
    archive_write_free(writer);
    return out;
}

// Gives the central directory entry `name` a Unix mode of another file type (a FIFO, a
// device), which the ZIP writer would not write.
inline void SetStoredMode(std::string& zip, std::string_view name, unsigned mode) {
    for (std::size_t at = zip.find("PK\x01\x02"); at != std::string::npos;
         at = zip.find("PK\x01\x02", at + 4)) {
        const auto u16 = [&](std::size_t offset) {
            return static_cast<unsigned char>(zip[at + offset]) |
                   static_cast<unsigned char>(zip[at + offset + 1]) << 8;
        };
        if (zip.compare(at + 46, static_cast<std::size_t>(u16(28)), name) == 0) {
            zip[at + 5] = 3;  // made on Unix: the mode is read
            zip[at + 40] = static_cast<char>(mode & 0xFF);
            zip[at + 41] = static_cast<char>(mode >> 8);
            return;
        }
    }
    ADD_FAILURE() << name << " is not in the archive";
}

inline void WriteText(const fs::path& path, std::string_view text) {
    WriteBytes(path, text);
}

inline std::string ReadText(const fs::path& path) {
    const Bytes bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

class RecordingMessenger : public platform::Messenger {
  public:
    void Show(std::string_view text, platform::MessageIcon) override { shown.emplace_back(text); }
    bool AskYesNo(std::string_view, platform::MessageIcon) override { return false; }
    bool AskOkCancel(std::string_view, platform::MessageIcon) override { return false; }
    void Play(platform::Sound) override {}
    std::vector<std::string> shown;
};

// A profile reading "SYMBOL<d>DATE<d>CLOSE" lines from `directory`.
inline void WriteTestProfile(const fs::path& workingDirectory, const std::string& name,
                             const fs::path& directory, int delimiter = 0, int dateFormat = 3) {
    profiles::Profile profile;
    profile.symbolColumn = 1;
    profile.dateColumn = 2;
    profile.closeColumn = 3;
    profile.dateFormat = static_cast<std::uint8_t>(dateFormat);
    profile.delimiter = static_cast<std::uint8_t>(delimiter);
    profile.updateDirectory = directory.string();
    RecordingMessenger messenger;
    ASSERT_TRUE(profiles::WriteProfile(workingDirectory, name, profile, messenger));
}

}  // namespace ticksmith::test
