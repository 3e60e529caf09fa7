#include "update/update_progress.h"

namespace ticksmith::update {

void UpdateProgress::Set(Text text, std::string value, bool notify) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        switch (text) {
            case Text::kTotal:
                m_texts.total = std::move(value);
                break;
            case Text::kPortfolio:
                m_texts.portfolio = std::move(value);
                break;
            case Text::kFile:
                m_texts.file = std::move(value);
                break;
            case Text::kSymbol:
                m_texts.symbol = std::move(value);
                break;
            case Text::kArchiveName:
                m_texts.archiveName = std::move(value);
                break;
            case Text::kArchiveLabel:
                m_texts.archiveLabel = std::move(value);
                break;
        }
    }
    // Outside the lock, so that the front end may take a snapshot at once.
    if (notify && m_refresh) {
        m_refresh();
    }
}

void UpdateProgress::SetAll(const ProgressTexts& texts) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_texts = texts;
    }
    if (m_refresh) {
        m_refresh();
    }
}

ProgressTexts UpdateProgress::Snapshot() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_texts;
}

}  // namespace ticksmith::update
