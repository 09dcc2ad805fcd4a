#include "dialogs/array_plot_view.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <span>

#include "core/array_plot.h"
#include "dialogs/array_table_model.h"
#include "dialogs/element_list_model.h"
#include "dialogs/qt_text.h"

namespace vtq {

namespace {

constexpr int kLeft = 64, kTop = 24, kRight = 12, kBottom = 22, kColourBar = 64;

QString Number(double value) { return QString::number(value, 'g', 10); }

// The part of `values` from `first`, at most `count` long; empty beyond the end.
std::span<const double> Slice(const std::vector<double>& values, size_t first, size_t count) {
    if (first >= values.size()) return {};
    return std::span<const double>(values).subspan(first, std::min(count, values.size() - first));
}

struct YScale {
    double low, high;
    const QRect& plot;
    double operator()(double value) const {
        return plot.bottom() - ScalePosition(value, ValueSpan{low, high, false}) * (plot.height() - 1);
    }
};

// One series: point to point while the plot has room for every point (a
// text that is no number leaves a gap), else one stroke per pixel column.
void DrawSeries(QPainter& painter, const QRect& plot, std::span<const double> series, const YScale& y) {
    const int width = plot.width();
    if (series.empty() || width < 2) return;
    if (series.size() <= static_cast<size_t>(width)) {
        const double step = series.size() > 1 ? double(width - 1) / double(series.size() - 1) : 0;
        QPolygonF line;
        const auto draw = [&] {
            if (line.size() == 1) painter.drawPoint(line.first());
            painter.drawPolyline(line);
            line.clear();
        };
        for (size_t i = 0; i < series.size(); ++i) {
            if (std::isnan(series[i]))
                draw();
            else
                line.append(QPointF(plot.left() + step * double(i), y(series[i])));
        }
        draw();
        return;
    }
    const std::vector<ValueSpan> columns = PixelColumns(series, width);
    QVector<QLineF> strokes;
    strokes.reserve(width);
    for (int c = 0; c < width; ++c) {
        const ValueSpan& column = columns[static_cast<size_t>(c)];
        if (column.empty) continue;
        const double x = plot.left() + c + 0.5;
        strokes.append(QLineF(x, y(column.low), x, y(column.high) - 0.01));
    }
    painter.drawLines(strokes);
}

// The colours of the scale, looked up by position x 255.
const std::vector<QRgb>& ScaleTable() {
    static const std::vector<QRgb> table = [] {
        std::vector<QRgb> colours(256);
        for (int i = 0; i < 256; ++i) colours[static_cast<size_t>(i)] = ScaleColour(i / 255.0).rgb();
        return colours;
    }();
    return table;
}

}  // namespace

ArrayPlotView::ArrayPlotView(ElementListModel* elements, QWidget* parent) : QWidget(parent), elements_(elements) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(elements_, &QAbstractItemModel::modelReset, this, qOverload<>(&QWidget::update));
    connect(elements_, &QAbstractItemModel::dataChanged, this, qOverload<>(&QWidget::update));
}

void ArrayPlotView::SetRange(size_t first, size_t count, int rows) {
    first_ = first;
    count_ = count;
    rows_ = std::max(1, rows);
    update();
}

void ArrayPlotView::SetMode(Mode mode) {
    mode_ = mode;
    update();
}

void ArrayPlotView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Render(painter, rect());
}

void ArrayPlotView::Render(QPainter& painter, const QRect& area) const {
    painter.fillRect(area, palette().color(QPalette::Base));
    painter.setPen(palette().color(QPalette::Text));
    const std::span<const double> values = Slice(elements_->Values(), first_, count_);
    if (values.empty()) {
        painter.drawText(area, Qt::AlignCenter, QStringLiteral("No elements to plot."));
        return;
    }
    const bool heatMap = mode_ == Mode::HeatMap && rows_ > 1;
    const QRect plot = area.adjusted(kLeft, kTop, -(heatMap ? kColourBar : kRight), -kBottom);
    if (plot.width() < 2 || plot.height() < 2) return;
    ValueSpan span = SpanOf(values);
    if (!heatMap) span.Take(SpanOf(Slice(elements_->ReadValues(), first_, count_)));
    if (!(span.high > span.low)) span = ValueSpan{span.low - 1, span.high + 1, false};
    if (heatMap)
        DrawHeatMap(painter, plot);
    else
        DrawCurves(painter, plot, span.low, span.high);
    DrawFrame(painter, plot, span.low, span.high);
}

void ArrayPlotView::DrawCurves(QPainter& painter, const QRect& plot, double low, double high) const {
    const YScale y{low, high, plot};
    const size_t columns = (count_ + static_cast<size_t>(rows_) - 1) / static_cast<size_t>(rows_);
    const std::vector<double>& values = elements_->Values();
    const std::vector<double>& read = elements_->ReadValues();
    painter.save();
    painter.setClipRect(plot);
    painter.setRenderHint(QPainter::Antialiasing, columns <= static_cast<size_t>(plot.width()));
    painter.setPen(QPen(ArrayPlotView::ReadColour(), 3));
    for (int r = 0; r < rows_; ++r) DrawSeries(painter, plot, Slice(read, first_ + r * columns, columns), y);
    for (int r = 0; r < rows_; ++r) {
        const QColor colour = rows_ == 1 ? ArrayPlotView::EditedColour() : QColor::fromHsv(r * 300 / rows_, 200, 190);
        painter.setPen(QPen(colour, 1.5));
        DrawSeries(painter, plot, Slice(values, first_ + r * columns, columns), y);
    }
    painter.restore();
}

