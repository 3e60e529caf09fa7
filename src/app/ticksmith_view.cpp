#include "app/ticksmith_view.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QMenu>
#include <QProgressBar>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <algorithm>

#include "app/about_dialog.h"
#include "app/ascii_dialog_commands.h"
#include "app/dialog_seam.h"
#include "app/graph_widget.h"
#include "app/grid_delegate.h"
#include "app/grid_models.h"
#include "app/help_links.h"
#include "app/import_dialog_commands.h"
#include "app/portfolio_dialog_commands.h"
#include "app/print_commands.h"
#include "app/profile_dialog_commands.h"
#include "app/quote_dialog_commands.h"
#include "app/search_progress_dialog.h"
#include "app/settings_dialog_commands.h"
#include "app/symbol_dialog_commands.h"
#include "app/update_progress_dialog.h"
#include "app/update_quotes_command.h"
#include "app/wait_cursor.h"
#include "platform/volumes.h"
#include "portfolio/discovery.h"
#include "portfolio/grid_format.h"
#include "portfolio/skip_list.h"
#include "settings/setting_keys.h"
#include "settings/window_layout.h"
#include "ui_ticksmith_view.h"
#include "update/update_run.h"

namespace ticksmith::app {

namespace {

QString TextOf(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The groups' natural widths, in average characters: a path, three short columns, seven
// numbers.
constexpr int kPortfolioCharacters = 26;
constexpr int kSymbolCharacters = 40;
constexpr int kQuoteCharacters = 86;
constexpr int kGridLines = 14;

// A quote grid fill shows its progress bar once it has taken this long.
constexpr qint64 kQuoteProgressDelayMilliseconds = 200;

// Started once the view has painted, so that the window is on screen before the scan.
constexpr int kStartUpDelayMilliseconds = 100;

void SelectRow(QAbstractItemView* view, int row) {
    QAbstractItemModel* model = view->model();
    if (row < 0 || row >= model->rowCount()) {
        view->selectionModel()->clearSelection();
        return;
    }
    const QModelIndex index = model->index(row, 0);
    view->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view->scrollTo(index);
}

}  // namespace

CTicksmithView::CTicksmithView(settings::SettingsStore& store,
                               const settings::ViewSettings& settings, QWidget* parent)
    : QWidget(parent),
      m_ui(std::make_unique<Ui::CTicksmithView>()),
      m_store(store),
      m_messenger(this) {
    m_view.settings = settings;
    m_ui->setupUi(this);
    m_portfolioModel = new PortfolioListModel(m_view, this);
    m_symbolModel = new SymbolGridModel(m_view, this);
    m_quoteModel = new QuoteGridModel(m_view, this);
    auto* delegate = new GridDelegate(this);
    m_ui->portfolioList->setModel(m_portfolioModel);
    m_ui->portfolioList->setItemDelegate(delegate);
    m_ui->symbolGrid->setModel(m_symbolModel);
    m_ui->quoteGrid->setModel(m_quoteModel);
    for (QTableView* grid : {m_ui->symbolGrid, m_ui->quoteGrid}) {
        grid->setItemDelegate(delegate);
        SetUpGrid(grid);
    }
    const int character = fontMetrics().averageCharWidth();
    m_ui->groupSplitter->setSizes({kPortfolioCharacters * character, kSymbolCharacters * character,
                                   kQuoteCharacters * character});
    m_ui->groupSplitter->setStretchFactor(0, kPortfolioCharacters);
    m_ui->groupSplitter->setStretchFactor(1, kSymbolCharacters);
    m_ui->groupSplitter->setStretchFactor(2, kQuoteCharacters);

    connect(m_portfolioModel, &PortfolioListModel::UnknownMarkShown, this,
            &CTicksmithView::OnUnknownPortfolioMark);
    connect(m_ui->driveBox, &QComboBox::activated, this, &CTicksmithView::OnDriveChosen);
    connect(m_ui->portfolioList->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { OnPortfolioChosen(current.row()); });
    connect(m_ui->symbolGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { OnSymbolRowChosen(current.row()); });
    connect(m_ui->quoteGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { OnQuoteRowChosen(current.row()); });
    connect(m_ui->portfolioList, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) {
                ShowContextMenu(Place::kPortfolioList,
                                m_ui->portfolioList->viewport()->mapToGlobal(at));
            });
    connect(m_ui->symbolGrid, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        ShowContextMenu(Place::kSymbolGrid, m_ui->symbolGrid->viewport()->mapToGlobal(at));
    });
    connect(m_ui->quoteGrid, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        ShowContextMenu(Place::kQuoteGrid, m_ui->quoteGrid->viewport()->mapToGlobal(at));
    });
    // The context-menu key opens the menu at the control's top-left corner.
    for (QWidget* control :
         {static_cast<QWidget*>(m_ui->portfolioList), static_cast<QWidget*>(m_ui->symbolGrid),
          static_cast<QWidget*>(m_ui->quoteGrid)}) {
        control->installEventFilter(this);
    }
    m_ui->quoteGrid->setVisible(!m_view.settings.showingGraph);
    m_ui->graphArea->setVisible(m_view.settings.showingGraph);
}

