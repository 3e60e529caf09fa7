#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "ascii/import.h"
#include "cli_support.h"
#include "emaster_support.h"
#include "import_support.h"
#include "settings/settings_support.h"
#include "update/update_support.h"

namespace ticksmith::ascii {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

std::uint64_t Fnv(const Bytes& bytes) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (const std::uint8_t byte : bytes) {
        hash = (hash ^ byte) * 1099511628211ULL;
    }
    return hash;
}

// Every file below `dir` by name, with a hash of its bytes.
std::map<std::string, std::uint64_t> Fingerprint(const fs::path& dir) {
    std::map<std::string, std::uint64_t> hashes;
    for (const auto& [name, bytes] : test::Snapshot(dir)) {
        hashes[name] = Fnv(bytes);
    }
    return hashes;
}

ImportForm Form(const fs::path& input, const fs::path& output) {
    ImportForm form;
    form.inputPath = input.string();
    form.outputDirectory = output.string();
    form.symbol = input.stem().string();
    form.dateFormat = "MM_DD_CCYY";
    return form;
}

class ImportBatchTest : public testing::Test {
  protected:
    ImportBatchTest() {
        fs::create_directories(wd / "more");
        fs::create_directories(fresh);
        fs::create_directories(old);
    }
    fs::path Input(const std::string& name, const std::string& text) {
        test::WriteBytes(wd / name, text);
        return wd / name;
    }
    std::vector<ImportOutcome> ImportAll(std::vector<ImportForm> forms, bool together) {
        if (together) {
            return ImportForms(forms, wd, kToday, messenger, store);
        }
        std::vector<ImportOutcome> outcomes;
        std::set<std::string> made;
        for (ImportForm& form : forms) {
            form.makeNewMaster = form.makeNewMaster && made.count(form.outputDirectory) == 0;
            ImportResult result;
            outcomes.push_back(ImportFromForm(form, wd, kToday, messenger, store, &result));
            if (result.masterCreated) {
                made.insert(form.outputDirectory);
            }
        }
        return outcomes;
    }

    update_test::Scratch temp;
    fs::path wd = temp.path() / "wd";
    fs::path fresh = temp.path() / "fresh";
    fs::path old = temp.path() / "old";
    test::RecordingMessenger messenger;
    settings::MemorySettingsStore store;
};

// Outcomes, messages and every file's hash after importing the files of the test below one at
// a time, each import syncing and rewriting MASTER on its own.
const std::string kOneAtATime = R"(2 2 1 1 2 2 2 1 2 1 
The input file holds no lines to convert.|
Conversion failed.|
Duplicate Symbol Failure

The symbol you have chosen for
the conversion already exists.

Choose a different symbol or
rename/delete the existing symbol|
Conversion failed.|
New Master chosen but one already exists
or path: <temp>/old/MASTER
is suspect.|
Conversion failed.|
Duplicate Symbol Failure

The symbol you have chosen for
the conversion already exists.

Choose a different symbol or
rename/delete the existing symbol|
Conversion failed.|
F1.DAT 2d5ade8ab3e186e4
F1.DOP 817b041a0d750d21
F2.DAT 6954c080e53ce3b8
F2.DOP 817b041a0d750d21
F3.DAT cc71302706d1e47c
F3.DOP 817b041a0d750d21
F4.DAT 6002023745a86aab
F4.DOP 817b041a0d750d21
F5.DAT b07284dfbd3e0457
F5.DOP ce076941122f29df
MASTER 75ac0aa9863742aa
MASTER.BAK 75ac0aa9863742aa
F1.DAT 85498a6607db94ce
F1.DOP 817b041a0d750d21
F2.DAT 85498a6607db94ce
F2.DOP 817b041a0d750d21
F3.DOP 817b041a0d750d21
F4.DAT 85498a6607db94ce
F4.DOP 817b041a0d750d21
F5.DAT b87bc1659175b04d
F5.DOP 817b041a0d750d21
F6.DAT 28e8bfcf59fa9399
F6.DOP 817b041a0d750d21
MASTER f65ee20085bafe59
MASTER.BAK f65ee20085bafe59
aaa.txt b1999cf1e7d022c4
bbb.txt 741215e1c60816ac
ccc.txt 83cb407b4f40f36
ddd.txt a46754f133365423
ddd.txt.BAK d95b1e55482d2e8e
eee.txt c2bd33a37c6d4e7c
fff.txt a7a274a51f6f8730
ggg.txt efb3937e8d7444cb
iii.txt f7a412f077b9f25e
more/aaa.txt fcbf54eabf548c70
more/hhh.txt 135a8953c24408c5
)";

