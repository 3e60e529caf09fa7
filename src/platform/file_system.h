#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace ticksmith::platform {

namespace fs = std::filesystem;

// Every call that changes the disk goes through this interface, so that tests can make a
// write, flush, rename or remove fail (disk full, read-only directory) and check that
// nothing was lost. Reads go straight to the operating system.
class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // Creates a new file for writing in place of whatever had the name (a link is replaced,
    // not followed); returns a descriptor or -1.
    [[nodiscard]] virtual int CreateForWrite(const fs::path& path);
    // Writes all bytes or fails.
    [[nodiscard]] virtual bool Write(int descriptor, const void* data, std::size_t size);
    [[nodiscard]] virtual bool Sync(int descriptor);
    [[nodiscard]] virtual bool Close(int descriptor);
    // Replaces `to` with `from` in one step.
    [[nodiscard]] virtual bool Rename(const fs::path& from, const fs::path& to);
    [[nodiscard]] virtual bool Remove(const fs::path& path);
    [[nodiscard]] virtual bool CreateDirectory(const fs::path& path);
    // Removes an empty directory.
    [[nodiscard]] virtual bool RemoveDirectory(const fs::path& path);
    // Flushes a directory's entries (after a rename) to disk.
    [[nodiscard]] virtual bool SyncDirectory(const fs::path& directory);
};

// The file system every writer uses; tests swap it with ScopedFileSystem.
FileSystem& CurrentFileSystem();

class ScopedFileSystem {
  public:
    explicit ScopedFileSystem(FileSystem& replacement);
    ~ScopedFileSystem();
    ScopedFileSystem(const ScopedFileSystem&) = delete;
    ScopedFileSystem& operator=(const ScopedFileSystem&) = delete;

  private:
    FileSystem* m_previous;
};

// A read-only file opened by descriptor, closed on destruction.
class InputFile {
  public:
    InputFile() = default;
    explicit InputFile(const fs::path& path);
    ~InputFile();
    InputFile(InputFile&& other) noexcept;
    InputFile& operator=(InputFile&& other) noexcept;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    bool IsOpen() const { return m_descriptor >= 0; }
    // Size in bytes when it was opened; -1 when it is not open.
    std::int64_t Size() const;
    // Reads up to `size` bytes at `offset`; returns the count read (short at the end), -1 on error.
    [[nodiscard]] std::int64_t ReadAt(std::int64_t offset, void* data, std::size_t size) const;
    // Reads sequentially from the current position.
    [[nodiscard]] std::int64_t Read(void* data, std::size_t size);

  private:
    int m_descriptor = -1;
    std::int64_t m_size = -1;
};

// Reads a whole file; false when it cannot be opened or read, or is larger than `limit`.
[[nodiscard]] bool ReadWholeFile(const fs::path& path, std::vector<std::uint8_t>& bytes,
                                 std::size_t limit = static_cast<std::size_t>(1) << 30);

bool IsRegularFile(const fs::path& path);

// ": " and the system's reason for the call that just failed, as a person reads it; empty when
// it left none in errno. Callers clear errno before the call.
std::string LastErrorText();
bool IsDirectory(const fs::path& path);

}  // namespace ticksmith::platform
