#include <chrono>
#include <memory>
#include <regex>
#include <set>
#include <thread>

#include "platform/names.h"
#include "portfolio/symbols.h"
#include "preparation_support.h"
#include "update/update_run.h"

namespace ticksmith::test {
namespace {

using update::ArchiveKind;
const store::DayNumber kToday = store::DayNumberFromYmd(2004, 1, 5);

int Count(const std::string& text, const std::string& part) {
    int count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

class ArchiveRunTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const fs::path& directory : {m_work, m_updates, m_portfolio, m_tools}) {
            fs::create_directory(directory);
        }
        WriteTestProfile(m_work, "P1", m_updates);
        ASSERT_EQ(store::CreateEmptyMaster(m_portfolio), store::kSuccess);
        portfolio::CurrentPortfolio current;
        ASSERT_TRUE(portfolio::SelectPortfolio(portfolio::MasterPathOf(m_portfolio.string()),
                                               current, m_messenger));
        for (const char* symbol : {"IBM", "MSFT"}) {
            ASSERT_EQ(portfolio::AddSymbol(current, symbol, symbol, "P1", kToday, m_messenger),
                      portfolio::AddSymbolResult::kAdded);
        }
        m_settings.zipEnable = true;
        m_settings.sexEnable = true;
    }

    std::unique_ptr<update::UpdateRun> NewRun() {
        auto run = std::make_unique<update::UpdateRun>(
            m_work, std::vector<std::string>{m_portfolio.string()}, m_settings, "", m_progress,
            m_messenger);
        run->SetClock(1073300000);
        return run;
    }

    // A self-extracting archive whose stub would leave RAN behind if it were executed.
    void WriteSelfExtracting(const std::string& name, const std::vector<ZipEntry>& entries) {
        WriteText(m_updates / name, "#!/bin/sh\ntouch RAN\nexit 0\n" + MakeZip(entries));
        fs::permissions(m_updates / name, fs::perms::owner_all);
    }

    // A stand-in archiver for what the real one cannot show.
    void FakeArchiver(const std::string& body) {
        WriteText(m_tools / "pkunzip", "#!/bin/sh\n" + body);
        fs::permissions(m_tools / "pkunzip", fs::perms::owner_all);
        m_settings.pkunzipPath = m_tools.string();
    }

    std::string Audit() const { return ReadText(m_work / "AUDIT.TXT"); }
    std::string Upper(const fs::path& path) const { return platform::ToUpperAscii(path.string()); }

    TempDir m_temp;
    fs::path m_work = m_temp.path() / "work";
    fs::path m_updates = m_temp.path() / "updates";
    fs::path m_portfolio = m_temp.path() / "port";
    fs::path m_tools = m_temp.path() / "tools";
    settings::ViewSettings m_settings;
    platform::ProgressSink m_progress;
    RecordingMessenger m_messenger;
};

TEST_F(ArchiveRunTest, EachArchiveOnceLoggedThenDeletedAsSet) {
    WriteText(m_updates / "data.zip", MakeZip({{"ibm.txt", "IBM,01/02/04,10\r\n"}}));
    WriteSelfExtracting("Setup.exe", {{"msft.txt", "MSFT,01/02/04,20\r\n"}});
    m_settings.deleteZip = true;
    {
        auto run = NewRun();
        // Both symbols use the directory; the unpacked files serve this run already.
        EXPECT_EQ(run->Run().quotesAdded, 2);
        const std::string audit = Audit();
        const std::regex zipLine("De-Compress of " + Upper(m_updates / "data.zip") +
                                 " took [0-9]+ milliseconds\r\n");
        const std::regex exeLine("Self-Extract of " + Upper(m_updates / "Setup.exe") +
                                 " took [0-9]+ milliseconds\r\n");
        EXPECT_TRUE(std::regex_search(audit, zipLine)) << audit;
        EXPECT_TRUE(std::regex_search(audit, exeLine)) << audit;
        EXPECT_EQ(Count(audit, " took "), 2) << audit;
        EXPECT_LT(audit.find("Self-Extract of"), audit.find("De-Compress of"));
        EXPECT_EQ(run->ExpandOne(ArchiveKind::kZip, m_updates, "DATA.ZIP"),
                  update::ArchiveResult::kNothingToDo);
        EXPECT_EQ(run->ExpandOne(ArchiveKind::kSelfExtracting, m_updates, "Setup.exe"),
                  update::ArchiveResult::kNothingToDo);
    }
    EXPECT_FALSE(fs::exists(m_updates / "data.zip"));
    EXPECT_TRUE(fs::exists(m_updates / "Setup.exe"));  // DeleteSex is off
    EXPECT_TRUE(fs::exists(m_updates / "ibm.txt"));
    EXPECT_TRUE(fs::exists(m_updates / "msft.txt"));
    EXPECT_FALSE(fs::exists(m_updates / "RAN"));
}

