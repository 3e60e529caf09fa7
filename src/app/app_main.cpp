#include "app/app_main.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QTimer>
#include <filesystem>
#include <iostream>
#include <memory>

#include "app/command_icons.h"
#include "app/dialog_seam.h"
#include "app/main_frame.h"
#include "app/screenshots.h"
#include "app/ticksmith_view.h"
#include "app/window_messenger.h"
#include "portfolio/working_directory.h"
#include "settings/qt_settings_store.h"
#include "settings/view_settings.h"
#include "version.h"

namespace ticksmith::app {

namespace {

// While pictures are taken nobody is there to answer: every box takes its default answer and
// its text goes to the terminal.
class UnattendedDialogs : public DialogSeam {
  public:
    QMessageBox::StandardButton Message(QWidget* /*parent*/, QMessageBox::Icon /*icon*/,
                                        const QString& /*title*/, const QString& text,
                                        QMessageBox::StandardButtons /*buttons*/,
                                        QMessageBox::StandardButton defaultButton) override {
        std::cerr << text.toStdString() << '\n';
        return defaultButton;
    }
    int Exec(QDialog& /*dialog*/) override { return 0; }
};

constexpr int kScreenshotWidth = 1180;
constexpr int kScreenshotHeight = 640;

}  // namespace

int RunWindowProgram(int argc, char** argv) {
    QApplication::setOrganizationName(QStringLiteral("Kestrel Bay Software"));
    QApplication::setApplicationName(QStringLiteral("Ticksmith"));
    QApplication::setApplicationVersion(QString::fromLatin1(kVersion));
    QApplication application(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Ticksmith"));
    QApplication::setWindowIcon(ProgramIcon());

    QCommandLineParser parser;
    parser.setApplicationDescription(QApplication::translate(
        "Ticksmith", "Keeps end-of-day quotes in MetaStock-format portfolios."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption settingsOption(
        QStringLiteral("settings"),
        QApplication::translate("Ticksmith", "Keep the settings in this INI file."),
        QStringLiteral("file"));
    const QCommandLineOption screenshotsOption(
        QStringLiteral("screenshots"),
        QApplication::translate("Ticksmith",
                                "Draw the main window and every dialog into PNG files in this "
                                "directory, then quit."),
        QStringLiteral("directory"));
    parser.addOption(settingsOption);
    parser.addOption(screenshotsOption);
    parser.process(application);

    std::unique_ptr<settings::QtSettingsStore> store =
        parser.isSet(settingsOption) ? std::make_unique<settings::QtSettingsStore>(
                                           parser.value(settingsOption).toStdString())
                                     : settings::QtSettingsStore::OpenUserStore();

    UnattendedDialogs unattended;
    std::unique_ptr<ScopedDialogSeam> seam;
    const bool screenshots = parser.isSet(screenshotsOption);
    if (screenshots) {
        seam = std::make_unique<ScopedDialogSeam>(unattended);
    }

    const std::filesystem::path workingDirectory = std::filesystem::current_path();
    WindowMessenger startMessenger;
    portfolio::PrepareWorkingDirectory(workingDirectory, startMessenger);
    const settings::ViewSettings viewSettings =
        settings::LoadViewSettings(*store, workingDirectory);

    CMainFrame frame(*store, viewSettings);
    frame.ApplyPlacement();
    if (screenshots) {
        // The same picture whatever screen it is made on.
        frame.resize(kScreenshotWidth, kScreenshotHeight);
    }
    frame.show();
    if (screenshots) {
        const QString directory = parser.value(screenshotsOption);
        QObject::connect(&frame.View(), &CTicksmithView::ScanFinished, &frame, [&] {
            // One more turn of the event loop, so the refilled grids are laid out.
            QTimer::singleShot(0, &frame, [&] {
                const bool written = WriteScreenshots(frame, QDir(directory));
                QApplication::exit(written ? 0 : 1);
            });
        });
    }
    return QApplication::exec();
}

}  // namespace ticksmith::app
