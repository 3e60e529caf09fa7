#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace ticksmith::platform {

// What a long task shows at one moment: its texts, by the places the task gives them, and a
// count of work done out of a total (0 when the total is not known).
struct ProgressSnapshot {
    std::vector<std::string> texts;
    long long done = 0;
    long long total = 0;

    // Empty for a text the task has not set.
    [[nodiscard]] const std::string& Text(std::size_t index) const;
};

// How the core reports progress, from whichever thread does the work. The state is kept
// under a lock; after a change the refresh callback receives a copy taken under that lock,
// called outside it, so a front end never reads half-written state and may post the copy to
// its GUI thread as it is. The callback runs on the working thread and must return quickly.
// One thread writes at a time.
class ProgressSink {
  public:
    using Refresh = std::function<void(const ProgressSnapshot&)>;

    explicit ProgressSink(Refresh refresh = {}) : m_refresh(std::move(refresh)) {}
    ProgressSink(const ProgressSink&) = delete;
    ProgressSink& operator=(const ProgressSink&) = delete;

    // A text changed without `notify` shows with the next notification.
    void SetText(std::size_t index, std::string value, bool notify = true);
    // Replaces every text at once: one notification.
    void SetTexts(std::vector<std::string> texts);
    void SetCount(long long done, long long total);

    [[nodiscard]] ProgressSnapshot Snapshot() const;

    // Asked from any thread (a Cancel button); a task that can stop early looks at it between
    // steps and ends with what it has.
    void RequestCancel() { m_cancel.store(true, std::memory_order_relaxed); }
    [[nodiscard]] bool CancelRequested() const { return m_cancel.load(std::memory_order_relaxed); }

  private:
    template <typename Change>
    void Update(Change&& change, bool notify);

    mutable std::mutex m_lock;
    ProgressSnapshot m_state;
    Refresh m_refresh;
    std::atomic<bool> m_cancel{false};
};

}  // namespace ticksmith::platform
