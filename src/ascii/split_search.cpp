#include "ascii/split_search.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "ascii/export.h"
#include "platform/file_system.h"
#include "platform/names.h"
#include "portfolio/portfolio_files.h"
#include "store/encodings.h"

namespace ticksmith::ascii {

namespace {

// p new shares for q old ones, p and q from 1 to 4, in the order they are tried. 2 for 4 and
// 4 for 2 would repeat the bands of 1 for 2 and 2 for 1; 3 for 4 and 4 for 3 are left out.
constexpr SplitRatio kRatios[] = {{1, 2}, {1, 3}, {1, 4}, {2, 1}, {2, 3}, {3, 1}, {3, 2}, {4, 1}};

// Eight windows are read at once: fewer system calls, and the same neighbouring pairs, since
// consecutive reads share one quote as consecutive windows do.
constexpr int kQuotesPerRead = 8 * kSplitWindow;

constexpr double kBandLow = 0.9;
constexpr double kBandHigh = 1.1;
constexpr float kGapFactor = 0.8f;

double Wanted(SplitRatio ratio) {
    return static_cast<double>(ratio.newShares) / ratio.oldShares;
}

// Most neighbouring closes lie between the 2-for-3 and the 3-for-2 bands, where no band is.
const double kNoBandFrom = Wanted({2, 3}) * kBandHigh;
const double kNoBandTo = Wanted({3, 2}) * kBandLow;

// The ratio whose band the closes a (earlier) and b (later) fall in; the bands do not overlap.
std::optional<SplitRatio> RatioBand(float a, float b) {
    if (a == 0.0f || b == 0.0f) {
        return std::nullopt;
    }
    const double r = static_cast<double>(a / b);
    if (r >= kNoBandFrom && r <= kNoBandTo) {
        return std::nullopt;
    }
    for (const SplitRatio ratio : kRatios) {
        if (r > Wanted(ratio) * kBandLow && r < Wanted(ratio) * kBandHigh) {
            return ratio;
        }
    }
    return std::nullopt;
}

// A quick test without the division: positive closes within 0.74 and 1.34 of each other lie
// between the 2-for-3 and the 3-for-2 bands, whatever the rounding.
bool SurelyNoBand(float a, float b) {
    return b > 0.0f && a > b * 0.74f && a < b * 1.34f;
}

// Whether the two quotes' price ranges lie further apart than 0.8 of the closes' difference.
bool RangesApart(const store::Quote& earlier, const store::Quote& later) {
    const float a = earlier.close;
    const float b = later.close;
    const float d = std::fabs(a - b) * kGapFactor;
    const float g =
        a > b ? std::fabs(earlier.low - later.high) : std::fabs(earlier.high - later.low);
    return g > d;
}

// One symbol's quotes, read in windows from one open data file. Only the closes are decoded
// for every record; a pair whose closes fall in a band is decoded whole.
class WindowReader {
  public:
    explicit WindowReader(std::vector<std::uint8_t>& bytes) : m_bytes(bytes) {}

    // Finds the layout, opens the data file and counts its quotes, as the series reader does.
    store::Status Open(const fs::path& dataDirectory, const store::MasterRecord& record) {
        m_length = record.recordLength;
        if (const store::Status status = store::ReadFieldLayout(dataDirectory, record.fileNumber,
                                                                m_length, m_layout, record.period);
            status != store::kSuccess) {
            return status;
        }
        m_file = platform::InputFile(
            platform::ResolveEntry(dataDirectory, store::DataFileName(record.fileNumber)));
        if (!m_file.IsOpen()) {
            return store::kFileOpen;
        }
        std::vector<std::uint8_t> header(static_cast<std::size_t>(m_length));
        const std::int64_t got = m_file.ReadAt(0, header.data(), header.size());
        header.resize(static_cast<std::size_t>(std::max<std::int64_t>(got, 0)));
        return store::CountQuotes(header, m_file.Size(), m_length, m_quotes);
    }

    int Quotes() const { return m_quotes; }

    // Reads up to `count` quotes from `start`; the number of whole records read, -1 on error.
    int Read(int start, int count) {
        m_bytes.resize(static_cast<std::size_t>(m_length) * static_cast<std::size_t>(count));
        const std::int64_t got = m_file.ReadAt(static_cast<std::int64_t>(m_length) * (start + 1),
                                               m_bytes.data(), m_bytes.size());
        return got < 0 ? -1 : static_cast<int>(got / m_length);
    }

    float Close(int k) const {
        const int position = m_layout.position[store::kClose];
        if (position == 0) {
            return store::kAbsentValue;
        }
        const std::uint8_t* at = Record(k) + 4 * (position - 1);
        return store::MbfToFloat({at[0], at[1], at[2], at[3]});
    }

