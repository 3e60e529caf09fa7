#include "app/screenshots.h"

#include <QApplication>
#include <QFile>
#include <QPixmap>
#include <QTemporaryDir>
#include <ctime>
#include <iostream>

#include "app/about_dialog.h"
#include "app/add_quote_dialog.h"
#include "app/adjust_dialog.h"
#include "app/anomaly_report_dialog.h"
#include "app/choose_directory_dialog.h"
#include "app/delete_quote_dialog.h"
#include "app/delete_symbol_dialog.h"
#include "app/edit_quote_dialog.h"
#include "app/export_dialog.h"
#include "app/find_symbol_dialog.h"
#include "app/import_dialog.h"
#include "app/import_progress_dialog.h"
#include "app/main_frame.h"
#include "app/manual_date_dialog.h"
#include "app/new_symbol_dialog.h"
#include "app/notice_dialog.h"
#include "app/portfolio_dialogs.h"
#include "app/print_commands.h"
#include "app/profile_settings_dialog.h"
#include "app/profiles_dialog.h"
#include "app/search_progress_dialog.h"
#include "app/series_info_dialog.h"
#include "app/settings_dialog.h"
#include "app/split_dialog.h"
#include "app/split_search_window.h"
#include "app/symbol_name_dialog.h"
#include "app/ticksmith_view.h"
#include "app/transfer_symbol_dialog.h"
#include "app/update_progress_dialog.h"
#include "app/window_messenger.h"
#include "portfolio/discovery.h"
#include "portfolio/grid_format.h"
#include "portfolio/master_repair.h"
#include "settings/settings_store.h"
#include "settings/view_settings.h"
#include "store/edit_quotes.h"
#include "update/new_symbols.h"
#include "update/update_progress.h"