// What a batch leaves, file by file and message by message, is what importing the same files
// one at a time left (fingerprints taken from the one-at-a-time import).
class BatchAgainstOneAtATime : public ImportBatchTest, public testing::WithParamInterface<bool> {};

TEST_P(BatchAgainstOneAtATime, LeavesTheSameFilesAndMessages) {
    std::vector<ImportForm> forms;
    const auto add = [&](const fs::path& input, const fs::path& output) -> ImportForm& {
        return forms.emplace_back(Form(input, output));
    };
    add(Input("aaa.txt", History(30)), fresh).makeNewMaster = true;
    add(Input("bbb.txt", "Date,Open,High\r\n" + History(12, 40)), fresh).makeNewMaster = true;
    add(Input("ccc.txt", "\r\n"), fresh);
    add(Input("more/aaa.txt", History(3)), fresh);  // a duplicate
    ImportForm& reversed = add(Input("ddd.txt", "Heading\r\n" + History(9, 7)), fresh);
    reversed.reverse = true;
    reversed.skipOn = true;
    reversed.skipRows = "1";
    ImportForm& fewer = add(Input("eee.txt", History(20, 3)), fresh);
    fewer.present[kImportOpenInterest] = false;
    fewer.present[kImportOpen] = false;
    fewer.name = "E CORP";

    // An existing portfolio with numbers 1, 2 and 4 taken and a stray F3.DOP.
    for (const char* symbol : {"OLD1", "OLD2", "OLD3", "OLD4"}) {
        test::AddSymbol(old, symbol, 5);
    }
    ASSERT_EQ(store::RemoveMasterRecords(
                  old, [](const store::MasterRecord& r) { return r.fileNumber == 3; }),
              store::kSuccess);
    fs::remove(old / "F3.DAT");
    add(Input("fff.txt", History(50, 100)), old);
    add(Input("ggg.txt", History(1, 7)), old).makeNewMaster = true;  // refused: MASTER exists
    add(Input("more/hhh.txt", History(8, 2)), old);
    add(Input("iii.txt", History(2, 2)), old).symbol = "OLD2 CORP";  // an issue name

    const std::vector<ImportOutcome> outcomes = ImportAll(forms, GetParam());
    std::ostringstream got;
    for (const ImportOutcome outcome : outcomes) {
        got << static_cast<int>(outcome) << ' ';
    }
    got << '\n';
    for (const std::string& text : messenger.shown) {
        got << text << "|\n";
    }
    for (const fs::path& dir : {fresh, old, wd}) {
        for (const auto& [name, hash] : Fingerprint(dir)) {
            got << name << ' ' << std::hex << hash << std::dec << '\n';
        }
    }
    std::string text = got.str();
    const std::string root = temp.path().string();
    for (std::size_t at; (at = text.find(root)) != std::string::npos;) {
        text.replace(at, root.size(), "<temp>");
    }
    EXPECT_EQ(text, kOneAtATime);
}

INSTANTIATE_TEST_SUITE_P(Import, BatchAgainstOneAtATime, testing::Bool());

// A vendor's portfolio with an EMASTER takes a batch in gaps of its numbers; EMASTER follows
// MASTER, and MASTER.BAK holds the MASTER the batch wrote.
TEST_F(ImportBatchTest, VendorPortfolioWithEmasterStaysInStep) {
    if (!fs::exists(test::kRealData / "equis_b")) {
        GTEST_SKIP() << test::kRealData << " is not there";
    }
    const fs::path port = test::CopyReal(temp.path(), "equis_b");
    std::vector<store::MasterRecord> before;
    ASSERT_EQ(store::ReadMasterRecords(port, before), store::kSuccess);
    std::vector<ImportForm> forms;
    for (int i = 0; i < 3; ++i) {
        forms.push_back(Form(Input("NEWSYM" + std::to_string(i) + ".txt", History(10 + i)), port));
    }
    EXPECT_EQ(ImportForms(forms, wd, kToday, messenger, store),
              std::vector<ImportOutcome>(3, ImportOutcome::kSucceeded))
        << testing::PrintToString(messenger.shown);
    std::vector<store::MasterRecord> after;
    ASSERT_EQ(store::ReadMasterRecords(port, after), store::kSuccess);
    ASSERT_EQ(after.size(), before.size() + 3);
    test::ExpectInStep(port);
    EXPECT_EQ(test::ReadBytes(port / "MASTER.BAK"), test::ReadBytes(port / "MASTER"));
}

