#include "portfolio/quote_commands.h"

#include <initializer_list>
#include <utility>

#include "portfolio/grid_format.h"
#include "portfolio/symbols.h"
#include "settings/setting_keys.h"
#include "store/edit_quotes.h"
#include "store/quotes.h"

namespace ticksmith::portfolio {

namespace {

using store::DayNumber;

DayNumber GridDate(std::string_view text) {
    return store::ParseDateText(text, store::kDateFormatMmDdYy);
}

// Runs the engine under the portfolio's lock. A failure already told (the lock, the symbol)
// comes back without detail.
store::EditResult Run(const ViewState& view, const store::EditRequest& request,
                      platform::Messenger& messenger) {
    const auto locks = LockCurrentPortfolio(view, "Quote editing", messenger);
    if (!locks) {
        return {store::kFileOpen, {}};
    }
    store::MasterRecord record;
    fs::path directory;
    if (!view.FindSelectedRecord(record, directory, messenger)) {
        return {store::kRecordNotFound, {}};
    }
    store::EditResult result = store::EditQuotes(view.current.dataDir, view.currentSymbol, request);
    KeepEmasterInStep(directory, messenger);
    if (result.status == store::kNoQuoteToDelete) {
        messenger.Show("Failure in delete quote for findrec\n\n" + result.detail);
        result.detail.clear();
    } else if (result.status == store::kIntradayRecords) {
        messenger.Show(result.detail);
    }
    return result;
}

// The command's own failure text, then what the engine found wrong.
void ShowFailure(std::string_view text, const store::EditResult& result,
                 platform::Messenger& messenger) {
    if (result.status == store::kIntradayRecords) {
        return;  // a refusal, told on its own
    }
    if (result.detail.empty()) {
        messenger.Show(text);
    } else {
        messenger.Show(std::string(text) + "\n\n" +
                       store::StatusReport(result.status, result.detail));
    }
}

void WriteTexts(settings::SettingsStore& store, std::string_view section,
                std::initializer_list<std::pair<std::string_view, std::string_view>> values) {
    for (const auto& [name, text] : values) {
        store.WriteString(section, name, text);
    }
}

std::string NotADate(std::string_view what, std::string_view text) {
    return platform::FormatMessage("The %s \"%s\" is not a date (MM/DD/YY).\nNothing was changed.",
                                   {what, text});
}

void RefuseDate(std::string_view what, std::string_view text, platform::Messenger& messenger) {
    messenger.Show(NotADate(what, text));
}

std::optional<QuoteFormProblem> ValuesProblem(const store::FieldLayout& layout,
                                              const std::array<std::string, 6>& values) {
    static constexpr std::array<std::pair<store::Field, std::string_view>, 6> kFields = {{
        {store::kOpen, "Open"},
        {store::kHigh, "High"},
        {store::kLow, "Low"},
        {store::kClose, "Close"},
        {store::kVolume, "Volume"},
        {store::kOpenInterest, "Open Interest"},
    }};
    for (std::size_t i = 0; i < kFields.size(); ++i) {
        // A field the data file lacks shows empty in the grid and has no place to go.
        if (layout.Has(kFields[i].first) && !NumberOf(values[i])) {
            return platform::Refuse(
                static_cast<QuoteFormField>(i),
                platform::FormatMessage(
                    "The %s value \"%s\" is not a number.\nNothing was changed.",
                    {kFields[i].second, values[i]}));
        }
    }
    return std::nullopt;
}

}  // namespace

bool RefuseIntradayEditing(const ViewState& view, platform::Messenger& messenger) {
    store::QuoteSeries series;
    if (store::ReadSeries(series, view.current.dataDir, view.currentSymbol, 0, 0) !=
            store::kSuccess ||
        !store::HoldsIntraday(series.layout)) {
        return false;
    }
    messenger.Show(store::IntradayRefusal(view.currentSymbol));
    return true;
}

std::optional<QuoteFormProblem> CheckEditForm(const ViewState& view,
                                              const std::array<std::string, 6>& values) {
    store::QuoteSeries series;
    if (store::ReadSeries(series, view.current.dataDir, view.currentSymbol, 0, 0) !=
        store::kSuccess) {
        return std::nullopt;
    }
    return ValuesProblem(series.layout, values);
}

bool EditQuote(ViewState& view, std::string_view dateText, const std::array<std::string, 6>& values,
               settings::SettingsStore& store, platform::Messenger& messenger) {
    if (RefuseIntradayEditing(view, messenger)) {
        return false;
    }
    const DayNumber date = GridDate(dateText);
    if (date == 0) {
        RefuseDate("date", dateText, messenger);
        return false;
    }
    store::QuoteSeries series;
    if (const store::Status status =
            store::ReadSeries(series, view.current.dataDir, view.currentSymbol, 0, 0);
        status != store::kSuccess) {
        ShowFailure(
            "Single Date Edit Failed",
            {status, store::DescribeSeriesFailure(view.current.dataDir, view.currentSymbol)},
            messenger);
        return false;
    }
    if (const auto problem = ValuesProblem(series.layout, values)) {
        messenger.Show(problem->message);
        return false;
    }
    store::EditRequest request;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (series.layout.Has(static_cast<store::Field>(store::kOpen + static_cast<int>(i)))) {
            request.values[i] = *NumberOf(values[i]);
        }
    }
    request.date1 = request.date2 = date;
    request.operation = static_cast<std::int16_t>(store::EditOperation::kReplace);
    if (const store::EditResult result = Run(view, request, messenger); !result.Succeeded()) {
        ShowFailure("Single Date Edit Failed", result, messenger);
        return false;
    }
    WriteTexts(store, settings::keys::kEditSection,
               {{"Date", dateText},
                {"Open", values[0]},
                {"Hi", values[1]},
                {"Lo", values[2]},
                {"Close", values[3]},
                {"Vol", values[4]},
                {"OI", values[5]}});
    view.FillQuotesGrid(0, messenger);
    return true;
}

