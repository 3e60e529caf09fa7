#include "app/graph_widget.h"

#include <QPaintEvent>
#include <QPainter>

namespace ticksmith::app {

namespace {

// Room for the labels and a few bars.
constexpr int kMinimumWidth = 120;
constexpr int kMinimumHeight = 80;
// About the quote grid's own preferred size.
constexpr int kPreferredWidth = 670;
constexpr int kPreferredHeight = 300;

QColor ColourOf(const GraphColours& colours, GraphRole role) {
    const Rgb rgb = colours.Of(role);
    return {rgb.red, rgb.green, rgb.blue};
}

}  // namespace

GraphWidget::GraphWidget(QWidget* parent) : QWidget(parent) {
    // Every pixel is painted: nothing behind it needs drawing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void GraphWidget::SetSeries(GraphSeries series, const GraphColours& colours) {
    m_series = std::move(series);
    m_colours = colours;
    update();
}

void GraphWidget::Clear() {
    m_series = {};
    update();
}

QSize GraphWidget::sizeHint() const {
    return {kPreferredWidth, kPreferredHeight};
}

QSize GraphWidget::minimumSizeHint() const {
    return {kMinimumWidth, kMinimumHeight};
}

void GraphWidget::paintEvent(QPaintEvent* /*event*/) {
    const GraphLayout layout = Layout();
    QPainter painter(this);
    // Rectangles on whole pixels stay sharp at any whole device pixel ratio; the text is
    // rendered at the screen's own resolution.
    for (const GraphRect& rect : layout.rects) {
        painter.fillRect(rect.x, rect.y, rect.width, rect.height, ColourOf(m_colours, rect.role));
    }
    const QFontMetrics metrics = painter.fontMetrics();
    for (const GraphLabel& label : layout.labels) {
        const QString text =
            QString::fromLatin1(label.text.data(), static_cast<qsizetype>(label.text.size()));
        const int x = label.rightAligned ? label.x - metrics.horizontalAdvance(text) : label.x;
        const int baseline = label.baseline ? label.y : label.y + metrics.ascent();
        painter.setPen(ColourOf(m_colours, label.role));
        painter.drawText(x, baseline, text);
    }
}

}  // namespace ticksmith::app
