#include "app/notice_dialog.h"

#include <QPushButton>
#include <QStyle>

#include "app/help_links.h"
#include "ui_notice_dialog.h"

namespace ticksmith::app {

NoticeDialog::NoticeDialog(const QString& title, const QString& text, bool offerCancel,
                           QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::NoticeDialog>()) {
    m_ui->setupUi(this);
    setWindowTitle(title);
    m_ui->messageLabel->setText(text);
    const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    m_ui->iconLabel->setPixmap(
        style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this).pixmap(size, size));
    m_ui->buttonBox->button(QDialogButtonBox::Cancel)->setVisible(offerCancel);
    m_ui->buttonBox->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_ui->buttonBox, &QDialogButtonBox::helpRequested, this,
            [this, title] { ShowDialogHelp(this, title); });
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

NoticeDialog::~NoticeDialog() = default;

}  // namespace ticksmith::app
