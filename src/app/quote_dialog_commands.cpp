#include "app/quote_dialog_commands.h"

#include "app/ticksmith_view.h"

namespace ticksmith::app {

bool RunQuoteCommand(CTicksmithView& /*view*/, CommandId /*id*/) {
    return false;
}

}  // namespace ticksmith::app
