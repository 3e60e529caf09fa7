// The Symbol menu's commands on the view state, and the grids they refill.
#include <gtest/gtest.h>

#include "platform/names.h"
#include "portfolio/grid_format.h"
#include "portfolio/skip_list.h"
#include "portfolio/symbol_commands.h"
#include "portfolio/symbols.h"
#include "profiles/profile.h"
#include "settings/settings_support.h"
#include "test_support.h"

namespace ticksmith::test {
namespace {

using portfolio::ViewState;

class SymbolCommands : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"b", "a", "c"}) {
            fs::create_directory(m_root / name);
            ASSERT_EQ(store::CreateEmptyMaster(m_root / name), store::kSuccess);
        }
        AddSymbol(m_root / "a", "ZED", 40);
        AddSymbol(m_root / "a", "MID", 5);
        AddSymbol(m_root / "a", "ALF", 0);
        AddSymbol(m_root / "b", "MID", 2);
        for (const char* name : {"a", "b", "c"}) {
            ASSERT_EQ(portfolio::GetSkipString(m_root / name, m_messenger).size(),
                      portfolio::kSkipListLength);
        }
    }

    // The window's state with the portfolios a, b and c listed and `current` selected.
    ViewState View(const std::string& current = "a", const std::string& symbol = "") {
        ViewState view;
        for (const char* name : {"a", "b", "c"}) {
            EXPECT_TRUE(view.OpenPortfolio((m_root / name).string(), m_messenger));
        }
        EXPECT_TRUE(view.OpenPortfolio((m_root / current).string(), m_messenger));
        EXPECT_TRUE(view.FillSymbolsGrid(0, m_messenger));
        if (!symbol.empty()) {
            EXPECT_TRUE(view.SelectSymbolRow(view.SymbolRowOf(symbol), m_messenger));
        }
        return view;
    }

    std::vector<std::string> Symbols(const std::string& portfolio) {
        std::vector<store::MasterRecord> records;
        EXPECT_EQ(store::ReadMasterRecords(m_root / portfolio, records), store::kSuccess);
        std::vector<std::string> symbols;
        for (const auto& record : records) {
            symbols.push_back(std::to_string(record.fileNumber) + record.SymbolText());
        }
        return symbols;
    }

    TempDir m_temp;
    fs::path m_root = m_temp.path();
    RecordingMessenger m_messenger;
};

TEST_F(SymbolCommands, GridsAreSortedAndRecentShowsTheNewest30) {
    ViewState view = View();
    ASSERT_EQ(view.SymbolCount(), 3);
    EXPECT_EQ(view.symbolRows[0].Symbol(), "ALF");
    EXPECT_EQ(view.symbolRows[2].Symbol(), "ZED");
    EXPECT_EQ(portfolio::SymbolCellText(view.symbolRows[0], 2), " (none)");
    EXPECT_EQ(view.QuoteCount(), 0);

    ASSERT_TRUE(view.SelectSymbolRow(2, m_messenger));
    EXPECT_EQ(view.currentSymbol, "ZED");
    EXPECT_EQ(view.QuoteCount(), 30);
    EXPECT_EQ(view.totalQuotes, 40);
    EXPECT_EQ(view.quotes[0].date, SampleQuote(39).date);
    EXPECT_EQ(view.firstDay, SampleQuote(0).date);
    EXPECT_EQ(view.lastDay, SampleQuote(39).date);
    view.settings.displayRecent = false;
    ASSERT_TRUE(view.FillQuotesGrid(0, m_messenger));
    EXPECT_EQ(view.QuoteCount(), 40);
    EXPECT_EQ(view.quotes.back().date, view.firstDay);

    // "ALL" past one chunk of 400: the chunks run from the newest back and keep every quote
    // whole, newest first.
    AddSymbol(m_root / "a", "BIG", 2 * portfolio::kQuoteChunk + 50);
    ASSERT_TRUE(view.FillSymbolsGrid(0, m_messenger));
    ASSERT_TRUE(view.SelectSymbolRow(view.SymbolRowOf("BIG"), m_messenger));
    ASSERT_EQ(view.QuoteCount(), 2 * portfolio::kQuoteChunk + 50);
    for (int row = 0; row < view.QuoteCount(); ++row) {
        const store::Quote want = SampleQuote(view.QuoteCount() - 1 - row);
        const store::Quote& got = view.quotes[static_cast<std::size_t>(row)];
        ASSERT_EQ(got.date, want.date) << row;
        ASSERT_EQ(got.close, want.close) << row;
        ASSERT_EQ(got.openInterest, want.openInterest) << row;
    }
    EXPECT_EQ(view.lastDay, view.quotes.front().date);
}

