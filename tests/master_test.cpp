#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "store/master.h"
#include "test_support.h"

namespace ticksmith::store {
namespace {

using test::Bytes;
using test::DirRecord;
using test::MasterFile;
using test::ReadBytes;
using test::Record;
using test::WriteBytes;

class MasterTest : public ::testing::Test {
  protected:
    fs::path Dir() const { return m_temp.path(); }
    fs::path Master() const { return Dir() / "MASTER"; }
    std::vector<int> Numbers() const {
        std::vector<MasterRecord> records;
        EXPECT_EQ(ReadMasterRecords(Dir(), records), kSuccess);
        std::vector<int> numbers;
        for (const MasterRecord& record : records) {
            numbers.push_back(record.fileNumber);
        }
        return numbers;
    }
    std::pair<int, int> Header() const {
        MasterHeader header;
        EXPECT_EQ(ReadMasterHeader(Dir(), header), kSuccess);
        return {header.count, header.counter};
    }
    // The search's result: the file number and the directory, or the failure status.
    std::pair<int, fs::path> Find(const fs::path& dir, std::string_view text) const {
        MasterRecord record;
        fs::path found;
        if (const Status status = FindSymbol(dir, text, record, found); status != kSuccess) {
            return {status, fs::path()};
        }
        return {record.fileNumber, found};
    }

