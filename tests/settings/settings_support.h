#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/messenger.h"
#include "test_support.h"

namespace ticksmith::test {

// Keeps what the person would have seen and answers questions from a script.
class RecordingMessenger : public platform::Messenger {
  public:
    explicit RecordingMessenger(std::deque<bool> answers = {}) : m_answers(std::move(answers)) {}

    void Show(std::string_view text, platform::MessageIcon icon) override {
        shown.emplace_back(text);
        lastIcon = icon;
    }
    bool AskYesNo(std::string_view text, platform::MessageIcon) override { return Answer(text); }
    bool AskOkCancel(std::string_view text, platform::MessageIcon) override { return Answer(text); }
    void Play(platform::Sound) override {}

    std::vector<std::string> shown;
    platform::MessageIcon lastIcon = platform::MessageIcon::kQuestion;
    std::vector<std::string> asked;

  private:
    bool Answer(std::string_view text) {
        asked.emplace_back(text);
        if (m_answers.empty()) {
            ADD_FAILURE() << "unscripted question: " << text;
            return false;
        }
        const bool answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }
    std::deque<bool> m_answers;
};

// A read-only `directory`: chmod cannot make one for the root user the tests run as.
class ReadOnlyDirectory : public platform::FileSystem {
  public:
    explicit ReadOnlyDirectory(fs::path directory) : m_directory(std::move(directory)) {}
    int CreateForWrite(const fs::path& path) override {
        return Inside(path) ? -1 : FileSystem::CreateForWrite(path);
    }
    bool CreateDirectory(const fs::path& path) override {
        return !Inside(path) && FileSystem::CreateDirectory(path);
    }

  private:
    bool Inside(const fs::path& path) const { return path.parent_path() == m_directory; }
    fs::path m_directory;
};

// A profile's 313 bytes written out by hand: the twelve one-byte fields, then the directory.
inline Bytes ProfileFileBytes(const std::vector<int>& fields, const std::string& directory) {
    Bytes bytes(313, 0);
    std::transform(fields.begin(), fields.end(), bytes.begin(),
                   [](int field) { return static_cast<std::uint8_t>(field); });
    std::copy(directory.begin(), directory.end(), bytes.begin() + 12);
    return bytes;
}

// Profile1.pfd as start-up and an empty profile list write it.
inline Bytes DefaultProfileBytes(const fs::path& workingDirectory) {
    return ProfileFileBytes({1, 1, 2, 3, 4, 5, 6, 7, 0, 0, 3, 0},
                            (workingDirectory / "Sample" / "Textdata").string());
}

}  // namespace ticksmith::test
