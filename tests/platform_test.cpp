#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/names.h"
#include "platform/progress.h"
#include "platform/safe_replace.h"
#include "platform/text_lines.h"
#include "platform/volumes.h"
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

class NamesTest : public testing::Test {
  protected:
    // Files holding their own names.
    void Files(std::initializer_list<const char*> names) {
        for (const char* name : names) {
            test::WriteBytes(dir / name, std::string(name));
        }
    }
    test::TempDir temp;
    const fs::path dir = temp.path();
};

TEST_F(NamesTest, FindsAnExistingEntryUnderAnyAsciiCaseAndKeepsANewNamesSpelling) {
    Files({"MASTER", "f1.dat", "Mixed.Dop"});
    EXPECT_EQ(FindEntry(dir, "master"), dir / "MASTER");
    EXPECT_EQ(FindEntry(dir, "F1.DAT"), dir / "f1.dat");
    EXPECT_EQ(FindEntry(dir, "mIXED.dOP"), dir / "Mixed.Dop");
    EXPECT_EQ(ResolveEntry(dir, "Master"), dir / "MASTER");
    EXPECT_EQ(FindEntry(dir, "F2.DAT"), std::nullopt);
    EXPECT_EQ(ResolveEntry(dir, "F2.Dat"), dir / "F2.Dat");
    // Nothing outside the directory is ever found through a name.
    fs::create_directory(dir / "sub");
    test::WriteBytes(dir / "sub" / "F9.DAT", std::string("x"));
    for (const char* name : {"", ".", "..", "sub/F9.DAT"}) {
        EXPECT_EQ(FindEntry(dir, name), std::nullopt) << name;
    }
    EXPECT_EQ(FindEntry(dir / "sub", "../MASTER"), std::nullopt);
}

TEST_F(NamesTest, SpellingsDifferingOnlyInCaseResolveTheSameWayEveryTime) {
    Files({"mASTER", "Master", "maSTER"});
    // The exact spelling first, otherwise the first in sorted order: bytes break the tie.
    EXPECT_EQ(FindEntry(dir, "maSTER"), dir / "maSTER");
    EXPECT_EQ(FindEntry(dir, "MASTER"), dir / "Master");
    EXPECT_EQ(FindEntry(dir, "MaStEr"), dir / "Master");
    std::vector<std::string> listed;
    for (const DirectoryEntry& entry : ListDirectory(dir)) {
        listed.push_back(entry.name);
    }
    EXPECT_EQ(listed, (std::vector<std::string>{"Master", "mASTER", "maSTER"}));
    EXPECT_TRUE(LessIgnoringCase("a", "B") && LessIgnoringCase("B", "c"));
    EXPECT_TRUE(LessIgnoringCase("AB", "ab") && !LessIgnoringCase("ab", "AB"));
    EXPECT_TRUE(LessIgnoringCase("ab", "ABC"));
}

// One listing must answer every lookup as FindEntry does, or a grid row would show another
// file than the command that opens it.
TEST_F(NamesTest, OneListingAnswersEveryLookupAsFindEntryDoes) {
    Files({"mASTER", "Master", "maSTER", "f1.pfl", "F2.PFL", "F3.Pfl", "f3.pfl", "B\xC3\xA9"});
    fs::create_directory(dir / "F4.PFL");
    const DirectoryNames listing(dir);
    for (const char* name : {"MASTER", "master", "maSTER", "MaStEr", "F1.PFL", "f2.pfl", "F3.PFL",
                             "f3.PFL", "F4.PFL", "F5.PFL", "b\xC3\xA9", "", "..", "sub/F1.PFL"}) {
        EXPECT_EQ(listing.Find(name), FindEntry(dir, name)) << name;
    }
    EXPECT_TRUE(listing.FindListed("f4.pfl")->isDirectory);
    EXPECT_TRUE(listing.FindListed("F1.PFL")->isFile);
}