    store::Quote Decode(int k) const { return store::DecodeQuote(Record(k), m_layout, m_length); }

  private:
    const std::uint8_t* Record(int k) const {
        return m_bytes.data() + static_cast<std::size_t>(k) * static_cast<std::size_t>(m_length);
    }

    std::vector<std::uint8_t>& m_bytes;
    int m_length = 0;
    int m_quotes = 0;
    store::FieldLayout m_layout;
    platform::InputFile m_file;
};

}  // namespace

std::optional<SplitRatio> SplitBetween(const store::Quote& earlier, const store::Quote& later) {
    const auto ratio = RatioBand(earlier.close, later.close);
    return ratio && RangesApart(earlier, later) ? ratio : std::nullopt;
}

std::string SplitCandidateText(std::string_view symbol, SplitRatio ratio, store::DayNumber date) {
    return std::string(symbol) + " possible " + std::to_string(ratio.newShares) + " for " +
           std::to_string(ratio.oldShares) + " split on " +
           store::FormatDateText(date, store::kDateFormatMmDdYy, '/');
}

bool SearchSplits(const fs::path& dataDirectory, const std::vector<store::MasterRecord>& symbols,
                  std::vector<std::string>& results, bool soundDisable,
                  platform::Messenger& messenger, platform::ProgressSink* status,
                  const SplitFound& found) {
    const auto show = [&](std::string_view text) {
        if (status != nullptr) {
            status->SetText(kSplitStatusText, std::string(text));
        }
    };
    // Room for one read of the longest records a MASTER can describe.
    std::vector<std::uint8_t> window;
    try {
        window.reserve(static_cast<std::size_t>(kQuotesPerRead) * 255);
    } catch (const std::bad_alloc&) {
        messenger.Show(kTooManyBarsMessage);
        return false;
    }
    const auto cancelled = [status] { return status != nullptr && status->CancelRequested(); };
    bool any = false;
    for (const store::MasterRecord& record : symbols) {
        if (cancelled()) {
            return false;
        }
        const std::string symbol = record.SymbolText();
        WindowReader reader(window);
        const store::Status opened = reader.Open(dataDirectory, record);
        const int quotes = reader.Quotes();
        if (opened != store::kSuccess) {
            messenger.Show(platform::FormatMessage(
                kUnreadableSymbolMessage,
                {symbol, store::StatusReport(
                             opened, store::DescribeSeriesFailure(dataDirectory, symbol))}));
        } else if (quotes < 2) {
            messenger.Show(platform::FormatMessage(kFewQuotesMessage, {symbol}));
        } else {
            for (int start = 0; start < quotes - 1 && !cancelled();) {
                const int got = reader.Read(start, std::min(quotes - start, kQuotesPerRead));
                // Fewer than two quotes back would test nothing and never move on.
                if (got < 2) {
                    messenger.Show(kBarsReadMessage);
                    return false;
                }
                float a = reader.Close(0);
                for (int k = 0; k + 1 < got; ++k) {
                    const float b = reader.Close(k + 1);
                    if (!SurelyNoBand(a, b) && RatioBand(a, b)) {
                        const store::Quote later = reader.Decode(k + 1);
                        if (const auto ratio = SplitBetween(reader.Decode(k), later)) {
                            results.push_back(SplitCandidateText(symbol, *ratio, later.date));
                            any = true;
                            if (found) {
                                found({results.back(), symbol, later.date});
                            }
                        }
                    }
                    a = b;
                }
                start += got - 1;
            }
        }
        show(symbol);
    }
    if (cancelled()) {
        return false;
    }
    show(kDoneSearchStatus);
    if (!soundDisable) {
        messenger.Play(platform::Sound::kAsterisk);
    }
    if (!any) {
        messenger.Show(kNoCandidatesMessage, platform::MessageIcon::kInformation);
    }
    return true;
}

bool SaveSplitResults(const fs::path& path, const std::vector<std::string>& results,
                      platform::Messenger& messenger) {
    if (portfolio::IsPortfolioFile(path)) {
        messenger.Show(platform::FormatMessage(kPortfolioFileMessage, {path.string()}));
        return false;
    }
    std::string text;
    for (const std::string& line : results) {
        text += line;
        text += "\r\n";
    }
    if (!ReplaceTextFile(path, text)) {
        messenger.Show(platform::FormatMessage(kSaveSplitErrorMessage, {path.string()}));
        return false;
    }
    return true;
}

}  // namespace ticksmith::ascii