TEST_F(SymbolCommands, AddUpperCasesNamesAfterItselfAndReusesTheLowestNumber) {
    ViewState view = View();
    EXPECT_EQ(portfolio::AddSymbolCommand(view, "  ", "", std::nullopt, 20000, m_messenger),
              portfolio::AddSymbolResult::kNoSymbolEntered);
    EXPECT_EQ(m_messenger.shown.back(), "You did not enter a symbol");
    view = View("a", "MID");
    ASSERT_TRUE(portfolio::DeleteSymbol(view, m_messenger));
    ASSERT_EQ(
        portfolio::AddSymbolCommand(view, " ibm ", "", std::string("Daily"), 20000, m_messenger),
        portfolio::AddSymbolResult::kAdded);
    EXPECT_EQ(view.currentSymbol, "IBM");
    EXPECT_EQ(view.SelectedFileNumber(), 2);
    const store::MasterRecord record = [&] {
        store::MasterRecord found;
        fs::path where;
        EXPECT_EQ(store::FindSymbol(m_root / "a", "IBM", found, where), store::kSuccess);
        return found;
    }();
    EXPECT_EQ(record.IssueNameText(), "IBM");
    EXPECT_EQ(record.FirstDay(), 20000 - 365);
    EXPECT_EQ(profiles::ReadAssignment(m_root / "a", 2), "Daily");
    EXPECT_EQ(portfolio::AddSymbolCommand(view, "Ibm", "", std::nullopt, 20000, m_messenger),
              portfolio::AddSymbolResult::kExists);

    // A data file under the next free number that no record names is never written over: the
    // number is passed over.
    const std::string lost = "quotes of a lost record";
    WriteBytes(m_root / "a" / "F4.DAT", lost);
    EXPECT_EQ(portfolio::AddSymbolCommand(view, "NEW", "", std::nullopt, 20000, m_messenger),
              portfolio::AddSymbolResult::kAdded);
    EXPECT_EQ(ReadBytes(m_root / "a" / "F4.DAT"), Bytes(lost.begin(), lost.end()));
    EXPECT_TRUE(fs::exists(m_root / "a" / "F5.DAT"));
}

// A symbol whose data files cannot be made has its record taken back out; when the disk
// refuses that too, the person learns which record MASTER still holds.
TEST_F(SymbolCommands, AddWhoseFilesFailTakesItsRecordBackOrSaysWhatStays) {
    const fs::path c = m_root / "c";
    const ViewState view = View("c");
    const auto before = Snapshot(c);
    const std::string notAdded =
        platform::FormatMessage("The Symbol %s could not be added to %s.", {"NEW", c.string()});
    for (const bool spreads : {false, true}) {
        SCOPED_TRACE(spreads ? "the disk breaks" : "only the data files fail");
        RecordingMessenger messenger;
        BreakingFileSystem breaking("F1.", spreads);
        {
            platform::ScopedFileSystem scope(breaking);
            EXPECT_EQ(
                portfolio::AddSymbol(view.current, "NEW", "NEW", std::nullopt, 20000, messenger),
                portfolio::AddSymbolResult::kNotAdded);
        }
        ASSERT_EQ(messenger.shown.size(), 1u);
        EXPECT_EQ(messenger.shown[0].rfind(notAdded, 0), 0u) << messenger.shown[0];
        const bool named =
            messenger.shown[0].find("MASTER still names NEW as file number 1") != std::string::npos;
        EXPECT_EQ(named, spreads) << messenger.shown[0];
        store::MasterRecord found;
        fs::path where;
        EXPECT_EQ(store::FindSymbol(c, "NEW", found, where) == store::kSuccess, spreads);
        if (!spreads) {
            EXPECT_EQ(Snapshot(c), before);
        }
        EXPECT_FALSE(platform::FindEntry(c, "F1.DAT") || platform::FindEntry(c, "F1.DOP"));
    }
}

