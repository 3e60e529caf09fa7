// Stand-ins until the step dialogs arrive.
#include "app/update_step_dialogs.h"

namespace ticksmith::app {
bool RunManualDateStep(CTicksmithView& /*view*/) {
    return true;
}
void RunNewSymbolStep(CTicksmithView& /*view*/) {}
void ShowAnomalyReport(QWidget* /*parent*/, const update::AnomalyReport& /*report*/) {}
}  // namespace ticksmith::app
