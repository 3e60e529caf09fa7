#include "app/portfolio_dialogs.h"

#include <QButtonGroup>
#include <QPushButton>

#include "app/choose_directory_dialog.h"
#include "app/dialog_buttons.h"
#include "portfolio/portfolio_files.h"
#include "ui_add_portfolio_dialog.h"
#include "ui_delete_portfolio_dialog.h"
#include "ui_skip_adjust_dialog.h"

namespace ticksmith::app {

namespace {

// The directory as the dialog shows it, at most this long.
constexpr qsizetype kShownDirectory = 100;

}  // namespace

AddPortfolioDialog::AddPortfolioDialog(const QString& path, bool selectOrCreate,
                                       platform::Messenger& messenger, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::AddPortfolioDialog>()), m_messenger(messenger) {
    m_ui->setupUi(this);
    if (selectOrCreate) {
        setWindowTitle(tr("Select or Create Portfolio"));
    }
    m_ui->pathEdit->setText(path);
    SetUpOkCancel(*this, *m_ui->buttonBox);
    connect(m_ui->browseButton, &QPushButton::clicked, this, [this] {
        if (const std::optional<QString> chosen = ChooseDirectory(this, m_ui->pathEdit->text())) {
            m_ui->pathEdit->setText(*chosen);
        }
    });
}

AddPortfolioDialog::~AddPortfolioDialog() = default;

void AddPortfolioDialog::accept() {
    if (const std::optional<std::string> directory =
            portfolio::AcceptPortfolioPath(m_ui->pathEdit->text().toStdString(), m_messenger)) {
        m_directory = *directory;
        QDialog::accept();
        return;
    }
    m_ui->pathEdit->setFocus();
}

DeletePortfolioDialog::DeletePortfolioDialog(const QString& directory, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::DeletePortfolioDialog>()) {
    m_ui->setupUi(this);
    m_ui->portfolioLabel->setText(directory.left(kShownDirectory));
    m_ui->questionLabel->setText(
        QString::fromLatin1(portfolio::kDeletePortfolioQuestion.data(),
                            static_cast<qsizetype>(portfolio::kDeletePortfolioQuestion.size())));
    m_ui->noteLabel->setText(
        QString::fromLatin1(portfolio::kDeletePortfolioNote.data(),
                            static_cast<qsizetype>(portfolio::kDeletePortfolioNote.size())));
    QPushButton* no = m_ui->buttonBox->button(QDialogButtonBox::No);
    no->setDefault(true);
    no->setFocus();
    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

DeletePortfolioDialog::~DeletePortfolioDialog() = default;

SkipAdjustDialog::SkipAdjustDialog(QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::SkipAdjustDialog>()) {
    m_ui->setupUi(this);
    // Exclusive once one is chosen, with neither chosen when the dialog opens.
    auto* choices = new QButtonGroup(this);
    choices->addButton(m_ui->skipAllButton);
    choices->addButton(m_ui->skipNoneButton);
    SetUpOkCancel(*this, *m_ui->buttonBox);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

SkipAdjustDialog::~SkipAdjustDialog() = default;

bool SkipAdjustDialog::SkipAll() const {
    return m_ui->skipAllButton->isChecked();
}

}  // namespace ticksmith::app
