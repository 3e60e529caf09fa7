#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <sstream>

#include "ascii/import.h"
#include "cli_support.h"
#include "import_support.h"
#include "platform/names.h"
#include "settings/setting_keys.h"
#include "settings/settings_support.h"
#include "update/update_support.h"

namespace ticksmith::ascii {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

std::string Text(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

std::vector<store::Quote> Samples(int count) {
    std::vector<store::Quote> quotes;
    for (int i = 0; i < count; ++i) {
        quotes.push_back(test::SampleQuote(i));
    }
    return quotes;
}

ImportJob Job(const fs::path& input, const fs::path& output, bool existing = true) {
    ImportJob job;
    job.inputPath = input;
    job.outputDirectory = output;
    job.useExistingMaster = existing;
    job.present.fill(true);
    job.columns = {0, 1, 2, 3, 4, 5, 6};
    job.symbol = "IBM";
    job.name = "INTL BUS MACH";
    job.dateFormat = 4;  // MM_DD_CCYY
    job.today = kToday;
    return job;
}

class ImportTest : public testing::Test {
  protected:
    ImportTest() {
        fs::create_directories(out);
        fs::create_directories(wd);
    }
    fs::path Input(const std::string& text, const std::string& name = "ibm.txt") {
        test::WriteBytes(wd / name, text);
        return wd / name;
    }
    ImportResult Run(const ImportJob& job) { return RunImport(job, messenger, store); }
    // Every record's files are there, each header counts the records its file holds, and
    // MASTER's dates are those of the first and last quote (today's while there are none).
    void ExpectConsistent(int onlyFileNumber = 0) {
        std::vector<store::MasterRecord> records;
        ASSERT_EQ(store::ReadMasterRecords(out, records), store::kSuccess);
        for (const store::MasterRecord& record : records) {
            if (onlyFileNumber != 0 && record.fileNumber != onlyFileNumber) {
                continue;
            }
            const Bytes data = test::ReadBytes(out / store::DataFileName(record.fileNumber));
            ASSERT_TRUE(fs::exists(out / store::DopFileName(record.fileNumber)));
            const std::size_t length = record.recordLength;
            ASSERT_GE(data.size(), length);
            ASSERT_EQ(data.size() % length, 0U);
            const std::size_t quotes = data.size() / length - 1;
            EXPECT_EQ(platform::ReadU16(data.data() + 2), quotes + 1);
            const store::FloatBytes none = store::FileDateFromDayNumber(kToday);
            const auto dateOf = [&](std::size_t n) {
                return store::FloatBytes{data[n * length], data[n * length + 1],
                                         data[n * length + 2], data[n * length + 3]};
            };
            EXPECT_EQ(record.firstDate, quotes == 0 ? none : dateOf(1));
            EXPECT_EQ(record.lastDate, quotes == 0 ? none : dateOf(quotes));
        }
    }

    update_test::Scratch temp;
    fs::path out = temp.path() / "out";
    fs::path wd = temp.path() / "wd";
    test::RecordingMessenger messenger;
    settings::MemorySettingsStore store;
};

// ---- The dialog's checks ------------------------------------------------------------------

// Each refusal names the control the dialog returns to, with the message it shows.
TEST_F(ImportTest, ChecksRefuseInOrderAndNameTheFieldThatFailed) {
    using enum ImportFormField;
    Input(History(2));
    ImportForm good;
    good.inputPath = "ibm.txt";
    good.outputDirectory = out.string();
    good.symbol = " ibm ";
    const struct {
        std::function<void(ImportForm&)> change;
        ImportFormField field;
        std::string message;
    } cases[] = {
        {[](ImportForm& f) { f.columns[kImportHigh] = "21"; }, kHighColumn,
         "Please enter an integer between 1 and 20."},
        {[](ImportForm& f) { f.skipRows = "two"; }, kSkipRows, "Please enter an integer."},
        {[](ImportForm& f) { f.symbol = "ABCDEFGHIJKLMNOPQ"; }, kSymbol,
         "Please enter no more than 16 characters."},
        {[](ImportForm& f) { f.outputDirectory = std::string(251, 'o'); }, kOutputDirectory,
         "Please enter no more than 250 characters."},
        // A clash comes before the empty symbol; the later of the two columns is refused.
        {[](ImportForm& f) {
             f.columns[kImportVolume] = "1";
             f.symbol = "";
         },
         kVolumeColumn, "Duplicate columns specified\nCorrect or disable"},
        {[](ImportForm& f) { f.symbol = " \t"; }, kSymbol, "You did not enter a valid symbol."},
        {[](ImportForm& f) { f.outputDirectory = "  "; }, kOutputDirectory,
         "Please enter path to output directory."},
        {[](ImportForm& f) { f.inputPath = " "; }, kInputPath, "Please enter path to input file."},
        {[](ImportForm& f) { f.inputPath = "missing.txt"; }, kInputPath,
         "The input file does not exist."},
        {[](ImportForm& f) { f.inputPath = "."; }, kInputPath, "The input file does not exist."},
        {[](ImportForm& f) { f.dateFormat = "MMDD"; }, kDateFormat,
         "\"MMDD\" is not one of the date formats.\nChoose a date format from the list."},
        // The output directory has no EMASTER to hold a longer name.
        {[](ImportForm& f) { f.name = "ABCDEFGHIJKLMNOPQ"; }, kName,
         "The name may have at most 16 characters:\nABCDEFGHIJKLMNOPQ\nThis portfolio has no "
         "EMASTER to hold a longer one; nothing was changed."},
    };
    for (const auto& [change, field, message] : cases) {
        ImportForm form = good;
        change(form);
        test::RecordingMessenger recorder;
        ImportJob job;
        const std::optional<ImportFormProblem> problem =
            CheckImportForm(form, wd, kToday, job, recorder);
        ASSERT_TRUE(problem) << message;
        EXPECT_EQ(problem->message, message);
        EXPECT_EQ(problem->field, field) << message;
        EXPECT_TRUE(recorder.shown.empty()) << message;
    }

    // A cleared field's column takes no part; the symbol and a typed format come back clean.
    ImportForm form = good;
    form.present[kImportOpen] = false;
    form.columns[kImportOpen] = "1";
    form.dateFormat = "mm_dd_ccyy";
    ImportJob job;
    const std::optional<ImportFormProblem> problem =
        CheckImportForm(form, wd, kToday, job, messenger);
    ASSERT_FALSE(problem) << problem->message;
    EXPECT_TRUE(messenger.shown.empty());
    EXPECT_EQ(form.symbol, "IBM");
    EXPECT_EQ(form.dateFormat, "MM_DD_CCYY");
    EXPECT_EQ(job.dateFormat, 4);
    EXPECT_EQ(job.columns[kImportClose], 4);
    EXPECT_EQ(job.FieldCount(), 6);
}

TEST_F(ImportTest, SettingsOpenTheDialogAndOkStoresOnlyTheChoices) {
    ImportForm form = ReadImportForm(store, wd);
    EXPECT_EQ(form.inputPath, (wd / "ibm.txt").string());
    EXPECT_EQ(form.outputDirectory, wd.string());
    EXPECT_EQ(form.dateFormat, "MMDDYY");
    EXPECT_EQ(form.columns[kImportOpenInterest], "7");

    store.WriteString("Import", "DateFormat", "dd");  // the first entry beginning with it
    store.WriteInt("Import", "VolOn", 0);
    store.WriteInt("Import", "CloCol", 9);
    form = ReadImportForm(store, wd);
    EXPECT_EQ(form.dateFormat, "DD_MM_YY");
    EXPECT_FALSE(form.present[kImportVolume]);
    EXPECT_EQ(form.columns[kImportClose], "9");
    store.WriteString("Import", "DateFormat", "weekly");
    EXPECT_EQ(ReadImportForm(store, wd).dateFormat, "weekly");

    settings::MemorySettingsStore written;
    form.symbol = "IBM";
    form.skipOn = true;
    form.skipRows = "3";
    WriteImportChoices(written, form);
    EXPECT_EQ(written.Values().size(), 19U);
    EXPECT_EQ(written.ReadText("Import", "SkipRows"), "3");
    EXPECT_EQ(written.ReadText("Import", "VolOn"), "0");
    EXPECT_FALSE(written.ReadText("Import", "Symbol"));
}

// ---- Converting lines -------------------------------------------------------------------

TEST(ImportConversion, MonthAbbreviations) {
    const std::pair<std::string, std::string> cases[] = {
        {"15-JAN-2004", "15-01-2004"}, {"15JAN04", "150104"},          {"Jan152004", "01152004"},
        {"15 dec 2004", "1512 2004"},  {"15-XYZ-2004", "15-XYZ-2004"}, {"15-J", "15-J"},
    };
    for (const auto& [in, expected] : cases) {
        std::string text = in;
        EXPECT_TRUE(ConvertMonthText(text)) << in;
        EXPECT_EQ(text, expected) << in;
    }
    std::string digits = "01/05/2004";
    EXPECT_FALSE(ConvertMonthText(digits));
    EXPECT_EQ(digits, "01/05/2004");
}

TEST(ImportConversion, ColumnsSlotsAndValues) {
    ImportJob job = Job("", "");
    job.present = {true, false, false, false, true, true, false};
    job.columns = {0, 0, 0, 0, 1, 2, 0};
    // a,,b has two columns; a short line keeps the slot of an earlier one ("123" at first);
    // N/A gives 0; a line of delimiters only is no line; the last line needs no line end.
    const Conversion c =
        ConvertLines("01/05/2004,,7.5,N/A\r\n01/06/2004,8\n,,,\n01/07/2004,9", job, 0);
    ASSERT_EQ(c.quotes.size(), 3U);
    const auto quote = [&](int n) { return c.quotes[static_cast<std::size_t>(n)]; };
    EXPECT_EQ(quote(0).close, 7.5f);
    EXPECT_EQ(quote(0).volume, 0.0f);
    EXPECT_EQ(quote(1).close, 8.0f);
    EXPECT_EQ(quote(1).volume, 0.0f);  // the slot still holds N/A
    EXPECT_EQ(quote(2).date, store::DayNumberFromYmd(2004, 1, 7));
    EXPECT_EQ(quote(0).date, store::DayNumberFromYmd(2004, 1, 5));
    EXPECT_EQ(c.mismatch, DateMismatch::kNone);

    job.columns[kImportVolume] = 4;  // no line reaches column 5
    EXPECT_EQ(ConvertLines("01/05/2004,1", job, 0).quotes.at(0).volume, 123.0f);
}

TEST(ImportConversion, FirstLineDateAgainstTheFormat) {
    ImportJob job = Job("", "");
    job.dateFormat = 9;  // MMDDYY
    const std::string rows = "010504,1,2,0.5,1.5,100,0\r\n010604,1,2,0.5,1.5,100,0\r\n";
    // A heading row that is not skipped is the first line, and the rest is still converted.
    Conversion c = ConvertLines("Date,O,H,L,C,V,OI\r\n" + rows, job, 0);
    EXPECT_EQ(c.mismatch, DateMismatch::kNumericOnly);
    EXPECT_EQ(c.quotes.size(), 3U);
    EXPECT_EQ(ConvertLines("Date,O,H,L,C,V,OI\r\n" + rows, job, 1).mismatch, DateMismatch::kNone);
    job.useMonths = true;  // the heading has a letter: the conversion applied
    EXPECT_EQ(ConvertLines("Date,O\r\n" + rows, job, 0).mismatch, DateMismatch::kNone);
    job.dateFormat = 3;  // MM_DD_YY
    EXPECT_EQ(ConvertLines(rows, job, 0).mismatch, DateMismatch::kCharacterSeparated);
}

TEST(ImportConversion, LongDateStopsAndLongLinesArePieces) {
    const ImportJob job = Job("", "");
    const std::string longDate(50, '1');
    const Conversion c =
        ConvertLines(History(2) + longDate + ",1,2,3,4,5,6\r\n" + History(1), job, 0);
    EXPECT_EQ(c.stop, ConversionStop::kDateTooLong);
    EXPECT_EQ(c.stopLine, 3);
    ASSERT_EQ(c.quotes.size(), 2U);
    EXPECT_EQ(c.quotes[1].date, test::SampleQuote(1).date);
    EXPECT_EQ(ConvertLines(longDate.substr(1) + ",1", job, 0).stop, ConversionStop::kEndOfText);

    // 299 characters make a line; the rest of a longer one is a line of its own.
    std::string line = History(1);
    line.resize(line.size() - 2);
    line += "," + std::string(298 - line.size(), ' ') + "01/04/2000,5";
    const Conversion pieces = ConvertLines(line, job, 0);
    ASSERT_EQ(pieces.quotes.size(), 2U);
    EXPECT_EQ(pieces.quotes[1].date, store::DayNumberFromYmd(2000, 1, 4));
}

TEST(ImportConversion, ReversedLinesDropHeadingsAndEmptyLines) {
    EXPECT_EQ(ReversedLines("Head\n\na,1\r\nb\nc,3", 1), "c,3\r\nb\r\na,1\r\n");
    EXPECT_EQ(ReversedLines("Head\n\n\r\n", 1), std::nullopt);
    EXPECT_EQ(ReversedLines("x", 0), std::nullopt);  // one character, no line end
}

// ---- The run ----------------------------------------------------------------------------

TEST_F(ImportTest, NewMasterGetsTheSymbolItsFilesAndTheDates) {
    const ImportResult result = Run(Job(Input(History(30)), out, false));
    ASSERT_TRUE(result.succeeded) << testing::PrintToString(messenger.shown);
    EXPECT_TRUE(messenger.shown.empty());
    EXPECT_TRUE(result.masterCreated);
    EXPECT_EQ(result.quotes, 30);

    store::MasterRecord expected = store::NewMasterRecord("IBM", "INTL BUS MACH", 7);
    expected.fileNumber = 1;
    expected.firstDate = store::FileDateFromDayNumber(test::SampleQuote(0).date);
    expected.lastDate = store::FileDateFromDayNumber(test::SampleQuote(29).date);
    EXPECT_EQ(test::ReadBytes(out / "MASTER"), test::MasterFile(1, 1, {expected}));
    EXPECT_EQ(test::ReadBytes(out / "F1.DAT"),
              test::DataFile(Samples(30), store::LayoutOf(store::kStandardFields), 28));
    EXPECT_TRUE(fs::exists(out / "F1.DOP"));
    EXPECT_EQ(store.ReadText("Import", "PathOut"), fs::canonical(out).string());
    EXPECT_EQ(store.ReadText("Import", "Symbol"), "IBM");
    EXPECT_FALSE(fs::exists(out / "MASTER.BAK"));

    // A second new master is refused and the first is not touched.
    const Bytes master = test::ReadBytes(out / "MASTER");
    EXPECT_FALSE(Run(Job(wd / "ibm.txt", out, false)).succeeded);
    EXPECT_EQ(messenger.shown.back(), "New Master chosen but one already exists\nor path: " +
                                          (fs::canonical(out) / "MASTER").string() +
                                          "\nis suspect.");
    EXPECT_EQ(test::ReadBytes(out / "MASTER"), master);
}

TEST_F(ImportTest, ExistingMasterTakesTheLowestFreeNumberAndRefusesDuplicates) {
    test::WriteBytes(out / "MASTER", test::MasterFile(3, 3,
                                                      {test::Record(1, "AA"), test::Record(2, "BB"),
                                                       test::Record(4, "DD")}));
    ImportJob job = Job(Input(History(5)), out);
    job.present[kImportOpenInterest] = false;
    const ImportResult result = Run(job);
    ASSERT_TRUE(result.succeeded) << testing::PrintToString(messenger.shown);
    EXPECT_EQ(result.fileNumber, 3);
    std::vector<store::MasterRecord> records;
    store::MasterHeader header;
    ASSERT_EQ(store::ReadMasterRecords(out, records, &header), store::kSuccess);
    EXPECT_EQ(header.count, 4);
    EXPECT_EQ(records.back().recordLength, 24);
    EXPECT_EQ(test::ReadBytes(out / "F3.DAT").size(), 24U * 6);
    // The backup is taken once the record is in.
    EXPECT_EQ(test::ReadBytes(out / "MASTER.BAK").size(), test::ReadBytes(out / "MASTER").size());
    ExpectConsistent(3);

    const auto before = test::Snapshot(out);
    job.symbol = "aa";  // symbols compare without regard to case
    EXPECT_FALSE(Run(job).succeeded);
    EXPECT_EQ(messenger.shown.back().substr(0, 24), "Duplicate Symbol Failure");
    job.symbol = "NEW";
    job.outputDirectory = out / "missing";
    EXPECT_FALSE(Run(job).succeeded);
    EXPECT_EQ(messenger.shown.back(), "Path does not exist");
    test::WriteBytes(out / "MASTER", test::MasterFile(255, 255, {test::Record(1, "AA")}));
    job.outputDirectory = out;
    EXPECT_FALSE(Run(job).succeeded);
    EXPECT_EQ(messenger.shown.back().substr(0, 31), "This portfolio already has the\n");
    test::WriteBytes(out / "MASTER", before.at("MASTER"));
    EXPECT_EQ(test::Snapshot(out), before);
}

TEST_F(ImportTest, ReverseKeepsABackupAndLeavesNoWorkingFiles) {
    std::string newestFirst = "Date,Open\r\n\r\n";
    for (int i = 9; i >= 0; --i) {
        newestFirst += History(1, i);
    }
    const fs::path input = Input(newestFirst);
    ImportJob job = Job(input, out, false);
    job.reverse = true;
    job.skip = true;
    job.rowsToSkip = 1;
    ASSERT_TRUE(Run(job).succeeded) << testing::PrintToString(messenger.shown);
    EXPECT_EQ(Text(test::ReadBytes(wd / "ibm.txt.BAK")), newestFirst);
    EXPECT_EQ(Text(test::ReadBytes(input)), History(10));
    EXPECT_EQ(test::ReadBytes(out / "F1.DAT"),
              test::DataFile(Samples(10), store::LayoutOf(store::kStandardFields), 28));
    const std::set<std::string> left = {"ibm.txt", "ibm.txt.BAK"};
    for (const fs::path& dir : {wd, out}) {
        for (const auto& entry : fs::directory_iterator(dir)) {
            const std::string name = entry.path().filename().string();
            EXPECT_TRUE(left.count(name) || name == "MASTER" || name.front() == 'F') << name;
        }
    }
    // Once more, under another symbol: the file goes back to newest first.
    job.useExistingMaster = true;
    job.symbol = "IBM2";
    job.skip = false;
    EXPECT_TRUE(Run(job).succeeded);
    EXPECT_EQ(Text(test::ReadBytes(input)), newestFirst.substr(13));
    ExpectConsistent();
}

TEST_F(ImportTest, MessagesOfAFailedConversion) {
    ImportJob job = Job(Input("Date,Open\r\n" + History(3)), out, false);
    job.dateFormat = 10;  // MMDDCCYY, numeric only
    EXPECT_FALSE(Run(job).succeeded);
    EXPECT_EQ(messenger.shown, std::vector<std::string>{
                                   "You specified a numeric-only date format\nbut a non-numeric "
                                   "date character was found."});
    ExpectConsistent();

    // A long date first: no quotes, the new symbol as it was made.
    job = Job(Input(std::string(60, '7') + ",1\r\n" + History(3)), out);
    job.symbol = "LONG";
    EXPECT_FALSE(Run(job).succeeded);
    EXPECT_NE(messenger.shown.back().find("50 characters or longer"), std::string::npos);
    EXPECT_EQ(test::ReadBytes(out / "F2.DAT").size(), 28U);
    ExpectConsistent();

    ImportForm form;
    form.inputPath = Input("\r\n\r\n", "empty.txt").string();
    form.outputDirectory = out.string();
    form.symbol = "EMPTY";
    EXPECT_EQ(ImportFromForm(form, wd, kToday, messenger, store), ImportOutcome::kFailed);
    EXPECT_EQ(messenger.shown.back(), "Conversion failed.");
    EXPECT_EQ(messenger.shown.end()[-2], "The input file holds no lines to convert.");
    ExpectConsistent();
}

// MASTER refuses the record after the data files were written: they are taken back, and what
// the disk would not let go of is named, since it blocks the next import into the portfolio.
TEST_F(ImportTest, RollbackThatFailsSaysWhatWasLeftBehind) {
    ASSERT_EQ(store::CreateEmptyMaster(out), store::kSuccess);
    const ImportJob job = Job(Input(History(5)), out);
    const std::string notAdded = platform::FormatMessage(
        "Could not write %s; the symbol IBM was not added.", {(out / "MASTER").string()});
    for (const bool spreads : {false, true}) {
        SCOPED_TRACE(spreads ? "the disk breaks" : "only MASTER fails");
        messenger.shown.clear();
        test::BreakingFileSystem breaking("MASTER", spreads);
        ImportResult result;
        {
            platform::ScopedFileSystem scope(breaking);
            result = Run(job);
        }
        EXPECT_FALSE(result.succeeded);
        EXPECT_EQ(result.fileNumber, 0);
        ASSERT_EQ(messenger.shown.size(), 1u);
        std::string expected = notAdded;
        for (const char* name : {"F1.DAT", "F1.DOP"}) {
            EXPECT_EQ(fs::exists(out / name), spreads) << name;
            if (spreads) {
                expected += "\n" + (out / name).string() +
                            " was left behind; remove it before importing here again.";
            }
        }
        EXPECT_EQ(messenger.shown[0], expected);
        std::vector<store::MasterRecord> records;
        ASSERT_EQ(store::ReadMasterRecords(out, records), store::kSuccess);
        EXPECT_TRUE(records.empty());
    }
}

// A disk change that fails anywhere in the run leaves MASTER and every data file agreeing,
// the symbol that was there untouched, and no temporary file behind.
TEST_F(ImportTest, FailingDiskKeepsThePortfolioConsistent) {
    const fs::path pristine = temp.path() / "pristine";
    fs::create_directories(pristine);
    test::AddSymbol(pristine, "OLD", 20);
    const Bytes oldData = test::ReadBytes(pristine / "F1.DAT");
    ImportJob job = Job(Input(History(40)), out);
    job.reverse = true;
    for (int failAt = 0;; ++failAt) {
        SCOPED_TRACE("disk change " + std::to_string(failAt) + " fails");
        ASSERT_LT(failAt, 200);
        fs::remove_all(out);
        fs::copy(pristine, out);
        Input(History(40));
        test::FailingFileSystem failing(failAt);
        ImportResult result;
        {
            platform::ScopedFileSystem scope(failing);
            result = Run(job);
        }
        ExpectConsistent();
        EXPECT_EQ(test::ReadBytes(out / "F1.DAT"), oldData);
        for (const auto& entry : fs::directory_iterator(wd)) {
            const std::string name = entry.path().filename().string();
            EXPECT_TRUE(name == "ibm.txt" || name == "ibm.txt.BAK") << name;
        }
        for (const auto& entry : fs::directory_iterator(out)) {
            const std::string name = entry.path().filename().string();
            EXPECT_TRUE(name == "MASTER" || name == "MASTER.BAK" || name.ends_with(".DAT") ||
                        name.ends_with(".DOP"))
                << name;
        }
        if (result.fileNumber != 0) {
            const auto size = test::ReadBytes(out / "F2.DAT").size();
            EXPECT_EQ(static_cast<int>(size / 28 - 1), result.quotes);
        }
        if (!failing.Failed()) {
            EXPECT_TRUE(result.succeeded);
            EXPECT_EQ(result.quotes, 40);
            break;
        }
        // Only a backup that could not be taken, or an input left in its order after the
        // quotes were stored, lets the import go on, and says so.
        ASSERT_FALSE(messenger.shown.empty());
        EXPECT_EQ(result.succeeded,
                  messenger.shown.back().ends_with("as MASTER.BAK.") ||
                      messenger.shown.back().starts_with("The quotes were imported"));
        EXPECT_EQ(result.quotes, result.succeeded ? 40 : 0);
    }
}

// Nothing may take files that could be another symbol's, and a run that adds nothing leaves
// its input as it was, so that trying again reads the same lines.
TEST_F(ImportTest, NeverWritesOverFilesThatMayBeAnotherSymbols) {
    ASSERT_EQ(store::CreateEmptyMaster(out), store::kSuccess);
    test::AddSymbol(out, "OLD", 3);
    const std::string history = "Date,Open\r\n" + History(3);
    ImportJob job = Job(Input(history), out);
    job.reverse = true;
    job.skip = true;
    job.rowsToSkip = 1;

    // A MASTER ending in part of a record (the part names file 2): refused, input kept.
    const Bytes whole = test::ReadBytes(out / "MASTER");
    Bytes master = whole;
    master.insert(master.end(), 30, 2);
    test::WriteBytes(out / "MASTER", master);
    const auto before = test::Snapshot(out);
    EXPECT_FALSE(Run(job).succeeded);
    EXPECT_EQ(test::Snapshot(out), before);
    EXPECT_EQ(Text(test::ReadBytes(wd / "ibm.txt")), history);
    EXPECT_FALSE(fs::exists(wd / "ibm.txt.BAK"));

    // Files under a free number that no record names are passed over.
    test::WriteBytes(out / "MASTER", whole);
    const std::string precious = "precious quotes";
    test::WriteBytes(out / "f2.dop", precious);
    const ImportResult result = Run(job);
    EXPECT_TRUE(result.succeeded);
    EXPECT_EQ(result.fileNumber, 3);
    EXPECT_EQ(test::ReadBytes(out / "f2.dop"), Bytes(precious.begin(), precious.end()));
    EXPECT_FALSE(fs::exists(out / "F2.DAT"));

    // A line longer than a piece is reversed whole.
    const std::string longLine = "x" + std::string(400, 'y');
    EXPECT_EQ(ReversedLines("a1\n" + longLine + "\nb2\n", 0), "b2\r\n" + longLine + "\r\na1\r\n");
}

// ---- ticksmith-cli import -------------------------------------------------------------------

TEST_F(ImportTest, CliImportsAFolderOfHistories) {
    const auto cli = [&](const std::vector<std::string>& arguments, int code) {
        const test::CliResult run = test::RunCliIn(wd, arguments);
        EXPECT_EQ(run.code, code) << run.err;
        return run.out + run.err;
    };
    Input(History(3), "aaa.txt");
    Input("Date;Open\r\n" + History(4, 3), "bbb.csv");
    const std::string dir = out.string();
    cli({"import", "aaa.txt", dir}, cli::kExitUsage);
    cli({"import", "aaa.txt", "bbb.csv", dir, "--symbol", "X"}, cli::kExitUsage);
    cli({"import", "aaa.txt", dir, "--symbol", "X", "--no-open", "--open-col", "2"},
        cli::kExitUsage);
    cli({"import", "aaa.txt", dir, "--symbol", "X", "--date-col", "0"}, cli::kExitUsage);
    // One file that cannot be found stops the batch before anything is written.
    const std::string refused =
        cli({"import", "aaa.txt", "nope.txt", dir, "--symbol-from-name", "--new-master"},
            cli::kExitUsage);
    EXPECT_NE(refused.find("The input file does not exist."), std::string::npos);
    EXPECT_FALSE(fs::exists(out / "MASTER"));

    const std::string done =
        cli({"import", "aaa.txt", "bbb.csv", dir, "--symbol-from-name", "--new-master",
             "--date-format", "mm_dd_ccyy", "--skip-rows", "1", "--no-oi"},
            cli::kExitSuccess);
    EXPECT_NE(done.find("BBB\t4 quotes"), std::string::npos) << done;
    std::vector<store::MasterRecord> records;
    ASSERT_EQ(store::ReadMasterRecords(out, records), store::kSuccess);
    ASSERT_EQ(records.size(), 2U);
    EXPECT_EQ(records[0].SymbolText(), "AAA");  // its first line was skipped
    EXPECT_EQ(test::ReadBytes(out / "F1.DAT").size(), 24U * 3);
    EXPECT_EQ(records[1].SymbolText(), "BBB");
    ExpectConsistent();

    const std::string again =
        cli({"import", "aaa.txt", dir, "--symbol", "aaa", "--date-format", "MM_DD_CCYY"},
            cli::kExitFailure);
    EXPECT_NE(again.find("Duplicate Symbol Failure"), std::string::npos);
    EXPECT_NE(again.find("Conversion failed."), std::string::npos);
}

}  // namespace
}  // namespace ticksmith::ascii
