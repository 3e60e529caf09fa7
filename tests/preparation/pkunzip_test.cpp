#include <sys/wait.h>

#include <set>

#include "platform/child_process.h"
#include "preparation_support.h"

namespace ticksmith::test {
namespace {

struct Unzipped {
    int code;
    std::string err;
    std::string out;
};

// pkunzip run in `directory` (temporary paths need no quoting), its output streams kept.
Unzipped Pkunzip(const fs::path& directory, const std::string& arguments) {
    const fs::path errFile = directory.parent_path() / "stderr.txt";
    const fs::path outFile = directory.parent_path() / "stdout.txt";
    const std::string command = "cd " + directory.string() + " && " +
                                (platform::ExecutableDirectory() / "pkunzip").string() + " " +
                                arguments + " 2>" + errFile.string() + " >" + outFile.string();
    const int status = std::system(command.c_str());
    Unzipped result{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(errFile),
                    ReadText(outFile)};
    fs::remove(errFile);
    fs::remove(outFile);
    return result;
}

// Every entry of a directory, folders and hidden names included.
std::set<std::string> Entries(const fs::path& directory) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

class PkunzipTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directory(m_work);
        fs::create_directory(m_temp.path() / "outside");
        WriteText(m_temp.path() / "outside" / "target.txt", "outside\n");
    }
    // Runs on a new archive and expects it refused with nothing changed anywhere.
    void ExpectRefused(const std::string& zip, const std::string& why) {
        SCOPED_TRACE(why);
        WriteText(m_work / "data.zip", zip);
        const auto before = Snapshot(m_temp.path());
        const Unzipped run = Pkunzip(m_work, "DATA.ZIP -o");
        EXPECT_NE(run.code, 0);
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_EQ(Snapshot(m_temp.path()), before);
        EXPECT_FALSE(fs::exists(m_temp.path() / "abs.txt"));
        fs::remove(m_work / "data.zip");
    }

    TempDir m_temp;
    fs::path m_work = m_temp.path() / "work";
};

TEST_F(PkunzipTest, UnpacksFlatAndOverwrites) {
    WriteText(m_work / "ibm.txt", "old\n");
    WriteText(m_work / "keep.txt", "keep\n");
    WriteText(m_work / "data.zip", MakeZip({{"IBM.TXT", "new\n"},
                                            {"sub/", "", AE_IFDIR},
                                            {"sub/deep/msft.txt", "msft\n"},
                                            {"./x.txt", ""}}));
    // The run passes the name upper-cased.
    const Unzipped run = Pkunzip(m_work, "DATA.ZIP -o");
    ASSERT_EQ(run.code, 0) << run.err;
    auto files = Snapshot(m_work);
    files.erase("data.zip");
    const auto ibm = files.count("ibm.txt") != 0 ? "ibm.txt" : "IBM.TXT";
    EXPECT_EQ(files, (std::map<std::string, Bytes>{{ibm, {'n', 'e', 'w', '\n'}},
                                                   {"keep.txt", {'k', 'e', 'e', 'p', '\n'}},
                                                   {"msft.txt", {'m', 's', 'f', 't', '\n'}},
                                                   {"x.txt", {}}}));
    EXPECT_FALSE(fs::exists(m_work / "sub"));
}

TEST_F(PkunzipTest, BadCommandLinesAndFiles) {
    EXPECT_EQ(Pkunzip(m_work, "").code, 2);
    EXPECT_EQ(Pkunzip(m_work, "-o").code, 2);
    EXPECT_EQ(Pkunzip(m_work, "A.ZIP B.ZIP -o").code, 2);
    EXPECT_EQ(Pkunzip(m_work, "A.ZIP -x").code, 2);
    const Unzipped missing = Pkunzip(m_work, "NONE.ZIP -o");
    EXPECT_NE(missing.code, 0);
    EXPECT_EQ(std::count(missing.err.begin(), missing.err.end(), '\n'), 1) << missing.err;
    ExpectRefused("not a zip at all, just some text\n", "not an archive");
    std::string cut = MakeZip({{"a.txt", std::string(5000, 'a')}});
    ExpectRefused(cut.substr(0, cut.size() / 2), "truncated");

    // Damage inside the second entry's data shows only while unpacking it.
    std::string noise;
    for (unsigned i = 1; noise.size() < 5000; i = i * 1103515245 + 12345) {
        noise += static_cast<char>('a' + (i >> 16) % 26);
    }
    std::string damaged = MakeZip({{"a.txt", "a\n"}, {"b.txt", noise}});
    const std::size_t second = damaged.find("PK\x03\x04", 4);
    damaged[(second + damaged.find("PK\x01\x02")) / 2] ^= 0x55;
    WriteText(m_work / "data.zip", damaged);
    EXPECT_NE(Pkunzip(m_work, "DATA.ZIP -o").code, 0);
    // Not even the first entry, whole as it was, nor the private folder.
    EXPECT_EQ(Entries(m_work), std::set<std::string>{"data.zip"});

    for (const char* budget : {"-b", "-b12x", "-b-1"}) {
        EXPECT_EQ(Pkunzip(m_work, std::string("DATA.ZIP -o ") + budget).code, 2) << budget;
    }
}

TEST_F(PkunzipTest, BudgetCapsWhatIsWrittenAndTheCountIsReported) {
    WriteText(m_work / "data.zip", MakeZip({{"a.txt", std::string(300, 'a')}, {"b.txt", "b\n"}}));
    EXPECT_NE(Pkunzip(m_work, "DATA.ZIP -o -b301").code, 0);
    EXPECT_EQ(Entries(m_work), std::set<std::string>{"data.zip"});
    const Unzipped run = Pkunzip(m_work, "DATA.ZIP -o -b302");
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, "unpacked 302 bytes\n");
    EXPECT_EQ(Entries(m_work), (std::set<std::string>{"data.zip", "a.txt", "b.txt"}));
}