std::optional<QuoteFormProblem> CheckSplitForm(std::string_view dateText,
                                               std::string_view newShares,
                                               std::string_view oldShares) {
    if (GridDate(dateText) == 0) {
        return platform::Refuse(QuoteFormField::kDate, NotADate("split date", dateText));
    }
    const auto above0 = [](std::string_view text) {
        const auto count = NumberOf(text);
        return count && *count > 0;
    };
    const char* const message =
        "New Shares and Old Shares must both be numbers above 0.\nNothing was changed.";
    if (!above0(newShares)) {
        return platform::Refuse(QuoteFormField::kNewShares, message);
    }
    if (!above0(oldShares)) {
        return platform::Refuse(QuoteFormField::kOldShares, message);
    }
    return std::nullopt;
}

bool SplitQuotes(ViewState& view, std::string_view dateText, std::string_view newShares,
                 std::string_view oldShares, settings::SettingsStore& store,
                 platform::Messenger& messenger) {
    if (RefuseIntradayEditing(view, messenger)) {
        return false;
    }
    if (const auto problem = CheckSplitForm(dateText, newShares, oldShares)) {
        messenger.Show(problem->message);
        return false;
    }
    const DayNumber date = GridDate(dateText);
    const auto newCount = NumberOf(newShares);
    const auto oldCount = NumberOf(oldShares);
    const float price = *oldCount / *newCount;
    const float shares = *newCount / *oldCount;
    store::EditRequest request{{price, price, price, price, shares, shares},
                               0,
                               static_cast<DayNumber>(date - 1),
                               static_cast<std::int16_t>(store::EditOperation::kMultiply)};
    if (const store::EditResult result = Run(view, request, messenger); !result.Succeeded()) {
        ShowFailure("Split Edit Failed", result, messenger);
        return false;
    }
    WriteTexts(store, settings::keys::kSplitSection,
               {{"Date", dateText}, {"New", newShares}, {"Old", oldShares}});
    view.FillQuotesGrid(0, messenger);
    return true;
}

std::optional<QuoteFormProblem> CheckAdjustForm(const ViewState& view, const AdjustInput& input) {
    const auto inSeries = [&view](const std::string& text) {
        if (text.size() != 8 || text.find(' ') != std::string::npos) {
            return false;
        }
        const DayNumber day = GridDate(text);
        return day != 0 && view.firstDay <= day && day <= view.lastDay;
    };
    // A text that is not a number counts as 0.
    const auto nonZero = [](const std::string& text) {
        return NumberOf(text).value_or(0.0f) != 0.0f;
    };
    const std::array<std::pair<QuoteFormField, bool>, 5> checks = {{
        {QuoteFormField::kFrom, inSeries(input.from)},
        {QuoteFormField::kTo, inSeries(input.to)},
        {QuoteFormField::kPriceMultiplier, nonZero(input.price)},
        {QuoteFormField::kVolumeMultiplier, nonZero(input.volume)},
        {QuoteFormField::kOpenInterestMultiplier, nonZero(input.openInterest)},
    }};
    for (const auto& [field, passed] : checks) {
        if (!passed) {
            return platform::Refuse(field, "Invalid Data Entered");
        }
    }
    return std::nullopt;
}