TEST_F(ArchiveRunTest, ArchiverGetsUpperCasedNameAndPasswordInTheArchivesDirectory) {
    const fs::path log = m_temp.path() / "calls.txt";
    FakeArchiver("echo \"$(pwd -P) $*\" >> " + log.string() + "\necho unpacked 0 bytes\n");
    m_settings.zipPasswordEnable = true;
    m_settings.zipPassword = "pw";
    WriteText(m_updates / "data.zip", "");
    WriteText(m_updates / "Setup.exe", "");
    auto run = NewRun();
    EXPECT_EQ(run->ExpandOne(ArchiveKind::kZip, m_updates, "data.zip"),
              update::ArchiveResult::kExpanded);
    EXPECT_EQ(run->ExpandOne(ArchiveKind::kSelfExtracting, m_updates, "Setup.exe"),
              update::ArchiveResult::kExpanded);
    EXPECT_EQ(run->ExpandOne(ArchiveKind::kZip, m_updates, "none.zip"),
              update::ArchiveResult::kNothingToDo);
    const std::string directory = fs::canonical(m_updates).string();
    EXPECT_EQ(ReadText(log), directory + " DATA.ZIP -o -spw -b1048576\n" + directory +
                                 " SETUP.EXE -o -b1048576\n");

    // A kind switched off is not started, nor deleted.
    m_settings.sexEnable = false;
    m_settings.deleteSex = true;
    {
        auto off = NewRun();
        EXPECT_EQ(off->ExpandOne(ArchiveKind::kSelfExtracting, m_updates, "Setup.exe"),
                  update::ArchiveResult::kKindOff);
        EXPECT_TRUE(off->Run().started);
    }
    EXPECT_EQ(Count(ReadText(log), "SETUP.EXE"), 1);
    EXPECT_TRUE(fs::exists(m_updates / "Setup.exe"));
}

TEST_F(ArchiveRunTest, FailureStopsItsKindAndTheFailedArchiveStays) {
    WriteText(m_updates / "a.zip", MakeZip({{"../x.txt", "evil\n"}}));
    WriteText(m_updates / "b.zip", MakeZip({{"b.txt", "b\n"}}));
    WriteSelfExtracting("c.exe", {{"c.txt", "c\n"}});
    const fs::path elsewhere = m_temp.path() / "elsewhere";
    fs::create_directory(elsewhere);
    WriteText(elsewhere / "z.zip", MakeZip({{"z.txt", "z\n"}}));
    m_settings.deleteZip = true;
    m_settings.deleteSex = true;
    {
        auto run = NewRun();
        // A refused archive makes the run a failure, though the other archives were unpacked.
        const update::UpdateResult result = run->Run();
        EXPECT_TRUE(result.archiveFailed);
        EXPECT_FALSE(result.Succeeded());
        const std::string audit = Audit();
        EXPECT_EQ(Count(audit, "ERROR: De-Compress failure for file a.zip\r\n"), 1) << audit;
        EXPECT_EQ(Count(audit, "De-Compress"), 1) << audit;
        EXPECT_EQ(Count(audit, "Self-Extract of "), 1) << audit;
        EXPECT_EQ(run->ExpandOne(ArchiveKind::kZip, elsewhere, "z.zip"),
                  update::ArchiveResult::kNotTried);
        EXPECT_NE(std::find(m_messenger.shown.begin(), m_messenger.shown.end(),
                            "De-Compress failed for file\n\n" + (m_updates / "a.zip").string() +
                                "\n\npkunzip: refusing ../x.txt: it leads out of the directory"),
                  m_messenger.shown.end());
    }
    EXPECT_TRUE(fs::exists(m_updates / "a.zip"));
    EXPECT_TRUE(fs::exists(m_updates / "b.zip"));
    EXPECT_FALSE(fs::exists(m_updates / "b.txt"));
    EXPECT_FALSE(fs::exists(m_temp.path() / "x.txt"));
    EXPECT_FALSE(fs::exists(elsewhere / "z.txt"));
    EXPECT_FALSE(fs::exists(m_updates / "c.exe"));
    EXPECT_EQ(ReadText(m_updates / "c.txt"), "c\n");
}