TEST_F(PkunzipTest, KilledMidwayLeavesNoFileWhereUpdateFilesAreRead) {
    std::vector<ZipEntry> entries;
    for (int i = 0; i < 3000; ++i) {
        entries.emplace_back("Q" + std::to_string(100000 + i) + ".TXT", std::string(2000, 'q'));
    }
    WriteText(m_work / "data.zip", MakeZip(entries));
    for (const int milliseconds : {5, 20, 60}) {
        platform::ChildProcess child;
        ASSERT_TRUE(
            child.Start(platform::ExecutableDirectory() / "pkunzip", {"DATA.ZIP", "-o"}, m_work));
        if (child.Wait(std::chrono::milliseconds(milliseconds)) == 0) {
            continue;  // a fast disk: everything arrived whole
        }
        // Half-written files stay in the private folder; what is in place is whole.
        for (const std::string& name : Entries(m_work)) {
            if (name != "data.zip" && name.rfind(".pkunzip.", 0) != 0) {
                EXPECT_EQ(ReadText(m_work / name), std::string(2000, 'q')) << name;
            }
        }
    }
}

TEST_F(PkunzipTest, SelfExtractingArchiveIsReadBehindItsStub) {
    WriteText(m_work / "setup.exe",
              std::string("MZ\x90\0\x03", 5) + std::string(300, 'x') + MakeZip({{"a.txt", "a\n"}}));
    const Unzipped run = Pkunzip(m_work, "SETUP.EXE -o");
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(ReadText(m_work / "a.txt"), "a\n");
}

TEST_F(PkunzipTest, PasswordsTraditionalAndAes) {
    for (const char* encryption : {"zip:encryption=traditional", "zip:encryption=aes256"}) {
        SCOPED_TRACE(encryption);
        WriteText(
            m_work / "data.zip",
            MakeZip({{"a.txt", std::string(70000, 'a')}, {"b.txt", "b\n"}}, encryption, "s3cret"));
        const auto before = Snapshot(m_work);
        for (const char* arguments : {"DATA.ZIP -o", "DATA.ZIP -o -swrong", "DATA.ZIP -o -s"}) {
            EXPECT_NE(Pkunzip(m_work, arguments).code, 0) << arguments;
            EXPECT_EQ(Snapshot(m_work), before) << arguments;
        }
        ASSERT_EQ(Pkunzip(m_work, "DATA.ZIP -o -ss3cret").code, 0);
        EXPECT_EQ(ReadText(m_work / "a.txt"), std::string(70000, 'a'));
        EXPECT_EQ(ReadText(m_work / "b.txt"), "b\n");
        fs::remove(m_work / "a.txt");
        fs::remove(m_work / "b.txt");
    }
}

TEST_F(PkunzipTest, HostileEntriesRefuseTheWholeArchive) {
    const ZipEntry good{"good.txt", "good\n"};
    const std::string absolute = (m_temp.path() / "abs.txt").string();
    for (const std::string& name : {std::string("../x.txt"), absolute, std::string("a/../../x.txt"),
                                    std::string("..\\x.txt")}) {
        ExpectRefused(MakeZip({good, {name, "evil\n"}}), name);
    }
    ExpectRefused(MakeZip({good, {"link", "", AE_IFLNK, "../outside/target.txt"}}), "symlink");
    ExpectRefused(MakeZip({good,
                           {"target.txt", "", AE_IFLNK, "../outside/target.txt"},
                           {"target.txt", "evil\n"}}),
                  "symlink, then a file through it");
    for (const unsigned type : {S_IFCHR, S_IFBLK, S_IFSOCK}) {
        std::string zip = MakeZip({good, {"special", "x"}});
        SetStoredMode(zip, "special", type | 0644);
        ExpectRefused(zip, "file type " + std::to_string(type));
    }
    // libarchive reads a FIFO mark as a plain file; a plain file is what may appear.
    std::string zip = MakeZip({{"special", "x"}});
    SetStoredMode(zip, "special", S_IFIFO | 0644);
    WriteText(m_work / "data.zip", zip);
    Pkunzip(m_work, "DATA.ZIP -o");
    EXPECT_FALSE(fs::is_fifo(m_work / "special"));
}

TEST_F(PkunzipTest, SizeBombIsRefusedAndSmallArchivesMayCompressWell) {
    const std::string bomb =
        MakeZip({{"zeros.txt", std::string(8 << 20, '\0')}}, "zip:compression-level=9");
    ASSERT_GT((8 << 20) / bomb.size(), 1000u);
    ExpectRefused(bomb, "size bomb");
    // Below 1 MiB unpacked the ratio does not matter.
    WriteText(m_work / "small.zip", MakeZip({{"zeros.txt", std::string(1 << 20, '\0')}}));
    EXPECT_EQ(Pkunzip(m_work, "SMALL.ZIP -o").code, 0);
    EXPECT_EQ(fs::file_size(m_work / "zeros.txt"), 1u << 20);
}

TEST_F(PkunzipTest, ExistingLinksInTheDirectoryAreNotFollowed) {
    const fs::path target = m_temp.path() / "outside" / "target.txt";
    fs::create_symlink(target, m_work / "a.txt");
    // Where the temporary file of b.txt would go.
    fs::create_symlink(target, m_work / "b.txt.tmp");
    WriteText(m_work / "data.zip", MakeZip({{"a.txt", "a\n"}, {"b.txt", "b\n"}}));
    Pkunzip(m_work, "DATA.ZIP -o");
    EXPECT_EQ(ReadText(target), "outside\n");
}

}  // namespace
}  // namespace ticksmith::test
