#include "app/manual_date_dialog.h"

#include <QFontMetrics>
#include <QPushButton>

#include "app/dialog_buttons.h"
#include "app/help/help_window.h"
#include "ui_manual_date_dialog.h"

namespace ticksmith::app {

namespace {

// Wide enough that the instructions wrap into a few lines, not a tall column.
constexpr int kInstructionWidthInCharacters = 70;

}  // namespace

ManualDateDialog::ManualDateDialog(const QString& date, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::ManualDateDialog>()) {
    m_ui->setupUi(this);
    m_ui->dateEdit->setText(date);
    SetUpOkCancel(*this, *m_ui->buttonBox);
    m_ui->buttonBox->button(QDialogButtonBox::Help)->setObjectName(QStringLiteral("helpButton"));
    connect(m_ui->buttonBox, &QDialogButtonBox::helpRequested, this,
            [this] { ShowHelp(this, HelpTopic::kManualDate); });
    m_ui->prefixLabel->setMinimumWidth(fontMetrics().averageCharWidth() *
                                       kInstructionWidthInCharacters);
    m_ui->dateEdit->setFocus();
    m_ui->dateEdit->selectAll();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

ManualDateDialog::~ManualDateDialog() = default;

QString ManualDateDialog::Date() const {
    return m_ui->dateEdit->text();
}

}  // namespace ticksmith::app
