#include "app/help/help_window.h"

#include <QAction>
#include <QKeySequence>
#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QTextBrowser>
#include <QToolBar>
#include <QUrl>
#include <QWidget>

#include <iterator>

// Q_INIT_RESOURCE names a function in the global namespace, so it cannot be called from inside
// ours.
static void InitHelpResource() {
    Q_INIT_RESOURCE(help);
}

namespace ticksmith::app {

namespace {

QUrl TopicUrl(HelpTopic topic) {
    const std::string_view path = HelpResourcePath(topic);
    // ":/help/x.html" as "qrc:/help/x.html", so that the pages' relative links resolve.
    return QUrl(QStringLiteral("qrc") + QString::fromUtf8(path.data(), std::ssize(path)));
}

class HelpWindow : public QMainWindow {
    Q_OBJECT

  public:
    explicit HelpWindow(QWidget* parent) : QMainWindow(parent, Qt::Window) {
        setObjectName(QStringLiteral("ticksmithHelpWindow"));
        setWindowTitle(tr("Ticksmith Help"));
        setAttribute(Qt::WA_DeleteOnClose);
        resize(640, 560);

        browser_ = new QTextBrowser(this);
        browser_->setOpenExternalLinks(false);
        setCentralWidget(browser_);

        QToolBar* bar = addToolBar(tr("Navigation"));
        bar->setMovable(false);
        QAction* back = bar->addAction(tr("&Back"));
        back->setShortcut(QKeySequence::Back);
        back->setEnabled(false);
        QAction* forward = bar->addAction(tr("&Forward"));
        forward->setShortcut(QKeySequence::Forward);
        forward->setEnabled(false);
        QAction* contents = bar->addAction(tr("&Contents"));
        QAction* close_action = bar->addAction(tr("C&lose"));
        close_action->setShortcut(QKeySequence::Close);

        connect(back, &QAction::triggered, browser_, &QTextBrowser::backward);
        connect(forward, &QAction::triggered, browser_, &QTextBrowser::forward);
        connect(browser_, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
        connect(browser_, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
        connect(contents, &QAction::triggered, this, &HelpWindow::ShowContents);
        connect(close_action, &QAction::triggered, this, &QWidget::close);
    }

    void ShowTopic(HelpTopic topic) { browser_->setSource(TopicUrl(topic)); }

  private:
    void ShowContents() { ShowTopic(HelpTopic::kContents); }

    QTextBrowser* browser_;
};

QPointer<HelpWindow>& OpenWindow() {
    static QPointer<HelpWindow> window;
    return window;
}

}  // namespace

void LoadHelpPages() {
    static const bool loaded = (InitHelpResource(), true);
    (void)loaded;
}

void ShowHelp(QWidget* parent, HelpTopic topic) {
    LoadHelpPages();
    QPointer<HelpWindow>& window = OpenWindow();
    if (window.isNull()) {
        window = new HelpWindow(parent);
    } else if (window->parentWidget() != parent) {
        // A window owned by an earlier dialog would be blocked by a modal one now open.
        const bool was_visible = window->isVisible();
        const QRect geometry = window->geometry();
        window->setParent(parent, Qt::Window);
        if (was_visible) {
            window->setGeometry(geometry);
        }
    }
    window->ShowTopic(topic);
    window->show();
    window->raise();
    window->activateWindow();
}

}  // namespace ticksmith::app

#include "help_window.moc"
