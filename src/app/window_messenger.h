#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

#include "platform/messenger.h"

namespace ticksmith::app {

// The core's messages as the window's message boxes and dialogs, through the dialog seam.
// A call from a worker thread is carried onto the GUI thread and the worker waits there until
// the person has answered.
class WindowMessenger : public platform::Messenger {
  public:
    // Boxes are centred on `parent` while it lives.
    explicit WindowMessenger(QWidget* parent = nullptr) : m_parent(parent) {}

    void Show(std::string_view text, platform::MessageIcon icon) override;
    [[nodiscard]] bool AskYesNo(std::string_view text, platform::MessageIcon icon) override;
    [[nodiscard]] bool AskOkCancel(std::string_view text, platform::MessageIcon icon) override;
    void Play(platform::Sound sound) override;
    [[nodiscard]] bool ShowDialog(std::string_view title, std::string_view text,
                                  bool offerCancel) override;

  private:
    QPointer<QWidget> m_parent;
};

// Runs `work` on the GUI thread: at once when called there, otherwise through the event loop,
// blocking the caller until it has run.
void RunOnGuiThread(const std::function<void()>& work);

}  // namespace ticksmith::app
