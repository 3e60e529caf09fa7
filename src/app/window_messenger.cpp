#include "app/window_messenger.h"

#include <QApplication>
#include <QThread>

#include "app/dialog_seam.h"
#include "app/notice_dialog.h"

namespace ticksmith::app {

namespace {

QMessageBox::Icon IconOf(platform::MessageIcon icon) {
    switch (icon) {
        case platform::MessageIcon::kExclamation:
            return QMessageBox::Warning;
        case platform::MessageIcon::kInformation:
            return QMessageBox::Information;
        case platform::MessageIcon::kStop:
            return QMessageBox::Critical;
        case platform::MessageIcon::kQuestion:
            return QMessageBox::Question;
    }
    return QMessageBox::Warning;
}

QString TextOf(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QMessageBox::StandardButton Box(QWidget* parent, platform::MessageIcon icon, std::string_view text,
                                QMessageBox::StandardButtons buttons,
                                QMessageBox::StandardButton defaultButton) {
    QMessageBox::StandardButton answer = QMessageBox::NoButton;
    RunOnGuiThread([&] {
        answer = Dialogs().Message(parent, IconOf(icon), QApplication::applicationDisplayName(),
                                   TextOf(text), buttons, defaultButton);
    });
    return answer;
}

}  // namespace

void RunOnGuiThread(const std::function<void()>& work) {
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr || QThread::currentThread() == application->thread()) {
        work();
        return;
    }
    QMetaObject::invokeMethod(application, work, Qt::BlockingQueuedConnection);
}

void WindowMessenger::Show(std::string_view text, platform::MessageIcon icon) {
    static_cast<void>(Box(m_parent, icon, text, QMessageBox::Ok, QMessageBox::Ok));
}

bool WindowMessenger::AskYesNo(std::string_view text, platform::MessageIcon icon) {
    return Box(m_parent, icon, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) ==
           QMessageBox::Yes;
}

bool WindowMessenger::AskOkCancel(std::string_view text, platform::MessageIcon icon) {
    return Box(m_parent, icon, text, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok) ==
           QMessageBox::Ok;
}

void WindowMessenger::Play(platform::Sound /*sound*/) {
    RunOnGuiThread([] { QApplication::beep(); });
}

bool WindowMessenger::ShowDialog(std::string_view title, std::string_view text, bool offerCancel) {
    bool accepted = false;
    RunOnGuiThread([&] {
        NoticeDialog dialog(TextOf(title), TextOf(text), offerCancel, m_parent);
        accepted = Dialogs().Exec(dialog) == QDialog::Accepted;
    });
    return accepted;
}

}  // namespace ticksmith::app