CTicksmithView::~CTicksmithView() {
    AbandonUpdate();
    StopScan();
}

void CTicksmithView::SetUpGrid(QTableView* grid) {
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    grid->horizontalHeader()->setSectionsClickable(false);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->horizontalHeader()->setStretchLastSection(false);
    grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    grid->setSortingEnabled(false);
    grid->setTabKeyNavigation(false);
}

void CTicksmithView::SetStatusBar(QStatusBar* statusBar) {
    m_statusBar = statusBar;
}

void CTicksmithView::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (!m_firstPaint) {
        m_firstPaint = true;
        QTimer::singleShot(kStartUpDelayMilliseconds, this, &CTicksmithView::StartUp);
    }
}

void CTicksmithView::StartUp() {
    if (m_started) {
        return;
    }
    m_started = true;
    ApplyColumnWidths();
    FillDriveBox();
}

void CTicksmithView::ApplyColumnWidths() {
    const auto apply = [this](QTableView* grid, std::string_view section, int columns,
                              int divisor) {
        const int width = grid->viewport()->width();
        const std::vector<int> widths =
            settings::ReadColumnWidths(m_store, section, columns, width, divisor);
        for (int column = 0; column < columns; ++column) {
            grid->horizontalHeader()->resizeSection(column,
                                                    widths[static_cast<std::size_t>(column)]);
        }
    };
    apply(m_ui->symbolGrid, settings::keys::kSymbolGridSection, portfolio::kSymbolColumns,
          settings::kSymbolColumnDivisor);
    apply(m_ui->quoteGrid, settings::keys::kQuoteGridSection, portfolio::kQuoteColumns,
          settings::kQuoteColumnDivisor);
}

void CTicksmithView::WriteColumnWidths() {
    const auto write = [this](QTableView* grid, std::string_view section, int columns) {
        std::vector<int> widths;
        for (int column = 0; column < columns; ++column) {
            widths.push_back(grid->horizontalHeader()->sectionSize(column));
        }
        settings::WriteColumnWidths(m_store, section, widths);
    };
    write(m_ui->symbolGrid, settings::keys::kSymbolGridSection, portfolio::kSymbolColumns);
    write(m_ui->quoteGrid, settings::keys::kQuoteGridSection, portfolio::kQuoteColumns);
}

QSize CTicksmithView::sizeHint() const {
    const QFontMetrics metrics = fontMetrics();
    return {
        (kPortfolioCharacters + kSymbolCharacters + kQuoteCharacters) * metrics.averageCharWidth(),
        kGridLines * (metrics.height() + 6)};
}

int CTicksmithView::FormHeight() const {
    return sizeHint().height();
}

void CTicksmithView::FillDriveBox() {
    m_driveEntries.clear();
    for (const std::filesystem::path& volume : platform::MountedVolumes()) {
        m_driveEntries.push_back(volume.string());
    }
    // The working directory's own volume is offered even where the mounts table hides it, and
    // so is a stored scan root that is a directory rather than a mount point.
    const std::string home = platform::VolumeRoot(m_view.settings.workingDirectory).string();
    std::string stored = settings::Read(m_store, settings::keys::kDrive);
    if (stored.empty()) {
        stored = home;
    }
    for (const std::string& root : {home, stored}) {
        if (std::find(m_driveEntries.begin(), m_driveEntries.end(), root) == m_driveEntries.end() &&
            platform::IsEnterableDirectory(root)) {
            m_driveEntries.insert(
                std::upper_bound(m_driveEntries.begin(), m_driveEntries.end(), root), root);
        }
    }
    m_ui->driveBox->clear();
    for (const std::string& entry : m_driveEntries) {
        m_ui->driveBox->addItem(TextOf(entry));
    }
    const auto found = std::find(m_driveEntries.begin(), m_driveEntries.end(), stored);
    // A stored drive that is gone: the last entry is scanned, and the box shows no choice.
    if (found == m_driveEntries.end()) {
        m_drive = m_driveEntries.back();
        m_ui->driveBox->setCurrentIndex(-1);
    } else {
        m_drive = *found;
        m_ui->driveBox->setCurrentIndex(static_cast<int>(found - m_driveEntries.begin()));
    }
    settings::Write(m_store, settings::keys::kDrive, m_drive);
    ScanForPortfolios();
}