TEST_F(ArchiveRunTest, ArchiverThatCannotStartFlagsOnlySelfExtracting) {
    m_settings.pkunzipPath = m_tools.string();  // holds no archiver
    WriteText(m_updates / "data.zip", MakeZip({{"ibm.txt", "x\n"}}));
    WriteSelfExtracting("setup.exe", {{"msft.txt", "x\n"}});
    m_settings.sexEnable = false;
    EXPECT_FALSE(NewRun()->Run().selfExtractFailed);
    EXPECT_EQ(Count(Audit(), "ERROR: De-Compress failure for file data.zip\r\n"), 1);
    EXPECT_EQ(m_messenger.shown.front(),
              "CreateProcess failed while trying to De-Compress based on this command line\n\n" +
                  (m_tools / "pkunzip").string() + " DATA.ZIP -o -b1048576");

    m_settings.sexEnable = true;
    m_settings.zipEnable = false;
    EXPECT_TRUE(NewRun()->Run().selfExtractFailed);
    EXPECT_EQ(Count(Audit(), "ERROR: Self-Extract failure for file setup.exe\r\n"), 1);
    EXPECT_FALSE(fs::exists(m_updates / "ibm.txt"));
    EXPECT_FALSE(fs::exists(m_updates / "RAN"));
}

TEST_F(ArchiveRunTest, SlowArchiverIsStoppedWithWhatItStarted) {
    const fs::path late = m_temp.path() / "LATE";
    FakeArchiver("(sleep 0.4; touch " + late.string() + ") &\nsleep 10\n");
    WriteText(m_updates / "a.zip", "");
    WriteText(m_updates / "b.zip", "");
    auto run = NewRun();
    run->SetArchiverTimeLimit(std::chrono::milliseconds(200));
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(run->ExpandOne(ArchiveKind::kZip, m_updates, "a.zip"),
              update::ArchiveResult::kFailed);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));
    std::this_thread::sleep_until(started + std::chrono::milliseconds(700));
    EXPECT_FALSE(fs::exists(late));
}

TEST_F(ArchiveRunTest, HalfWrittenFilesOfAKilledArchiverAreNeverRead) {
    // Left by an archiver of an earlier version that was killed while writing 50.50.
    WriteText(m_updates / "Q250106.TXT.tmp", "IBM,01/06/04,50");
    // One that is killed now, writing into its private folder.
    FakeArchiver(
        "mkdir .pkunzip.$$\nprintf 'MSFT,01/06/04,20' > .pkunzip.$$/Q250107.TXT.tmp\nsleep 10\n");
    WriteText(m_updates / "a.zip", "");
    auto run = NewRun();
    run->SetArchiverTimeLimit(std::chrono::milliseconds(300));
    const update::UpdateResult result = run->Run();
    EXPECT_EQ(result.quotesAdded, 0);
    EXPECT_TRUE(result.archiveFailed);
    EXPECT_EQ(Count(Audit(), "Quote for"), 0) << Audit();
    std::set<std::string> left;
    for (const auto& entry : fs::directory_iterator(m_updates)) {
        left.insert(entry.path().filename().string());
    }
    EXPECT_EQ(left, (std::set<std::string>{"Q250106.TXT.tmp", "a.zip"}));
    ASSERT_FALSE(m_messenger.shown.empty());
    EXPECT_EQ(m_messenger.shown.front(),
              "De-Compress failed for file\n\n" + (m_updates / "a.zip").string() +
                  "\n\nIt did not finish within 300 milliseconds and was stopped.");
}

