#include <string>
#include <vector>

#include "ascii/choose_dir.h"
#include "portfolio/skip_list.h"
#include "settings_support.h"

namespace ticksmith {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using Texts = std::vector<std::string>;

Bytes SkipBytes(std::initializer_list<int> skipped, std::uint8_t first = 1) {
    Bytes bytes(256, 0);
    bytes[0] = first;
    for (int number : skipped) {
        bytes[static_cast<std::size_t>(number)] = 1;
    }
    return bytes;
}

TEST(SkipListTest, CreatesReadsAndRepairsTheFile) {
    test::TempDir temp;
    test::RecordingMessenger messenger;
    EXPECT_EQ(portfolio::GetSkipString(temp.path(), messenger), "1" + std::string(255, '0'));
    EXPECT_EQ(test::ReadBytes(temp.path() / "SKIPQLDR.SKB"), SkipBytes({}));
    fs::remove(temp.path() / "SKIPQLDR.SKB");

    // Missing bytes of a short file count as unskipped; any nonzero byte is a skip.
    const Bytes shortFile = {0, 0, 0, 1, 0, 0, 0, 0, 0, 2};
    test::WriteBytes(temp.path() / "skipqldr.skb", shortFile);
    const portfolio::SkipList read = portfolio::GetSkipString(temp.path(), messenger);
    EXPECT_EQ(read, "0001000001" + std::string(246, '0'));
    EXPECT_EQ(messenger.shown, Texts{"Incorrect file length in GetSkipString at.\n" +
                                     temp.path().string() + "\nDelete SKIPQLDR.SKB"});
    EXPECT_EQ(test::ReadBytes(temp.path() / "skipqldr.skb"), shortFile);
    EXPECT_EQ(portfolio::SetSkipString(temp.path(), read), read);
    EXPECT_EQ(test::Snapshot(temp.path()),
              (std::map<std::string, Bytes>{{"skipqldr.skb", SkipBytes({3, 9}, 0)}}));

    test::ReadOnlyDirectory readOnly(temp.path());
    platform::ScopedFileSystem scope(readOnly);
    EXPECT_EQ(portfolio::SetSkipString(temp.path(), read), "");
}

TEST(SkipListTest, SkipsOneSymbolOrAdjustsAll) {
    test::TempDir temp;
    const fs::path dir = temp.path();
    for (const char* symbol : {"AAA", "BBB", "CCC", "DDD", "EEE", "FFF", "GGG"}) {
        test::AddSymbol(dir, symbol, 1);
    }
    test::RecordingMessenger messenger;
    using portfolio::SkipChange;
    EXPECT_FALSE(portfolio::SkipSymbol(dir, "NOPE", SkipChange::kOn, messenger));
    EXPECT_FALSE(fs::exists(dir / "SKIPQLDR.SKB"));

    Bytes twos = SkipBytes({});
    twos[2] = 2;
    test::WriteBytes(dir / "SKIPQLDR.SKB", twos);
    const std::tuple<const char*, SkipChange, Bytes> steps[] = {
        {"GGG", SkipChange::kToggle, SkipBytes({2, 7})},
        {"GGG", SkipChange::kToggle, SkipBytes({2})},
        {"BBB", SkipChange::kOff, SkipBytes({})},
        {"BBB", SkipChange::kOn, SkipBytes({2})},
        {"BBB", SkipChange::kOn, SkipBytes({2})},
    };
    for (const auto& [symbol, change, expected] : steps) {
        EXPECT_TRUE(portfolio::SkipSymbol(dir, symbol, change, messenger));
        EXPECT_EQ(test::ReadBytes(dir / "SKIPQLDR.SKB"), expected) << symbol;
    }
    const auto before = test::Snapshot(dir);
    EXPECT_FALSE(portfolio::SkipSymbol(dir, "NOPE", SkipChange::kToggle, messenger));
    EXPECT_EQ(test::Snapshot(dir), before);

    // The header counts one symbol, but every record to the end of MASTER is skipped.
    const fs::path other = dir / "other";
    fs::create_directory(other);
    test::WriteBytes(
        other / "MASTER",
        test::MasterFile(1, 6, {test::Record(1, "A"), test::Record(2, "B"), test::Record(5, "E")}));
    test::WriteBytes(other / "SKIPQLDR.SKB", SkipBytes({9, 200, 255}, 0));
    EXPECT_TRUE(portfolio::SkipAdjust(other, true, messenger));
    EXPECT_EQ(test::ReadBytes(other / "SKIPQLDR.SKB"), SkipBytes({1, 2, 5}, 0));
    EXPECT_TRUE(portfolio::SkipAdjust(other, false, messenger));
    EXPECT_EQ(test::ReadBytes(other / "SKIPQLDR.SKB"), SkipBytes({}, 0));
    EXPECT_TRUE(messenger.shown.empty());
}

TEST(ChooseDirTest, AcceptsRefusesOrCreates) {
    test::TempDir temp;
    const std::string dir = temp.path().string();
    const auto problem = [](const std::string& path) {
        return "There was a problem creating " + path + ".\nThe new directory was not created.";
    };
    test::WriteBytes(temp.path() / "file", Bytes{1});
    struct Case {
        std::string text;
        std::deque<bool> answers;
        std::string shown;  // the one message box, if any
        bool accepted;
    };
    std::vector<Case> cases = {
        {dir, {}, "", true},
        {"", {}, " is not a valid pathname.", false},
        {dir + "/new", {false}, "", false},
        {dir + "/new", {true}, "", true},
        {dir + "/NEW/SUB", {true}, problem(dir + "/NEW/SUB"), false},
        {dir + "/file", {true}, problem(dir + "/file"), false},
    };
    for (const char bad : std::string("*?|<>\"")) {
        const std::string text = dir + "/a" + bad + "b";
        cases.push_back({text, {}, text + " is not a valid pathname.", false});
    }
    for (const Case& c : cases) {
        test::RecordingMessenger messenger(c.answers);
        const auto chosen = ascii::AcceptChosenDirectory(c.text, messenger);
        EXPECT_EQ(chosen.has_value(), c.accepted) << c.text;
        EXPECT_TRUE(!chosen || (*chosen == c.text && fs::is_directory(*chosen))) << c.text;
        EXPECT_EQ(messenger.asked,
                  Texts(c.answers.size(),
                        "Directory " + c.text + " does not exist.\nCreate this directory?"));
        EXPECT_EQ(messenger.shown, c.shown.empty() ? Texts{} : Texts{c.shown});
        if (!c.answers.empty() && !c.shown.empty()) {
            EXPECT_EQ(messenger.lastIcon, platform::MessageIcon::kInformation);
        }
    }
    EXPECT_FALSE(fs::exists(temp.path() / "NEW"));
}

}  // namespace
}  // namespace ticksmith