    test::TempDir m_temp;
};

TEST_F(MasterTest, RecordsKeepEveryByte) {
    std::mt19937 random(53);
    MasterBytes bytes, again;
    for (int round = 0; round < 1000; ++round) {
        for (auto& byte : bytes) {
            byte = static_cast<std::uint8_t>(random());
        }
        EncodeMasterRecord(DecodeMasterRecord(bytes.data()), again.data());
        ASSERT_EQ(again, bytes);
    }
    EncodeMasterRecord(NewMasterRecord("BRK A", "BERKSHIRE HATHAWAY INC", 7), again.data());
    const std::string text(again.begin(), again.end());
    EXPECT_EQ(text.substr(1, 4), std::string("\x00\x65\x1c\x07", 4));
    EXPECT_EQ(text.substr(7, 16), "BERKSHIRE HATHAW");
    EXPECT_EQ(text[33], 'D');
    EXPECT_EQ(text.substr(36, 16), "BRK A           ");
}

TEST_F(MasterTest, SearchTextMatching) {
    // The issue name, or the symbol up to its K-th space where the text has K - 1 spaces.
    const MasterRecord brk = NewMasterRecord("BRK A", "Berkshire", 7);
    const MasterRecord full = NewMasterRecord("ABCDEFGHIJKLMNOP", "FULL", 7);
    for (const char* text : {"berkshire", "brk", "BRK A"}) {
        EXPECT_TRUE(MatchesSearchText(brk, text)) << text;
        EXPECT_FALSE(MatchesSearchText(full, text)) << text;
    }
    EXPECT_TRUE(MatchesSearchText(full, "abcdefghijklmnop"));
    EXPECT_FALSE(MatchesSearchText(brk, "abcdefghijklmnop"));
    for (const char* text : {"BRK B", "BR", "Berk", "ABCDEFGHIJKLMNO", "FUL"}) {
        EXPECT_FALSE(MatchesSearchText(brk, text)) << text;
        EXPECT_FALSE(MatchesSearchText(full, text)) << text;
    }
}

TEST_F(MasterTest, FindSymbolSearchesTheDirectoryBeforeItsSubdirectories) {
    WriteBytes(Master(), MasterFile(3, 3, {Record(1, "AAA"), DirRecord("SUB"), Record(2, "BBB")}));
    // Names that would leave the directory or lead back to it are not followed.
    const fs::path sub = Dir() / "sub";
    fs::create_directories(sub / "x\\y");
    fs::create_directories(sub / "a" / "b");
    WriteBytes(sub / "x\\y" / "MASTER", MasterFile(1, 1, {Record(1, "ESC1")}));
    WriteBytes(sub / "a" / "b" / "MASTER", MasterFile(1, 1, {Record(1, "ESC2")}));
    WriteBytes(sub / "master", MasterFile(6, 6,
                                          {DirRecord(".."), DirRecord("."), DirRecord("x\\y"),
                                           DirRecord("a/b"), Record(7, "CCC"), Record(8, "AAA")}));
    EXPECT_EQ(Find(Dir(), "aaa"), std::pair(1, Dir()));
    EXPECT_EQ(Find(Dir(), "BBB"), std::pair(2, Dir()));
    EXPECT_EQ(Find(Dir(), "CCC"), std::pair(7, sub));
    for (const char* text : {"ESC1", "ESC2", "ZZZ"}) {
        EXPECT_EQ(Find(Dir(), text).first, kFileNotFound) << text;
    }
    EXPECT_EQ(Find(sub, "BBB").first, kFileNotFound);
    EXPECT_EQ(Find(Dir() / "none", "AAA").first, kFileNotFound);
    WriteBytes(Master(), Bytes(40));
    EXPECT_EQ(Find(Dir(), "AAA").first, kFileNotFound);
}

TEST_F(MasterTest, FindSymbolDepthAndPathLimits) {
    // D/D/D/...: each level's MASTER holds a symbol and points at the next level.
    fs::path level = Dir();
    for (int depth = 0; depth <= 17; ++depth, level /= "D") {
        fs::create_directory(level);
        WriteBytes(level / "MASTER",
                   MasterFile(2, 2, {DirRecord("D"), Record(1, "AT" + std::to_string(depth))}));
    }
    EXPECT_EQ(Find(Dir(), "AT16").first, 1);
    EXPECT_EQ(Find(Dir(), "AT17").first, kFileNotFound);

    // A sub-directory whose MASTER path has 299 characters is searched, one of 300 is not.
    for (const std::size_t length : {299u, 300u}) {
        fs::path root = Dir() / std::string(150, 'p');
        root /= std::string(length + 1 - (root / "q/SUB/MASTER").native().size(), 'q');
        fs::create_directories(root / "SUB");
        ASSERT_EQ((root / "SUB" / "MASTER").native().size(), length);
        WriteBytes(root / "MASTER", MasterFile(1, 1, {DirRecord("SUB")}));
        WriteBytes(root / "SUB" / "MASTER", MasterFile(1, 1, {Record(5, "DEEP")}));
        EXPECT_EQ(Find(root, "DEEP").first, length == 299 ? 5 : kFileNotFound);
        fs::remove_all(Dir() / std::string(150, 'p'));
    }
}

TEST_F(MasterTest, FindSymbolInAMasterThatBreaksOff) {
    // No sub-directory before the break: what was read is searched, the rest is empty.
    Bytes bytes = MasterFile(3, 3, {Record(1, "ONE"), Record(2, "TWO")});
    bytes.resize(bytes.size() - 20);
    WriteBytes(Master(), bytes);
    EXPECT_EQ(Find(Dir(), "ONE").first, 1);
    EXPECT_EQ(Find(Dir(), "TWO").first, kFileNotFound);
    // A sub-directory before the break is searched; reaching the break is a read failure.
    bytes = MasterFile(3, 3, {DirRecord("SUB"), Record(2, "TWO")});
    bytes.resize(bytes.size() - 1);
    WriteBytes(Master(), bytes);
    fs::create_directory(Dir() / "SUB");
    WriteBytes(Dir() / "SUB" / "MASTER", MasterFile(1, 1, {Record(1, "INSUB")}));
    EXPECT_EQ(Find(Dir(), "INSUB").first, 1);
    EXPECT_EQ(Find(Dir(), "XXX").first, kFileRead);
}

TEST_F(MasterTest, AppendTakesTheLowestFreeNumber) {
    MasterRecord record = NewMasterRecord("NEW", "NEW", 7);
    MasterRecord theirs = Record(2, "B");
    theirs.fileType = {0x65, 0x00};  // as other software writes it
    const Bytes old = MasterFile(3, 3, {Record(1, "A"), theirs, Record(4, "D")});
    WriteBytes(Master(), old);
    EXPECT_EQ(FreeFileNumber(Dir()).fileNumber, 3);
    // A writer that made the files of number 4 first gets no record naming 3 instead.
    const FileNumberResult taken = AppendMasterRecord(Dir(), record, 4);
    EXPECT_EQ(taken.failure, NumberFailure::kNumberTaken);
    EXPECT_EQ(taken.fileNumber, 0);
    EXPECT_EQ(ReadBytes(Master()), old);
    EXPECT_EQ(AppendMasterRecord(Dir(), record, 3).fileNumber, 3);
    EXPECT_EQ(Header(), std::pair(4, 4));
    const Bytes now = ReadBytes(Master());
    EXPECT_TRUE(std::equal(old.begin() + 4, old.end(), now.begin() + 4));
    EXPECT_EQ(now[old.size() + 1] * 256 + now[old.size() + 2], 0x0065);
    ASSERT_EQ(RemoveMasterRecords(Dir(), [](const MasterRecord& r) { return r.fileNumber == 1; }),
              kSuccess);
    EXPECT_EQ(AppendMasterRecord(Dir(), record).fileNumber, 1);
    EXPECT_EQ(Numbers(), (std::vector<int>{2, 4, 3, 1}));
    // Records past the header's count still hold their numbers.
    WriteBytes(Master(), MasterFile(1, 1, {Record(1, "A"), Record(2, "B"), Record(3, "C")}));
    EXPECT_EQ(AppendMasterRecord(Dir(), record).fileNumber, 4);
    EXPECT_EQ(ReadBytes(Master()).size(), 5 * kMasterRecordSize);
    EXPECT_EQ(ReadBytes(Master())[4 * kMasterRecordSize], 4);
}

// Other software keeps its highest file number in the counter and leaves gaps; files that
// stand without a record keep their number.
TEST_F(MasterTest, AppendFillsTheGapsOfAnotherWritersMaster) {
    MasterRecord record = NewMasterRecord("NEW", "NEW", 7);
    WriteBytes(
        Master(),
        MasterFile(4, 255, {Record(255, "Z"), Record(3, "C"), Record(1, "A"), Record(5, "E")}));
    WriteBytes(Dir() / "F2.DAT", Bytes{1});
    WriteBytes(Dir() / "f4.dop", Bytes{2});
    EXPECT_EQ(FreeFileNumber(Dir()).fileNumber, 6);
    EXPECT_EQ(AppendMasterRecord(Dir(), record).fileNumber, 6);
    EXPECT_EQ(Header(), std::pair(5, 255));
    // A writer's own files, made before its record, do not count against its number.
    WriteBytes(Dir() / "F7.DAT", Bytes{3});
    EXPECT_EQ(AppendMasterRecord(Dir(), record, 7).fileNumber, 7);
    EXPECT_EQ(Numbers(), (std::vector<int>{255, 3, 1, 5, 6, 7}));
    EXPECT_EQ(Header(), std::pair(6, 255));
    EXPECT_EQ(ReadBytes(Dir() / "F2.DAT"), Bytes{1});

    // The counter names the highest number in use, whatever it said before.
    WriteBytes(Master(), MasterFile(2, 44, {Record(44, "Z"), Record(1, "A")}));
    EXPECT_EQ(AppendMasterRecord(Dir(), record).fileNumber, 3);
    EXPECT_EQ(Header(), std::pair(3, 44));
    WriteBytes(Master(), MasterFile(2, 2, {Record(1, "A"), Record(2, "B")}));
    WriteBytes(Dir() / "F3.DAT", Bytes{4});
    EXPECT_EQ(AppendMasterRecord(Dir(), record).fileNumber, 5);  // f4.dop stands too
    EXPECT_EQ(Header(), std::pair(3, 5));

    // Every number taken, by a record or by files: full, MASTER unchanged.
    std::vector<MasterRecord> most;
    for (int number = 1; number <= 254; ++number) {
        most.push_back(Record(number == 2 ? 255 : number, "S" + std::to_string(number)));
    }
    const Bytes bytes = MasterFile(254, 255, most);
    WriteBytes(Master(), bytes);
    EXPECT_EQ(AppendMasterRecord(Dir(), record).failure, NumberFailure::kFull);
    EXPECT_EQ(ReadBytes(Master()), bytes);
}

TEST_F(MasterTest, AppendRefusesAFullOrDamagedMasterUntouched) {
    std::vector<MasterRecord> all;
    for (int number = 1; number <= 255; ++number) {
        all.push_back(Record(number, "S" + std::to_string(number)));
    }
    const std::pair<Bytes, NumberFailure> cases[] = {
        {MasterFile(255, 0, {Record(1, "A")}), NumberFailure::kFull},
        {MasterFile(0, 0, all), NumberFailure::kFull},
        {Bytes(30), NumberFailure::kUnreadable},
        {Bytes(2 * kMasterRecordSize + 20), NumberFailure::kPartialRecord}};
    MasterRecord record = NewMasterRecord("NEW", "NEW", 7);
    for (const auto& [bytes, failure] : cases) {
        WriteBytes(Master(), bytes);
        for (const FileNumberResult result :
             {FreeFileNumber(Dir()), AppendMasterRecord(Dir(), record)}) {
            EXPECT_EQ(result.failure, failure);
            EXPECT_FALSE(result.Succeeded());
            EXPECT_EQ(result.fileNumber, 0);
        }
        EXPECT_EQ(test::Snapshot(Dir()), (std::map<std::string, Bytes>{{"MASTER", bytes}}));
    }
    fs::remove(Master());
    const FileNumberResult missing = AppendMasterRecord(Dir(), record);
    EXPECT_EQ(missing.failure, NumberFailure::kUnreadable);
    EXPECT_EQ(missing.status, kFileOpen);
    EXPECT_TRUE(fs::is_empty(Dir()));
}

TEST_F(MasterTest, RemoveDropsEveryMatchAndKeepsABrokenTail) {
    const auto isDup = [](const MasterRecord& r) { return r.SymbolText() == "DUP"; };
    Bytes bytes = MasterFile(3, 5, {Record(1, "DUP"), Record(2, "KEEP"), Record(3, "DUP")});
    const Bytes tail = {1, 2, 3, 4, 5, 6, 7};
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    WriteBytes(Master(), bytes);
    ASSERT_EQ(RemoveMasterRecords(Dir(), isDup), kSuccess);
    EXPECT_EQ(Numbers(), std::vector<int>{2});
    EXPECT_EQ(Header(), std::pair(1, 3));
    EXPECT_EQ(ReadBytes(Master()).size(), 2 * kMasterRecordSize + tail.size());
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), ReadBytes(Master()).end() - 7));

    const Bytes none = MasterFile(1, 1, {Record(2, "KEEP")});
    WriteBytes(Master(), none);
    EXPECT_EQ(RemoveMasterRecords(Dir(), isDup), kRecordNotFound);
    EXPECT_EQ(ReadBytes(Master()), none);
    // The header never goes below 0, even when it counted fewer records than there were.
    WriteBytes(Master(), MasterFile(1, 0, {Record(1, "DUP"), Record(3, "DUP")}));
    ASSERT_EQ(RemoveMasterRecords(Dir(), isDup), kSuccess);
    EXPECT_EQ(Header(), std::pair(0, 0));
    EXPECT_EQ(test::Snapshot(Dir()).size(), 1u);
}

