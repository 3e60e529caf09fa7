#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli_support.h"
#include "profiles/profile.h"
#include "settings/qt_settings_store.h"
#include "settings_support.h"

namespace ticksmith::cli {
namespace {

namespace fs = std::filesystem;

class CliSettingsTest : public testing::Test {
  protected:
    CliSettingsTest() {
        fs::create_directories(m_wd);
        fs::create_directories(m_in);
        fs::create_directories(m_portfolio);
        test::AddSymbol(m_portfolio, "AAA", 1);
        test::AddSymbol(m_portfolio, "BBB", 1);
    }

    // Each run opens its own store on one INI file, as separate invocations do. Checks the
    // exit status and that `error` is part of the error stream; returns the output.
    std::string Cli(std::vector<std::string> arguments, int code = kExitSuccess,
                    std::string_view error = "") {
        arguments.insert(arguments.begin(), {"--settings", m_ini.string()});
        const test::CliResult run = test::RunCliIn(m_wd, arguments, [](const fs::path& file) {
            return std::make_unique<settings::QtSettingsStore>(file);
        });
        EXPECT_EQ(run.code, code) << testing::PrintToString(arguments);
        EXPECT_NE(run.err.find(error), std::string::npos) << run.err;
        return run.out;
    }

    test::TempDir m_temp;
    fs::path m_wd = m_temp.path() / "wd";
    fs::path m_in = m_temp.path() / "in";
    fs::path m_portfolio = m_temp.path() / "pf";
    fs::path m_ini = m_temp.path() / "settings.ini";
    std::string m_pf = m_portfolio.string();
};

TEST_F(CliSettingsTest, GetsAndSetsSettings) {
    EXPECT_EQ(Cli({"settings", "get", "Search", "Limit"}), "1\n");
    Cli({"settings", "set", "Search", "Limit", "0"});
    EXPECT_EQ(Cli({"settings", "get", "Search", "Limit"}), "0\n");
    EXPECT_EQ(settings::QtSettingsStore(m_ini).ReadInt("Search", "Limit", 1), 0);
    Cli({"settings", "get", "Nope", "Value"}, kExitFailure, "Nope");
    Cli({"settings", "get", "Search"}, kExitUsage);
}

TEST_F(CliSettingsTest, SavesAndAssignsProfiles) {
    const std::string in = m_in.string();
    EXPECT_EQ(Cli({"profile", "list"}), "* Profile1\n");
    Cli({"profile", "save", "Daily", "--dir", in + "/", "--delimiter", "tab", "--date-format",
         "CCYYMMDD", "--no-open", "--oi-col", "9", "--futures"});
    EXPECT_EQ(test::ReadBytes(m_wd / "Daily.pfd"),
              test::ProfileFileBytes({1, 1, 2, 0, 4, 5, 6, 7, 9, 1, 8, 1}, in));
    // Another spelling edits the same profile and keeps what is not given.
    Cli({"profile", "save", "daily", "--close-col", "12", "--no-futures"});
    EXPECT_EQ(test::ReadBytes(m_wd / "Daily.pfd"),
              test::ProfileFileBytes({1, 1, 2, 0, 4, 5, 12, 7, 9, 0, 8, 1}, in));
    Cli({"profile", "save", "Weekly", "--dir", in, "--open-col", "6"}, kExitFailure,
        "Duplicate columns specified\nCorrect or disable");
    Cli({"profile", "save", "Weekly", "--dir", in, "--date-format", "YYYY"}, kExitUsage);
    EXPECT_EQ(test::Snapshot(m_wd).size(), 2u);

    Cli({"profile", "assign", m_pf, "BBB", "DAILY"});
    EXPECT_EQ(profiles::ReadAssignment(m_portfolio, 2), "Daily");
    EXPECT_EQ(profiles::ReadAssignment(m_portfolio, 1), std::nullopt);
    Cli({"profile", "assign", m_pf, "BBB", "Nope"}, kExitFailure, "Nope");
    EXPECT_EQ(Cli({"profile", "list"}), "* Daily\n  Profile1\n");
    Cli({"profile", "assign-all", m_pf, "profile1"});
    EXPECT_EQ(profiles::ReadAssignment(m_portfolio, 1), "Profile1");
    EXPECT_EQ(profiles::ReadAssignment(m_portfolio, 2), "Profile1");
    EXPECT_EQ(Cli({"settings", "get", "PFD", "LastPFD"}), "Profile1\n");
}

TEST_F(CliSettingsTest, SkipsSymbols) {
    test::Bytes expected(256, 0);
    expected[0] = expected[2] = 1;
    Cli({"skip", m_pf, "BBB", "on"});
    EXPECT_EQ(test::ReadBytes(m_portfolio / "SKIPQLDR.SKB"), expected);
    Cli({"skip", m_pf, "NOPE", "toggle"}, kExitFailure, "NOPE");
    Cli({"skip", m_pf, "BBB", "maybe"}, kExitUsage);
    Cli({"skip-adjust", m_pf, "all"});
    expected[1] = 1;
    EXPECT_EQ(test::ReadBytes(m_portfolio / "SKIPQLDR.SKB"), expected);
}

}  // namespace
}  // namespace ticksmith::cli