TEST_F(NamesTest, NonAsciiBytesAreComparedByteForByte) {
    // Only A-Z and a-z fold: neither UTF-8 nor Latin-1 letters do.
    EXPECT_TRUE(EqualsIgnoringCase("caf\xC3\xA9.txt", "CAF\xC3\xA9.TXT"));
    EXPECT_FALSE(EqualsIgnoringCase("\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89"));
    EXPECT_FALSE(EqualsIgnoringCase("\xE9", "\xC9"));
    EXPECT_EQ(ToUpperAscii("\xE9t\xE9z"), "\xE9T\xE9Z");
    // Bytes from 0x80 up sort after every ASCII character, as unsigned bytes.
    EXPECT_TRUE(LessIgnoringCase("z", "\x80"));
    EXPECT_TRUE(LessIgnoringCase("\x80", "\xFF"));
    EXPECT_FALSE(LessIgnoringCase("\xFF", "z"));
    Files({"\xC3\xA9t\xC3\xA9.dat"});
    EXPECT_EQ(FindEntry(dir, "\xC3\xA9T\xC3\xA9.DAT"), dir / "\xC3\xA9t\xC3\xA9.dat");
    EXPECT_EQ(FindEntry(dir, "\xC3\x89t\xC3\x89.dat"), std::nullopt);
}

}  // namespace
// Each notification carries the state as it was after one whole change, even while another
// thread reads the sink; a text set quietly shows with the next notification.
TEST(ProgressSinkTest, NotificationsCarryWholeStates) {
    std::vector<platform::ProgressSnapshot> seen;
    platform::ProgressSink* self = nullptr;
    platform::ProgressSink sink([&](const platform::ProgressSnapshot& snapshot) {
        seen.push_back(snapshot);
        // The callback may read the sink again without waiting for itself.
        EXPECT_EQ(self->Snapshot().texts, snapshot.texts);
    });
    self = &sink;
    EXPECT_EQ(sink.Snapshot().Text(3), "");

    sink.SetText(1, "quiet", false);
    EXPECT_TRUE(seen.empty());
    sink.SetCount(2, 10);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].texts, (std::vector<std::string>{"", "quiet"}));
    EXPECT_EQ(seen[0].done, 2);
    EXPECT_EQ(seen[0].total, 10);
    EXPECT_EQ(seen[0].Text(5), "");

    // A reader on another thread sees the two texts of one SetTexts together or not at all.
    // It starts from two equal texts, so that only a torn write can make them differ.
    sink.SetTexts({"", ""});
    seen.clear();
    std::atomic<bool> done = false;
    std::atomic<int> torn = 0;
    std::thread reader([&] {
        while (!done) {
            const platform::ProgressSnapshot snapshot = sink.Snapshot();
            if (snapshot.Text(0) != snapshot.Text(1)) {
                ++torn;
            }
        }
    });
    for (int i = 0; i < 20000; ++i) {
        const std::string text(static_cast<std::size_t>(i % 300), static_cast<char>('a' + i % 26));
        sink.SetTexts({text, text});
    }
    done = true;
    reader.join();
    EXPECT_EQ(torn, 0);
    ASSERT_EQ(seen.size(), 20000u);
    for (const platform::ProgressSnapshot& snapshot : seen) {
        ASSERT_EQ(snapshot.Text(0), snapshot.Text(1));
    }
    EXPECT_EQ(seen.back().done, 2);
}

}  // namespace ticksmith::platform

TEST(VolumesTest, TheDriveBoxListsDataFileSystemsOnly) {
    const std::string table =
        "/dev/sda1 / ext4 rw,relatime 0 0\n"
        "proc /proc proc rw 0 0\n"
        "tmpfs /run tmpfs rw 0 0\n"
        "/dev/sdb1 /media/usb\\040stick vfat rw 0 0\n"
        "/dev/sda2 /home ext4 rw 0 0\n"
        "/dev/sda2 /home ext4 rw 0 0\n"
        "/dev/loop3 /snap/core/1 squashfs ro 0 0\n"
        "server:/export /mnt/quotes nfs4 rw 0 0\n"
        "overlay /var/lib/docker/overlay2/x/merged overlay rw 0 0\n"
        "/dev/sdc1 /boot/efi vfat rw 0 0\n"
        "broken line\n";
    const std::vector<std::filesystem::path> volumes =
        ticksmith::platform::VolumesOfMountTable(table);
    EXPECT_EQ(volumes,
              (std::vector<std::filesystem::path>{"/", "/home", "/media/usb stick", "/mnt/quotes",
                                                  "/var/lib/docker/overlay2/x/merged"}));
    EXPECT_FALSE(ticksmith::platform::MountedVolumes().empty());
}
