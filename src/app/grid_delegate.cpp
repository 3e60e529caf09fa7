#include "app/grid_delegate.h"

#include <QApplication>
#include <QPainter>

#include "app/grid_models.h"

namespace ticksmith::app {

namespace {

constexpr int kTextInset = 2;
const QColor kGridLine(192, 192, 192);
const QColor kSkipped(255, 0, 0);

}  // namespace

void GridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const bool selected = (option.state & QStyle::State_Selected) != 0;
    const bool skipped = index.data(kSkippedRole).toBool();
    const QPalette& palette = option.palette;
    QColor background = palette.color(QPalette::Base);
    QColor text = palette.color(QPalette::Text);
    if (selected) {
        const QPalette::ColorGroup group =
            (option.state & QStyle::State_Active) != 0 ? QPalette::Active : QPalette::Inactive;
        background = skipped ? kSkipped : palette.color(group, QPalette::Highlight);
        text = skipped ? QColor(Qt::white) : palette.color(group, QPalette::HighlightedText);
    } else if (skipped) {
        text = kSkipped;
    }
    painter->save();
    painter->fillRect(option.rect, background);
    const QRect textRect = option.rect.adjusted(kTextInset, 0, -kTextInset, 0);
    painter->setClipRect(textRect);
    painter->setPen(text);
    painter->setFont(item.font);
    auto alignment = item.displayAlignment;
    // Too long for its column: the start stays in sight, as a number's leading digits must.
    if (item.fontMetrics.horizontalAdvance(item.text) > textRect.width()) {
        alignment = (alignment & ~Qt::AlignHorizontal_Mask) | Qt::AlignLeft;
    }
    painter->drawText(textRect, static_cast<int>(alignment | Qt::TextSingleLine), item.text);
    painter->setClipping(false);
    painter->setPen(kGridLine);
    painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
    painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
    painter->restore();
    if ((option.state & QStyle::State_HasFocus) != 0) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.backgroundColor = background;
        const QWidget* widget = option.widget;
        QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
    }
}

}  // namespace ticksmith::app
