#pragma once

#include <QDialog>
#include <memory>

#include "store/quotes.h"

namespace Ui {
class SeriesInfoDialog;
}

namespace ticksmith::app {

// Symbol > About...: the facts MASTER and the data file hold about the selected series, and
// the field formats its DOP file gives. Nothing given leaves the facts empty.
class SeriesInfoDialog : public QDialog {
    Q_OBJECT

  public:
    explicit SeriesInfoDialog(const store::SeriesInfo* info, QWidget* parent = nullptr);
    ~SeriesInfoDialog() override;

  private:
    std::unique_ptr<Ui::SeriesInfoDialog> m_ui;
};

}  // namespace ticksmith::app
