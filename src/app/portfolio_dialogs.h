#pragma once

#include <QDialog>
#include <memory>
#include <optional>
#include <string>

#include "platform/messenger.h"

namespace Ui {
class AddPortfolioDialog;
class DeletePortfolioDialog;
class SkipAdjustDialog;
}  // namespace Ui

namespace ticksmith::app {

// "Add Portfolio" (or "Select or Create Portfolio" for the New Symbol dialog's one-time use):
// the path, Browse... and OK, which applies the core's rules and stays open on a refusal.
class AddPortfolioDialog : public QDialog {
    Q_OBJECT

  public:
    AddPortfolioDialog(const QString& path, bool selectOrCreate, platform::Messenger& messenger,
                       QWidget* parent = nullptr);
    ~AddPortfolioDialog() override;

    // The accepted directory.
    const std::string& Directory() const { return m_directory; }

  protected:
    void accept() override;

  private:
    std::unique_ptr<Ui::AddPortfolioDialog> m_ui;
    platform::Messenger& m_messenger;
    std::string m_directory;
};

// "Delete Portfolio": the directory, the question and Yes / No (No the default).
class DeletePortfolioDialog : public QDialog {
    Q_OBJECT

  public:
    explicit DeletePortfolioDialog(const QString& directory, QWidget* parent = nullptr);
    ~DeletePortfolioDialog() override;

  private:
    std::unique_ptr<Ui::DeletePortfolioDialog> m_ui;
};

// "Portfolio Skip Adjustment": skip every present symbol, or none; neither is chosen at first.
class SkipAdjustDialog : public QDialog {
    Q_OBJECT

  public:
    explicit SkipAdjustDialog(QWidget* parent = nullptr);
    ~SkipAdjustDialog() override;

    bool SkipAll() const;

  private:
    std::unique_ptr<Ui::SkipAdjustDialog> m_ui;
};

}  // namespace ticksmith::app
