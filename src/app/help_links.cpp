#include "app/help_links.h"

#include "app/help/help_window.h"
#include "portfolio/master_repair.h"

namespace ticksmith::app {

namespace {

// The tutorial's help context number, by which older help files named it.
constexpr std::uint32_t kTutorialContext = 131197;

}  // namespace

void ShowHelpContents(QWidget* parent) {
    ShowHelp(parent, HelpTopic::kContents);
}

void ShowTutorial(QWidget* parent) {
    ShowHelp(parent, HelpTopicForContext(kTutorialContext).value_or(HelpTopic::kTutorial));
}

void ShowDialogHelp(QWidget* parent, const QString& dialogTitle) {
    const HelpTopic topic =
        dialogTitle == QLatin1String(portfolio::kFixMasterTitle.data(),
                                     static_cast<qsizetype>(portfolio::kFixMasterTitle.size()))
            ? HelpTopic::kFixMaster
            : HelpTopic::kContents;
    ShowHelp(parent, topic);
}

}  // namespace ticksmith::app
