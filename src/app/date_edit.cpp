#include "app/date_edit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QValidator>

namespace ticksmith::app {

namespace {

constexpr int kMonth = 0;
constexpr int kDay = 3;
constexpr int kYear = 6;

bool IsDigitPlace(int position) {
    return position >= 0 && position < DateEdit::kLength && position != 2 && position != 5;
}

// The place after `position`: across a slash, and from the year back to the month.
int NextDigitPlace(int position) {
    const int next = position + 1;
    if (next >= DateEdit::kLength) {
        return kMonth;
    }
    return IsDigitPlace(next) ? next : next + 1;
}

// Pasting, dropping and the context menu's edits go through the line edit's own paths; the
// validator keeps them from breaking the shape that the keys keep.
class DateShapeValidator : public QValidator {
  public:
    using QValidator::QValidator;

    State validate(QString& input, int& /*position*/) const override {
        if (input.size() != DateEdit::kLength) {
            return Invalid;
        }
        for (int i = 0; i < DateEdit::kLength; ++i) {
            const bool fits = IsDigitPlace(i) ? input[i].isDigit() && input[i].unicode() < 128
                                              : input[i] == QLatin1Char('/');
            if (!fits) {
                return Invalid;
            }
        }
        return Acceptable;
    }
};

}  // namespace

DateEdit::DateEdit(QWidget* parent) : QLineEdit(parent) {
    setMaxLength(kLength);
    setValidator(new DateShapeValidator(this));
    // Room for the 8 characters and a little more, whatever the font.
    setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("00/00/000")) +
                    2 * fontMetrics().averageCharWidth());
}

void DateEdit::SetDate(const QString& text) {
    setText(text);
    setCursorPosition(kMonth);
}

void DateEdit::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab ||
        event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
        event->key() == Qt::Key_Escape || (modifiers & (Qt::ControlModifier | Qt::AltModifier))) {
        // Focus moves, the dialog's buttons and mnemonics belong to the dialog.
        event->ignore();
        return;
    }
    const QString text = event->text();
    if (text.size() != 1 || !text[0].isPrint()) {
        event->accept();  // arrows, Delete, Backspace and the like do nothing
        return;
    }
    if (!text[0].isDigit() || text[0].unicode() >= 128) {
        QApplication::beep();
        event->accept();
        return;
    }
    const int position = hasSelectedText() ? selectionStart() : cursorPosition();
    if (!IsDigitPlace(position) || this->text().size() != kLength) {
        QApplication::beep();
        setCursorPosition(position >= kYear ? kYear : position >= kDay ? kDay : kMonth);
        event->accept();
        return;
    }
    QString date = this->text();
    date[position] = text[0];
    setText(date);
    setCursorPosition(NextDigitPlace(position));
    event->accept();
}

void DateEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    // Typing starts at the month, not over a selection of the whole date.
    deselect();
    setCursorPosition(kMonth);
}

}  // namespace ticksmith::app
