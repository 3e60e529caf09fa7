#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "platform/file_system.h"
#include "test_support.h"

namespace ticksmith::update_test {

namespace fs = std::filesystem;

inline constexpr int kDied = 77;

// Ends the process at its N-th change to the disk, as a kill would; a write that dies leaves
// half its bytes. Syncs only guard against power loss, so they are counted but skipped.
class DyingFileSystem : public platform::FileSystem {
  public:
    explicit DyingFileSystem(int dieAt) : m_dieAt(dieAt) {}
    int Calls() const { return m_calls; }

    int CreateForWrite(const fs::path& path) override {
        return Step() ? FileSystem::CreateForWrite(path) : -1;
    }
    bool Write(int descriptor, const void* data, std::size_t size) override {
        if (m_calls == m_dieAt) {
            static_cast<void>(FileSystem::Write(descriptor, data, size / 2));  // dies anyway
        }
        Step();
        return FileSystem::Write(descriptor, data, size);
    }
    bool Sync(int) override { return Step(); }
    bool Close(int descriptor) override { return Step() && FileSystem::Close(descriptor); }
    bool Rename(const fs::path& from, const fs::path& to) override {
        return Step() && FileSystem::Rename(from, to);
    }
    bool Remove(const fs::path& path) override { return Step() && FileSystem::Remove(path); }
    bool CreateDirectory(const fs::path& path) override {
        return Step() && FileSystem::CreateDirectory(path);
    }
    bool SyncDirectory(const fs::path&) override { return Step(); }

  private:
    bool Step() {
        if (m_calls++ == m_dieAt) {
            ::_exit(kDied);
        }
        return true;
    }
    int m_dieAt;
    int m_calls = 0;
};

// Runs `command` in a child that dies at its `dieAt`-th change to the disk; returns the child's
// wait status.
inline int StatusOfRunDyingAt(int dieAt, const std::function<void()>& command) {
    const pid_t child = ::fork();
    if (child == 0) {
        DyingFileSystem dying(dieAt);
        platform::ScopedFileSystem scope(dying);
        command();
        ::_exit(0);
    }
    int status = 0;
    EXPECT_EQ(::waitpid(child, &status, 0), child);
    return status;
}

// Runs `command` uninterrupted on a fresh copy (then `finished` looks at the result), and once
// more, in a child killed there, for each of its changes to the disk; `check` looks at what
// each kill left. Returns the number of kill points.
template <typename Command, typename Finished, typename Check>
int KillAtEveryChange(const std::function<void()>& reset, Command command, Finished finished,
                      Check check) {
    reset();
    DyingFileSystem counter(-1);
    {
        platform::ScopedFileSystem scope(counter);
        command();
    }
    finished();
    for (int dieAt = 0; dieAt < counter.Calls() && !::testing::Test::HasFailure(); ++dieAt) {
        SCOPED_TRACE("dies at change " + std::to_string(dieAt));
        reset();
        const int status = StatusOfRunDyingAt(dieAt, command);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == kDied) << status;
        check();
    }
    return counter.Calls();
}

}  // namespace ticksmith::update_test