TEST_F(MasterTest, FieldUpdatesChangeEveryRecordOfTheNumberAfterABackup) {
    const Bytes old = MasterFile(3, 3, {Record(2, "A"), Record(1, "B"), Record(2, "C")});
    WriteBytes(Master(), old);
    const FloatBytes date = FileDateFromDayNumber(14247);
    ASSERT_EQ(SetMasterDate(Dir(), 2, date, WhichDate::kLast), kSuccess);
    EXPECT_EQ(ReadBytes(Dir() / "MASTER.BAK"), old);
    Bytes expected = old;
    std::copy(date.begin(), date.end(), expected.begin() + 53 + 29);
    std::copy(date.begin(), date.end(), expected.begin() + 3 * 53 + 29);
    EXPECT_EQ(ReadBytes(Master()), expected);

    fs::remove(Dir() / "MASTER.BAK");
    ASSERT_EQ(SetMasterDates(Dir(), 1, date, date, false), kSuccess);
    EXPECT_FALSE(fs::exists(Dir() / "MASTER.BAK"));
    ASSERT_EQ(SetMasterNames(Dir(), 2, "NEWSYMBOLLONGERTHAN16", "Short"), kSuccess);
    const Bytes bytes = ReadBytes(Master());
    const std::string now(bytes.begin(), bytes.end()), stored(date.begin(), date.end());
    EXPECT_EQ(now.substr(3 * 53 + 7, 16), "Short           ");
    EXPECT_EQ(now.substr(3 * 53 + 36, 16), "NEWSYMBOLLONGERT");
    EXPECT_EQ(now.substr(2 * 53 + 25, 8), stored + stored);
    EXPECT_EQ(test::Snapshot(Dir()).size(), 2u);  // MASTER and MASTER.BAK
}

