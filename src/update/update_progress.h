#pragma once

#include <functional>
#include <mutex>
#include <string>

namespace ticksmith::update {

// The six texts the progress dialog shows during a run.
struct ProgressTexts {
    std::string total;
    std::string portfolio;
    std::string file;
    std::string symbol;
    std::string archiveName;
    std::string archiveLabel;
};

// The texts under one lock, written by the run and read by a front end. After a change the
// refresh notification is sent, outside the lock; it must not block the run for long.
class UpdateProgress {
  public:
    explicit UpdateProgress(std::function<void()> refresh = {}) : m_refresh(std::move(refresh)) {}

    enum class Text { kTotal, kPortfolio, kFile, kSymbol, kArchiveName, kArchiveLabel };

    void Set(Text text, std::string value, bool notify = true);
    void SetAll(const ProgressTexts& texts);
    ProgressTexts Snapshot() const;

  private:
    mutable std::mutex m_lock;
    ProgressTexts m_texts;
    std::function<void()> m_refresh;
};

}  // namespace ticksmith::update
