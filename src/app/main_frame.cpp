#include "app/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>

#include "app/command_icons.h"
#include "app/dialog_seam.h"
#include "app/ticksmith_view.h"
#include "settings/window_layout.h"

namespace ticksmith::app {

namespace {

QString Translated(std::string_view text) {
    return QCoreApplication::translate("Commands", std::string(text).c_str());
}

settings::WindowRect RectOf(const QRect& rect) {
    return {rect.x(), rect.y(), rect.width(), rect.height()};
}

// The work area of the screen that holds the point (the primary one when none does).
settings::WindowRect WorkAreaAt(const QPoint& point) {
    QScreen* screen = QGuiApplication::screenAt(point);
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    return screen == nullptr ? settings::WindowRect{0, 0, 1024, 768}
                             : RectOf(screen->availableGeometry());
}

}  // namespace

CMainFrame::CMainFrame(settings::SettingsStore& store, const settings::ViewSettings& settings,
                       QWidget* parent)
    : QMainWindow(parent), m_store(store) {
    setObjectName(QStringLiteral("mainFrame"));
    m_view = new CTicksmithView(store, settings, this);
    setCentralWidget(m_view);
    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    m_view->SetStatusBar(statusBar());
    connect(m_view, &CTicksmithView::StateChanged, this, &CMainFrame::RefreshCommands);
    connect(m_view, &CTicksmithView::CloseRequested, this, &QWidget::close);
    setWindowTitle(QStringLiteral("Ticksmith"));
    RefreshCommands();
}

CMainFrame::~CMainFrame() = default;

QAction* CMainFrame::Action(CommandId id) const {
    const auto found = m_actions.find(id);
    return found == m_actions.end() ? nullptr : found->second;
}

void CMainFrame::CreateActions() {
    for (const Command& command : Commands()) {
        auto* action = new QAction(Translated(command.text), this);
        action->setObjectName(QStringLiteral("command%1").arg(static_cast<int>(command.id)));
        if (!command.key.empty()) {
            action->setShortcut(QKeySequence(QString::fromLatin1(
                command.key.data(), static_cast<qsizetype>(command.key.size()))));
        }
        action->setStatusTip(Translated(command.prompt));
        action->setToolTip(Translated(command.tooltip));
        action->setCheckable(command.checkable);
        action->setIcon(CommandIcon(command.id));
        action->setIconVisibleInMenu(false);
        const CommandId id = command.id;
        connect(action, &QAction::triggered, this, [this, id] {
            m_view->Execute(id);
            RefreshCommands();
        });
        m_actions[id] = action;
    }
}

void CMainFrame::CreateMenus() {
    const std::pair<Menu, const char*> menus[] = {
        {Menu::kFile, QT_TR_NOOP("&File")},     {Menu::kPortfolio, QT_TR_NOOP("&Portfolio")},
        {Menu::kSymbol, QT_TR_NOOP("&Symbol")}, {Menu::kQuotes, QT_TR_NOOP("&Quotes")},
        {Menu::kHelp, QT_TR_NOOP("&Help")},
    };
    for (const auto& [place, title] : menus) {
        QMenu* menu = menuBar()->addMenu(tr(title));
        // The rules are computed again as a menu opens, as the context menus do.
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::RefreshCommands);
        for (const Command& command : Commands()) {
            if (command.menu != place) {
                continue;
            }
            if (command.separatorBefore) {
                menu->addSeparator();
            }
            menu->addAction(m_actions[command.id]);
        }
    }
}

void CMainFrame::CreateToolBar() {
    m_toolBar = addToolBar(tr("Toolbar"));
    m_toolBar->setObjectName(QStringLiteral("mainToolBar"));
    m_toolBar->setMovable(true);
    m_toolBar->setFloatable(true);
    for (const CommandId id : ToolbarCommands()) {
        if (id == CommandId{0}) {
            m_toolBar->addSeparator();
        } else {
            m_toolBar->addAction(m_actions[id]);
        }
    }
}

