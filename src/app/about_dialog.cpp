#include "app/about_dialog.h"

#include <QApplication>
#include <QFont>
#include <QPushButton>

#include "ui_about_dialog.h"
#include "version.h"

namespace ticksmith::app {

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::AboutDialog>()) {
    m_ui->setupUi(this);
    m_ui->iconLabel->setPixmap(QApplication::windowIcon().pixmap(48, 48));
    // The same version as --version, from the build.
    m_ui->versionLabel->setText(QStringLiteral("Ticksmith Ver ") + QString::fromLatin1(kVersion));
    QFont bold = m_ui->versionLabel->font();
    bold.setBold(true);
    m_ui->versionLabel->setFont(bold);
    m_ui->descriptionLabel->setMinimumWidth(
        m_ui->descriptionLabel->fontMetrics().averageCharWidth() * 48);
    m_ui->buttonBox->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

AboutDialog::~AboutDialog() = default;

}  // namespace ticksmith::app
