#include "app/split_search_window.h"

#include <QListWidget>
#include <QMetaObject>
#include <QThread>

#include "app/export_dialog.h"
#include "app/quote_form_dialog.h"
#include "app/ticksmith_view.h"
#include "app/wait_cursor.h"
#include "ui_split_search_window.h"

namespace ticksmith::app {

namespace {

// What a listed candidate points at, kept on its item.
enum Role { kPortfolioRole = Qt::UserRole, kSymbolRole, kDateRole };

}  // namespace

SplitSearchWindow::SplitSearchWindow(CTicksmithView& view, QWidget* parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::SplitSearchWindow>()),
      m_view(&view),
      m_messenger(this) {
    m_ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    m_ui->saveAsButton->setEnabled(false);
    connect(m_ui->searchButton, &QPushButton::clicked, this, &SplitSearchWindow::Search);
    connect(m_ui->saveAsButton, &QPushButton::clicked, this, &SplitSearchWindow::SaveAs);
    connect(m_ui->closeButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ui->resultsList, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { ShowCandidate(m_ui->resultsList->row(item)); });
    view.SetSplitSearchOpen(true);
}

SplitSearchWindow::~SplitSearchWindow() {
    StopSearch();
    if (m_view != nullptr) {
        m_view->SetSplitSearchOpen(false);
    }
}

void SplitSearchWindow::done(int result) {
    StopSearch();
    if (m_view != nullptr) {
        m_view->SetSplitSearchOpen(false);
    }
    QDialog::done(result);
}

void SplitSearchWindow::Search() {
    if (m_thread != nullptr || m_view == nullptr) {
        return;
    }
    const portfolio::ViewState& state = m_view->State();
    std::vector<store::MasterRecord> records;
    records.reserve(state.symbolRows.size());
    for (const portfolio::SymbolRow& row : state.symbolRows) {
        records.push_back(row.record);
    }
    const QString portfolio = QtText(state.current.portfolioDir);
    m_progress =
        std::make_unique<platform::ProgressSink>([this](const platform::ProgressSnapshot&) {
            // At most one refresh is queued; it shows the status as it is when it runs.
            if (!m_statusPosted.exchange(true)) {
                QMetaObject::invokeMethod(this, &SplitSearchWindow::ShowStatus,
                                          Qt::QueuedConnection);
            }
        });
    m_workerResults.clear();
    m_thread = QThread::create([this, records = std::move(records), dataDir = state.current.dataDir,
                                soundDisable = state.settings.soundDisable, portfolio] {
        static_cast<void>(ascii::SearchSplits(
            dataDir, records, m_workerResults, soundDisable, m_messenger, m_progress.get(),
            [this, portfolio](const ascii::SplitCandidate& candidate) {
                QMetaObject::invokeMethod(
                    this, [this, candidate, portfolio] { AddCandidate(candidate, portfolio); },
                    Qt::QueuedConnection);
            }));
    });
    connect(m_thread, &QThread::finished, this, &SplitSearchWindow::OnSearchDone);
    m_ui->searchButton->setEnabled(false);
    // The rest of the program stays usable: the busy cursor, not the wait cursor.
    m_busy = std::make_unique<ScopedCursor>(Qt::BusyCursor);
    m_thread->start();
}

void SplitSearchWindow::AddCandidate(const ascii::SplitCandidate& candidate,
                                     const QString& portfolio) {
    auto* item = new QListWidgetItem(QtText(candidate.text), m_ui->resultsList);
    item->setData(kPortfolioRole, portfolio);
    item->setData(kSymbolRole, QtText(candidate.symbol));
    item->setData(kDateRole, static_cast<int>(candidate.date));
    m_ui->saveAsButton->setEnabled(true);
}

void SplitSearchWindow::ShowStatus() {
    // Cleared before reading, so that a change made meanwhile queues the next refresh.
    m_statusPosted.store(false);
    if (m_progress != nullptr) {
        m_ui->statusLabel->setText(QtText(m_progress->Snapshot().Text(ascii::kSplitStatusText)));
    }
}

void SplitSearchWindow::EndThread() {
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    // Candidates still queued are listed before the search is called done.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    ShowStatus();
    m_progress.reset();
    m_busy.reset();
    m_ui->searchButton->setEnabled(true);
}

void SplitSearchWindow::OnSearchDone() {
    if (m_thread == nullptr) {
        return;
    }
    EndThread();
    emit SearchDone();
}

void SplitSearchWindow::StopSearch() {
    if (m_thread == nullptr) {
        return;
    }
    m_progress->RequestCancel();
    // The worker may be waiting for a message box on this thread: keep the events flowing.
    while (m_thread != nullptr && !m_thread->wait(10)) {
        QCoreApplication::processEvents();
    }
    if (m_thread != nullptr) {
        EndThread();
    }
}

void SplitSearchWindow::SaveAs() {
    const std::filesystem::path start =
        m_view != nullptr ? m_view->State().settings.workingDirectory / "result" : "result";
    const QString chosen = ChooseTextFile(this, QtText(start.string()), true, m_messenger);
    if (chosen.isEmpty()) {
        return;
    }
    std::vector<std::string> lines;
    for (int row = 0; row < m_ui->resultsList->count(); ++row) {
        lines.push_back(CoreText(m_ui->resultsList->item(row)->text()));
    }
    static_cast<void>(ascii::SaveSplitResults(CoreText(chosen), lines, m_messenger));
}

void SplitSearchWindow::ShowCandidate(int row) {
    const QListWidgetItem* item = m_ui->resultsList->item(row);
    if (item == nullptr || m_view == nullptr) {
        return;
    }
    CTicksmithView& view = *m_view;
    portfolio::ViewState& state = view.State();
    const std::string portfolio = CoreText(item->data(kPortfolioRole).toString());
    const std::string symbol = CoreText(item->data(kSymbolRole).toString());
    const auto date = static_cast<store::DayNumber>(item->data(kDateRole).toInt());
    if (state.current.portfolioDir != portfolio) {
        if (!state.OpenPortfolio(portfolio, view.Messenger())) {
            return;
        }
        view.ShowPortfolioList();
        // The rows of the portfolio now current, to find the symbol's.
        static_cast<void>(state.FillSymbolsGrid(0, view.Messenger()));
    }
    view.FillSymbolsGrid(std::max(state.SymbolRowOf(symbol), 0));
    if (state.SymbolRowOf(symbol) < 0) {
        return;
    }
    // A split long ago is among all the quotes, not the recent ones.
    if (state.QuoteRowOf(date) < 0 && state.settings.displayRecent) {
        view.Execute(CommandId::kRecentAll);
    }
    view.FillQuotesGrid(std::max(state.QuoteRowOf(date), 0));
    view.window()->activateWindow();
}

}  // namespace ticksmith::app