void CTicksmithView::OnDriveChosen(int index) {
    if (index < 0 || index >= static_cast<int>(m_driveEntries.size()) || IsScanning()) {
        return;
    }
    const std::string& chosen = m_driveEntries[static_cast<std::size_t>(index)];
    if (chosen == m_drive) {
        return;
    }
    ScanDrive(chosen);
}

void CTicksmithView::ScanDrive(const std::string& entry) {
    if (IsScanning()) {
        return;
    }
    const auto found = std::find(m_driveEntries.begin(), m_driveEntries.end(), entry);
    if (found != m_driveEntries.end()) {
        const QSignalBlocker blocker(m_ui->driveBox);
        m_ui->driveBox->setCurrentIndex(static_cast<int>(found - m_driveEntries.begin()));
    }
    m_drive = entry;
    settings::Write(m_store, settings::keys::kDrive, m_drive);
    ClearLists(1);
    ScanForPortfolios();
}

void CTicksmithView::ScanForPortfolios() {
    if (IsScanning()) {
        return;
    }
    ClearLists(2);
    m_scanProgress = std::make_unique<platform::ProgressSink>();
    m_scanDialog = new SearchProgressDialog(*m_scanProgress, this);
    // Nothing else may change the lists while the walk runs; the window still repaints.
    m_scanDialog->setWindowModality(Qt::WindowModal);
    m_scanDialog->show();
    const portfolio::SearchFilter filter{m_view.settings.searchLimit, m_view.settings.searchFilter};
    m_scanThread =
        QThread::create([this, root = m_drive, filter, sound = m_view.settings.soundDisable] {
            m_scanResults = portfolio::ScanForPortfolios(root, filter, m_scanProgress.get(),
                                                         m_messenger, sound);
        });
    connect(m_scanThread, &QThread::finished, this, &CTicksmithView::OnScanFinished);
    m_scanThread->start();
    emit StateChanged();
}

void CTicksmithView::StopScan() {
    if (m_scanThread == nullptr) {
        return;
    }
    m_scanProgress->RequestCancel();
    // The worker may be waiting for an answer on this thread: keep the events flowing.
    while (!m_scanThread->wait(10)) {
        QCoreApplication::processEvents();
    }
    OnScanFinished();
}

void CTicksmithView::OnScanFinished() {
    if (m_scanThread == nullptr) {
        return;
    }
    m_scanThread->wait();
    delete m_scanThread;
    m_scanThread = nullptr;
    // The dialog reads the progress: it goes first.
    delete m_scanDialog;
    m_scanProgress.reset();
    m_view.portfolios = std::move(m_scanResults);
    m_scanResults.clear();
    m_view.selectedPortfolio = m_view.portfolios.empty() ? -1 : 0;
    m_portfolioModel->Reset();
    ReportSkipFileTrouble();
    if (!m_view.portfolios.empty()) {
        if (!portfolio::SelectPortfolio(portfolio::MasterPathOf(m_view.portfolios.front()),
                                        m_view.current, m_messenger)) {
            Messenger().Show("Incorrect file name - should be MASTER");
            ClearLists(2);
        } else {
            {
                const QSignalBlocker blocker(m_ui->portfolioList->selectionModel());
                SelectRow(m_ui->portfolioList, 0);
            }
            FillSymbolsGrid(0);
            m_ui->portfolioList->setFocus();
        }
    }
    emit StateChanged();
    emit ScanFinished();
}

void CTicksmithView::ClearLists(int level) {
    const WaitCursor wait;
    m_view.ClearLists(level);
    if (level <= 2) {
        m_portfolioModel->Reset();
    }
    if (level <= 3) {
        m_symbolModel->Reset();
    }
    m_quoteModel->Reset();
    RefreshGraph();
    emit StateChanged();
}

