#include "platform/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>

extern char** environ;

namespace ticksmith::platform {

namespace {

// Enough for the reasons a program gives; a chattering child cannot fill the parent's memory.
constexpr std::size_t kKeptOutput = 4096;

}  // namespace

ChildProcess::~ChildProcess() {
    if (m_pid > 0) {
        (void)Wait(std::chrono::milliseconds(0));
    }
    CloseStreams();
}

bool ChildProcess::Start(const std::filesystem::path& program,
                         const std::vector<std::string>& arguments,
                         const std::filesystem::path& directory) {
    std::vector<std::string> all;
    all.push_back(program.string());
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : all) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    CloseStreams();
    int pipes[2][2] = {{-1, -1}, {-1, -1}};
    const auto closePipes = [&] {
        for (auto& ends : pipes) {
            for (int& end : ends) {
                if (end >= 0) {
                    ::close(end);
                    end = -1;
                }
            }
        }
    };
    for (auto& ends : pipes) {
        if (::pipe2(ends, O_CLOEXEC) != 0) {
            closePipes();
            return false;
        }
        ::fcntl(ends[0], F_SETFL, O_NONBLOCK);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipes[0][1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipes[1][1], STDERR_FILENO);
    posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // The child gets default signal handling and its own process group, so that a kill at the
    // time limit reaches anything it started.
    sigset_t defaults;
    sigfillset(&defaults);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
    pid_t pid = -1;
    const int error =
        posix_spawn(&pid, all.front().c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {
        closePipes();
        return false;
    }
    for (int stream = 0; stream < 2; ++stream) {
        ::close(pipes[stream][1]);
        m_output[stream].descriptor = pipes[stream][0];
    }
    m_pid = pid;
    m_startedId = pid;
    return true;
}

void ChildProcess::Pump(std::chrono::milliseconds pause) {
    pollfd waiting[2];
    Stream* streams[2];
    nfds_t count = 0;
    for (Stream& stream : m_output) {
        if (stream.descriptor >= 0) {
            waiting[count] = {stream.descriptor, POLLIN, 0};
            streams[count++] = &stream;
        }
    }
    if (count == 0) {
        std::this_thread::sleep_for(pause);
        return;
    }
    if (::poll(waiting, count, static_cast<int>(pause.count())) <= 0) {
        return;
    }
    char buffer[4096];
    for (nfds_t i = 0; i < count; ++i) {
        if (waiting[i].revents == 0) {
            continue;
        }
        Stream& stream = *streams[i];
        const ssize_t got = ::read(stream.descriptor, buffer, sizeof buffer);
        if (got > 0) {
            stream.text.append(buffer, static_cast<std::size_t>(got));
            if (stream.text.size() > kKeptOutput) {
                stream.text.erase(0, stream.text.size() - kKeptOutput);
            }
        } else if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
            ::close(stream.descriptor);
            stream.descriptor = -1;
        }
    }
}

void ChildProcess::Drain() {
    // What the child wrote before it ended; bounded, since something it started may write on.
    for (int round = 0; round < 64; ++round) {
        Pump(std::chrono::milliseconds(0));
    }
    CloseStreams();
}

void ChildProcess::CloseStreams() {
    for (Stream& stream : m_output) {
        if (stream.descriptor >= 0) {
            ::close(stream.descriptor);
            stream.descriptor = -1;
        }
    }
}

std::optional<int> ChildProcess::Wait(std::chrono::milliseconds limit) {
    if (m_pid <= 0) {
        return std::nullopt;
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(m_pid, &status, WNOHANG);
        if (done == m_pid) {
            m_pid = -1;
            Drain();
            if (WIFEXITED(status)) {
                return WEXITSTATUS(status);
            }
            return std::nullopt;
        }
        if (done < 0 && errno != EINTR) {
            m_pid = -1;
            Drain();
            return std::nullopt;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(-m_pid, SIGKILL);
            ::kill(m_pid, SIGKILL);
            while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
            }
            m_pid = -1;
            Drain();
            return std::nullopt;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        Pump(std::clamp(left, std::chrono::milliseconds(0), pause));
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
}

std::string LastLine(const std::string& text) {
    std::size_t end = text.size();
    while (end > 0) {
        const std::size_t start = text.rfind('\n', end - 1);
        const std::size_t from = start == std::string::npos ? 0 : start + 1;
        const std::string line = text.substr(from, end - from);
        if (line.find_first_not_of(" \t\r") != std::string::npos) {
            return line.substr(0, line.find_last_not_of(" \t\r") + 1);
        }
        end = start == std::string::npos ? 0 : start;
    }
    return {};
}

std::filesystem::path ExecutableDirectory() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : self.parent_path();
}

}  // namespace ticksmith::platform
