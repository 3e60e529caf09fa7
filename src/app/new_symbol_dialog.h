#pragma once

#include <QDialog>
#include <functional>
#include <memory>

#include "portfolio/discovery.h"
#include "update/new_symbols.h"

namespace Ui {
class NewSymbolDialog;
}

namespace ticksmith::app {

// "New Symbol": offers the new symbols of today's update files one by one for the current
// portfolio. The session decides and adds; the dialog shows where it stands.
class NewSymbolDialog : public QDialog {
    Q_OBJECT

  public:
    // Lets the person choose another portfolio; returns the one that is current afterwards.
    using ChoosePortfolio = std::function<portfolio::CurrentPortfolio()>;

    NewSymbolDialog(update::NewSymbolSession& session, ChoosePortfolio choosePortfolio,
                    QWidget* parent = nullptr);
    ~NewSymbolDialog() override;

    // The close box and Escape end the offers as Cancel does.
    void reject() override;

  private:
    void ShowPortfolio();
    void ShowSymbol();
    // After an answer: the next symbol, or the end once none is left.
    void Continue();
    void OnYes();
    void OnYesToAll();
    void OnNo();
    void OnChangePortfolio();
    std::string Profile() const;

    std::unique_ptr<Ui::NewSymbolDialog> m_ui;
    update::NewSymbolSession& m_session;
    ChoosePortfolio m_choosePortfolio;
};

}  // namespace ticksmith::app
