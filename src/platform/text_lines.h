#pragma once

#include <cstddef>
#include <string_view>

namespace ticksmith::platform {

// Splits text the way a reader with a fixed line buffer sees it: each piece holds at most
// `pieceLimit` characters, so a longer line arrives as several pieces. CR LF and a lone LF
// both end a line and count as one character; the line end is not part of the piece.
class LinePieceReader {
  public:
    static constexpr std::size_t kDefaultPieceLimit = 299;

    explicit LinePieceReader(std::string_view text, std::size_t pieceLimit = kDefaultPieceLimit)
        : m_text(text), m_limit(pieceLimit == 0 ? 1 : pieceLimit) {}

    // False when the text is used up. `endsLine` tells whether the piece reached its line's end.
    [[nodiscard]] bool Next(std::string_view& piece, bool& endsLine);

    // Byte offset of the next piece in the text.
    std::size_t Position() const { return m_position; }

  private:
    std::string_view m_text;
    std::size_t m_limit;
    std::size_t m_position = 0;
};

}  // namespace ticksmith::platform
