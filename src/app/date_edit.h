#pragma once

#include <QLineEdit>

namespace ticksmith::app {

// A date as MM/DD/YY in 8 characters. Digits overwrite the month, day and year in turn and
// never the slashes; every other character is refused with a beep, and editing keys do
// nothing, so the text always keeps its shape.
class DateEdit : public QLineEdit {
    Q_OBJECT

  public:
    static constexpr int kLength = 8;

    explicit DateEdit(QWidget* parent = nullptr);

    // The text the dialog opens with; typing starts at the month.
    void SetDate(const QString& text);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
};

}  // namespace ticksmith::app
