#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class AboutDialog;
}

namespace ticksmith::app {

// Help > About Ticksmith: the name, version and what the program does.
class AboutDialog : public QDialog {
    Q_OBJECT

  public:
    explicit AboutDialog(QWidget* parent = nullptr);
    ~AboutDialog() override;

  private:
    std::unique_ptr<Ui::AboutDialog> m_ui;
};

}  // namespace ticksmith::app