void CTicksmithView::OnPortfolioChosen(int row) {
    if (m_fillingGrids || row < 0 || row >= static_cast<int>(m_view.portfolios.size())) {
        return;
    }
    m_view.selectedPortfolio = row;
    // Refused paths keep the current portfolio, whose symbols are shown again.
    static_cast<void>(portfolio::SelectPortfolio(
        portfolio::MasterPathOf(m_view.portfolios[static_cast<std::size_t>(row)]), m_view.current,
        m_messenger));
    FillSymbolsGrid(0);
}

void CTicksmithView::FillSymbolsGrid(int row) {
    const WaitCursor wait;
    m_fillingGrids = true;
    if (m_view.portfolios.empty()) {
        m_view.ClearLists(3);
        Messenger().Show("Failure while filling symbols grid", platform::MessageIcon::kStop);
    } else if (!m_view.FillSymbolsGrid(row, m_messenger) && m_view.DropVanishedPortfolio()) {
        // The directory went away while it was shown: the list no longer offers it.
        m_portfolioModel->Reset();
    }
    ShowSymbolRows();
    ShowQuoteRows();
    m_fillingGrids = false;
    ReportSkipFileTrouble();
    emit StateChanged();
}

void CTicksmithView::FillQuotesGrid(int row) {
    const WaitCursor wait;
    m_fillingGrids = true;
    // The bar appears only for a fill that takes long enough to be watched: a local series of
    // 16,000 quotes reads in milliseconds, and repainting a bar forty times would cost more.
    QElapsedTimer elapsed;
    elapsed.start();
    platform::ProgressSink progress([this, &elapsed](const platform::ProgressSnapshot& snapshot) {
        if (m_quoteProgressBar == nullptr) {
            if (m_statusBar == nullptr || elapsed.elapsed() < kQuoteProgressDelayMilliseconds) {
                return;
            }
            m_quoteProgressBar = new QProgressBar(m_statusBar);
            m_quoteProgressBar->setTextVisible(false);
            m_statusBar->addWidget(m_quoteProgressBar, 1);
            m_quoteProgressBar->show();
        }
        m_quoteProgressBar->setRange(0, static_cast<int>(snapshot.total));
        m_quoteProgressBar->setValue(static_cast<int>(snapshot.done));
    });
    static_cast<void>(m_view.FillQuotesGrid(row, m_messenger, &progress));
    ShowQuoteRows();
    if (m_quoteProgressBar != nullptr) {
        m_statusBar->removeWidget(m_quoteProgressBar);
        delete m_quoteProgressBar;
        m_quoteProgressBar = nullptr;
    }
    m_fillingGrids = false;
    emit StateChanged();
}

void CTicksmithView::ShowSymbolRows() {
    m_symbolModel->Reset();
    const QSignalBlocker blocker(m_ui->symbolGrid->selectionModel());
    SelectRow(m_ui->symbolGrid, m_view.SymbolCount() == 0 ? -1 : m_view.selectedSymbolRow);
    const QSignalBlocker listBlocker(m_ui->portfolioList->selectionModel());
    SelectRow(m_ui->portfolioList, m_view.selectedPortfolio);
}

void CTicksmithView::ShowQuoteRows() {
    m_quoteModel->Reset();
    const QSignalBlocker blocker(m_ui->quoteGrid->selectionModel());
    SelectRow(m_ui->quoteGrid, m_view.QuoteCount() == 0 ? -1 : m_view.selectedQuoteRow);
    RefreshGraph();
}

void CTicksmithView::RefreshGraph() {
    if (!m_view.settings.showingGraph) {
        return;
    }
    // The chart reads its own window of the newest quotes, whatever RECENT or ALL holds.
    const bool symbol = m_view.SymbolCount() > 0;
    m_ui->graphArea->SetSeries(
        ReadGraphSeries(m_view.current.dataDir, symbol ? m_view.currentSymbol : std::string(),
                        symbol ? m_view.currentName : std::string()),
        ReadGraphColours(m_store));
}

void CTicksmithView::ToggleGraph() {
    const bool show = !m_view.settings.showingGraph;
    m_view.settings.showingGraph = show;
    settings::Write(m_store, settings::keys::kShowingGraph, show ? 1 : 0);
    if (!show) {
        m_ui->graphArea->Clear();
    }
    m_ui->graphArea->setVisible(show);
    m_ui->quoteGrid->setVisible(!show);
    RefreshGraph();
    emit StateChanged();
}

