#include "update/manual_date.h"
#include "preparation_support.h"

namespace ticksmith::test {
namespace {

class ManualDateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const fs::path& directory : {m_work, m_comma, m_shared, m_portfolio}) {
            fs::create_directory(directory);
        }
        WriteTestProfile(m_work, "A", m_comma);
        // Two profiles share a directory; "b" is listed before "C" and brings its tab.
        WriteTestProfile(m_work, "b", m_shared, 1);
        WriteTestProfile(m_work, "C", m_shared, 0);
        WriteText(m_shared / "shared.txt", "IBM 1\r\n");
    }

    TempDir m_temp;
    fs::path m_work = m_temp.path() / "work";
    fs::path m_comma = m_temp.path() / "comma";
    fs::path m_shared = m_temp.path() / "shared";
    fs::path m_portfolio = m_temp.path() / "port";
};

TEST_F(ManualDateTest, PrefixesEachLineOnceAndKeepsTheOriginal) {
    const std::string longLine(700, 'x');
    const std::string original =
        "12.5,13.0,IBM\r\n\r\n  \t \r\nIBM,01/05/04,1\r\n"
        "MSFT,x01/05/04y,2\n" +
        longLine + "\r\n";
    WriteText(m_comma / "data.txt", original);
    WriteText(m_comma / "done.txt", "IBM,01/05/04,1\r\n");
    // Text up to 4 KiB, then a NUL: an archive, say.
    const std::string binary = std::string(4000, 'a') + '\0' + "b\r\n";
    WriteText(m_comma / "data.zip", binary);

    const update::ManualDateResult first = update::AssignManualDate(m_work, "  01/05/04 ");
    EXPECT_EQ(first.filesChanged, 2);
    EXPECT_TRUE(first.failed.empty());
    EXPECT_EQ(ReadText(m_comma / "data.txt"),
              "01/05/04,12.5,13.0,IBM\r\n\r\n  \t \r\nIBM,01/05/04,1\r\nMSFT,x01/05/04y,2\r\n"
              "01/05/04," +
                  longLine + "\r\n");
    EXPECT_EQ(ReadText(m_comma / "BAK" / "DATA.TXT"), original);
    EXPECT_EQ(ReadText(m_comma / "data.zip"), binary);
    EXPECT_FALSE(fs::exists(m_comma / "BAK" / "DATA.ZIP"));
    EXPECT_FALSE(fs::exists(m_comma / "BAK" / "DONE.TXT"));
    EXPECT_FALSE(fs::exists(m_comma / "TEMP.TXT"));
    EXPECT_EQ(ReadText(m_shared / "shared.txt"), "01/05/04\tIBM 1\r\n");

    const auto before = Snapshot(m_temp.path());
    EXPECT_EQ(update::AssignManualDate(m_work, "01/05/04").filesChanged, 0);
    EXPECT_EQ(Snapshot(m_temp.path()), before);
}

TEST_F(ManualDateTest, CommasAndTabsOfTheTextBecomeSpaces) {
    EXPECT_EQ(update::ManualDateText("01,05\t04"), "01 05 04");
    WriteText(m_comma / "data.txt", "IBM,1\r\n");
    EXPECT_EQ(update::AssignManualDate(m_work, "01,05\t04").filesChanged, 2);
    EXPECT_EQ(ReadText(m_comma / "data.txt"), "01 05 04,IBM,1\r\n");
    EXPECT_EQ(ReadText(m_shared / "shared.txt"), "01 05 04\tIBM 1\r\n");
}

TEST_F(ManualDateTest, UpdateCommandAssignsBeforeTheRun) {
    ASSERT_EQ(store::CreateEmptyMaster(m_portfolio), store::kSuccess);
    WriteText(m_comma / "data.txt", "IBM,1\r\n");
    const CliResult run =
        RunCliIn(m_work, {"update", "--manual-date", "01,05,04", m_portfolio.string()});
    EXPECT_EQ(run.code, cli::kExitSuccess) << run.err;
    EXPECT_EQ(ReadText(m_comma / "data.txt"), "01 05 04,IBM,1\r\n");
    EXPECT_EQ(ReadText(m_comma / "BAK" / "DATA.TXT"), "IBM,1\r\n");
}

TEST_F(ManualDateTest, AFileThatCannotTakeTheDateKeepsTheUpdateFromStarting) {
    ASSERT_EQ(store::CreateEmptyMaster(m_portfolio), store::kSuccess);
    WriteText(m_comma / "data.txt", "IBM,1\r\n");
    RecordingMessenger messenger;
    ASSERT_TRUE(profiles::CreateDefaultProfile(m_work, messenger));
    const auto before = Snapshot(m_portfolio);
    CliResult run;
    {
        FailingFileSystem failing(0);  // the first backup cannot be created
        platform::ScopedFileSystem scope(failing);
        run = RunCliIn(m_work, {"update", "--manual-date", "01/05/04", m_portfolio.string()});
    }
    EXPECT_EQ(run.code, cli::kExitFailure);
    EXPECT_NE(run.err.find("Update Quotes did not start"), std::string::npos) << run.err;
    EXPECT_EQ(Snapshot(m_portfolio), before);
    EXPECT_FALSE(fs::exists(m_work / "AUDIT.TXT"));
}

}  // namespace
}  // namespace ticksmith::test
