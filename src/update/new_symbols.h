#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/messenger.h"
#include "portfolio/discovery.h"
#include "settings/settings_store.h"
#include "store/encodings.h"

namespace ticksmith::update {

namespace fs = std::filesystem;

// The most recent weekday up to `today`: the date today's update files carry.
store::DayNumber ExpectedDate(store::DayNumber today);

// Whether a date text has the shape of a date format code (digits where the format has them).
bool HasDateShape(std::string_view text, int code);

// The symbols of today's update files (every profile's directory) that earlier runs have not
// seen (Lasttime/Lasttime.txt), in the order found, each once per file; also written to
// Lasttime/Delta.txt. Nothing when Lasttime.txt is missing or a profile cannot be read.
std::vector<std::string> IdentifyNewSymbols(const fs::path& workingDirectory,
                                            store::DayNumber today);

// The New Symbol dialog's decisions, driven by a front end with the person's answers: shows the
// symbols of Delta.txt one by one and adds those it is told to.
class NewSymbolSession {
  public:
    NewSymbolSession(fs::path workingDirectory, portfolio::CurrentPortfolio portfolio,
                     settings::SettingsStore& store, platform::Messenger& messenger,
                     store::DayNumber today);

    int Count() const { return static_cast<int>(m_symbols.size()); }
    bool Done() const { return m_done; }
    // Position of the symbol shown, from 0.
    int Position() const { return m_position; }
    const std::string& Symbol() const { return m_symbols[static_cast<std::size_t>(m_position)]; }
    // "%s is a new Symbol (%d of %d)"
    std::string Message() const;
    const portfolio::CurrentPortfolio& Portfolio() const { return m_portfolio; }
    // The profiles to choose from and the one selected at the start ("LastPFD").
    const std::vector<std::string>& Profiles() const { return m_profiles; }
    int SelectedProfile() const { return m_selectedProfile; }

    // Adds the symbol shown under `name` (trimmed, at most 16 characters, the symbol when
    // empty) with the profile, and moves on. False, staying on the symbol, when adding failed.
    [[nodiscard]] bool Yes(std::string_view name, const std::string& profile);
    // Yes for every symbol left, each under its own name, until one fails.
    [[nodiscard]] bool YesToAll(const std::string& profile);
    void No();
    void Cancel() { m_done = true; }
    // Symbols added from now on go to this portfolio.
    void ChangePortfolio(const portfolio::CurrentPortfolio& portfolio) { m_portfolio = portfolio; }

  private:
    void Next();

    fs::path m_workingDirectory;
    portfolio::CurrentPortfolio m_portfolio;
    settings::SettingsStore& m_store;
    platform::Messenger& m_messenger;
    store::DayNumber m_today;
    std::vector<std::string> m_symbols;
    std::vector<std::string> m_profiles;
    int m_selectedProfile = 0;
    int m_position = 0;
    bool m_done = false;
};

inline constexpr std::string_view kDeltaFileName = "Delta.txt";
inline constexpr std::string_view kLasttimeFileName = "Lasttime.txt";

}  // namespace ticksmith::update