void CMainFrame::CreateStatusBar() {
    m_symbolPane = new QLabel(this);
    m_quotePane = new QLabel(this);
    m_displayPane = new QLabel(this);
    m_symbolPane->setObjectName(QStringLiteral("symbolPane"));
    m_quotePane->setObjectName(QStringLiteral("quotePane"));
    m_displayPane->setObjectName(QStringLiteral("displayPane"));
    // Each pane as wide as its widest text, so the bar does not jump as the numbers change.
    const QFontMetrics metrics(font());
    m_symbolPane->setMinimumWidth(
        metrics.horizontalAdvance(tr("Symbol %1 of %2").arg(255).arg(255)) + 8);
    m_quotePane->setMinimumWidth(
        metrics.horizontalAdvance(tr("Quote %1 of %2").arg(65535).arg(65535)) + 8);
    m_displayPane->setMinimumWidth(metrics.horizontalAdvance(QStringLiteral("RECENT    ")) + 8);
    statusBar()->addPermanentWidget(m_symbolPane);
    statusBar()->addPermanentWidget(m_quotePane);
    statusBar()->addPermanentWidget(m_displayPane);
}

void CMainFrame::RefreshCommands() {
    const CommandContext context = m_view->Context();
    for (const auto& [id, action] : m_actions) {
        action->setEnabled(IsEnabled(id, context) && !m_view->IsScanning());
        if (action->isCheckable()) {
            action->setChecked(m_view->IsChecked(id));
        }
    }
    // Leaving the program stays possible while a scan runs.
    m_actions[CommandId::kExit]->setEnabled(true);
    setWindowTitle(m_view->TitleText());
    m_symbolPane->setText(m_view->SymbolPaneText());
    m_quotePane->setText(m_view->QuotePaneText());
    m_displayPane->setText(m_view->DisplayPaneText());
    m_displayPane->setEnabled(m_view->DisplayPaneEnabled());
}

void CMainFrame::ApplyPlacement() {
    const settings::WindowRect stored = settings::ReadPlacement(m_store);
    const settings::WindowRect workArea = WorkAreaAt(QPoint(stored.x, stored.y));
    std::optional<settings::WindowRect> placement = settings::UsablePlacement(stored, workArea);
    if (!placement) {
        const settings::WindowRect home = WorkAreaAt(QPoint(stored.x, stored.y));
        const int formHeight = m_view->FormHeight();
        // The form's natural width: a top-level window's adjustSize would stop at 2/3 of the
        // screen.
        const int natural = sizeHint().width();
        placement = settings::DefaultPlacement(std::min(natural, home.width), formHeight, home);
        placement->height = std::min(placement->height, home.height);
        settings::WritePlacement(m_store, *placement, home);
    }
    resize(placement->width, placement->height);
    move(placement->x, placement->y);
    m_placed = true;
}

void CMainFrame::RecordPlacement() {
    if (!m_placed || isMinimized() || !isVisible()) {
        return;
    }
    const QRect frame = frameGeometry();
    settings::WritePlacement(m_store, {frame.x(), frame.y(), width(), height()},
                             WorkAreaAt(frame.center()));
}

void CMainFrame::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    RecordPlacement();
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    RecordPlacement();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (m_view->IsUpdating()) {
        // A portfolio is never left half-written: the run stops between symbols, then the
        // window closes.
        if (!m_view->ClosingAfterUpdate() &&
            Dialogs().Message(this, QMessageBox::Question, QApplication::applicationDisplayName(),
                              tr("Update Quotes is still running.\n\nStop it after the symbol it "
                                 "is updating and close Ticksmith?"),
                              QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::No) == QMessageBox::Yes) {
            m_view->CloseAfterUpdate();
        }
        event->ignore();
        return;
    }
    m_view->StopScan();
    if (m_view->HasStarted()) {
        m_view->WriteColumnWidths();
    }
    event->accept();
}

}  // namespace ticksmith::app