const GraphWidget& CTicksmithView::Graph() const {
    return *m_ui->graphArea;
}

void CTicksmithView::ReportSkipFileTrouble() {
    if (!m_gridSkipComplaint && m_view.SymbolCount() > 0 &&
        m_view.skipList.size() != portfolio::kSkipListLength) {
        m_gridSkipComplaint = true;
        Messenger().Show(platform::FormatMessage(
            "Incorrect file length in odgrid_s.\nPlease delete the file called\"skipqldr.skb\" "
            "in directory\n%s.",
            {m_view.current.portfolioDir}));
    }
}

void CTicksmithView::OnUnknownPortfolioMark(int row) {
    if (m_listSkipComplaint || row < 0 || row >= static_cast<int>(m_view.portfolios.size())) {
        return;
    }
    m_listSkipComplaint = true;
    Messenger().Show(platform::FormatMessage(
        "Incorrect file length in odlist.\nPlease delete the file called\"skipqldr.skb\" in "
        "directory\n%s.",
        {m_view.portfolios[static_cast<std::size_t>(row)]}));
}

void CTicksmithView::OnSymbolRowChosen(int row) {
    if (m_fillingGrids || row < 0 || row == m_view.selectedSymbolRow) {
        return;
    }
    m_view.selectedSymbolRow = row;
    FillQuotesGrid(0);
}

void CTicksmithView::OnQuoteRowChosen(int row) {
    if (m_fillingGrids || row < 0) {
        return;
    }
    m_view.selectedQuoteRow = row;
    emit StateChanged();
}

void CTicksmithView::Execute(CommandId id, Place place) {
    if (!IsEnabled(id, Context(), place)) {
        return;
    }
    switch (id) {
        case CommandId::kRescan:
            ScanForPortfolios();
            break;
        case CommandId::kRecentAll:
            ToggleRecent();
            break;
        case CommandId::kGraph:
            ToggleGraph();
            break;
        case CommandId::kSymbolSkip:
            ToggleSkip();
            break;
        case CommandId::kExit:
            emit CloseRequested();
            break;
        case CommandId::kHelpTopics:
            ShowHelpContents(this);
            break;
        case CommandId::kTutorial:
            ShowTutorial(this);
            break;
        case CommandId::kAbout: {
            AboutDialog about(this);
            Dialogs().Exec(about);
            break;
        }
        default:
            // The commands with dialogs of their own.
            static_cast<void>(RunQuoteCommand(*this, id) || RunSymbolCommand(*this, id) ||
                              RunPortfolioCommand(*this, id) || RunProfileCommand(*this, id) ||
                              RunUpdateCommand(*this, id) || RunSettingsCommand(*this, id) ||
                              RunAsciiCommand(*this, id) || RunImportCommand(*this, id) ||
                              RunPrintCommand(*this, id));
            break;
    }
}

void CTicksmithView::ShowPortfolioList() {
    m_portfolioModel->Reset();
    const QSignalBlocker blocker(m_ui->portfolioList->selectionModel());
    SelectRow(m_ui->portfolioList, m_view.selectedPortfolio);
    emit StateChanged();
}

void CTicksmithView::SetSplitSearchOpen(bool open) {
    m_splitSearchOpen = open;
    emit StateChanged();
}

void CTicksmithView::ToggleRecent() {
    m_view.settings.displayRecent = !m_view.settings.displayRecent;
    settings::Write(m_store, settings::keys::kDisplayLimit, m_view.settings.displayRecent ? 1 : 0);
    FillQuotesGrid(0);
}

void CTicksmithView::ToggleSkip() {
    const portfolio::SkipChange change = IsChecked(CommandId::kSymbolSkip)
                                             ? portfolio::SkipChange::kOff
                                             : portfolio::SkipChange::kOn;
    static_cast<void>(portfolio::SkipSymbol(m_view.current.portfolioDir, m_view.currentSymbol,
                                            change, m_messenger));
    RefreshSkipMarks();
}

void CTicksmithView::RefreshSkipMarks() {
    if (m_view.SymbolCount() > 0) {
        m_view.skipList = portfolio::GetSkipString(m_view.current.portfolioDir, m_messenger);
    }
    m_symbolModel->RefreshSkipMarks();
    m_portfolioModel->RefreshMark(m_view.selectedPortfolio);
    emit StateChanged();
}

