#include "platform/messenger.h"

namespace ticksmith::platform {

bool Messenger::ShowDialog(std::string_view /*title*/, std::string_view text, bool offerCancel) {
    if (offerCancel) {
        return AskOkCancel(text);
    }
    Show(text);
    return true;
}

std::string FormatMessage(std::string_view pattern, std::initializer_list<std::string_view> texts) {
    std::string result;
    auto next = texts.begin();
    for (std::size_t at = 0; at < pattern.size(); ++at) {
        if (pattern[at] == '%' && at + 1 < pattern.size() &&
            (pattern[at + 1] == 's' || pattern[at + 1] == 'd') && next != texts.end()) {
            result += *next++;
            ++at;
        } else {
            result += pattern[at];
        }
    }
    return result;
}

}  // namespace ticksmith::platform