AdjustResult AdjustQuotes(ViewState& view, const AdjustInput& input, settings::SettingsStore& store,
                          platform::Messenger& messenger) {
    if (RefuseIntradayEditing(view, messenger)) {
        return AdjustResult::kFailed;
    }
    if (const auto problem = CheckAdjustForm(view, input)) {
        messenger.Show(problem->message);
        return AdjustResult::kInvalid;
    }
    const float price = *NumberOf(input.price);
    const float volume = *NumberOf(input.volume);
    const float openInterest = *NumberOf(input.openInterest);
    store::EditRequest request{{price, price, price, price, volume, openInterest},
                               GridDate(input.from),
                               GridDate(input.to),
                               static_cast<std::int16_t>(store::EditOperation::kMultiply)};
    if (const store::EditResult result = Run(view, request, messenger); !result.Succeeded()) {
        ShowFailure("Adjust Edit Failed", result, messenger);
        return AdjustResult::kFailed;
    }
    WriteTexts(store, settings::keys::kAdjustSection,
               {{"Date1", input.from},
                {"Date2", input.to},
                {"PriceMult", input.price},
                {"VolMult", input.volume},
                {"OIMult", input.openInterest}});
    view.FillQuotesGrid(0, messenger);
    return AdjustResult::kDone;
}

std::optional<std::string> NewQuoteDate(const ViewState& view, platform::Messenger& messenger) {
    if (RefuseIntradayEditing(view, messenger)) {
        return std::nullopt;
    }
    if (view.QuoteCount() == 0 || view.selectedQuoteRow >= view.QuoteCount() - 1) {
        messenger.Show("A quote can be added only before a quote that has an older one below it.");
        return std::nullopt;
    }
    const DayNumber selected = view.SelectedQuoteDay();
    if (selected == 0) {
        RefuseDate("date", DateText(selected), messenger);
        return std::nullopt;
    }
    const DayNumber previous = store::PreviousWeekday(selected);
    std::string text = DateText(previous);
    if (view.QuoteRowOf(previous) >= 0) {
        messenger.Show(platform::FormatMessage("Date %s already exists.", {text}));
        return std::nullopt;
    }
    return text;
}

bool AddQuote(ViewState& view, std::string_view newDateText, settings::SettingsStore& store,
              platform::Messenger& messenger) {
    if (RefuseIntradayEditing(view, messenger)) {
        return false;
    }
    const DayNumber newDate = GridDate(newDateText);
    if (newDate == 0) {
        RefuseDate("date", newDateText, messenger);
        return false;
    }
    const DayNumber following = store::NextWeekday(newDate);
    store::EditRequest request;
    request.date1 = request.date2 = following;
    request.operation = static_cast<std::int16_t>(store::EditOperation::kAdd);
    if (const store::EditResult result = Run(view, request, messenger); !result.Succeeded()) {
        ShowFailure("Add Quote Failed", result, messenger);
        view.FillQuotesGrid(0, messenger);
        return false;
    }
    WriteTexts(store, settings::keys::kAddSection, {{"Date", newDateText}});
    view.FillQuotesGrid(view.selectedQuoteRow + 1, messenger);
    return true;
}

std::string DeleteQuoteQuestion(std::string_view dateText) {
    return "Selected Date to Delete:\n" + std::string(dateText) +
           "\n\nAre you sure you want to delete the data for the above date? ";
}

bool DeleteQuote(ViewState& view, std::string_view dateText, settings::SettingsStore& store,
                 platform::Messenger& messenger) {
    if (RefuseIntradayEditing(view, messenger)) {
        return false;
    }
    const DayNumber date = GridDate(dateText);
    if (date == 0) {
        RefuseDate("date", dateText, messenger);
        return false;
    }
    store::EditRequest request;
    request.date1 = request.date2 = date;
    request.operation = static_cast<std::int16_t>(store::EditOperation::kDelete);
    if (const store::EditResult result = Run(view, request, messenger); !result.Succeeded()) {
        ShowFailure("Delete Edit Failed", result, messenger);
        return false;
    }
    WriteTexts(store, settings::keys::kDeleteSection, {{"Date", dateText}});
    view.FillQuotesGrid(0, messenger);
    return true;
}

}  // namespace ticksmith::portfolio
