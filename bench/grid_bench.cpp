// The parameter grid with 100,000 rows: refilling it after a change of the
// view (model reset, shown table view reacting to it) and painting after a
// jump to another place. The goal for the refill is at most 20 ms.
#include <benchmark/benchmark.h>

#include <QApplication>

#include <QHeaderView>
#include <QTableView>
#include <cstdlib>
#include <memory>
#include <string>
#include "bench/bench_app.h"

#include "editor/parameter_grid_model.h"
#include "model/group_items.h"

namespace {

constexpr int kRows = 100000;

QApplication& App() { return BenchApp(); }

struct Grid {
    QApplication& app = App();  // before any widget
    vtq::GroupItems items;
    vtq::ParameterGridModel model{items};
    QTableView view;

    Grid() {
        // Ten groups of 10,000 records, all checked.
        items.BeginUpdate();
        for (int g = 0; g < 10; ++g) {
            const std::string group = "grp" + std::to_string(g);
            items.FindOrAddGroup(group);
            const int index = items.GroupIndex(group);
            for (int i = 0; i < kRows / 10; ++i) {
                items.AddParameter(index, group + ".param_" + std::to_string(i) + "x", std::to_string(i), "", false);
            }
        }
        items.CheckAllGroups();
        items.EndUpdate();
        view.setModel(&model);
        view.verticalHeader()->hide();
        view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        view.verticalHeader()->setDefaultSectionSize(20);
        view.horizontalHeader()->setStretchLastSection(true);
        view.setSelectionBehavior(QAbstractItemView::SelectRows);
        view.resize(800, 600);
        view.show();
        model.FillGrid();
        QCoreApplication::processEvents();
    }
};

Grid& SharedGrid() {
    // Lives as long as the process, like the application it needs.
    static Grid* grid = new Grid;
    return *grid;
}

void BM_GridRefill100k(benchmark::State& state) {
    Grid& grid = SharedGrid();
    for (auto _ : state) {
        grid.model.FillGrid();
        // The view lays itself out and paints again on the next turn of the event loop.
        QCoreApplication::processEvents();
        grid.view.viewport()->repaint();
    }
    state.counters["rows"] = grid.model.rowCount();
}
BENCHMARK(BM_GridRefill100k)->Unit(benchmark::kMillisecond);

void BM_GridJumpAndPaint100k(benchmark::State& state) {
    Grid& grid = SharedGrid();
    int row = 0;
    for (auto _ : state) {
        row = (row + 37501) % kRows;
        grid.view.scrollTo(grid.model.index(row, 0), QAbstractItemView::PositionAtTop);
        grid.view.viewport()->repaint();
    }
}
BENCHMARK(BM_GridJumpAndPaint100k)->Unit(benchmark::kMillisecond);

}  // namespace
