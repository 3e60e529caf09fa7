#pragma once

#include <QDialog>
#include <memory>

#include "update/audit_log.h"

namespace Ui {
class AnomalyReportDialog;
}

namespace ticksmith::app {

// "Anomaly Report": the end of an update run as its audit log tells it, the symbols that got no
// quote and the errors.
class AnomalyReportDialog : public QDialog {
    Q_OBJECT

  public:
    explicit AnomalyReportDialog(const update::AnomalyReport& report, QWidget* parent = nullptr);
    ~AnomalyReportDialog() override;

  private:
    std::unique_ptr<Ui::AnomalyReportDialog> m_ui;
};

}  // namespace ticksmith::app