TEST_F(SymbolCommands, DeleteTakesTheFilesAndTheSkipFlag) {
    const fs::path a = m_root / "a";
    WriteBytes(a / "F2.BAK", Bytes{1});
    WriteBytes(a / "F2.PFL", Bytes(34, 0));
    ASSERT_TRUE(portfolio::SkipSymbol(a, "MID", portfolio::SkipChange::kOn, m_messenger));
    ASSERT_TRUE(portfolio::SkipSymbol(a, "ZED", portfolio::SkipChange::kOn, m_messenger));
    ViewState view = View("a", "MID");
    ASSERT_TRUE(portfolio::DeleteSymbol(view, m_messenger));
    EXPECT_EQ(Symbols("a"), (std::vector<std::string>{"1ZED", "3ALF"}));
    for (const char* name : {"F2.DAT", "F2.DOP", "F2.PFL", "F2.BAK"}) {
        EXPECT_FALSE(fs::exists(a / name)) << name;
    }
    const portfolio::SkipList skip = portfolio::GetSkipString(a, m_messenger);
    EXPECT_EQ(skip[2], '0');
    EXPECT_EQ(skip[1], '1');
    EXPECT_EQ(view.SymbolCount(), 2);

    // A grid symbol that MASTER does not hold deletes nothing.
    const auto before = Snapshot(a);
    view.currentSymbol = "GONE";
    m_messenger.shown.clear();
    EXPECT_FALSE(portfolio::DeleteSymbol(view, m_messenger));
    EXPECT_EQ(Snapshot(a), before);
    EXPECT_EQ(m_messenger.shown.back(), "The Symbol GONE was not found in the MASTER file of\n" +
                                            a.string() + "\nNothing was deleted.");
    // A MASTER that cannot be read is not a missing symbol.
    view.currentSymbol = "ZED";
    WriteBytes(a / "MASTER", Bytes(10));
    EXPECT_FALSE(portfolio::DeleteSymbol(view, m_messenger));
    EXPECT_EQ(m_messenger.shown.back(),
              "The MASTER file of\n" + a.string() +
                  "\ncould not be read or replaced; nothing was deleted.\n\nFile Read (" +
                  (a / "MASTER").string() + " is shorter than its header)");
    EXPECT_TRUE(fs::exists(a / "F1.DAT"));
}

