#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "platform/form_problem.h"
#include "platform/messenger.h"
#include "portfolio/view_state.h"
#include "settings/settings_store.h"

namespace ticksmith::portfolio {

// The Quotes menu's commands on the current symbol of the view state. Each takes the texts its
// dialog holds, refuses what it cannot use with a message and nothing changed, runs EditQuotes,
// writes its settings after success and refills the quote grid.

// True, with the refusal shown, when the current symbol's records carry a time of day: every
// command below refuses such a series and changes nothing. The window asks before a dialog.
bool RefuseIntradayEditing(const ViewState& view, platform::Messenger& messenger);

// The inputs of the quote dialogs that a check can refuse, so that the dialog puts the focus
// back on the one its message names. Open to open interest follow EditRequest's values.
enum class QuoteFormField {
    kOpen,
    kHigh,
    kLow,
    kClose,
    kVolume,
    kOpenInterest,
    kDate,
    kNewShares,
    kOldShares,
    kFrom,
    kTo,
    kPriceMultiplier,
    kVolumeMultiplier,
    kOpenInterestMultiplier,
};
using QuoteFormProblem = platform::FormProblem<QuoteFormField>;

// Edit's OK before the file is touched: the first of the six texts that is not a number, for a
// field the selected symbol's data file has. Nothing when they pass or the series cannot be
// read (EditQuote reports that).
[[nodiscard]] std::optional<QuoteFormProblem> CheckEditForm(
    const ViewState& view, const std::array<std::string, 6>& values);

// Quotes > Edit...: the six texts are open, high, low, close, volume and open interest; a
// field the data file lacks is ignored.
bool EditQuote(ViewState& view, std::string_view dateText, const std::array<std::string, 6>& values,
               settings::SettingsStore& store, platform::Messenger& messenger);

// Split's OK before the file is touched: the date, then the two share counts.
[[nodiscard]] std::optional<QuoteFormProblem> CheckSplitForm(std::string_view dateText,
                                                             std::string_view newShares,
                                                             std::string_view oldShares);

// Quotes > Split...: quotes before the split date are rescaled by old / new shares.
bool SplitQuotes(ViewState& view, std::string_view dateText, std::string_view newShares,
                 std::string_view oldShares, settings::SettingsStore& store,
                 platform::Messenger& messenger);

struct AdjustInput {
    std::string from;
    std::string to;
    std::string price = "1";
    std::string volume = "1";
    std::string openInterest = "1";
};

enum class AdjustResult { kDone, kInvalid, kFailed };

// Adjust's OK: "Invalid Data Entered", naming the first input that fails.
[[nodiscard]] std::optional<QuoteFormProblem> CheckAdjustForm(const ViewState& view,
                                                              const AdjustInput& input);

// Quotes > Adjust...: kInvalid ("Invalid Data Entered") keeps the dialog open.
AdjustResult AdjustQuotes(ViewState& view, const AdjustInput& input, settings::SettingsStore& store,
                          platform::Messenger& messenger);

// Quotes > Add..., first step: the date of the quote to add before the selected row (the
// previous weekday), or nothing, with the reason shown, when it cannot be added.
std::optional<std::string> NewQuoteDate(const ViewState& view, platform::Messenger& messenger);
inline constexpr std::string_view kAddNote =
    "The new quote will be added using the same data as the following day. You may then edit it "
    "to suit.";
// The Add dialog's OK: inserts a copy of the following trading day dated `newDateText` and
// selects it, so that Edit can follow.
bool AddQuote(ViewState& view, std::string_view newDateText, settings::SettingsStore& store,
              platform::Messenger& messenger);

// The Delete Data question, as its dialog asks it.
std::string DeleteQuoteQuestion(std::string_view dateText);
// Quotes > Delete... after Yes.
bool DeleteQuote(ViewState& view, std::string_view dateText, settings::SettingsStore& store,
                 platform::Messenger& messenger);

}  // namespace ticksmith::portfolio
