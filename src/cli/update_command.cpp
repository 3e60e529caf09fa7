#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <ostream>

#include "cli/command.h"
#include "platform/names.h"
#include "platform/volumes.h"
#include "portfolio/discovery.h"
#include "portfolio/working_directory.h"
#include "settings/setting_keys.h"
#include "settings/view_settings.h"
#include "update/audit_log.h"
#include "update/manual_date.h"
#include "update/run_report.h"
#include "update/update_run.h"

namespace ticksmith::cli {

namespace {

// Portfolio list entries are directories without a trailing separator.
std::string PortfolioEntry(std::string directory) {
    while (directory.size() > 1 && directory.back() == '/') {
        directory.pop_back();
    }
    return directory;
}

std::string ScanRoot(CommandContext& context) {
    std::string root = settings::Read(context.Settings(), settings::keys::kDrive);
    if (root.empty()) {
        root = platform::VolumeRoot(context.WorkingDirectory()).string();
    }
    return root;
}

portfolio::SearchFilter StoredFilter(const settings::ViewSettings& view) {
    return {view.searchLimit, view.searchFilter};
}

// The run that Ctrl+C and SIGTERM stop, and the first of them that came. A signal handler may
// only store to lock-free atomics; RequestCancel is such a store.
static_assert(std::atomic<bool>::is_always_lock_free &&
              std::atomic<platform::ProgressSink*>::is_always_lock_free &&
              std::atomic<int>::is_always_lock_free);
std::atomic<platform::ProgressSink*> g_stopTarget{nullptr};
std::atomic<int> g_stopSignal{0};

extern "C" void StopRunOnSignal(int signal) {
    int none = 0;
    g_stopSignal.compare_exchange_strong(none, signal, std::memory_order_relaxed);
    if (platform::ProgressSink* sink = g_stopTarget.load(std::memory_order_relaxed)) {
        sink->RequestCancel();
    }
}

// While it lives, SIGINT and SIGTERM stop the run between symbols instead of ending the
// program in the middle of a portfolio; a second signal only asks again.
class StopOnSignals {
  public:
    explicit StopOnSignals(platform::ProgressSink& sink) {
        g_stopSignal.store(0, std::memory_order_relaxed);
        g_stopTarget.store(&sink, std::memory_order_relaxed);
        struct sigaction action {};
        action.sa_handler = StopRunOnSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(SIGINT, &action, &m_oldInterrupt);
        ::sigaction(SIGTERM, &action, &m_oldTerminate);
    }
    ~StopOnSignals() {
        ::sigaction(SIGINT, &m_oldInterrupt, nullptr);
        ::sigaction(SIGTERM, &m_oldTerminate, nullptr);
        g_stopTarget.store(nullptr, std::memory_order_relaxed);
    }
    StopOnSignals(const StopOnSignals&) = delete;
    StopOnSignals& operator=(const StopOnSignals&) = delete;

    // 0 when none came.
    int Signal() const { return g_stopSignal.load(std::memory_order_relaxed); }

