// The array editor's table and plot. Goals: the table over 1,000 x 1,000
// elements opens (first paint, colour scale on) in at most 300 ms; a block
// operation over all of it, applied and shown, in at most 200 ms; the plot of
// 1,000,000 elements draws in at most 100 ms, that of a 7 x 7 table in at
// most 5 ms.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QItemSelectionModel>
#include <QListView>
#include <QPainter>
#include <QTabWidget>
#include <QTableView>
#include <memory>
#include <string>

#include "bench/bench_app.h"
#include "core/array_block.h"
#include "dialogs/array_plot_view.h"
#include "dialogs/array_table_model.h"
#include "dialogs/array_views.h"
#include "dialogs/element_list_model.h"

namespace {

// A smooth curve with a little noise, `count` elements.
std::string CurveValue(size_t count) {
    std::string text;
    text.reserve(count * 6);
    for (size_t i = 0; i < count; ++i) {
        if (i) text += ',';
        text += std::to_string(20000 + static_cast<int>(i * 7919 % 1000) + static_cast<int>(i % 40000));
    }
    return text;
}

std::unique_ptr<vtq::ElementListModel> Elements(const std::vector<int>& dimensions, size_t count) {
    auto elements = std::make_unique<vtq::ElementListModel>(dimensions, "uint16");
    elements->Fill(CurveValue(count));
    return elements;
}

// The views of a filled array with the table tab shown and painted once.
std::unique_ptr<vtq::ArrayViews> OpenTable(vtq::ElementListModel& elements) {
    auto views = std::make_unique<vtq::ArrayViews>(&elements, new QListView, nullptr);
    views->PCViews->setCurrentWidget(views->SGTable);
    views->resize(800, 600);
    views->show();
    QCoreApplication::processEvents();
    return views;
}

void BM_TableViewOpen1000x1000(benchmark::State& state) {
    BenchApp();
    auto elements = Elements({1000, 1000}, 1000000);
    for (auto _ : state) {
        state.PauseTiming();
        elements->Fill(CurveValue(1000000));  // numbers not yet read, as on opening
        state.ResumeTiming();
        auto views = OpenTable(*elements);
        benchmark::DoNotOptimize(views->TableModel()->rowCount());
        state.PauseTiming();
        views.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_TableViewOpen1000x1000)->Unit(benchmark::kMillisecond)->Iterations(3);

// Fill Down over every cell: the operation, its changes applied to the elements, the table painted again.
void BM_BlockOperationAll1000x1000(benchmark::State& state) {
    BenchApp();
    auto elements = Elements({1000, 1000}, 1000000);
    auto views = OpenTable(*elements);
    views->SGTable->selectAll();
    for (auto _ : state) {
        views->RunOperation(vtq::BlockOperation::FillDown);
        QCoreApplication::processEvents();
        state.PauseTiming();
        elements->Undo();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_BlockOperationAll1000x1000)->Unit(benchmark::kMillisecond)->Iterations(3);

// One plot drawn into an image of 800 x 400 pixels; `fresh` reads the elements' numbers first, as after an edit.
void DrawPlot(benchmark::State& state, const std::vector<int>& dimensions, size_t count, vtq::ArrayPlotView::Mode mode,
              bool fresh) {
    BenchApp();
    auto elements = Elements(dimensions, count);
    elements->SetReadValue(CurveValue(count));
    vtq::ArrayPlotView plot(elements.get());
    const vtq::TableShape& shape = elements->Array().shape;
    plot.SetRange(0, count, dimensions.size() >= 2 ? shape.rows : 1);
    plot.SetMode(mode);
    QImage image(800, 400, QImage::Format_RGB32);
    const std::string value = CurveValue(count);
    for (auto _ : state) {
        if (fresh) {
            state.PauseTiming();
            elements->Fill(value);
            state.ResumeTiming();
        }
        QPainter painter(&image);
        plot.Render(painter, image.rect());
    }
}

void BM_PlotDraw1M(benchmark::State& state) { DrawPlot(state, {}, 1000000, vtq::ArrayPlotView::Mode::Curves, false); }
BENCHMARK(BM_PlotDraw1M)->Unit(benchmark::kMillisecond);

void BM_PlotFirstDraw1M(benchmark::State& state) {
    DrawPlot(state, {}, 1000000, vtq::ArrayPlotView::Mode::Curves, true);
}
BENCHMARK(BM_PlotFirstDraw1M)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_PlotDraw7x7(benchmark::State& state) { DrawPlot(state, {7, 7}, 49, vtq::ArrayPlotView::Mode::Curves, true); }
BENCHMARK(BM_PlotDraw7x7)->Unit(benchmark::kMillisecond);

void BM_HeatMapDraw7x7(benchmark::State& state) {
    DrawPlot(state, {7, 7}, 49, vtq::ArrayPlotView::Mode::HeatMap, true);
}
BENCHMARK(BM_HeatMapDraw7x7)->Unit(benchmark::kMillisecond);

void BM_HeatMapDraw1000x1000(benchmark::State& state) {
    DrawPlot(state, {1000, 1000}, 1000000, vtq::ArrayPlotView::Mode::HeatMap, false);
}
BENCHMARK(BM_HeatMapDraw1000x1000)->Unit(benchmark::kMillisecond);

}  // namespace
