#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <functional>

class QDialog;
class QWidget;

namespace ticksmith::app {

// Every message box, modal dialog and file chooser of the window goes through here, so that
// tests answer them with canned replies instead of a person.
class DialogSeam {
  public:
    virtual ~DialogSeam() = default;

    virtual QMessageBox::StandardButton Message(QWidget* parent, QMessageBox::Icon icon,
                                                const QString& title, const QString& text,
                                                QMessageBox::StandardButtons buttons,
                                                QMessageBox::StandardButton defaultButton);
    // Runs a modal dialog; returns its result (QDialog::Accepted or Rejected).
    virtual int Exec(QDialog& dialog);
    // Empty when the person cancels.
    virtual QString ExistingDirectory(QWidget* parent, const QString& title, const QString& start);
    virtual QString OpenFileName(QWidget* parent, const QString& title, const QString& start,
                                 const QString& filter);
    // Several files at once; empty when the person cancels.
    virtual QStringList OpenFileNames(QWidget* parent, const QString& title, const QString& start,
                                      const QString& filter);
    virtual QString SaveFileName(QWidget* parent, const QString& title, const QString& start,
                                 const QString& filter);
};

// The seam in use: the real dialogs unless a test has put its own in place.
DialogSeam& Dialogs();

// Puts a seam in place for its lifetime (tests).
class ScopedDialogSeam {
  public:
    explicit ScopedDialogSeam(DialogSeam& seam);
    ~ScopedDialogSeam();
    ScopedDialogSeam(const ScopedDialogSeam&) = delete;
    ScopedDialogSeam& operator=(const ScopedDialogSeam&) = delete;

  private:
    DialogSeam* m_previous;
};

}  // namespace ticksmith::app