namespace ticksmith::app {

namespace {

bool Save(QWidget& widget, const QDir& directory, const QString& name) {
    widget.show();
    QApplication::processEvents();
    const QString path = directory.filePath(name + QStringLiteral(".png"));
    const bool saved = widget.grab().save(path);
    std::cout << (saved ? "wrote " : "could not write ") << path.toStdString() << '\n';
    return saved;
}

// The quote dialogs over the selected quote of the sample's first symbol.
bool WriteQuoteDialogScreenshots(CMainFrame& frame, const QDir& directory) {
    const portfolio::ViewState& state = frame.View().State();
    const QString date = QtText(portfolio::DateText(state.SelectedQuoteDay()));
    EditQuoteDialog edit(frame.View(), state.selectedQuoteRow, &frame);
    bool written = Save(edit, directory, QStringLiteral("edit-selected-quote"));
    SplitDialog split(date, &frame);
    written = Save(split, directory, QStringLiteral("split-data")) && written;
    AdjustDialog adjust(QtText(portfolio::DateText(state.firstDay)),
                        QtText(portfolio::DateText(state.lastDay)), &frame);
    written = Save(adjust, directory, QStringLiteral("adjust-data")) && written;
    AddQuoteDialog add(
        QtText(portfolio::DateText(store::PreviousWeekday(state.SelectedQuoteDay()))), &frame);
    written = Save(add, directory, QStringLiteral("add-data")) && written;
    DeleteQuoteDialog remove(date, &frame);
    written = Save(remove, directory, QStringLiteral("delete-data")) && written;
    store::SeriesInfo info;
    const bool known =
        store::GetSeriesInfo(state.current.dataDir, state.currentSymbol, info) == store::kSuccess;
    SeriesInfoDialog about(known ? &info : nullptr, &frame);
    return Save(about, directory, QStringLiteral("about-selected-quote-series")) && written;
}

// "Updating Quotes" as it stands during a run over the sample's first portfolio.
bool WriteUpdateScreenshots(CMainFrame& frame, const QDir& directory) {
    const portfolio::ViewState& state = frame.View().State();
    platform::ProgressSnapshot snapshot;
    snapshot.texts.resize(update::kUpdateTextCount);
    // Each text is a space and a value; built by appending (GCC 12 warns falsely on " " + s).
    const auto spaced = [](const std::string& value) {
        std::string text(1, ' ');
        text += value;
        return text;
    };
    snapshot.texts[update::kTotalText] = "12  ";
    snapshot.texts[update::kPortfolioText] =
        spaced(state.portfolios.empty() ? "/home/investor/data/stocks" : state.portfolios.front());
    snapshot.texts[update::kFileText] =
        spaced((state.settings.workingDirectory / "Sample" / "Textdata" / "Q250103.TXT").string());
    snapshot.texts[update::kSymbolText] =
        spaced(state.symbolRows.empty() ? "MSFT" : state.symbolRows.front().Symbol());
    snapshot.texts[update::kArchiveLabelText] = "De-Compressing File:";
    snapshot.texts[update::kArchiveNameText] = "Q250103.ZIP";
    UpdateProgressDialog progress(&frame);
    progress.ShowTexts(snapshot);
    return Save(progress, directory, QStringLiteral("updating-quotes"));
}

// The profile dialogs over the sample's current symbol, and a profile for comma-separated
// daily files being edited.
// Import from ASCII with a vendor's file, and the batch of several files under way.
bool WriteImportScreenshots(CMainFrame& frame, const QDir& directory) {
    ascii::ImportForm form;
    form.inputPath = "/home/investor/downloads/msft-history.txt";
    form.outputDirectory = "/home/investor/data/stocks";
    form.symbol = "MSFT";
    form.name = "MICROSOFT CORP";
    form.dateFormat = "MM_DD_CCYY";
    form.reverse = true;
    form.skipOn = true;
    form.skipRows = std::to_string(1);
    ImportDialog import(form, "/home/investor", &frame);
    bool written = Save(import, directory, QStringLiteral("import-historical-ascii-quotes"));
    platform::ProgressSink progress;
    progress.SetText(ascii::kImportCountText, "File 37 of 120", false);
    progress.SetText(ascii::kImportFileText, "/home/investor/downloads/histories/IBM.txt", false);
    progress.SetCount(36, 120);
    ImportProgressDialog importing(&frame);
    importing.ShowProgress(progress.Snapshot());
    return Save(importing, directory, QStringLiteral("importing-quotes")) && written;
}

bool WriteProfileDialogScreenshots(CMainFrame& frame, const QDir& directory) {
    ProfilesDialog profiles(frame.View(), &frame);
    bool written = Save(profiles, directory, QStringLiteral("profiles-management"));
    profiles::ProfileForm form = profiles::NewProfileForm("/home/investor/data/stocks");
    form.mode = profiles::ProfileMode::kEdit;
    form.name = "DailyStocks";
    form.updateDirectory = "/home/investor/downloads/eod";
    form.openInterestOn = false;
    form.dateFormatPosition = 7;
    ProfileSettingsDialog settings(form, {}, &frame);
    return Save(settings, directory, QStringLiteral("profile-settings")) && written;
}

// The dialogs around an update run; the New Symbol one over three symbols of a scratch
// working directory, so that every button shows.
bool WriteUpdateStepScreenshots(CMainFrame& frame, const QDir& directory) {
    ManualDateDialog manualDate(QStringLiteral("12/07/26"), &frame);
    bool written = Save(manualDate, directory, QStringLiteral("assign-date-manually"));

    QTemporaryDir working;
    QFile delta(QDir(working.path()).filePath(QStringLiteral("Lasttime/Delta.txt")));
    if (working.isValid() && QDir(working.path()).mkpath(QStringLiteral("Lasttime")) &&
        delta.open(QIODevice::WriteOnly) && delta.write("AAPL\r\nNVDA\r\nBRK_A\r\n") > 0 &&
        delta.flush()) {
        delta.close();
        settings::MemorySettingsStore store;
        WindowMessenger messenger(&frame);
        update::NewSymbolSession session(
            CoreText(working.path()),
            {"/home/investor/data/stocks/MASTER", "/home/investor/data/stocks",
             "/home/investor/data/stocks"},
            store, messenger, store::DayNumberOfTime(std::time(nullptr)));
        NewSymbolDialog newSymbol(
            session, [&session] { return session.Portfolio(); }, &frame);
        written = Save(newSymbol, directory, QStringLiteral("new-symbol")) && written;
    } else {
        written = false;
    }

    update::AnomalyReport report;
    report.header = "Results of Ticksmith for Monday, December 07, 2026, 18:05:12";
    report.count = 41;
    report.entries = {"IBM in /home/investor/data/stocks ", "QQQ in /home/investor/data/funds ", "",
                      "ERROR: De-Compress failure for file DAILY.ZIP "};
    AnomalyReportDialog anomalies(report, &frame);
    return Save(anomalies, directory, QStringLiteral("anomaly-report")) && written;
}

// The settings as a person who unpacks password-protected archives might keep them.
bool WriteSettingsScreenshot(CMainFrame& frame, const QDir& directory) {
    settings::ViewSettings settings = frame.View().State().settings;
    settings.searchLimit = true;
    settings.searchName = "/home/investor/data";
    settings.auditEnable = true;
    settings.zipEnable = true;
    settings.zipPasswordEnable = true;
    settings.zipPassword = "quotes2026";
    settings.pkunzipPath = "/usr/lib/ticksmith";
    SettingsDialog dialog(settings, frame.View().DriveEntries(), &frame);
    return Save(dialog, directory, QStringLiteral("ticksmith-settings"));
}

// The export dialog as it first opens, and Split Search with two candidates of the sample's
// first symbol listed.
bool WriteAsciiScreenshots(CMainFrame& frame, const QDir& directory) {
    CTicksmithView& view = frame.View();
    const portfolio::ViewState& state = view.State();
    WindowMessenger messenger(&frame);
    ExportDialog exportDialog(ascii::ExportChoices(), state.settings.workingDirectory, messenger,
                              &frame);
    bool written = Save(exportDialog, directory, QStringLiteral("export-to-ascii"));
    SplitSearchWindow search(view, &frame);
    const std::string symbol = state.symbolRows.empty() ? "MSFT" : state.symbolRows[0].Symbol();
    const QString portfolio = QtText(state.current.portfolioDir);
    for (const auto& [ratio, date] :
         {std::pair{ascii::SplitRatio{2, 1}, store::DayNumber{14390}},
          std::pair{ascii::SplitRatio{3, 2}, store::DayNumber{15020}}}) {
        search.AddCandidate({ascii::SplitCandidateText(symbol, ratio, date), symbol, date},
                            portfolio);
    }
    return Save(search, directory, QStringLiteral("split-search")) && written;
}

// The main window with the graph of the selected sample symbol in place of the quote grid; the
// setting is left as it was.
bool WriteGraphScreenshot(CMainFrame& frame, const QDir& directory) {
    CTicksmithView& view = frame.View();
    const bool shown = view.IsChecked(CommandId::kGraph);
    if (!shown) {
        view.Execute(CommandId::kGraph);
    }
    const bool written = Save(frame, directory, QStringLiteral("main-window-graph"));
    if (!shown) {
        view.Execute(CommandId::kGraph);
    }
    return written;
}

}  // namespace

bool WriteScreenshots(CMainFrame& frame, const QDir& directory) {
    if (!directory.exists() && !QDir().mkpath(directory.path())) {
        std::cerr << "could not create " << directory.path().toStdString() << '\n';
        return false;
    }
    bool written = Save(frame, directory, QStringLiteral("main-window"));
    written = WriteGraphScreenshot(frame, directory) && written;

    AboutDialog about(&frame);
    written = Save(about, directory, QStringLiteral("about")) && written;

    NoticeDialog fix(QString::fromLatin1(portfolio::kFixMasterTitle.data(),
                                         static_cast<qsizetype>(portfolio::kFixMasterTitle.size())),
                     QStringLiteral("The Master file\n/home/investor/data/stocks/MASTER\nappears "
                                    "corrupted.\n\nShould Ticksmith try to repair this file now?"),
                     true, &frame);
    written = Save(fix, directory, QStringLiteral("fix-master-file")) && written;

    platform::ProgressSink progress;
    progress.SetText(portfolio::kScanDirectoryText, "/home/investor/data/stocks");
    progress.SetCount(3, 0);
    SearchProgressDialog searching(progress, &frame);
    searching.Refresh();
    written = Save(searching, directory, QStringLiteral("searching-for-master-files")) && written;
    WindowMessenger messenger(&frame);
    AddPortfolioDialog addPortfolio(QStringLiteral("/home/investor/data/stocks"), false, messenger,
                                    &frame);
    written = Save(addPortfolio, directory, QStringLiteral("add-portfolio")) && written;
    DeletePortfolioDialog deletePortfolio(QStringLiteral("/home/investor/data/stocks"), &frame);
    written = Save(deletePortfolio, directory, QStringLiteral("delete-portfolio")) && written;
    SkipAdjustDialog skipAdjust(&frame);
    written = Save(skipAdjust, directory, QStringLiteral("portfolio-skip-adjustment")) && written;
    ChooseDirectoryDialog chooser(QDir::homePath(), messenger, &frame);
    written = Save(chooser, directory, QStringLiteral("choose-directory")) && written;

    const auto acceptAll = [](const std::string&, const std::string&) {
        return std::optional<portfolio::SymbolField>();
    };
    SymbolNameDialog add(QObject::tr("Add Symbol"), {}, {}, acceptAll, &frame);
    written = Save(add, directory, QStringLiteral("add-symbol")) && written;
    SymbolNameDialog edit(QObject::tr("Edit Symbol"), QStringLiteral("MSFT"),
                          QStringLiteral("MICROSOFT CORP"), acceptAll, &frame);
    written = Save(edit, directory, QStringLiteral("edit-symbol")) && written;
    DeleteSymbolDialog remove(QStringLiteral("MSFT"), &frame);
    written = Save(remove, directory, QStringLiteral("delete-symbol")) && written;
    TransferSymbolDialog move(
        QObject::tr("Move Symbol"), QStringLiteral("MSFT"), QStringLiteral("MICROSOFT CORP"),
        QStringLiteral("/home/investor/data/stocks"),
        {"/home/investor/data/funds", "/home/investor/data/indices/weekly-and-monthly-series"},
        &frame);
    written = Save(move, directory, QStringLiteral("move-symbol")) && written;
    FindSymbolDialog find(
        false, true, [](const portfolio::FindRequest&) { return true; }, &frame);
    written = Save(find, directory, QStringLiteral("find-symbol")) && written;
    written = WriteSettingsScreenshot(frame, directory) && written;
    written = WriteUpdateScreenshots(frame, directory) && written;
    written = WriteProfileDialogScreenshots(frame, directory) && written;
    written = WriteImportScreenshots(frame, directory) && written;
    written = WriteUpdateStepScreenshots(frame, directory) && written;
    written = WriteAsciiScreenshots(frame, directory) && written;
    written = WritePrintScreenshots(frame.View(), directory, Save) && written;
    return WriteQuoteDialogScreenshots(frame, directory) && written;
}

}  // namespace ticksmith::app