  private:
    struct sigaction m_oldInterrupt {};
    struct sigaction m_oldTerminate {};
};

// What the window's start-up does before these commands' work: the working directory's files,
// then the view's settings.
settings::ViewSettings StartUp(CommandContext& context) {
    portfolio::PrepareWorkingDirectory(context.WorkingDirectory(), context.Messenger());
    return settings::LoadViewSettings(context.Settings(), context.WorkingDirectory());
}

}  // namespace

void AddUpdateCommands(CLI::App& app, CommandContext& context) {
    struct Options {
        std::vector<std::string> directories;
        bool report = false;
        std::string root;
        std::string filter;
        bool filterGiven = false;
        bool noFilter = false;
        bool identifyNew = false;
        bool oneDay = false;
        std::string manualDate;
        NewSymbolOptions newSymbols;
    };
    auto options = std::make_shared<Options>();

    auto* update = app.add_subcommand(
        "update", "Update Quotes: add each symbol's missing quotes from its update files");
    update->add_option("DIR", options->directories,
                       "Portfolio directories (default: the scan of the stored drive)");
    update->add_flag("--report", options->report, "Print the Anomaly Report");
    update->add_option("--manual-date", options->manualDate,
                       "Put this date in front of every line of the update files first");
    update->add_flag("--one-day", options->oneDay,
                     "Add only each symbol's first newer quote, not every missing day");
    update->add_flag("--identify-new", options->identifyNew,
                     "List the new symbols of today's update files first");
    AddNewSymbolOptions(*update, options->newSymbols);
    update->callback([&context, options] {
        settings::ViewSettings view = StartUp(context);
        if (options->oneDay) {
            view.catchUp = false;
        }
        if (!options->manualDate.empty()) {
            const update::ManualDateResult dated =
                update::AssignManualDate(context.WorkingDirectory(), options->manualDate);
            if (!dated.failed.empty()) {
                // Their lines would be read without the date the person gave.
                std::string names;
                for (const std::filesystem::path& file : dated.failed) {
                    names += "\n  " + file.string();
                }
                context.Fail("update",
                             "the date could not be put into these update files; "
                             "Update Quotes did not start:" +
                                 names);
                return;
            }
        }
        // New symbols that could not be added do not keep the others from their quotes, but
        // the command still reports the failure.
        if ((options->identifyNew || options->newSymbols.addAll) &&
            !IdentifyAndOffer(context, options->newSymbols, "update")) {
            context.exitCode = kExitFailure;
        }
        std::vector<std::string> portfolios;
        if (options->directories.empty()) {
            portfolios = portfolio::ScanForPortfolios(ScanRoot(context), StoredFilter(view),
                                                      nullptr, context.Messenger(), true);
        } else {
            for (const std::string& directory : options->directories) {
                portfolios.push_back(PortfolioEntry(directory));
            }
            std::sort(portfolios.begin(), portfolios.end(), platform::LessIgnoringCase);
        }
        if (portfolios.empty()) {
            context.Fail("update", "there is no portfolio to update");
            return;
        }
        const bool terminal = context.ErrorIsTerminal();
        std::string lastPortfolio;
        platform::ProgressSink progress([&](const platform::ProgressSnapshot& snapshot) {
            const std::string& portfolio = snapshot.Text(update::kPortfolioText);
            if (terminal) {
                context.err << "\r\033[KPortfolio:" << portfolio
                            << "  Symbol:" << snapshot.Text(update::kSymbolText)
                            << "  File:" << snapshot.Text(update::kFileText)
                            << "  Quotes updated: " << snapshot.Text(update::kTotalText)
                            << std::flush;
            } else if (portfolio != lastPortfolio) {
                lastPortfolio = portfolio;
                context.err << "Working on portfolio:" << portfolio << '\n';
            } else if (portfolio.empty() && !snapshot.Text(update::kFileText).empty()) {
                // Before the first portfolio only a wait for another writer's lock is shown.
                context.err << snapshot.Text(update::kFileText) << '\n';
            }
        });
        update::UpdateResult result;
        std::filesystem::path auditPath;
        int stopSignal = 0;
        {
            const StopOnSignals stop(progress);
            update::UpdateRun run(context.WorkingDirectory(), portfolios, view, "", progress,
                                  context.Messenger());
            result = run.Run();
            if (terminal) {
                context.err << "\r\033[K" << std::flush;
            }
            auditPath = run.AuditPath();
            stopSignal = stop.Signal();
        }
        if (options->report) {
            view.auditEnable = true;
        }
        const update::RunReport report = update::BuildRunReport(result, auditPath, view);
        if (!report.succeeded) {
            context.exitCode = kExitFailure;
        }
        // As a shell reports a program that a signal ended, though this one ended on its own.
        if (stopSignal != 0) {
            context.exitCode = 128 + stopSignal;
        }
        if (!report.started) {
            return;
        }
        // No sound and no grid on a terminal.
        const int quotes = report.quotesAdded;
        context.out << quotes << (quotes == 1 ? " quote" : " quotes") << " added\n";
        for (const std::string& message : report.messages) {
            context.Messenger().Show(message);
        }
        if (report.anomalyReport) {
            context.out << "\nAnomaly Report\n"
                        << report.anomalyReport->header << "\nNumber of updated quotes: " << quotes
                        << '\n';
            for (const std::string& entry : report.anomalyReport->entries) {
                context.out << entry << '\n';
            }
            context.out << "See file  AUDIT.TXT for more details.\n";
        }
    });

    auto* scan = app.add_subcommand("scan", "List the portfolios found below a directory");
    scan->add_option("ROOT", options->root, "Where to start (default: the stored drive)");
    auto* filterOption =
        scan->add_option("--filter", options->filter, "Only paths like this (upper-cased)");
    auto* noFilterOption = scan->add_flag("--no-filter", options->noFilter, "Walk everything");
    filterOption->excludes(noFilterOption);
    scan->callback([&context, options, filterOption] {
        const settings::ViewSettings view = StartUp(context);
        portfolio::SearchFilter filter = StoredFilter(view);
        if (filterOption->count() > 0) {
            filter = {true, platform::ToUpperAscii(options->filter)};
        }
        if (options->noFilter) {
            filter.limit = false;
        }
        const std::string root = options->root.empty() ? ScanRoot(context) : options->root;
        for (const std::string& directory :
             portfolio::ScanForPortfolios(root, filter, nullptr, context.Messenger(), true)) {
            context.out << directory << '\n';
        }
    });
}

}  // namespace ticksmith::cli
