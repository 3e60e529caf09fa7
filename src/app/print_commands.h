#pragma once

#include "app/command_table.h"

#include <functional>

class QDir;
class QPrinter;
class QString;
class QWidget;

namespace ticksmith::app {

class CTicksmithView;

// Print Quotes, Print Preview, Print Setup and Export to PDF: the selected symbol's whole
// series as the printed list. False for other commands.
bool RunPrintCommand(CTicksmithView& view, CommandId id);

// The view's one printer: Print Setup changes it, printing and the preview use it, and the
// PDF export takes its page layout. Made on first use.
QPrinter& ViewPrinter(CTicksmithView& view);

// For scripts/screenshots: the print preview of the selected symbol, saved through `save` as
// "print-preview", and its PDF as print-quotes.pdf in `directory`. False when either failed.
bool WritePrintScreenshots(CTicksmithView& view, const QDir& directory,
                           const std::function<bool(QWidget&, const QDir&, const QString&)>& save);

}  // namespace ticksmith::app