TEST_F(ArchiveRunTest, NestedArchivesCountAgainstTheirParentAndTheRunHasOneTotal) {
    const std::string payload(100000, '0');
    std::vector<ZipEntry> inner;
    std::size_t innerBytes = 0;
    for (const char* name : {"a", "b", "c"}) {
        inner.emplace_back(std::string(name) + ".zip",
                           MakeZip({{std::string(name) + ".txt", payload}}));
        innerBytes += inner.back().data.size();
    }
    const std::string outer = MakeZip(inner);
    WriteText(m_updates / "outer.zip", outer);
    ASSERT_LT(outer.size() * 3, payload.size());
    // Room for the outer archive's files and one and a half of what the inner ones hold.
    update::ExtractionLimits limits;
    limits.ratio = 3;
    limits.floorBytes = static_cast<std::int64_t>(innerBytes + payload.size() * 3 / 2);
    {
        auto run = NewRun();
        run->SetExtractionLimits(limits);
        EXPECT_TRUE(run->Run().archiveFailed);
        const std::string audit = Audit();
        EXPECT_EQ(Count(audit, "De-Compress of "), 2) << audit;
        EXPECT_EQ(Count(audit, "ERROR: De-Compress failure for file b.zip"), 1) << audit;
        EXPECT_TRUE(fs::exists(m_updates / "a.txt"));
        EXPECT_FALSE(fs::exists(m_updates / "b.txt"));
        EXPECT_FALSE(fs::exists(m_updates / "c.txt"));
    }

    // Two directories, each well within its own ratio, share the run's total.
    const fs::path other = m_temp.path() / "other";
    fs::create_directory(other);
    WriteText(other / "d.zip", MakeZip({{"d.txt", payload}}));
    WriteText(m_updates / "e.zip", MakeZip({{"e.txt", payload}}));
    limits = {};
    limits.totalBytes = static_cast<std::int64_t>(payload.size() * 3 / 2);
    auto run = NewRun();
    run->SetExtractionLimits(limits);
    EXPECT_EQ(run->ExpandOne(ArchiveKind::kZip, other, "d.zip"), update::ArchiveResult::kExpanded);
    EXPECT_EQ(run->ExpandOne(ArchiveKind::kZip, m_updates, "e.zip"),
              update::ArchiveResult::kFailed);
    EXPECT_FALSE(fs::exists(m_updates / "e.txt"));
}

TEST_F(ArchiveRunTest, ControlCharactersInNamesStayOnOneAuditLine) {
    WriteText(m_updates / "data.zip", MakeZip({{"ibm\n.txt", "IBM,01/02/04,10\r\n"}}));
    WriteText(m_updates / "zz\x01.zip", MakeZip({{"../x.txt", "evil\n"}}));
    m_settings.newSymbols = true;
    fs::create_directory(m_work / "Lasttime");
    const update::UpdateResult result = NewRun()->Run();
    EXPECT_EQ(result.quotesAdded, 1);
    EXPECT_TRUE(result.archiveFailed);
    const std::string audit = Audit();
    EXPECT_EQ(Count(audit, "ERROR: De-Compress failure for file zz\\x01.zip\r\n"), 1) << audit;
    EXPECT_EQ(Count(audit, " from file " + m_updates.string() + "/ibm\\n.txt\r\n"), 1) << audit;
    // The list of lines seen still finds the file the log names.
    EXPECT_EQ(Count(ReadText(m_work / "Lasttime" / "Lasttime.txt"), "IBM"), 1);
}

}  // namespace
}  // namespace ticksmith::test
