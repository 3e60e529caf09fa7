#pragma once

#include "update/audit_log.h"

class QWidget;

namespace ticksmith::app {

class CTicksmithView;

// The dialogs around an update run, for the Update Quotes command.

// The manual-date step: the "Assign Date Manually " dialog with today's date as MM/DD/YY; on OK
// the date goes in front of the update files' lines. False when the person cancelled, or when
// some files could not take the date (they are named in a message): the command ends there.
bool RunManualDateStep(CTicksmithView& view);

// The new-symbol step: finds the new symbols of today's update files, offers them in the
// "New Symbol" dialog when there are any, and then refills the symbol grid.
void RunNewSymbolStep(CTicksmithView& view);

// The "Anomaly Report" dialog, modal on `parent`.
void ShowAnomalyReport(QWidget* parent, const update::AnomalyReport& report);

}  // namespace ticksmith::app
