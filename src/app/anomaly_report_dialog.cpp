#include "app/anomaly_report_dialog.h"

#include <QPushButton>

#include "app/help/help_window.h"
#include "ui_anomaly_report_dialog.h"

namespace ticksmith::app {

namespace {

// The header is the log's first line; a longer one would widen the dialog past the screen.
constexpr qsizetype kHeaderShown = 100;
// Room for an entry "SYMBOL in /a/portfolio/directory" and a dozen of them.
constexpr int kListWidthInCharacters = 64;
constexpr int kListRows = 12;

// The help context number by which the report's page is known.
constexpr std::uint32_t kAnomalyReportContext = 131194;

}  // namespace

AnomalyReportDialog::AnomalyReportDialog(const update::AnomalyReport& report, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::AnomalyReportDialog>()) {
    m_ui->setupUi(this);
    m_ui->headerLabel->setText(QString::fromStdString(report.header).left(kHeaderShown));
    m_ui->countLabel->setText(QString::number(report.count));
    for (const std::string& entry : report.entries) {
        m_ui->entryList->addItem(QString::fromStdString(entry));
    }
    const QFontMetrics metrics = m_ui->entryList->fontMetrics();
    m_ui->entryList->setMinimumSize(metrics.averageCharWidth() * kListWidthInCharacters,
                                    metrics.lineSpacing() * kListRows);
    QPushButton* ok = m_ui->buttonBox->button(QDialogButtonBox::Ok);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    m_ui->buttonBox->button(QDialogButtonBox::Help)->setObjectName(QStringLiteral("helpButton"));
    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_ui->buttonBox, &QDialogButtonBox::helpRequested, this, [this] {
        ShowHelp(this,
                 HelpTopicForContext(kAnomalyReportContext).value_or(HelpTopic::kAnomalyReport));
    });
    ok->setFocus();
}

AnomalyReportDialog::~AnomalyReportDialog() = default;

}  // namespace ticksmith::app
