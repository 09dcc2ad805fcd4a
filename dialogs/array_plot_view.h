#pragma once
// The array editor's plot: a one-dimensional array as a line over its index,
// a two-dimensional one as one curve per row or as a heat map. The values last
// read from the target are drawn in grey under the edited ones, so a change is
// seen before it is written. A series longer than the plot is wide is drawn as
// one stroke per pixel column from its lowest to its highest value.

#include <QWidget>
#include <cstddef>

namespace vtq {

class ElementListModel;

class ArrayPlotView : public QWidget {
    Q_OBJECT

public:
    enum class Mode { Curves, HeatMap };

    explicit ArrayPlotView(ElementListModel* elements, QWidget* parent = nullptr);

    // The elements plotted: `count` from `first`, as `rows` curves (1: a line over the index).
    void SetRange(size_t first, size_t count, int rows);
    void SetMode(Mode mode);
    Mode GetMode() const { return mode_; }
    int Rows() const { return rows_; }

    // Draws the plot into `area` of any paint device (the widget, an image).
    void Render(QPainter& painter, const QRect& area) const;
    // The line of a one-row plot, and that of the values read under it.
    static QColor EditedColour() { return QColor(0x1F, 0x5F, 0xBF); }
    static QColor ReadColour() { return QColor(0xA8, 0xA8, 0xA8); }

    QSize sizeHint() const override { return QSize(480, 300); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void DrawCurves(QPainter& painter, const QRect& plot, double low, double high) const;
    void DrawHeatMap(QPainter& painter, const QRect& plot) const;
    void DrawFrame(QPainter& painter, const QRect& plot, double low, double high) const;

    ElementListModel* elements_;
    size_t first_ = 0;
    size_t count_ = 0;
    int rows_ = 1;
    Mode mode_ = Mode::Curves;
};

}  // namespace vtq