TEST_F(MasterTest, FailedRewritesLeaveMasterAsItWas) {
    const fs::path pristine = Dir() / "pristine";
    fs::create_directory(pristine);
    WriteBytes(pristine / "MASTER", MasterFile(2, 2, {Record(1, "A"), Record(3, "B")}));
    const auto append = [](const fs::path& dir) {
        MasterRecord record = NewMasterRecord("NEW", "NEW", 7);
        const FileNumberResult result = AppendMasterRecord(dir, record);
        EXPECT_EQ(result.failure,
                  result.Succeeded() ? NumberFailure::kNone : NumberFailure::kNotWritten);
        return result.Succeeded() ? result.fileNumber : int{result.status};
    };
    const auto removeOne = [](const fs::path& dir) -> int {
        return RemoveMasterRecords(dir, [](const MasterRecord& r) { return r.fileNumber == 1; });
    };
    const auto redate = [](const fs::path& dir) -> int {
        return SetMasterDate(dir, 3, FileDateFromDayNumber(100), WhichDate::kFirst);
    };
    const auto rename = [](const fs::path& dir) -> int { return SetMasterNames(dir, 3, "X", "Y"); };
    // Creating, writing, syncing, renaming: the backup's steps, then MASTER's own.
    const std::vector<int> replace = {kFileOpen, kFileWrite, kFileWrite, kFileWrite};
    std::vector<int> backupFirst(4, kFileWrite);
    backupFirst.insert(backupFirst.end(), replace.begin(), replace.end());
    const fs::path work = Dir() / "work";
    EXPECT_EQ(test::ExpectAllOrNothing(pristine, work, append), replace);
    EXPECT_EQ(test::ExpectAllOrNothing(pristine, work, removeOne), replace);
    EXPECT_EQ(test::ExpectAllOrNothing(pristine, work, redate), backupFirst);
    EXPECT_EQ(test::ExpectAllOrNothing(pristine, work, rename), backupFirst);
}

}  // namespace
}  // namespace ticksmith::store
