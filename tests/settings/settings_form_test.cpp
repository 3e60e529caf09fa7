// What the Settings dialog hands to the core: the form's checks, the values it stores and the
// follow-up a change asks for.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/child_process.h"
#include "portfolio/discovery.h"
#include "settings/setting_keys.h"
#include "settings/view_settings.h"
#include "test_support.h"
#include "update/archiver.h"
#include "update/settings_check.h"

namespace ticksmith::settings {
namespace {

namespace fs = std::filesystem;
using Values = std::map<std::pair<std::string, std::string>, std::string>;

// A store that refuses one section, as a settings file that cannot be written would.
class RefusingStore : public MemorySettingsStore {
  public:
    bool WriteText(std::string_view section, std::string_view value,
                   std::string_view text) override {
        return section != "ZIP" && MemorySettingsStore::WriteText(section, value, text);
    }
};

TEST(ViewSettingsWriteTest, StoresEveryEditedValueSoThatTheyLoadBackAsWritten) {
    ViewSettings settings;
    settings.searchLimit = false;
    settings.searchName = "/Mnt/Data";
    settings.masterFix = settings.auditEnable = settings.soundDisable = true;
    settings.newSymbols = settings.handAdd = settings.volumeAsInteger = true;
    settings.sexEnable = settings.sexPasswordEnable = settings.deleteSex = true;
    settings.sexPassword = "exe";
    settings.zipEnable = settings.deleteZip = true;
    settings.zipPassword = "zip";
    settings.pkunzipPath = "/opt/Tools";
    settings.deleteTxt = true;
    settings.catchUp = false;
    MemorySettingsStore store;
    ASSERT_TRUE(WriteViewSettings(store, settings));
    const Values expected = {
        {{"Search", "Limit"}, "0"},
        {{"Search", "Name"}, "/Mnt/Data"},
        {{"Search", "MasterFix"}, "1"},
        {{"Audit", "AuditEnable"}, "1"},
        {{"Sounds", "SoundDisable"}, "1"},
        {{"NewSymb", "NewSymb"}, "1"},
        {{"NewSymb", "HandAdd"}, "1"},
        {{"Int", "VOL"}, "1"},
        {{"Int", "OI"}, "0"},
        {{"SEX", "SexEnable"}, "1"},
        {{"SEX", "SexPassword"}, "exe"},
        {{"SEX", "SexPasswordEnable"}, "1"},
        {{"SEX", "DeleteSex"}, "1"},
        {{"ZIP", "ZipEnable"}, "1"},
        {{"ZIP", "ZipPassword"}, "zip"},
        {{"ZIP", "ZipPasswordEnable"}, "0"},
        {{"ZIP", "DeleteZip"}, "1"},
        {{"ZIP", "PkunzipPath"}, "/opt/Tools"},
        {{"CleanUp", "DeleteTxt"}, "1"},
        {{"Update", "CatchUp"}, "0"},
    };
    EXPECT_EQ(store.Values(), expected);
    const ViewSettings loaded = LoadViewSettings(store, "/work");
    EXPECT_EQ(loaded.searchFilter, "/MNT/DATA");
    EXPECT_EQ(loaded.pkunzipPath, "/opt/Tools");
    EXPECT_TRUE(loaded.handAdd && loaded.deleteSex && !loaded.catchUp && !loaded.searchLimit);

    // One refused section: said so, and the rest is written all the same.
    RefusingStore refusing;
    EXPECT_FALSE(WriteViewSettings(refusing, settings));
    EXPECT_EQ(refusing.Values().size(), expected.size() - 5);
}

TEST(ViewSettingsWriteTest, OnlyAFilterChangeRescansAndOnlyTheNumberDisplayRefills) {
    ViewSettings before;
    before.searchLimit = true;
    before.searchName = "/mnt/data";
    const auto after = [&before](auto change) {
        ViewSettings changed = before;
        change(changed);
        return FollowUpOf(before, changed);
    };
    using enum SettingsFollowUp;
    EXPECT_EQ(after([](ViewSettings&) {}), kNothing);
    EXPECT_EQ(after([](ViewSettings& s) { s.searchName = "/MNT/Data"; }), kNothing);
    EXPECT_EQ(after([](ViewSettings& s) { s.searchName = "/mnt/data/stocks"; }), kRescan);
    // Switched off with the same text: the walk now enters everything.
    EXPECT_EQ(after([](ViewSettings& s) { s.searchLimit = false; }), kRescan);
    EXPECT_EQ(after([](ViewSettings& s) { s.volumeAsInteger = true; }), kRefillQuotes);
    EXPECT_EQ(after([](ViewSettings& s) { s.openInterestAsInteger = true; }), kRefillQuotes);
    EXPECT_EQ(after([](ViewSettings& s) {
                  s.volumeAsInteger = true;
                  s.searchName = "/other";
              }),
              kRescan);
    EXPECT_EQ(after([](ViewSettings& s) {
                  s.zipEnable = s.deleteTxt = s.masterFix = s.soundDisable = true;
                  s.catchUp = false;
              }),
              kNothing);
    // With the filter off its text does not matter.
    before.searchLimit = false;
    EXPECT_EQ(after([](ViewSettings& s) { s.searchName = "/elsewhere"; }), kNothing);
}

TEST(SettingsFormTest, TheFilterLiesOnTheDeepestDriveThatHoldsIt) {
    const std::vector<std::string> drives = {"/", "/home", "/mnt/E/", "/mnt/e/data"};
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"/home/investor/data", "/home"},
        {"/homework/data", "/"},
        {"/home", "/home"},
        {"/MNT/E/stocks", "/mnt/E/"},
        {"/mnt/e/data/stocks", "/mnt/e/data"},
        {"/mnt/e/../../home/x", "/home"},
        {"data/stocks", std::nullopt},
        {"", std::nullopt},
        {"E:\\DATA", std::nullopt},
    };
    for (const auto& [filter, drive] : cases) {
        EXPECT_EQ(portfolio::DriveOfFilter(filter, drives), drive) << filter;
    }
    EXPECT_EQ(portfolio::DriveOfFilter("/home/x", {"/mnt"}), std::nullopt);
}

