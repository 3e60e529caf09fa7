#include "portfolio/working_directory.h"

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "settings_support.h"

namespace ticksmith::portfolio {
namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

TEST(WorkingDirectoryTest, MakesLasttimeAndTheSampleProfileOnlyWhenMissing) {
    test::TempDir temp;
    const fs::path wd = temp.path() / "work dir";
    fs::create_directory(wd);
    test::RecordingMessenger messenger;
    PrepareWorkingDirectory(wd, messenger);
    EXPECT_TRUE(fs::is_directory(wd / "Lasttime"));
    EXPECT_EQ(test::ReadBytes(wd / "Profile1.pfd"), test::DefaultProfileBytes(wd));

    // Another spelling of Profile1.pfd is the same file, and is left alone, as is Lasttime.
    fs::rename(wd / "Profile1.pfd", wd / "PROFILE1.PFD");
    test::WriteBytes(wd / "PROFILE1.PFD", test::Bytes(313, 9));
    test::WriteBytes(wd / "Lasttime" / "Delta.txt", std::string("kept"));
    const auto before = test::Snapshot(wd);
    PrepareWorkingDirectory(wd, messenger);
    EXPECT_EQ(test::Snapshot(wd), before);
    EXPECT_TRUE(messenger.shown.empty());
}

// The start-up goes on in a working directory it cannot write, but says what it could not make.
TEST(WorkingDirectoryTest, SaysWhenLasttimeOrTheSampleProfileCannotBeMade) {
    test::TempDir temp;
    const fs::path wd = temp.path();
    test::RecordingMessenger messenger;
    {
        test::ReadOnlyDirectory readOnly(wd);
        platform::ScopedFileSystem scope(readOnly);
        PrepareWorkingDirectory(wd, messenger);
    }
    EXPECT_EQ(messenger.shown,
              (Texts{(wd / "Lasttime").string() +
                         " could not be created.\nUpdate runs cannot keep their lists there, and "
                         "new symbols are not identified.",
                     "Creation of Profile1.pfd failed"}));
    EXPECT_TRUE(fs::is_empty(wd));

    // A file in Lasttime's place is no directory; the profile is still written.
    test::WriteBytes(wd / "Lasttime", std::string("x"));
    messenger.shown.clear();
    PrepareWorkingDirectory(wd, messenger);
    ASSERT_EQ(messenger.shown.size(), 1U);
    EXPECT_EQ(messenger.shown[0].rfind((wd / "Lasttime").string() + " could not be created", 0), 0U)
        << messenger.shown[0];
    EXPECT_EQ(test::ReadBytes(wd / "Profile1.pfd"), test::DefaultProfileBytes(wd));
}

}  // namespace
}  // namespace ticksmith::portfolio