CommandContext CTicksmithView::Context() const {
    CommandContext context;
    context.portfolios = static_cast<int>(m_view.portfolios.size());
    context.symbols = m_view.SymbolCount();
    context.quotes = m_view.QuoteCount();
    context.selectedQuoteRow = m_view.selectedQuoteRow;
    context.graph = m_view.settings.showingGraph;
    context.splitSearchOpen = m_splitSearchOpen;
    context.updateRunning = IsUpdating();
    return context;
}

bool CTicksmithView::IsChecked(CommandId id) const {
    switch (id) {
        case CommandId::kRecentAll:
            return m_view.settings.displayRecent;
        case CommandId::kGraph:
            return m_view.settings.showingGraph;
        case CommandId::kSymbolSkip:
            return m_view.skipList.size() == portfolio::kSkipListLength &&
                   portfolio::IsSkipped(m_view.skipList, m_view.SelectedFileNumber()) &&
                   m_view.SymbolCount() > 0;
        default:
            return false;
    }
}

std::unique_ptr<QMenu> CTicksmithView::ContextMenu(Place place) {
    auto menu = std::make_unique<QMenu>(this);
    const CommandContext context = Context();
    for (const CommandId id : ContextCommands(place)) {
        const Command& command = CommandOf(id);
        QAction* action =
            menu->addAction(QCoreApplication::translate("Commands", command.text.data()));
        action->setEnabled(IsEnabled(id, context, place));
        action->setCheckable(command.checkable && id == CommandId::kSymbolSkip);
        action->setChecked(action->isCheckable() && IsChecked(id));
        connect(action, &QAction::triggered, this, [this, id, place] { Execute(id, place); });
    }
    return menu;
}

void CTicksmithView::ShowContextMenu(Place place, const QPoint& globalPosition) {
    const std::unique_ptr<QMenu> menu = ContextMenu(place);
    menu->exec(globalPosition);
}

void CTicksmithView::contextMenuEvent(QContextMenuEvent* event) {
    const QPoint at = event->reason() == QContextMenuEvent::Keyboard ? mapToGlobal(QPoint(0, 0))
                                                                     : event->globalPos();
    ShowContextMenu(Place::kViewBackground, at);
}

bool CTicksmithView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ContextMenu &&
        static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
        auto* control = static_cast<QWidget*>(watched);
        const Place place = control == m_ui->portfolioList ? Place::kPortfolioList
                            : control == m_ui->symbolGrid  ? Place::kSymbolGrid
                                                           : Place::kQuoteGrid;
        ShowContextMenu(place, control->mapToGlobal(QPoint(0, 0)));
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

QString CTicksmithView::TitleText() const {
    const QString program = QStringLiteral("Ticksmith");
    if (m_view.portfolios.empty() || m_view.current.portfolioDir.empty()) {
        return program;
    }
    const QString symbol =
        m_view.SymbolCount() == 0
            ? QStringLiteral("(no symbols)")
            : QString::fromLatin1(m_view.currentSymbol.data(),
                                  static_cast<qsizetype>(m_view.currentSymbol.size()));
    return program + QStringLiteral(" - ") + TextOf(m_view.current.portfolioDir) +
           QStringLiteral(" - ") + symbol;
}

QString CTicksmithView::SymbolPaneText() const {
    if (m_view.SymbolCount() == 0) {
        return tr("No Symbols Read");
    }
    return tr("Symbol %1 of %2").arg(m_view.selectedSymbolRow + 1).arg(m_view.SymbolCount());
}

QString CTicksmithView::QuotePaneText() const {
    if (m_view.QuoteCount() == 0) {
        return tr("No Quotes Read");
    }
    if (m_view.settings.showingGraph) {
        return {};
    }
    return tr("Quote %1 of %2")
        .arg(m_view.QuoteCount() - m_view.selectedQuoteRow)
        .arg(m_view.QuoteCount());
}

QString CTicksmithView::DisplayPaneText() const {
    return m_view.settings.displayRecent ? QStringLiteral("RECENT") : QStringLiteral("ALL");
}

bool CTicksmithView::DisplayPaneEnabled() const {
    return !m_view.settings.showingGraph;
}

}  // namespace ticksmith::app
