#include "app/update_progress_dialog.h"

#include <QFontMetrics>
#include <QPushButton>

#include "ui_update_progress_dialog.h"
#include "update/update_progress.h"

namespace ticksmith::app {

namespace {

QString TextOf(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A long path keeps its beginning and its end in sight.
void ShowElided(QLabel* label, const std::string& text) {
    const QFontMetrics metrics(label->font());
    label->setText(metrics.elidedText(TextOf(text), Qt::ElideMiddle,
                                      std::max(label->width(), label->minimumWidth())));
}

}  // namespace

UpdateProgressDialog::UpdateProgressDialog(QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::UpdateProgressDialog>()) {
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowCloseButtonHint, false);
    m_stopButton = m_ui->buttonBox->addButton(tr("&Stop"), QDialogButtonBox::RejectRole);
    m_stopButton->setObjectName(QStringLiteral("stopButton"));
    m_stopButton->setToolTip(tr("Stop after the symbol being updated; what was added is kept"));
    connect(m_stopButton, &QPushButton::clicked, this, [this] {
        ShowStopping();
        emit StopRequested();
    });
}

UpdateProgressDialog::~UpdateProgressDialog() = default;

void UpdateProgressDialog::ShowTexts(const platform::ProgressSnapshot& snapshot) {
    ++m_refreshes;
    m_shown = snapshot;
    m_ui->totalLabel->setText(TextOf(snapshot.Text(update::kTotalText)));
    ShowElided(m_ui->portfolioLabel, snapshot.Text(update::kPortfolioText));
    ShowElided(m_ui->fileLabel, snapshot.Text(update::kFileText));
    ShowElided(m_ui->symbolLabel, snapshot.Text(update::kSymbolText));
    m_ui->archiveCaption->setText(TextOf(snapshot.Text(update::kArchiveLabelText)));
    ShowElided(m_ui->archiveLabel, snapshot.Text(update::kArchiveNameText));
}

void UpdateProgressDialog::ShowStopping() {
    m_stopButton->setEnabled(false);
    m_ui->stateLabel->setText(tr("Stopping after the symbol being updated..."));
}

}  // namespace ticksmith::app
