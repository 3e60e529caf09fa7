#include "app/new_symbol_dialog.h"

#include "app/quote_form_dialog.h"
#include "ui_new_symbol_dialog.h"

namespace ticksmith::app {

namespace {

// A portfolio path may be 299 characters: its middle gives way before the dialog outgrows the
// screen.
constexpr int kPortfolioWidthInCharacters = 60;

}  // namespace

NewSymbolDialog::NewSymbolDialog(update::NewSymbolSession& session, ChoosePortfolio choosePortfolio,
                                 QWidget* parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::NewSymbolDialog>()),
      m_session(session),
      m_choosePortfolio(std::move(choosePortfolio)) {
    m_ui->setupUi(this);
    // One symbol leaves nothing to cancel or to do for all: Yes and No close up to the right,
    // where No and Cancel stood.
    if (m_session.Count() == 1) {
        m_ui->cancelButton->hide();
        m_ui->yesToAllButton->hide();
    }
    for (const std::string& profile : m_session.Profiles()) {
        m_ui->profileCombo->addItem(QtText(profile));
    }
    m_ui->profileCombo->setCurrentIndex(m_session.SelectedProfile());
    connect(m_ui->yesButton, &QPushButton::clicked, this, &NewSymbolDialog::OnYes);
    connect(m_ui->yesToAllButton, &QPushButton::clicked, this, &NewSymbolDialog::OnYesToAll);
    connect(m_ui->noButton, &QPushButton::clicked, this, &NewSymbolDialog::OnNo);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &NewSymbolDialog::reject);
    connect(m_ui->changePortfolioButton, &QPushButton::clicked, this,
            &NewSymbolDialog::OnChangePortfolio);
    ShowPortfolio();
    ShowSymbol();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

NewSymbolDialog::~NewSymbolDialog() = default;

void NewSymbolDialog::reject() {
    m_session.Cancel();
    QDialog::reject();
}

void NewSymbolDialog::ShowPortfolio() {
    const QString directory = QtText(m_session.Portfolio().portfolioDir);
    QLabel* label = m_ui->portfolioLabel;
    label->setText(label->fontMetrics().elidedText(
        directory, Qt::ElideMiddle,
        label->fontMetrics().averageCharWidth() * kPortfolioWidthInCharacters));
    label->setToolTip(directory);
}

void NewSymbolDialog::ShowSymbol() {
    if (m_session.Count() == 0) {
        return;
    }
    m_ui->messageLabel->setText(QtText(m_session.Message()));
    m_ui->nameEdit->setText(QtText(m_session.Symbol()));
    m_ui->nameEdit->setFocus();
    m_ui->nameEdit->selectAll();
}

void NewSymbolDialog::Continue() {
    if (m_session.Done()) {
        QDialog::accept();
        return;
    }
    ShowSymbol();
}

std::string NewSymbolDialog::Profile() const {
    return CoreText(m_ui->profileCombo->currentText());
}

void NewSymbolDialog::OnYes() {
    // A symbol that could not be added stays on show; the core has said why.
    if (m_session.Yes(CoreText(m_ui->nameEdit->text()), Profile())) {
        Continue();
    }
}

void NewSymbolDialog::OnYesToAll() {
    // The symbol on show takes the typed name; the rest their own.
    if (m_session.Yes(CoreText(m_ui->nameEdit->text()), Profile())) {
        static_cast<void>(m_session.YesToAll(Profile()));
        Continue();
    }
}

void NewSymbolDialog::OnNo() {
    m_session.No();
    Continue();
}

void NewSymbolDialog::OnChangePortfolio() {
    m_session.ChangePortfolio(m_choosePortfolio());
    ShowPortfolio();
}

}  // namespace ticksmith::app