TEST_F(SymbolCommands, MoveAndCopyCarryTheFilesUnderTheNewNumber) {
    const fs::path a = m_root / "a", b = m_root / "b", c = m_root / "c";
    WriteBytes(a / "F1.BAK", Bytes{7});
    ASSERT_TRUE(profiles::WriteAssignmentFile(a, 1, profiles::AssignmentBytes{}));
    const Bytes data = ReadBytes(a / "F1.DAT");
    ViewState view = View("a", "ZED");
    EXPECT_EQ(portfolio::TransferDestinations(view),
              (std::vector<std::string>{b.string(), c.string()}));

    ASSERT_TRUE(
        portfolio::TransferSymbol(view, b.string(), portfolio::Transfer::kCopy, m_messenger));
    EXPECT_EQ(Symbols("b"), (std::vector<std::string>{"1MID", "2ZED"}));
    EXPECT_EQ(ReadBytes(b / "F2.DAT"), data);
    EXPECT_TRUE(fs::exists(b / "F2.pfl") || fs::exists(b / "F2.PFL"));
    EXPECT_FALSE(fs::exists(b / "F2.BAK"));
    EXPECT_TRUE(fs::exists(a / "F1.BAK"));
    // Moving onto that very copy, as a move killed before it took the source's record out
    // leaves things, only clears the source; a copy that differs is someone else's symbol.
    const auto copied = Snapshot(b);
    WriteBytes(b / "F2.DAT", Bytes{1});
    EXPECT_FALSE(
        portfolio::TransferSymbol(view, b.string(), portfolio::Transfer::kMove, m_messenger));
    WriteBytes(b / "F2.DAT", data);
    ASSERT_TRUE(
        portfolio::TransferSymbol(view, b.string(), portfolio::Transfer::kMove, m_messenger));
    EXPECT_EQ(Snapshot(b), copied);
    EXPECT_EQ(Symbols("a"), (std::vector<std::string>{"2MID", "3ALF"}));
    ViewState back = View("b", "ZED");
    ASSERT_TRUE(
        portfolio::TransferSymbol(back, a.string(), portfolio::Transfer::kMove, m_messenger));

    // A destination that holds the symbol already is refused, naming both.
    view = View("a", "MID");
    const auto before = Snapshot(m_root);
    EXPECT_FALSE(
        portfolio::TransferSymbol(view, b.string(), portfolio::Transfer::kMove, m_messenger));
    EXPECT_EQ(m_messenger.shown.back(),
              "The Symbol addition failed.\n\nReason: Symbol MID "
              "already exists in\n" +
                  b.string());
    EXPECT_EQ(Snapshot(m_root), before);
    // Only 255 records fill a destination.
    const fs::path full = m_root / "full";
    fs::create_directory(full);
    std::vector<store::MasterRecord> all;
    for (int number = 255; number >= 1; --number) {
        all.push_back(Record(number, "S" + std::to_string(number)));
    }
    WriteBytes(full / "MASTER", MasterFile(255, 255, all));
    view = View("a", "ZED");
    const auto beforeFull = Snapshot(m_root);
    EXPECT_FALSE(
        portfolio::TransferSymbol(view, full.string(), portfolio::Transfer::kCopy, m_messenger));
    EXPECT_EQ(m_messenger.shown.back(),
              "The portfolio already has the\nmaximum number of symbols (255).\nChoose a "
              "different or new portfolio.");
    EXPECT_EQ(Snapshot(m_root), beforeFull);
    // Other software's counter at 255 with numbers free is not full.
    WriteBytes(full / "MASTER", MasterFile(1, 255, {Record(255, "LAST")}));
    ASSERT_TRUE(
        portfolio::TransferSymbol(view, full.string(), portfolio::Transfer::kCopy, m_messenger));
    store::MasterHeader header;
    ASSERT_EQ(store::ReadMasterHeader(full, header), store::kSuccess);
    EXPECT_EQ(header.count, 2);
    EXPECT_EQ(header.counter, 255);
    EXPECT_TRUE(fs::exists(full / "F1.DAT"));
    fs::remove_all(full);

    // A data file under the destination's free number is someone's: left alone, and the move
    // takes the next number.
    const std::string stray = "stray quotes";
    WriteBytes(c / "F1.DAT", stray);
    ASSERT_TRUE(
        portfolio::TransferSymbol(view, c.string(), portfolio::Transfer::kMove, m_messenger));
    EXPECT_EQ(ReadBytes(c / "F1.DAT"), Bytes(stray.begin(), stray.end()));
    EXPECT_EQ(Symbols("a"), (std::vector<std::string>{"2MID", "3ALF"}));
    EXPECT_EQ(Symbols("c"), (std::vector<std::string>{"2ZED"}));
    EXPECT_EQ(ReadBytes(c / "F2.DAT"), data);
    for (const char* name : {"F1.DAT", "F1.DOP", "F1.pfl", "F1.BAK"}) {
        EXPECT_FALSE(fs::exists(a / name)) << name;
    }
}

TEST_F(SymbolCommands, AMoveThatFailsPartWayLeavesBothPortfoliosAsTheyWere) {
    TempDir work;
    ASSERT_TRUE(profiles::WriteAssignmentFile(m_root / "a", 1, profiles::AssignmentBytes{}));
    const auto statuses =
        ExpectAllOrNothing(m_root, work.path() / "root",
                           [this](const fs::path& root) {
                               ViewState view;
                               RecordingMessenger quiet;
                               EXPECT_TRUE(view.OpenPortfolio((root / "a").string(), quiet));
                               EXPECT_TRUE(view.FillSymbolsGrid(0, quiet));
                               view.SelectSymbolRow(view.SymbolRowOf("ZED"), quiet);
                               return portfolio::TransferSymbol(view, (root / "c").string(),
                                                                portfolio::Transfer::kMove, quiet)
                                          ? 0
                                          : -1;
                           },
                           {"a/MASTER.BAK", "c/MASTER.BAK"});
    // Three files and two MASTERs, each created, written, synced and renamed.
    EXPECT_EQ(statuses.size(), 5u * 4u);
}

