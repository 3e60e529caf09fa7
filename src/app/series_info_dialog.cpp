#include "app/series_info_dialog.h"

#include <QLabel>
#include <QPushButton>

#include "app/quote_form_dialog.h"
#include "portfolio/grid_format.h"
#include "ui_series_info_dialog.h"

namespace ticksmith::app {

SeriesInfoDialog::SeriesInfoDialog(const store::SeriesInfo* info, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::SeriesInfoDialog>()) {
    m_ui->setupUi(this);
    connect(m_ui->okButton, &QPushButton::clicked, this, &QDialog::accept);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    if (info == nullptr) {
        return;
    }
    m_ui->pathLabel->setText(QtText(info->directory.string()));
    m_ui->fileNumberLabel->setText(QString::number(info->fileNumber));
    m_ui->recordLengthLabel->setText(QString::number(info->recordLength));
    m_ui->fieldCountLabel->setText(QString::number(info->fieldCount));
    m_ui->quoteCountLabel->setText(QString::number(info->quoteCount));
    m_ui->issueNameLabel->setText(
        QtText(info->longName.empty() ? info->issueName : info->longName));
    m_ui->firstDateLabel->setText(QtText(portfolio::WholeNumberText(info->firstDate)));
    m_ui->lastDateLabel->setText(QtText(portfolio::WholeNumberText(info->lastDate)));
    m_ui->periodLabel->setText(QtText(portfolio::PeriodText(info->period)));
    m_ui->symbolLabel->setText(QtText(info->symbol));
    const std::array<std::pair<QLabel*, QLabel*>, store::kFieldCount> formatLabels = {{
        {m_ui->dateInputLabel, m_ui->dateDisplayLabel},
        {m_ui->timeInputLabel, m_ui->timeDisplayLabel},
        {m_ui->openInputLabel, m_ui->openDisplayLabel},
        {m_ui->highInputLabel, m_ui->highDisplayLabel},
        {m_ui->lowInputLabel, m_ui->lowDisplayLabel},
        {m_ui->closeInputLabel, m_ui->closeDisplayLabel},
        {m_ui->volumeInputLabel, m_ui->volumeDisplayLabel},
        {m_ui->openInterestInputLabel, m_ui->openInterestDisplayLabel},
    }};
    for (int field = 0; field < store::kFieldCount; ++field) {
        const auto formats =
            portfolio::FieldFormatTexts(info->layout, static_cast<store::Field>(field));
        const auto& [input, display] = formatLabels[static_cast<std::size_t>(field)];
        input->setText(QtText(formats[0]));
        display->setText(QtText(formats[1]));
    }
}

SeriesInfoDialog::~SeriesInfoDialog() = default;

}  // namespace ticksmith::app
