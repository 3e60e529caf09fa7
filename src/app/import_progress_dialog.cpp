#include "app/import_progress_dialog.h"

#include <QFontMetrics>
#include <QPushButton>

#include "app/quote_form_dialog.h"
#include "ascii/import.h"
#include "ui_import_progress_dialog.h"

namespace ticksmith::app {

namespace {

// Room for a path of this many average characters before it gives way in its middle.
constexpr int kPathCharacters = 60;

}  // namespace

ImportProgressDialog::ImportProgressDialog(QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::ImportProgressDialog>()) {
    m_ui->setupUi(this);
    m_ui->fileLabel->setMinimumWidth(fontMetrics().averageCharWidth() * kPathCharacters);
    m_stopButton = m_ui->buttonBox->addButton(tr("&Stop"), QDialogButtonBox::RejectRole);
    m_stopButton->setObjectName(QStringLiteral("stopButton"));
    m_stopButton->setToolTip(tr("Stop after the file being imported; what was imported is kept"));
    connect(m_stopButton, &QPushButton::clicked, this, &ImportProgressDialog::reject);
}

ImportProgressDialog::~ImportProgressDialog() = default;

void ImportProgressDialog::ShowProgress(const platform::ProgressSnapshot& snapshot) {
    m_ui->countLabel->setText(QtText(snapshot.Text(ascii::kImportCountText)));
    m_ui->fileLabel->setText(m_ui->fileLabel->fontMetrics().elidedText(
        QtText(snapshot.Text(ascii::kImportFileText)), Qt::ElideMiddle, m_ui->fileLabel->width()));
    m_ui->fileLabel->setToolTip(QtText(snapshot.Text(ascii::kImportFileText)));
    m_ui->progressBar->setMaximum(static_cast<int>(std::max(snapshot.total, 1LL)));
    m_ui->progressBar->setValue(static_cast<int>(snapshot.done));
}

void ImportProgressDialog::ShowStopping() {
    m_stopButton->setEnabled(false);
    m_ui->stateLabel->setText(tr("Stopping after the file being imported..."));
}

void ImportProgressDialog::reject() {
    if (m_stopButton->isEnabled()) {
        ShowStopping();
        emit StopRequested();
    }
}

}  // namespace ticksmith::app
