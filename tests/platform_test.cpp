#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/safe_replace.h"
#include "platform/text_lines.h"
#include "test_support.h"

namespace ticksmith::platform {
namespace {

using Pieces = std::vector<std::pair<std::string, bool>>;

Pieces Split(std::string_view text, std::size_t limit) {
    LinePieceReader reader(text, limit);
    Pieces pieces;
    std::string_view piece;
    bool endsLine = false;
    while (reader.Next(piece, endsLine)) {
        pieces.emplace_back(piece, endsLine);
    }
    EXPECT_EQ(reader.Position(), text.size());
    return pieces;
}

TEST(LinePieceReaderTest, SplitsLinesAsAFixedBufferDoes) {
    EXPECT_EQ(Split("ab\r\ncd\nef", 3), (Pieces{{"ab", true}, {"cd", true}, {"ef", false}}));
    EXPECT_EQ(Split("a\rb\n\n", 4), (Pieces{{"a\rb", true}, {"", true}}));
    EXPECT_EQ(Split("abcdefg", 3), (Pieces{{"abc", false}, {"def", false}, {"g", false}}));
    // A full buffer has no room for the line end, which then arrives alone.
    EXPECT_EQ(Split("abc\r\nd", 3), (Pieces{{"abc", false}, {"", true}, {"d", false}}));
    const std::string line(300, 'x');
    EXPECT_EQ(Split(line + "\r\n", LinePieceReader::kDefaultPieceLimit),
              (Pieces{{std::string(299, 'x'), false}, {"x", true}}));
}

TEST(ReplacementFileTest, CommitReplacesAndAbandonLeavesTheTarget) {
    test::TempDir temp;
    const fs::path target = temp.path() / "data";
    test::WriteBytes(target, std::string("old"));
    test::Bytes big(200000);
    for (std::size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    }
    for (const bool commit : {false, true}) {
        ReplacementFile file(temp.path(), "DATA", "data.~nu");
        ASSERT_TRUE(file.Open());
        // Pieces below, above and across the size of the write buffer.
        for (std::size_t at = 0, size = 1000; at < big.size();
             at += size, size = size * 3 % 90001) {
            ASSERT_TRUE(file.Write(big.data() + at, std::min(size, big.size() - at)));
        }
        EXPECT_EQ(test::ReadBytes(target), test::Bytes({'o', 'l', 'd'}));
        EXPECT_EQ(commit && file.Commit(), commit);
    }
    EXPECT_EQ(test::ReadBytes(target), big);
    EXPECT_EQ(test::Snapshot(temp.path()).size(), 1u);
}

}  // namespace
}  // namespace ticksmith::platform