// Several files into one portfolio: a refused file stops the batch before anything is written;
// a stop asked between files keeps what was imported and reads no more; the summary names the
// failed file with its reason.
TEST_F(ImportBatchTest, FilesAreCheckedFirstAndTheBatchStopsBetweenFiles) {
    ImportForm base = Form(wd / "unused.txt", fresh);
    base.makeNewMaster = true;
    const std::vector<std::string> inputs = {Input("aaa.txt", History(3)).string(),
                                             Input("bbb.txt", "").string(),
                                             Input("ccc.txt", History(5)).string()};
    std::vector<std::string> refused = inputs;
    refused.push_back((wd / "nope.txt").string());
    BatchImportReport report = ImportFiles(base, refused, true, wd, kToday, messenger, store);
    ASSERT_EQ(report.refusedFile, std::optional<std::size_t>(3));
    EXPECT_EQ(report.problem->message, "The input file does not exist.");
    EXPECT_TRUE(report.outcomes.empty());
    EXPECT_TRUE(fs::is_empty(fresh));
    EXPECT_NE(report.Summary().find("Nothing was imported."), std::string::npos);

    // A stop asked as the second file is announced lets that file end, and reads no more.
    platform::ProgressSink progress;
    int announced = 0;
    platform::ProgressSink stopping([&](const platform::ProgressSnapshot&) {
        if (++announced == 2) {
            stopping.RequestCancel();
        }
    });
    report = ImportFiles(base, inputs, true, wd, kToday, messenger, store, &stopping);
    EXPECT_TRUE(report.Stopped());
    ASSERT_EQ(report.outcomes.size(), 2U);
    EXPECT_EQ(report.outcomes[0], ImportOutcome::kSucceeded);
    EXPECT_EQ(report.outcomes[1], ImportOutcome::kFailed);
    std::vector<store::MasterRecord> records;
    ASSERT_EQ(store::ReadMasterRecords(fresh, records), store::kSuccess);
    ASSERT_EQ(records.size(), 2U);  // the empty file's symbol is added without quotes
    EXPECT_EQ(records[0].SymbolText(), "AAA");
    EXPECT_EQ(records[0].IssueNameText(), "aaa");
    EXPECT_EQ(report.SymbolsAdded(), 2);
    EXPECT_EQ(report.QuotesAdded(), 3);
    const std::string summary = report.Summary();
    EXPECT_EQ(summary.rfind("1 of 3 files imported: 2 symbols with 3 quotes.", 0), 0U) << summary;
    EXPECT_NE(summary.find("Stopped before " + inputs[2]), std::string::npos) << summary;
    EXPECT_NE(summary.find(inputs[1] + ": The input file holds no lines to convert."),
              std::string::npos)
        << summary;
    EXPECT_FALSE(fs::exists(fresh / "F3.DAT"));

    // Without a stop every file is read; the messages of each file stay with it.
    fs::remove_all(fresh);
    fs::create_directories(fresh);
    report = ImportFiles(base, inputs, true, wd, kToday, messenger, store, &progress);
    EXPECT_FALSE(report.Stopped());
    ASSERT_EQ(report.outcomes.size(), 3U);
    EXPECT_EQ(report.QuotesAdded(), 8);
    EXPECT_TRUE(report.results[0].messages.empty());
    EXPECT_EQ(report.results[1].messages.back(), "Conversion failed.");
    EXPECT_EQ(progress.Snapshot().Text(kImportCountText), "File 3 of 3");
    EXPECT_EQ(progress.Snapshot().Text(kImportFileText), inputs[2]);
}

}  // namespace
}  // namespace ticksmith::ascii
