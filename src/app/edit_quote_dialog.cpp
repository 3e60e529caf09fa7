#include "app/edit_quote_dialog.h"

#include <QPushButton>
#include <algorithm>

#include "app/ticksmith_view.h"
#include "portfolio/grid_format.h"
#include "ui_edit_quote_dialog.h"

namespace ticksmith::app {

namespace {

// The grid's column of each value, after the date.
constexpr int kFirstValueColumn = 1;

}  // namespace

EditQuoteDialog::EditQuoteDialog(CTicksmithView& view, int row, QWidget* parent)
    : QuoteFormDialog(parent), m_ui(std::make_unique<Ui::EditQuoteDialog>()), m_view(view) {
    m_ui->setupUi(this);
    ConnectOk(m_ui->okButton);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ui->nextButton, &QPushButton::clicked, this, [this] { ShowRow(m_row - 1); });
    connect(m_ui->lastButton, &QPushButton::clicked, this, [this] { ShowRow(0); });
    connect(m_ui->previousButton, &QPushButton::clicked, this, [this] { MoveOlder(false); });
    connect(m_ui->firstButton, &QPushButton::clicked, this, [this] { MoveOlder(true); });
    ShowRow(row);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

EditQuoteDialog::~EditQuoteDialog() = default;

bool EditQuoteDialog::HasOlder() const {
    const portfolio::ViewState& state = m_view.State();
    return m_row < state.QuoteCount() - 1 ||
           (state.settings.displayRecent && state.totalQuotes > state.QuoteCount());
}

void EditQuoteDialog::MoveOlder(bool toOldest) {
    const int wanted = toOldest ? -1 : m_row + 1;
    const portfolio::ViewState& state = m_view.State();
    if (state.settings.displayRecent && (toOldest || wanted >= portfolio::kRecentQuotes)) {
        m_view.Execute(CommandId::kRecentAll);
    }
    ShowRow(toOldest ? m_view.State().QuoteCount() - 1 : wanted);
}

void EditQuoteDialog::ShowRow(int row) {
    const portfolio::ViewState& state = m_view.State();
    m_row = std::clamp(row, 0, std::max(0, state.QuoteCount() - 1));
    std::array<std::string, portfolio::kQuoteColumns> texts{};
    if (m_row < state.QuoteCount()) {
        texts = portfolio::QuoteRowTexts(state.quotes[static_cast<std::size_t>(m_row)],
                                         portfolio::IntegerDisplayOf(state.settings));
    }
    m_ui->dateLabel->setText(QtText(texts[0]));
    for (int i = 0; i < 6; ++i) {
        auto* edit =
            static_cast<QLineEdit*>(FieldWidget(static_cast<portfolio::QuoteFormField>(i)));
        edit->setText(QtText(texts[static_cast<std::size_t>(kFirstValueColumn + i)]));
    }
    m_ui->nextButton->setEnabled(m_row > 0);
    m_ui->lastButton->setEnabled(m_row > 0);
    m_ui->previousButton->setEnabled(HasOlder());
    m_ui->firstButton->setEnabled(HasOlder());
}

std::string EditQuoteDialog::DateText() const {
    return CoreText(m_ui->dateLabel->text());
}

std::array<std::string, 6> EditQuoteDialog::Values() const {
    std::array<std::string, 6> values;
    for (std::size_t i = 0; i < values.size(); ++i) {
        values[i] =
            CoreText(static_cast<QLineEdit*>(FieldWidget(static_cast<portfolio::QuoteFormField>(i)))
                         ->text());
    }
    return values;
}

QWidget* EditQuoteDialog::FieldWidget(portfolio::QuoteFormField field) const {
    switch (field) {
        case portfolio::QuoteFormField::kOpen:
            return m_ui->openEdit;
        case portfolio::QuoteFormField::kHigh:
            return m_ui->highEdit;
        case portfolio::QuoteFormField::kLow:
            return m_ui->lowEdit;
        case portfolio::QuoteFormField::kClose:
            return m_ui->closeEdit;
        case portfolio::QuoteFormField::kVolume:
            return m_ui->volumeEdit;
        case portfolio::QuoteFormField::kOpenInterest:
            return m_ui->openInterestEdit;
        default:
            return nullptr;
    }
}

}  // namespace ticksmith::app
