#include "app/new_symbol_dialog.h"

#include "app/quote_form_dialog.h"
#include "ui_new_symbol_dialog.h"

namespace ticksmith::app {

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
    m_ui->portfolioLabel->setText(QtText(m_session.Portfolio().portfolioDir));
    ShowSymbol();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

NewSymbolDialog::~NewSymbolDialog() = default;

void NewSymbolDialog::reject() {
    m_session.Cancel();
    QDialog::reject();
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
    m_ui->portfolioLabel->setText(QtText(m_session.Portfolio().portfolioDir));
}

}  // namespace ticksmith::app