TEST(SettingsFormTest, ChecksTheArchiverFirstThenTheFilterDrive) {
    test::TempDir temp;
    const fs::path tools = temp.path() / "tools";
    fs::create_directories(tools);
    const std::vector<std::string> drives = {temp.path().string()};
    ViewSettings settings;
    settings.searchLimit = true;
    settings.searchName = (temp.path() / "data").string();
    settings.zipEnable = true;
    settings.pkunzipPath = tools.string();
    const auto check = [&] { return update::CheckSettingsForm(settings, drives); };

    const std::string missing = "PKUNZIP.EXE was not found at\n" + tools.string() +
                                "\n\nPlease correct the path or \ndisable automatic decompression.";
    auto problem = check();
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->field, update::SettingsField::kPkunzipPath);
    EXPECT_EQ(problem->message, missing);
    // There but not startable, or a directory of that name: still refused.
    const fs::path program = tools / "PKUNZIP";
    test::WriteBytes(program, std::string("#!/bin/sh\n"));
    fs::permissions(program, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(check()->message, missing);
    fs::permissions(program, fs::perms::owner_all);
    // Found whatever the case of its name, as the run finds it.
    EXPECT_EQ(update::ArchiverProgramIn(tools.string()), program);
    EXPECT_FALSE(check());

    // Empty, the path means the program's own directory.
    settings.pkunzipPath.clear();
    EXPECT_EQ(update::ArchiverProgramIn(""),
              platform::ExecutableDirectory() / std::string(update::kArchiverName));
    settings.zipEnable = false;
    settings.searchName = "data";
    problem = check();
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->field, update::SettingsField::kSearchName);
    EXPECT_EQ(problem->message, "The Search Filter path refers to an unknown drive");
    settings.searchName = "/elsewhere/data";
    EXPECT_TRUE(check());
    settings.searchLimit = false;
    EXPECT_FALSE(check());
}

// The package puts the archiver in a private directory, not beside the programs in /usr/bin;
// a build directory has it beside them. Either is found without a search path.
TEST(SettingsFormTest, FindsTheArchiverBesideTheProgramOrWhereThePackageInstallsIt) {
    test::TempDir temp;
    const fs::path bin = temp.path() / "usr" / "bin";
    const fs::path installed =
        (bin / TICKSMITH_ARCHIVER_FROM_BINDIR / std::string(update::kArchiverName))
            .lexically_normal();
    fs::create_directories(bin);
    ASSERT_NE(installed.parent_path(), bin);
    // Neither there: the message names the programs' own directory.
    EXPECT_EQ(update::DefaultArchiverFor(bin), bin / "pkunzip");

    fs::create_directories(installed.parent_path());
    test::WriteBytes(installed, std::string("#!/bin/sh\n"));
    EXPECT_EQ(update::DefaultArchiverFor(bin), installed);

    // A copy beside the program is the one a developer just built.
    test::WriteBytes(bin / "PKUNZIP", std::string("#!/bin/sh\n"));
    EXPECT_EQ(update::DefaultArchiverFor(bin), bin / "PKUNZIP");
}

}  // namespace
}  // namespace ticksmith::settings
