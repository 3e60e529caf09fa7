#include <cstdlib>
#include <map>
#include <optional>
#include <string>

#include "platform/names.h"
#include "settings/qt_settings_store.h"
#include "settings/view_settings.h"
#include "settings_support.h"

namespace ticksmith::settings {
namespace {

namespace fs = std::filesystem;
using Values = std::map<std::pair<std::string, std::string>, std::string>;

TEST(SettingsStoreTest, ScansLeadingNumbersAndCapsStrings) {
    const std::pair<std::optional<std::string>, int> ints[] = {
        {"12abc", 12}, {" -7", -7}, {"+3", 3}, {"abc", 5}, {"", 5}, {"-", 5}, {std::nullopt, 5}};
    for (const auto& [text, expected] : ints) {
        MemorySettingsStore store;
        if (text) {
            store.WriteString("S", "V", *text);
        }
        EXPECT_EQ(store.ReadInt("S", "V", 5), expected) << text.value_or("(missing)");
    }
    MemorySettingsStore store;
    store.WriteString("S", "Long", std::string(300, 'x'));
    EXPECT_EQ(store.ReadString("S", "Long", ""), std::string(259, 'x'));
    EXPECT_EQ(store.ReadString("Other", "Long", "dflt"), "dflt");
}

TEST(SettingsStoreTest, ImportsIniText) {
    const std::string longLine = "A=" + std::string(517, 'x') + "B=2";
    const std::pair<std::string, Values> cases[] = {
        {"[Search]\r\nLimit=0\r\nName=E:\\DATA\r\n",
         {{{"Search", "Limit"}, "0"}, {{"Search", "Name"}, "E:\\DATA"}}},
        // Only the line is trimmed, so this does not replace "Limit".
        {"[Search]\nLimit = 0\n", {{{"Search", "Limit "}, " 0"}}},
        {"Early=1\nno equals\n[S]\nA=b=c\nEmpty=\n", {{{"S", "A"}, "b=c"}, {{"S", "Empty"}, ""}}},
        {"  [ ZIP ] \t\n\tDeleteZip=1\t\n", {{{"ZIP", "DeleteZip"}, "1"}}},
        {"[S]\n[x]=1\nx[T]\n[a]b]=2\n", {{{"S", "[x]"}, "1"}, {{"S", "[a]b]"}, "2"}}},
        {"[S]\nA=1\n[T]\nA=2\n[S]\nA=3", {{{"S", "A"}, "3"}, {{"T", "A"}, "2"}}},
        // A line longer than the 519-character buffer arrives in pieces.
        {"[S]\n" + longLine + "\n", {{{"S", "A"}, std::string(517, 'x')}, {{"S", "B"}, "2"}}},
    };
    for (const auto& [text, expected] : cases) {
        MemorySettingsStore store;
        ImportIniText(text, store);
        EXPECT_EQ(store.Values(), expected) << text.substr(0, 60);
    }
}

TEST(QtSettingsStoreTest, KeepsEveryTextAcrossReopening) {
    test::TempDir temp;
    const fs::path file = temp.path() / "settings.ini";
    const Values texts = {{{"Search", "Limit "}, " 0"},
                          {{"Search", "Name"}, "E:\\DATA\\sub dir"},
                          {{"My Section", "a b"}, "x, y; #z"},
                          {{"ZIP", "PkunzipPath"}, "/opt/\xC3\xBC"},
                          {{"Edit", "Open"}, "@Invalid()"},
                          {{"Edit", "Hi"}, "two\r\nlines"},
                          {{"Edit", "Date"}, ""},
                          {{"Search", "Long"}, std::string(300, 'n')}};
    {
        QtSettingsStore store(file);
        for (const auto& [key, text] : texts) {
            EXPECT_TRUE(store.WriteString(key.first, key.second, text));
        }
        EXPECT_TRUE(store.WriteInt("Settings", "DisplayLimit", 0));
    }
    QtSettingsStore store(file);
    for (const auto& [key, text] : texts) {
        EXPECT_EQ(store.ReadText(key.first, key.second), text) << key.first << "/" << key.second;
    }
    EXPECT_EQ(store.ReadInt("Search", "Limit", 1), 1);
    EXPECT_EQ(store.ReadString("Search", "Long", ""), std::string(259, 'n'));
    // Integers are plain text in the file, not a serialised variant.
    const test::Bytes bytes = test::ReadBytes(file);
    EXPECT_NE(std::string(bytes.begin(), bytes.end()).find("DisplayLimit=0"), std::string::npos);
}

TEST(QtSettingsStoreTest, UserStoreImportsTheOldIniOnlyWhenItIsCreated) {
    test::TempDir temp;
    // Set before the first user store of the process, which fixes Qt's configuration path.
    ::setenv("XDG_CONFIG_HOME", temp.path().c_str(), 1);
    const fs::path dir = temp.path() / "Kestrel Bay Software";
    fs::create_directories(dir);
    test::WriteBytes(dir / "Ticksmith.INI",
                     std::string("[Search]\r\nLimit=0\r\nName=E:\\DATA\r\n"));
    {
        const auto store = QtSettingsStore::OpenUserStore();
        ASSERT_EQ(LegacyIniPath(store->FilePath()), dir / "Ticksmith.INI");
        EXPECT_EQ(store->ReadInt("Search", "Limit", 1), 0);
        EXPECT_EQ(store->ReadString("Search", "Name", ""), "E:\\DATA");
    }
    test::WriteBytes(dir / "Ticksmith.INI", std::string("[Search]\r\nLimit=7\r\nMasterFix=1\r\n"));
    const auto store = QtSettingsStore::OpenUserStore();
    EXPECT_EQ(store->ReadInt("Search", "Limit", 1), 0);
    EXPECT_EQ(store->ReadText("Search", "MasterFix"), std::nullopt);
}

// Loading reads the store only: the working directory's files are the start-up's to make.
TEST(ViewSettingsTest, LoadsInOrderAndChangesNoFile) {
    test::TempDir temp;
    const fs::path wd = temp.path() / "work dir";
    fs::create_directory(wd);
    MemorySettingsStore store;
    ViewSettings view = LoadViewSettings(store, wd);
    EXPECT_TRUE(view.displayRecent && view.searchLimit);
    EXPECT_FALSE(view.showingGraph || view.masterFix || view.auditEnable || view.zipEnable ||
                 view.deleteTxt || view.newSymbols);
    EXPECT_EQ(view.workingDirectory, wd);
    EXPECT_EQ(view.searchName, wd.string());
    EXPECT_EQ(view.searchFilter, platform::ToUpperAscii(wd.string()));
    EXPECT_TRUE(fs::is_empty(wd));
    EXPECT_TRUE(store.Values().empty());

    ImportIniText(
        "[Settings]\nDisplayLimit=0\n[Search]\nLimit=0\nName=e:\\Data\n"
        "[Audit]\nAuditEnable=1abc\n[ZIP]\nZipEnable=junk\nPkunzipPath=/opt/pk\n",
        store);
    view = LoadViewSettings(store, wd);
    EXPECT_FALSE(view.displayRecent || view.searchLimit || view.zipEnable);
    EXPECT_TRUE(view.auditEnable);
    EXPECT_EQ(view.searchFilter, "E:\\DATA");
    EXPECT_EQ(view.pkunzipPath, "/opt/pk");
    EXPECT_TRUE(fs::is_empty(wd));
}

}  // namespace
}  // namespace ticksmith::settings
