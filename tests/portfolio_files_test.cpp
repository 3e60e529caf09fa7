#include <gtest/gtest.h>

#include <set>

#include "platform/messenger.h"
#include "portfolio/discovery.h"
#include "portfolio/portfolio_files.h"
#include "test_support.h"

namespace ticksmith::test {
namespace {

class Answers : public platform::Messenger {
  public:
    void Show(std::string_view text, platform::MessageIcon) override { shown.emplace_back(text); }
    bool AskYesNo(std::string_view, platform::MessageIcon) override { return yes; }
    bool AskOkCancel(std::string_view, platform::MessageIcon) override { return yes; }
    void Play(platform::Sound) override {}
    bool yes = true;
    std::vector<std::string> shown;
};

TEST(PortfolioFilesTest, AddCreatesOneLevelAndKeepsOrEmptiesAnExistingMaster) {
    TempDir temp;
    Answers answers;
    EXPECT_FALSE(portfolio::AcceptPortfolioPath("  ", answers));
    EXPECT_FALSE(portfolio::AcceptPortfolioPath((temp.path() / "a" / "b").string(), answers));
    EXPECT_EQ(answers.shown, (std::vector<std::string>{"You did not enter a path",
                                                       "The portfolio could not be created."}));
    const auto added =
        portfolio::AcceptPortfolioPath(" " + (temp.path() / "new").string() + "//", answers);
    ASSERT_TRUE(added);
    EXPECT_EQ(*added, (temp.path() / "new").string());

    portfolio::CurrentPortfolio current;
    std::vector<std::string> list = {"/zzz"};
    const portfolio::SearchFilter off{false, ""};
    ASSERT_TRUE(portfolio::AddPortfolio(*added, current, list, off, answers));
    EXPECT_EQ(ReadBytes(temp.path() / "new" / "MASTER"), Bytes(store::kMasterRecordSize, 0));
    EXPECT_EQ(current.portfolioDir, *added);
    EXPECT_EQ(list, (std::vector<std::string>{*added, "/zzz"}));

    AddSymbol(temp.path() / "new", "IBM", 3);
    const Bytes full = ReadBytes(temp.path() / "new" / "MASTER");
    answers.yes = false;  // keep it
    ASSERT_TRUE(portfolio::AddPortfolio(*added, current, list, off, answers));
    EXPECT_EQ(ReadBytes(temp.path() / "new" / "MASTER"), full);
    answers.yes = true;  // empty it, with a backup
    ASSERT_TRUE(portfolio::AddPortfolio(*added, current, list, {true, "/ELSEWHERE"}, answers));
    EXPECT_EQ(ReadBytes(temp.path() / "new" / "MASTER.BAK"), full);
    EXPECT_EQ(ReadBytes(temp.path() / "new" / "MASTER"), Bytes(store::kMasterRecordSize, 0));
    EXPECT_TRUE(fs::exists(temp.path() / "new" / "F1.DAT"));
    EXPECT_NE(answers.shown.back().find("Search Filter"), std::string::npos);
    EXPECT_EQ(list.size(), 2u);
}

TEST(PortfolioFilesTest, DeleteNeverEntersSubDirectoriesAndNoKeepsEverything) {
    TempDir temp;
    const fs::path dir = temp.path() / "P";
    fs::create_directories(dir);
    AddSymbol(dir, "IBM", 3);
    fs::create_directories(dir / "sub");
    WriteBytes(dir / "sub" / "keep.txt", Bytes{1});
    Answers answers;
    answers.yes = false;
    EXPECT_FALSE(portfolio::DeletePortfolio(dir.string(), true, answers));
    EXPECT_TRUE(fs::exists(dir / "MASTER"));

    answers.yes = true;
    EXPECT_FALSE(portfolio::DeletePortfolio(dir.string(), true, answers));
    EXPECT_FALSE(fs::exists(dir / "MASTER"));
    EXPECT_FALSE(fs::exists(dir / "F1.DAT"));
    EXPECT_TRUE(fs::exists(dir / "sub" / "keep.txt"));
    ASSERT_FALSE(answers.shown.empty());
    EXPECT_NE(answers.shown.back().find("Not all of the portfolio elements"), std::string::npos);

    fs::remove_all(dir / "sub");
    EXPECT_TRUE(portfolio::DeletePortfolio(dir.string(), true, answers));
    EXPECT_FALSE(fs::exists(dir));
}

// The scan's progress names each directory as it is searched and counts the portfolios found
// so far; what the last notification carries is where the scan ended.
TEST(PortfolioScanTest, ProgressNamesEachDirectoryAndCountsWhatWasFound) {
    TempDir temp;
    const fs::path root = temp.path();
    for (const char* dir : {"a", "b/c", "d"}) {
        fs::create_directories(root / dir);
    }
    WriteBytes(root / "a" / "MASTER", MasterFile(0, 0, {}));
    WriteBytes(root / "b" / "c" / "master", MasterFile(0, 0, {}));
    std::set<std::string> searched;
    std::vector<std::string> found;
    platform::ProgressSnapshot last;
    platform::ProgressSink progress([&](const platform::ProgressSnapshot& snapshot) {
        searched.insert(snapshot.Text(portfolio::kScanDirectoryText));
        // The count never runs ahead of the portfolios found.
        EXPECT_LE(snapshot.done, static_cast<long long>(found.size()) + 1);
        last = snapshot;
    });
    portfolio::SearchDirectory(root.string(), {false, ""}, found, &progress);
    EXPECT_EQ(found.size(), 2u);
    EXPECT_EQ(searched,
              (std::set<std::string>{root.string(), (root / "a").string(), (root / "b").string(),
                                     (root / "b" / "c").string(), (root / "d").string()}));
    EXPECT_EQ(last.done, 2);
    EXPECT_EQ(last.total, 0);
}

}  // namespace
}  // namespace ticksmith::test
