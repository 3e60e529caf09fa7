#include <gtest/gtest.h>

#include "platform/messenger.h"
#include "portfolio/master_repair.h"
#include "test_support.h"

namespace ticksmith::test {
namespace {

using portfolio::MasterCondition;

class Recorder : public platform::Messenger {
  public:
    void Show(std::string_view text, platform::MessageIcon) override { shown.emplace_back(text); }
    bool AskYesNo(std::string_view, platform::MessageIcon) override { return answer; }
    bool AskOkCancel(std::string_view text, platform::MessageIcon) override {
        asked.emplace_back(text);
        return answer;
    }
    void Play(platform::Sound) override { ++sounds; }
    bool answer = true;
    std::vector<std::string> shown;
    std::vector<std::string> asked;
    int sounds = 0;
};

store::MasterRecord Blank(int number, const std::string& name) {
    store::MasterRecord record = store::NewMasterRecord("", name, 7);
    record.fileNumber = static_cast<std::uint8_t>(number);
    return record;
}

TEST(MasterRepairTest, ExaminesSizeDuplicatesAndEmptySymbols) {
    TempDir temp;
    const fs::path master = temp.path() / "MASTER";
    const auto condition = [&](const Bytes& bytes) {
        WriteBytes(master, bytes);
        return portfolio::ExamineMaster(temp.path());
    };
    EXPECT_EQ(condition(MasterFile(2, 2, {Record(1, "A"), Record(2, "B")})),
              MasterCondition::kSound);
    Bytes stray = MasterFile(2, 2, {Record(1, "A"), Record(2, "B")});
    stray.push_back(0);
    EXPECT_EQ(condition(stray), MasterCondition::kCorrupted);
    EXPECT_EQ(condition(MasterFile(3, 2, {Record(1, "A"), Record(2, "B")})),
              MasterCondition::kCorrupted);
    EXPECT_EQ(condition(MasterFile(2, 2, {Record(7, "A"), Record(7, "B")})),
              MasterCondition::kCorrupted);
    EXPECT_EQ(condition(MasterFile(1, 1, {Blank(1, "NAME")})), MasterCondition::kCorrupted);
    EXPECT_EQ(condition(Bytes(10)), MasterCondition::kUnreadable);
}

TEST(MasterRepairTest, KeepsFirstOfEachNumberAndNamesBlankSymbols) {
    TempDir temp;
    Bytes original =
        MasterFile(3, 44, {Record(7, "FIRST"), Record(7, "SECOND"), Blank(2, "NAMED")});
    original.push_back(0xAB);  // broken-off byte
    WriteBytes(temp.path() / "MASTER", original);
    Recorder recorder;
    ASSERT_TRUE(portfolio::CheckMaster(temp.path(), {false, false}, recorder));
    ASSERT_EQ(recorder.asked.size(), 1u);
    EXPECT_NE(recorder.asked[0].find("appears corrupted"), std::string::npos);
    ASSERT_EQ(recorder.shown.size(), 1u);
    EXPECT_NE(recorder.shown[0].find("This item is file F7.DAT"), std::string::npos);
    EXPECT_NE(recorder.shown[0].find("SECOND"), std::string::npos);
    EXPECT_EQ(recorder.sounds, 1);

    store::MasterRecord named = Blank(2, "NAMED");
    named.symbol = named.issueName;
    EXPECT_EQ(ReadBytes(temp.path() / "MASTER"), MasterFile(2, 44, {Record(7, "FIRST"), named}));
    EXPECT_EQ(ReadBytes(temp.path() / "MASTER.bak"), original);
    EXPECT_FALSE(fs::exists(temp.path() / "MASTER.tmp"));
    EXPECT_EQ(portfolio::ExamineMaster(temp.path()), MasterCondition::kSound);
}

TEST(MasterRepairTest, RefusalChangesNothingAndAnOlderBackupStays) {
    TempDir temp;
    const Bytes damaged = MasterFile(2, 2, {Record(3, "A"), Record(3, "B")});
    WriteBytes(temp.path() / "MASTER", damaged);
    Recorder no;
    no.answer = false;
    EXPECT_FALSE(portfolio::CheckMaster(temp.path(), {false, false}, no));
    EXPECT_EQ(ReadBytes(temp.path() / "MASTER"), damaged);
    EXPECT_FALSE(fs::exists(temp.path() / "MASTER.bak"));

    // With MasterFix on nothing is asked; the notice about the dropped record still comes, and
    // an existing backup (in any spelling) is the state before the first repair.
    WriteBytes(temp.path() / "master.BAK", Bytes{1, 2, 3});
    Recorder quiet;
    EXPECT_TRUE(portfolio::RepairMaster(temp.path(), {true, true}, quiet));
    EXPECT_TRUE(quiet.asked.empty());
    EXPECT_EQ(quiet.shown.size(), 1u);
    EXPECT_EQ(quiet.sounds, 0);
    EXPECT_EQ(ReadBytes(temp.path() / "master.BAK"), (Bytes{1, 2, 3}));
}

TEST(MasterRepairTest, FailedRepairLeavesMasterWhole) {
    TempDir temp;
    const fs::path pristine = temp.path() / "pristine";
    fs::create_directories(pristine);
    WriteBytes(pristine / "MASTER", MasterFile(2, 2, {Record(5, "A"), Record(5, "B")}));
    Recorder recorder;
    ExpectAllOrNothing(pristine, temp.path() / "work",
                       [&](const fs::path& dir) {
                           return portfolio::RepairMaster(dir, {true, true}, recorder) ? 0 : -1;
                       },
                       {"MASTER.bak"});
}

}  // namespace
}  // namespace ticksmith::test
