#include "platform/text_lines.h"

namespace ticksmith::platform {

bool LinePieceReader::Next(std::string_view& piece, bool& endsLine) {
    if (m_position >= m_text.size()) {
        return false;
    }
    const std::size_t start = m_position;
    std::size_t characters = 0;
    std::size_t at = start;
    endsLine = false;
    while (at < m_text.size()) {
        const char c = m_text[at];
        const bool crlf = c == '\r' && at + 1 < m_text.size() && m_text[at + 1] == '\n';
        if (c == '\n' || crlf) {
            // The line end is one translated character and still has to fit the buffer.
            if (characters >= m_limit) {
                break;
            }
            piece = m_text.substr(start, at - start);
            m_position = at + (crlf ? 2 : 1);
            endsLine = true;
            return true;
        }
        if (characters >= m_limit) {
            break;
        }
        ++characters;
        ++at;
    }
    piece = m_text.substr(start, at - start);
    m_position = at;
    return true;
}

}  // namespace ticksmith::platform
