#include "app/symbol_dialog_commands.h"

#include "app/ticksmith_view.h"

namespace ticksmith::app {

bool RunSymbolCommand(CTicksmithView& /*view*/, CommandId /*id*/) {
    return false;
}

}  // namespace ticksmith::app