void ArrayPlotView::DrawHeatMap(QPainter& painter, const QRect& plot) const {
    const size_t columns = (count_ + static_cast<size_t>(rows_) - 1) / static_cast<size_t>(rows_);
    const std::span<const double> values = Slice(elements_->Values(), first_, count_);
    const ValueSpan span = SpanOf(values);
    const std::vector<QRgb>& colours = ScaleTable();
    QImage image(static_cast<int>(columns), rows_, QImage::Format_RGB32);
    image.fill(palette().color(QPalette::Base));
    for (int r = 0; r < rows_; ++r) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(r));
        for (size_t c = 0; c < columns; ++c) {
            const size_t i = static_cast<size_t>(r) * columns + c;
            if (i < values.size() && !std::isnan(values[i]))
                line[c] = colours[static_cast<size_t>(ScalePosition(values[i], span) * 255 + 0.5)];
        }
    }
    painter.drawImage(plot, image);
    // Cells big enough for it show their value, and a mark where it differs from the value read.
    const double cellWidth = double(plot.width()) / double(columns), cellHeight = double(plot.height()) / rows_;
    if (cellWidth < 8 || cellHeight < 8) return;
    const bool text = cellWidth >= 28 && cellHeight >= painter.fontMetrics().height();
    for (size_t i = 0; i < values.size(); ++i) {
        const QRectF cell(plot.left() + double(i % columns) * cellWidth, plot.top() + double(i / columns) * cellHeight,
                          cellWidth, cellHeight);
        if (text) painter.drawText(cell, Qt::AlignCenter, ToQ(elements_->Elements()[first_ + i]));
        if (DiffersFromRead(elements_->Values(), elements_->ReadValues(), first_ + i)) {
            const QPointF corner = cell.topRight();
            painter.save();
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(0xC0, 0x10, 0x10));
            painter.drawPolygon(QPolygonF({corner, corner - QPointF(7, 0), corner + QPointF(0, 7)}));
            painter.restore();
        }
    }
}

void ArrayPlotView::DrawFrame(QPainter& painter, const QRect& plot, double low, double high) const {
    const QColor text = palette().color(QPalette::Text);
    painter.setPen(text);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot.adjusted(0, 0, -1, -1));
    const int lineHeight = painter.fontMetrics().height();
    const QRect leftLabels(0, 0, kLeft - 4, lineHeight);
    const size_t columns = (count_ + static_cast<size_t>(rows_) - 1) / static_cast<size_t>(rows_);
    const bool heatMap = mode_ == Mode::HeatMap && rows_ > 1;
    // Left: the value range (curves) or the row numbers (heat map); below: the first and last index.
    const QString top = heatMap ? QStringLiteral("0") : Number(high);
    const QString bottom = heatMap ? QString::number(rows_ - 1) : Number(low);
    painter.drawText(leftLabels.translated(plot.left() - kLeft, plot.top()), Qt::AlignRight | Qt::AlignTop, top);
    painter.drawText(leftLabels.translated(plot.left() - kLeft, plot.bottom() - lineHeight),
                     Qt::AlignRight | Qt::AlignBottom, bottom);
    const QRect below(plot.left(), plot.bottom() + 2, plot.width(), lineHeight);
    painter.drawText(below, Qt::AlignLeft | Qt::AlignTop, QStringLiteral("0"));
    painter.drawText(below, Qt::AlignRight | Qt::AlignTop, QString::number(static_cast<qulonglong>(columns - 1)));
    const QRect legend(plot.left(), plot.top() - lineHeight - 4, plot.width(), lineHeight);
    if (heatMap) {
        // The colour bar at the right, high at the top.
        const QRect bar(plot.right() + 8, plot.top(), 12, plot.height());
        QLinearGradient gradient(bar.topLeft(), bar.bottomLeft());
        for (int i = 0; i <= 8; ++i) gradient.setColorAt(i / 8.0, ScaleColour(1 - i / 8.0));
        painter.fillRect(bar, gradient);
        painter.drawRect(bar.adjusted(0, 0, -1, -1));
        const ValueSpan span = SpanOf(Slice(elements_->Values(), first_, count_));
        painter.drawText(QRect(bar.right() + 4, bar.top(), kColourBar, lineHeight), Qt::AlignLeft, Number(span.high));
        painter.drawText(QRect(bar.right() + 4, bar.bottom() - lineHeight, kColourBar, lineHeight), Qt::AlignLeft,
                         Number(span.low));
        painter.drawText(legend, Qt::AlignLeft | Qt::AlignVCenter,
                         QStringLiteral("Rows down, columns across; red marks: changed since read"));
        return;
    }
    if (elements_->ReadValues().empty()) return;
    // The legend: a short stroke of each kind before its name.
    int x = plot.left();
    for (const auto& [colour, name] :
         {std::pair{ArrayPlotView::EditedColour(), QStringLiteral("Edited")},
          std::pair{ArrayPlotView::ReadColour(), QStringLiteral("Read from the target")}}) {
        painter.setPen(QPen(colour, 3));
        painter.drawLine(x, legend.center().y(), x + 18, legend.center().y());
        painter.setPen(text);
        const QRect label(x + 22, legend.top(), painter.fontMetrics().horizontalAdvance(name) + 2, lineHeight);
        painter.drawText(label, Qt::AlignLeft | Qt::AlignVCenter, name);
        x = label.right() + 16;
    }
}

}  // namespace vtq
