#include "app/search_progress_dialog.h"

#include <QFontMetrics>

#include "portfolio/discovery.h"
#include "ui_search_progress_dialog.h"

namespace ticksmith::app {

namespace {

constexpr int kRefreshMilliseconds = 100;

}  // namespace

SearchProgressDialog::SearchProgressDialog(platform::ProgressSink& progress, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::SearchProgressDialog>()), m_progress(progress) {
    m_ui->setupUi(this);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &SearchProgressDialog::reject);
    connect(&m_timer, &QTimer::timeout, this, &SearchProgressDialog::Refresh);
    m_timer.start(kRefreshMilliseconds);
}

SearchProgressDialog::~SearchProgressDialog() = default;

void SearchProgressDialog::Refresh() {
    const platform::ProgressSnapshot snapshot = m_progress.Snapshot();
    m_ui->countLabel->setText(QString::number(snapshot.done));
    const std::string& directory = snapshot.Text(portfolio::kScanDirectoryText);
    if (!directory.empty()) {
        const QString text =
            QString::fromUtf8(directory.data(), static_cast<qsizetype>(directory.size()));
        const QFontMetrics metrics(m_ui->directoryLabel->font());
        m_ui->directoryLabel->setText(
            metrics.elidedText(text, Qt::ElideMiddle, m_ui->directoryLabel->width()));
    }
}

void SearchProgressDialog::reject() {
    // The dialog stays until the walk has stopped; the scan closes it.
    m_progress.RequestCancel();
    m_ui->buttonBox->setEnabled(false);
    m_ui->directoryLabel->setText(tr("Stopping..."));
}

}  // namespace ticksmith::app
