#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "emaster_support.h"
#include "store/emaster.h"
#include "test_support.h"

namespace ticksmith::store {
namespace {

using test::Bytes;
using test::CopyReal;
using test::ExpectInStep;
using test::kRealData;
using test::ReadBytes;

class EmasterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!fs::exists(kRealData / "equis_b" / "EMASTER")) {
            GTEST_SKIP() << kRealData << " is not there";
        }
    }
    test::TempDir m_temp;
};

TEST_F(EmasterTest, RealFilesDecodeAndEncodeToTheSameBytes) {
    for (const char* name : {"bbfinance", "equis_b"}) {
        SCOPED_TRACE(name);
        const Bytes bytes = ReadBytes(kRealData / name / "EMASTER");
        ASSERT_EQ(bytes.size() % kEmasterRecordSize, 0u);
        Bytes again(bytes.size());
        EncodeEmasterHeader(DecodeEmasterHeader(bytes.data()), again.data());
        for (std::size_t at = kEmasterRecordSize; at < bytes.size(); at += kEmasterRecordSize) {
            EncodeEmasterRecord(DecodeEmasterRecord(bytes.data() + at), again.data() + at);
        }
        EXPECT_EQ(again, bytes);
    }

    // The vendor's own file agrees with its MASTER field by field, long name aside.
    ExpectInStep(kRealData / "equis_b");
    EmasterHeader header;
    std::vector<EmasterRecord> records;
    ASSERT_EQ(ReadEmaster(kRealData / "equis_b", header, records), kSuccess);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(std::string(records[0].marker.data(), 2), "66");
    EXPECT_EQ(records[0].SymbolText(), ".DJX");
    EXPECT_EQ(records[0].LongNameText(), "1/100 Dow Jones INDU");
    EXPECT_EQ(records[0].firstDateLong, 19970923);
    EXPECT_EQ(records[1].firstDateLong, 19880819);
    EXPECT_EQ(records[1].fieldMask, 0x7F);
    EXPECT_EQ(records[1].autorun, ' ');
}

TEST_F(EmasterTest, SyncKeepsAnAgreeingFileAndMendsAStaleOne) {
    const fs::path equis = CopyReal(m_temp.path(), "equis_b");
    ASSERT_EQ(SyncEmaster(equis), kSuccess);
    EXPECT_EQ(ReadBytes(equis / "EMASTER"), ReadBytes(kRealData / "equis_b" / "EMASTER"));

    // bbfinance's EMASTER is older than its MASTER.
    const fs::path bb = CopyReal(m_temp.path(), "bbfinance");
    ASSERT_EQ(SyncEmaster(bb), kSuccess);
    ExpectInStep(bb);
    const Bytes once = ReadBytes(bb / "EMASTER");
    ASSERT_EQ(SyncEmaster(bb), kSuccess);
    EXPECT_EQ(ReadBytes(bb / "EMASTER"), once);
    // Bytes MASTER does not describe stay as they were.
    EmasterHeader header;
    std::vector<EmasterRecord> before;
    std::vector<EmasterRecord> after;
    ASSERT_EQ(ReadEmaster(kRealData / "bbfinance", header, before), kSuccess);
    ASSERT_EQ(ReadEmaster(bb, header, after), kSuccess);
    for (const EmasterRecord& old : before) {
        for (const EmasterRecord& now : after) {
            if (now.fileNumber == old.fileNumber) {
                EXPECT_EQ(now.reserved76, old.reserved76);
                EXPECT_EQ(now.reserved130, old.reserved130);
                EXPECT_EQ(now.fieldMask, old.fieldMask);
            }
        }
    }
    const Bytes original = ReadBytes(kRealData / "bbfinance" / "EMASTER");
    EXPECT_TRUE(
        std::equal(original.begin() + 4, original.begin() + kEmasterRecordSize, once.begin() + 4));
}

TEST_F(EmasterTest, SyncFollowsRenamesRemovalsAndNewSymbols) {
    const fs::path dir = CopyReal(m_temp.path(), "equis_b");
    // A date change keeps the long name; a new name replaces it.
    ASSERT_EQ(SetMasterDate(dir, 1, FileDateFromDayNumber(DayNumberFromYmd(97, 9, 24)),
                            WhichDate::kFirst, false),
              kSuccess);
    ASSERT_EQ(SetMasterNames(dir, 2, ".FCHI", "CAC FORTY"), kSuccess);
    MasterRecord added = NewMasterRecord("NEWONE", "A NEW ONE", 7);
    ASSERT_TRUE(AppendMasterRecord(dir, added).Succeeded());
    ASSERT_EQ(SyncEmaster(dir), kSuccess);
    ExpectInStep(dir);
    const std::vector<std::string> names = [&] {
        std::vector<MasterRecord> master;
        EXPECT_EQ(ReadMasterRecords(dir, master), kSuccess);
        return LongNames(dir, master);
    }();
    EXPECT_EQ(names, (std::vector<std::string>{"1/100 Dow Jones INDU", "", "A NEW ONE"}));
    EmasterHeader header;
    std::vector<EmasterRecord> records;
    ASSERT_EQ(ReadEmaster(dir, header, records), kSuccess);
    EXPECT_EQ(records[0].firstDateLong, 19970924);
    EXPECT_EQ(records[2].fieldMask, 0x7F);

    ASSERT_EQ(RemoveMasterRecords(dir, [](const MasterRecord& r) { return r.fileNumber == 1; }),
              kSuccess);
    ASSERT_EQ(SyncEmaster(dir), kSuccess);
    ExpectInStep(dir);
}

TEST_F(EmasterTest, SyncNeverCreatesOrMangles) {
    const fs::path none = CopyReal(m_temp.path(), "stooq");
    ASSERT_EQ(SyncEmaster(none), kSuccess);
    EXPECT_TRUE(EmasterPath(none).empty());

    // Found whatever its case; a size that is no whole number of records is left alone.
    const fs::path dir = CopyReal(m_temp.path(), "equis_b");
    fs::rename(dir / "EMASTER", dir / "emaster");
    ASSERT_EQ(SetMasterNames(dir, 2, ".FCHI", "CAC FORTY"), kSuccess);
    ASSERT_EQ(SyncEmaster(dir), kSuccess);
    EXPECT_FALSE(fs::exists(dir / "EMASTER"));
    ExpectInStep(dir);
    Bytes bytes = ReadBytes(dir / "emaster");
    bytes.push_back(0);
    test::WriteBytes(dir / "emaster", bytes);
    ASSERT_EQ(SetMasterNames(dir, 2, ".FCHI", "CAC"), kSuccess);
    EXPECT_EQ(SyncEmaster(dir), kUnknownLayout);
    EXPECT_EQ(ReadBytes(dir / "emaster"), bytes);
}

}  // namespace
}  // namespace ticksmith::store
