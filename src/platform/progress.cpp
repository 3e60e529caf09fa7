#include "platform/progress.h"

namespace ticksmith::platform {

const std::string& ProgressSnapshot::Text(std::size_t index) const {
    static const std::string kNone;
    return index < texts.size() ? texts[index] : kNone;
}

template <typename Change>
void ProgressSink::Update(Change&& change, bool notify) {
    ProgressSnapshot copy;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        change(m_state);
        if (!notify || !m_refresh) {
            return;
        }
        copy = m_state;
    }
    // Outside the lock, so that the callback may read the sink again.
    m_refresh(copy);
}

void ProgressSink::SetText(std::size_t index, std::string value, bool notify) {
    Update(
        [&](ProgressSnapshot& state) {
            if (state.texts.size() <= index) {
                state.texts.resize(index + 1);
            }
            state.texts[index] = std::move(value);
        },
        notify);
}

void ProgressSink::SetTexts(std::vector<std::string> texts) {
    Update([&](ProgressSnapshot& state) { state.texts = std::move(texts); }, true);
}

void ProgressSink::SetCount(long long done, long long total) {
    Update(
        [&](ProgressSnapshot& state) {
            state.done = done;
            state.total = total;
        },
        true);
}

ProgressSnapshot ProgressSink::Snapshot() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_state;
}

}  // namespace ticksmith::platform
