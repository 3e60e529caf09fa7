#pragma once

#include <sstream>
#include <string>

#include "store/encodings.h"
#include "test_support.h"

namespace ticksmith::ascii {

inline const store::DayNumber kToday = store::DayNumberFromYmd(2026, 12, 6);

// Lines of generated quotes, oldest first: MM/DD/CCYY,open,high,low,close,volume,oi.
inline std::string History(int count, int first = 0) {
    std::string text;
    for (int i = first; i < first + count; ++i) {
        const store::Quote q = test::SampleQuote(i);
        std::ostringstream line;
        line << store::FormatDateText(q.date, 4, '/') << ',' << q.open << ',' << q.high << ','
             << q.low << ',' << q.close << ',' << q.volume << ',' << q.openInterest << "\r\n";
        text += line.str();
    }
    return text;
}

}  // namespace ticksmith::ascii
