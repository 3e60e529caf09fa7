#pragma once

#include <cstddef>

#include "platform/progress.h"

namespace ticksmith::update {

// The places of the "Updating Quotes" texts in the run's progress snapshot.
enum UpdateText : std::size_t {
    kTotalText,
    kPortfolioText,
    kFileText,
    kSymbolText,
    kArchiveNameText,
    kArchiveLabelText,
    kUpdateTextCount,
};

}  // namespace ticksmith::update
