#include <sys/stat.h>

#include <optional>
#include <string>
#include <vector>

#include "profiles/profile.h"
#include "profiles/profile_form.h"
#include "settings_support.h"

namespace ticksmith::profiles {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using Texts = std::vector<std::string>;

std::string Unusable(std::string_view name) {
    return platform::FormatMessage(kUnusableNameMessage, {name});
}

TEST(ProfileCodecTest, IsByteExact) {
    const Profile profile{1, 2, 3, 4, 0, 5, 6, 7, 8, 1, 12, 2, "/data/in"};
    ProfileBytes bytes{};
    ASSERT_TRUE(EncodeProfile(profile, bytes));
    EXPECT_EQ(Bytes(bytes.begin(), bytes.end()),
              test::ProfileFileBytes({1, 2, 3, 4, 0, 5, 6, 7, 8, 1, 12, 2}, "/data/in"));
    EXPECT_EQ(DecodeProfile(bytes.data()), profile);

    Profile longest = profile;
    longest.updateDirectory.assign(300, 'd');
    ASSERT_TRUE(EncodeProfile(longest, bytes));
    EXPECT_EQ(bytes[311], 'd');
    EXPECT_EQ(bytes[312], 0);
    longest.updateDirectory += 'd';
    EXPECT_FALSE(EncodeProfile(longest, bytes));
    // A directory filling its field without a NUL still ends there.
    bytes.fill('e');
    EXPECT_EQ(DecodeProfile(bytes.data()).updateDirectory, std::string(301, 'e'));
}

TEST(ProfileFileTest, ShortAndMissingFiles) {
    test::TempDir temp;
    test::WriteBytes(temp.path() / "Short.pfd", Bytes{1, 3, 4, 0, 0, 0, 9, 0, 0, 0, 8, 1, 'a'});
    test::RecordingMessenger messenger;
    Profile profile;
    EXPECT_FALSE(ReadProfile(temp.path(), "Short", profile, messenger));
    EXPECT_FALSE(ReadProfile(temp.path(), "Missing", profile, messenger));
    EXPECT_EQ(messenger.shown, (Texts{"Error reading Short", "Error reading Missing"}));
    EXPECT_EQ(profile, Profile{});
    // The update run's read keeps what is there and zeros the rest.
    ASSERT_TRUE(LoadProfileQuietly(temp.path(), "short", profile));
    EXPECT_EQ(profile, (Profile{1, 3, 4, 0, 0, 0, 9, 0, 0, 0, 8, 1, "a"}));
    EXPECT_FALSE(LoadProfileQuietly(temp.path(), "Missing", profile));
}

TEST(ProfileFileTest, NamesThatWouldLeaveTheDirectoryAreRefused) {
    test::TempDir temp;
    const fs::path wd = temp.path() / "wd";
    const fs::path portfolio = temp.path() / "pf";
    fs::create_directories(wd / "sub");
    fs::create_directory(portfolio);
    test::WriteBytes(temp.path() / "Evil.pfd", test::DefaultProfileBytes(wd));
    test::WriteBytes(wd / "sub" / "x.pfd", test::DefaultProfileBytes(wd));
    const auto before = test::Snapshot(temp.path());
    settings::MemorySettingsStore store;
    for (const std::string name : {".", "..", "../Evil", "sub/x", "sub\\x"}) {
        test::RecordingMessenger messenger;
        Profile profile;
        EXPECT_FALSE(ReadProfile(wd, name, profile, messenger));
        EXPECT_FALSE(WriteProfile(wd, name, profile, messenger));
        EXPECT_FALSE(AssignProfile(portfolio, 1, name, store, messenger));
        EXPECT_FALSE(AssignProfileToAll(portfolio, {1, 2}, name, store, messenger));
        // As when an F<n>.pfl on disk names it.
        EXPECT_FALSE(LoadProfileQuietly(wd, name, profile));
        EXPECT_EQ(messenger.shown, Texts(4, Unusable(name)));
    }
    test::RecordingMessenger messenger;
    Profile profile;
    EXPECT_FALSE(WriteProfile(wd, "", profile, messenger));
    EXPECT_FALSE(AssignProfile(portfolio, 1, "", store, messenger));
    EXPECT_FALSE(AssignProfileToAll(portfolio, {1}, "", store, messenger));
    EXPECT_EQ(messenger.shown, (Texts{Unusable(""), "Error creating Profile for symbol",
                                      "Error creating Profile for multiple symbols"}));
    EXPECT_EQ(test::Snapshot(temp.path()), before);
    EXPECT_TRUE(store.Values().empty());
}

TEST(ProfileListTest, ListsProfileFilesAndSelectsTheLastAssigned) {
    test::TempDir temp;
    const fs::path wd = temp.path();
    settings::MemorySettingsStore store;
    test::RecordingMessenger messenger;
    ProfileList list = ListProfiles(wd, store, messenger);
    EXPECT_EQ(list.names, Texts{"Profile1"});
    EXPECT_EQ(list.selected, 0);
    EXPECT_EQ(test::ReadBytes(wd / "Profile1.pfd"), test::DefaultProfileBytes(wd));
    fs::remove(wd / "Profile1.pfd");

    for (const char* file : {"x.pfd", "B.PFD", "a.Pfd", ".pfd", ".h.pfd", "pfd", "c.pfdx"}) {
        test::WriteBytes(wd / file, Bytes(313, 1));
    }
    fs::create_directory(wd / "y.PFD");
    // Neither is a profile file that could be read.
    ASSERT_EQ(::mkfifo((wd / "pipe.pfd").c_str(), 0644), 0);
    fs::create_symlink(wd / "gone", wd / "gone.pfd");
    for (const auto& [last, selected] :
         std::vector<std::pair<std::string, int>>{{"b", 1}, {"X", 2}, {"zzz", 0}, {"", 0}}) {
        store.WriteString("PFD", "LastPFD", last);
        list = ListProfiles(wd, store, messenger);
        EXPECT_EQ(list.names, (Texts{"a", "B", "x"}));
        EXPECT_EQ(list.selected, selected) << last;
    }
    EXPECT_FALSE(fs::exists(wd / "Profile1.pfd"));
}

TEST(ProfileAssignTest, WritesAssignmentsAndGoesOnPastFailures) {
    test::TempDir temp;
    settings::MemorySettingsStore store;
    test::RecordingMessenger messenger;
    test::WriteBytes(temp.path() / "f7.PFL", Bytes(34, 'z'));
    ASSERT_TRUE(AssignProfile(temp.path(), 7, "Daily", store, messenger));
    Bytes expected(34, 0);
    std::copy_n("Daily", 5, expected.begin() + 1);
    EXPECT_EQ(test::Snapshot(temp.path()), (std::map<std::string, Bytes>{{"f7.PFL", expected}}));
    EXPECT_EQ(store.ReadString("PFD", "LastPFD", ""), "Daily");

    test::ReadOnlyDirectory readOnly(temp.path());
    platform::ScopedFileSystem scope(readOnly);
    EXPECT_FALSE(AssignProfileToAll(temp.path(), {1, 7, 5}, "Monthly", store, messenger));
    Texts reports;
    for (const char* file : {"F1.pfl", "f7.PFL", "F5.pfl"}) {
        reports.push_back("Could not create file\n" + (temp.path() / file).string());
    }
    EXPECT_EQ(messenger.shown, reports);
    EXPECT_EQ(store.ReadString("PFD", "LastPFD", ""), "Monthly");
    EXPECT_EQ(ReadAssignment(temp.path(), 7), "Daily");
}

TEST(ProfileFormTest, MapsBetweenFormAndRecord) {
    ProfileForm form;
    form.updateDirectory = "/data/in/";
    form.openOn = form.highOn = form.lowOn = form.volumeOn = form.openInterestOn = false;
    form.futures = true;  // a cleared Volume keeps the tick
    form.dateFormatPosition = 4;
    form.delimiter = 1;
    EXPECT_EQ(ProfileFromForm(form), (Profile{1, 1, 2, 0, 0, 0, 6, 0, 0, 1, 5, 1, "/data/in"}));
    for (const auto& [typed, stored] : std::vector<std::pair<std::string, std::string>>{
             {"D:\\", "D:"}, {"/data//", "/data/"}, {"/", "/"}}) {
        form.updateDirectory = typed;
        EXPECT_EQ(ProfileFromForm(form).updateDirectory, stored);
    }

    const Profile stored{1, 3, 1, 0, 9, 0, 2, 4, 0, 0, 3, 2, "/in"};
    const ProfileForm edit = FormFromProfile(stored, "Mine", ProfileMode::kEdit);
    EXPECT_EQ(edit.name, "Mine");
    EXPECT_FALSE(edit.openOn);
    EXPECT_EQ(edit.openColumn, 1);
    EXPECT_EQ(ProfileFromForm(edit), stored);
    EXPECT_EQ(FormFromProfile(stored, "Mine", ProfileMode::kClone).name,
              "Please create new Profile name");
    EXPECT_EQ(ProfileFromForm(NewProfileForm("/")),
              (Profile{1, 1, 2, 3, 4, 5, 6, 7, 8, 0, 1, 0, "/"}));
}

// Each refusal names the control the dialog returns to, with the message it shows.
TEST(ProfileFormTest, SaveChecksInOrderAndNameTheFieldThatFailed) {
    using enum ProfileFormField;
    test::TempDir temp;
    test::WriteBytes(temp.path() / "file", Bytes{1});
    const std::string range = "Please enter an integer between 1 and 20.";
    const std::string clash = "Duplicate columns specified\nCorrect or disable";
    const std::string noName = "You did not enter a Profile name";
    const std::string missing = "The Path to the Update Files does not exist";
    const std::string exists =
        "Your request was to create or clone a Profile\nbut the Profile name DAILY already "
        "exists.\nChoose a different Profile name.";
    // "@" in a directory stands for the temporary directory.
    struct Case {
        std::string name = "Weekly  ";
        std::string dir = "@";
        ProfileMode mode = ProfileMode::kNew;
        int symbol = 1, open = 3, close = 6, volume = 7, openInterest = 8;
        bool openOn = true, volumeOn = true;
        int format = 0;
        std::string shown;
        ProfileFormField field = kName;
    };
    const Case cases[] = {
        {},
        {.open = 0, .shown = range, .field = kOpenColumn},
        // A cleared box keeps its number, which must still be in range.
        {.volume = 21, .volumeOn = false, .shown = range, .field = kVolumeColumn},
        {.symbol = 0, .shown = range, .field = kSymbolColumn},
        {.name = std::string(33, 'n'), .shown = "Please enter no more than 32 characters."},
        {.dir = "@/" + std::string(250, 'd'),
         .shown = "Please enter no more than 250 characters.",
         .field = kUpdateDirectory},
        {.open = 6, .shown = clash, .field = kCloseColumn},
        {.symbol = 2, .shown = clash, .field = kDateColumn},
        {.openInterest = 7, .shown = clash, .field = kOpenInterestColumn},
        {.open = 6, .openOn = false, .shown = ""},
        {.name = "", .open = 6, .shown = clash, .field = kCloseColumn},
        {.name = " \t ", .shown = noName},
        {.name = "a/b", .shown = Unusable("a/b")},
        {.name = "", .dir = "ab", .shown = noName},
        {.name = "DAILY",
         .dir = "ab",
         .shown = "The Path you specified is invalid",
         .field = kUpdateDirectory},
        {.name = "DAILY", .shown = exists},
        {.name = "DAILY", .mode = ProfileMode::kClone, .shown = exists},
        {.name = "DAILY", .mode = ProfileMode::kEdit, .shown = ""},
        {.format = 11, .shown = ""},
        {.dir = "/nope",
         .format = 12,
         .shown = "Choose one of the twelve date formats.",
         .field = kDateFormat},
        {.dir = "@/nope", .shown = missing, .field = kUpdateDirectory},
        {.dir = "@/file", .shown = missing, .field = kUpdateDirectory},
    };
    for (const Case& c : cases) {
        ProfileForm form = NewProfileForm(temp.path());
        form.mode = c.mode;
        form.name = c.name;
        form.updateDirectory = c.dir[0] == '@' ? temp.path().string() + c.dir.substr(1) : c.dir;
        form.symbolColumn = c.symbol;
        form.openColumn = c.open;
        form.closeColumn = c.close;
        form.volumeColumn = c.volume;
        form.openInterestColumn = c.openInterest;
        form.openOn = c.openOn;
        form.volumeOn = c.volumeOn;
        form.dateFormatPosition = c.format;
        const std::optional<ProfileFormProblem> problem =
            ValidateProfileForm(form, {"daily", "Other"});
        SCOPED_TRACE(c.name + " " + c.dir + " " + c.shown);
        if (c.shown.empty()) {
            EXPECT_FALSE(problem) << problem->message;
            EXPECT_EQ(form.name, c.name == "Weekly  " ? "Weekly" : c.name);
        } else {
            ASSERT_TRUE(problem);
            EXPECT_EQ(problem->message, c.shown);
            EXPECT_EQ(problem->field, c.field);
        }
    }
}

}  // namespace
}  // namespace ticksmith::profiles
