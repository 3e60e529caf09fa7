#pragma once

class QWidget;

namespace ticksmith::update {
struct AnomalyReport;
}

namespace ticksmith::app {

class CTicksmithView;

// The manual-date step: the "Assign Date Manually " dialog with today's date as MM/DD/YY; on OK
// the core's AssignManualDate with the entered text. False when the person cancelled (or the
// dates could not be put into some files and the person should not go on: say so in a message
// naming the files, as the CLI refuses then), so the command ends there.
bool RunManualDateStep(CTicksmithView& view);
// The new-symbol step: the core's IdentifyNewSymbols, then, when there are any, the "New Symbol"
// dialog over a NewSymbolSession, then FillSymbolsGrid(0).
void RunNewSymbolStep(CTicksmithView& view);
// The "Anomaly Report" dialog, modal on `parent`, through the dialog seam.
void ShowAnomalyReport(QWidget* parent, const update::AnomalyReport& report);

}  // namespace ticksmith::app