TEST_F(SymbolCommands, EditRenamesAsTypedAndFindGoesByListOrder) {
    ViewState view = View("c");
    settings::MemorySettingsStore store;
    using portfolio::FindResult;
    EXPECT_EQ(portfolio::FindSymbolCommand(view, {"", false, false}, store, m_messenger),
              FindResult::kRefused);
    EXPECT_EQ(portfolio::FindSymbolCommand(view, {"x-y", true, false}, store, m_messenger),
              FindResult::kRefused);
    EXPECT_EQ(m_messenger.shown.back(), "Please enter a valid File Number");
    // b comes after a in the list, so a wins even from c.
    ASSERT_EQ(portfolio::FindSymbolCommand(view, {" mid", false, true}, store, m_messenger),
              FindResult::kFound);
    EXPECT_EQ(view.current.portfolioDir, (m_root / "a").string());
    EXPECT_EQ(view.currentSymbol, "MID");
    EXPECT_EQ(store.ReadInt("FindSymb", "SearchAll", 0), 1);
    EXPECT_EQ(portfolio::FindSymbolCommand(view, {"0003x", true, false}, store, m_messenger),
              FindResult::kFound);
    EXPECT_EQ(view.currentSymbol, "ALF");
    EXPECT_EQ(portfolio::FindSymbolCommand(view, {"9", true, false}, store, m_messenger),
              FindResult::kNotFound);
    EXPECT_EQ(m_messenger.shown.back(), "File number 9 is not in this portfolio.");
    EXPECT_EQ(portfolio::FindSymbolCommand(view, {"NOPE", false, false}, store, m_messenger),
              FindResult::kNotFound);
    EXPECT_EQ(m_messenger.shown.back(), "Symbol name NOPE not found.");

    EXPECT_FALSE(portfolio::EditSymbol(view, "", "x", m_messenger));
    EXPECT_EQ(m_messenger.shown.back(), "You must enter a symbol");
    ASSERT_TRUE(portfolio::EditSymbol(view, "alf2", "Alpha", m_messenger));
    EXPECT_EQ(view.currentSymbol, "alf2");
    EXPECT_EQ(Symbols("a"), (std::vector<std::string>{"1ZED", "2MID", "3alf2"}));
    EXPECT_TRUE(fs::exists(m_root / "a" / "MASTER.BAK"));
}

TEST_F(SymbolCommands, TheFormsNameTheFieldToCorrect) {
    using portfolio::SymbolField;
    const fs::path a = m_root / "a";
    const auto field = [&](std::string_view symbol, std::string_view name) {
        const auto problem = portfolio::CheckSymbolForm(a, portfolio::AddSymbolFormOf(symbol, name),
                                                        portfolio::kAddSymbolMissing);
        return problem ? std::optional<SymbolField>(problem->field) : std::nullopt;
    };
    EXPECT_EQ(field("  ", "Name"), SymbolField::kSymbol);
    EXPECT_EQ(field("ABCDEFGHIJKLMNOPQ", "x"), SymbolField::kSymbol);
    // Without an EMASTER a 17th character of the name has nowhere to go.
    EXPECT_EQ(field("ok", "ABCDEFGHIJKLMNOPQ"), SymbolField::kName);
    EXPECT_EQ(field(" ok ", ""), std::nullopt);
    EXPECT_EQ(portfolio::AddSymbolFormOf(" ibm ", "").name, "IBM");

    EXPECT_EQ(portfolio::FindRequestRefusal({" ", false, false}),
              "Please enter a Symbol Name or File Number");
    EXPECT_EQ(portfolio::FindRequestRefusal({"x-y", true, false}),
              "Please enter a valid File Number");
    EXPECT_EQ(portfolio::FindRequestRefusal({"x-y", false, false}), std::nullopt);
}

}  // namespace
}  // namespace ticksmith::test
