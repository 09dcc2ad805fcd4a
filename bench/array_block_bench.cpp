// Block operations of the array editor over a whole 1,000 x 1,000 table (the
// goal: at most 200 ms each), and pasting a block of that size.

#include <benchmark/benchmark.h>

#include <string>

#include "core/array_block.h"
#include "core/array_history.h"
#include "core/block_paste.h"

namespace {

constexpr int kSide = 1000;

vtq::ArrayTable BigTable() {
    vtq::ArrayTable table;
    table.type = vtq::NVMValueType::UInt16;
    table.elements.reserve(size_t{kSide} * kSide);
    for (int i = 0; i < kSide * kSide; ++i) table.elements.push_back(std::to_string(i % 60000));
    table.shape = vtq::ShapeOf({kSide, kSide}, table.elements.size());
    return table;
}

void BM_BlockOperation(benchmark::State& state) {
    const vtq::ArrayTable table = BigTable();
    const auto operation = static_cast<vtq::BlockOperation>(state.range(0));
    for (auto _ : state) {
        vtq::BlockResult result = vtq::ApplyBlock(table, {0, 0, 0, kSide, kSide}, operation, "3");
        benchmark::DoNotOptimize(result.changes.data());
    }
}
BENCHMARK(BM_BlockOperation)
    ->Arg(static_cast<int>(vtq::BlockOperation::Add))
    ->Arg(static_cast<int>(vtq::BlockOperation::Percent))
    ->Arg(static_cast<int>(vtq::BlockOperation::InterpolateCorners))
    ->Arg(static_cast<int>(vtq::BlockOperation::FillDown))
    ->Unit(benchmark::kMillisecond);

// An operation applied and undone, as the editor does it.
void BM_BlockOperationApplyAndUndo(benchmark::State& state) {
    vtq::ArrayTable table = BigTable();
    vtq::ArrayHistory history;
    for (auto _ : state) {
        history.Apply(table.elements, vtq::ApplyBlock(table, {0, 0, 0, kSide, kSide}, vtq::BlockOperation::Add, "1"));
        history.Undo(table.elements);
    }
}
BENCHMARK(BM_BlockOperationApplyAndUndo)->Unit(benchmark::kMillisecond);

void BM_PasteWholeTable(benchmark::State& state) {
    const vtq::ArrayTable table = BigTable();
    const std::string text = vtq::CopyBlock(table, {0, 0, 0, kSide, kSide});
    for (auto _ : state) benchmark::DoNotOptimize(vtq::PasteBlock(table, 0, 0, 0, text).changes.size());
}
BENCHMARK(BM_PasteWholeTable)->Unit(benchmark::kMillisecond);

}  // namespace
