#include "app/dialog_seam.h"

#include <QDialog>
#include <QFileDialog>

namespace ticksmith::app {

namespace {

DialogSeam& RealDialogs() {
    static DialogSeam real;
    return real;
}

DialogSeam* g_current = nullptr;

}  // namespace

QMessageBox::StandardButton DialogSeam::Message(QWidget* parent, QMessageBox::Icon icon,
                                                const QString& title, const QString& text,
                                                QMessageBox::StandardButtons buttons,
                                                QMessageBox::StandardButton defaultButton) {
    QMessageBox box(icon, title, text, buttons, parent);
    box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

int DialogSeam::Exec(QDialog& dialog) {
    return dialog.exec();
}

QString DialogSeam::ExistingDirectory(QWidget* parent, const QString& title, const QString& start) {
    return QFileDialog::getExistingDirectory(parent, title, start);
}

QString DialogSeam::OpenFileName(QWidget* parent, const QString& title, const QString& start,
                                 const QString& filter) {
    return QFileDialog::getOpenFileName(parent, title, start, filter);
}

QStringList DialogSeam::OpenFileNames(QWidget* parent, const QString& title, const QString& start,
                                      const QString& filter) {
    return QFileDialog::getOpenFileNames(parent, title, start, filter);
}

QString DialogSeam::SaveFileName(QWidget* parent, const QString& title, const QString& start,
                                 const QString& filter) {
    return QFileDialog::getSaveFileName(parent, title, start, filter);
}

DialogSeam& Dialogs() {
    return g_current != nullptr ? *g_current : RealDialogs();
}

ScopedDialogSeam::ScopedDialogSeam(DialogSeam& seam) : m_previous(g_current) {
    g_current = &seam;
}

ScopedDialogSeam::~ScopedDialogSeam() {
    g_current = m_previous;
}

}  // namespace ticksmith::app
