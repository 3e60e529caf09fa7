#pragma once

#include <string>
#include <string_view>

namespace ticksmith::platform {

enum class MessageIcon { kExclamation, kInformation, kStop, kQuestion };
enum class Sound { kAsterisk, kQuestion };

// How the core talks to the person: message boxes, questions and the two sounds. Each front
// end implements it (message boxes, the terminal, a recorder in tests); the core never shows
// anything itself.
//
// Threads: any call may come from a worker thread rather than the thread that owns the
// window; the update run calls Show (a failed quote, a skipped symbol, a failed archive) from
// its worker, and never while it holds the progress lock. A window's implementation marshals
// each call from another thread onto its GUI thread and blocks the worker until the person
// has answered (a blocking queued call), so an answer is known when the call returns; a call
// made on the GUI thread itself is shown directly. Implementations used by the CLI and the
// tests are called on one thread at a time and need no locking of their own.
class Messenger {
  public:
    virtual ~Messenger() = default;

    // A message box with an OK button.
    virtual void Show(std::string_view text, MessageIcon icon = MessageIcon::kExclamation) = 0;
    // True for Yes.
    [[nodiscard]] virtual bool AskYesNo(std::string_view text,
                                        MessageIcon icon = MessageIcon::kQuestion) = 0;
    // True for OK.
    [[nodiscard]] virtual bool AskOkCancel(std::string_view text,
                                           MessageIcon icon = MessageIcon::kExclamation) = 0;
    virtual void Play(Sound sound) = 0;

    // A message that has a dialog of its own: its title, the text, OK, Cancel when offered,
    // and a Help button for the dialog's help page. Front ends without such dialogs ask or
    // tell as usual. True for OK.
    [[nodiscard]] virtual bool ShowDialog(std::string_view title, std::string_view text,
                                          bool offerCancel);
};

// Says nothing and answers No and Cancel: for work whose messages are gathered elsewhere.
class SilentMessenger : public Messenger {
  public:
    void Show(std::string_view, MessageIcon) override {}
    [[nodiscard]] bool AskYesNo(std::string_view, MessageIcon) override { return false; }
    [[nodiscard]] bool AskOkCancel(std::string_view, MessageIcon) override { return false; }
    void Play(Sound) override {}
};

// Replaces each "%s" or "%d" of a message text, in turn, with the given texts.
std::string FormatMessage(std::string_view pattern, std::initializer_list<std::string_view> texts);

}  // namespace ticksmith::platform
