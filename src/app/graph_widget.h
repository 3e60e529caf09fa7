#pragma once

#include <QWidget>

#include "app/graph_layout.h"

namespace ticksmith::app {

// The price graph in place of the quote grid: paints the layout of the series it was given
// at its present size, so a resize or a new series is one repaint.
class GraphWidget : public QWidget {
    Q_OBJECT

  public:
    explicit GraphWidget(QWidget* parent = nullptr);

    void SetSeries(GraphSeries series, const GraphColours& colours);
    // Releases the quotes; the chart shows its frame until it is given a series again.
    void Clear();
    const GraphSeries& Series() const { return m_series; }
    GraphLayout Layout() const { return ComputeGraphLayout(m_series, width(), height()); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    GraphSeries m_series;
    GraphColours m_colours;
};

}  // namespace ticksmith::app
