#include "app/portfolio_dialog_commands.h"

#include "app/ticksmith_view.h"

namespace ticksmith::app {

bool RunPortfolioCommand(CTicksmithView& /*view*/, CommandId /*id*/) {
    return false;
}

}  // namespace ticksmith::app
