// The parameter model at the size of a large target: 100,000 dump records in
// 200 groups, parsed into GroupItems and shown through the view.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "channel/prefix_code.h"
#include "core/dump_parser.h"
#include "model/group_items.h"
#include "support/piece_encoder.h"

namespace {

constexpr int kGroups = 200;
constexpr int kRecordsPerGroup = 500;
constexpr int kRecords = kGroups * kRecordsPerGroup;

std::string EncodeRecord(const std::string& text) { return vtq::test::EncodePiece(text); }

std::string GroupName(int g) {
    return (g % 3 == 0 ? "cal_grp" : g % 3 == 1 ? "fix_grp" : "dyn_grp") + std::to_string(g);
}

// A decoded record line: mostly scalars, some element-named arrays, tables of
// records and strings, in the target's (unsorted) order.
std::string RecordLine(const std::string& group, int r) {
    const int k = (r * 7919) % kRecordsPerGroup;
    switch (k % 10) {
        case 0:
        case 1:
            return group + ".lut_" + std::to_string(k) + "[0];{" +
                   "12, 34, 56, 78, 90, 11, 22, 33, 44, 55, 66, 77, 88, 99, 10, 20}";
        case 2:
            return group + ".rec[" + std::to_string(k) + "].gain;{" + std::to_string(k * 3) + "}";
        case 3:
            return group + ".name_" + std::to_string(k) + ";{\"text " + std::to_string(k) + "\"}";
        default:
            return group + ".param_" + std::to_string(k) + "_value;{" + std::to_string(k * 1234567 % 65536) + "}";
    }
}

struct Dump {
    std::vector<std::string> groups;
    std::vector<std::string> answers;
    size_t bytes = 0;
};

const Dump& TheDump() {
    static const Dump dump = [] {
        Dump d;
        for (int g = 0; g < kGroups; ++g) {
            d.groups.push_back(GroupName(g));
            std::string answer;
            for (int r = 0; r < kRecordsPerGroup; ++r) answer += EncodeRecord(RecordLine(d.groups.back(), r)) + "\r\n";
            d.bytes += answer.size();
            d.answers.push_back(std::move(answer));
        }
        return d;
    }();
    return dump;
}

// What the read operation does per group, without the target: decode, parse, add.
int ReadAll(vtq::GroupItems& items, const Dump& dump) {
    int added = 0;
    items.BeginUpdate();
    for (size_t g = 0; g < dump.groups.size(); ++g) {
        items.FindOrAddGroup(dump.groups[g]);
        const int index = items.GroupIndex(dump.groups[g]);
        items.ClearGroup(index);
        added += vtq::ParseDumpAnswer(items, dump.answers[g], index);
    }
    items.RemoveExtraLutFill(true);
    items.EndUpdate();
    return added;
}

// Decoding and parsing 100,000 dump records into a fresh container.
void BM_ParseDump100k(benchmark::State& state) {
    const Dump& dump = TheDump();
    for (auto _ : state) {
        auto items = std::make_unique<vtq::GroupItems>();
        const int added = ReadAll(*items, dump);
        if (added != kRecords) state.SkipWithError("records lost");
        state.PauseTiming();
        items.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(dump.bytes));
}
BENCHMARK(BM_ParseDump100k)->Unit(benchmark::kMillisecond);

std::unique_ptr<vtq::GroupItems> CheckedContainer() {
    auto items = std::make_unique<vtq::GroupItems>();
    ReadAll(*items, TheDump());
    items->CheckAllGroups();
    return items;
}

// A change of the filter alone: the groups' display order is kept, not sorted again.
void BM_RebuildViewFilterChange(benchmark::State& state) {
    auto items = CheckedContainer();
    const char* filters[] = {"gain", "", "param_1", "lut"};
    size_t n = 0;
    for (auto _ : state) {
        items->SetFilter(filters[n++ % 4]);
        benchmark::DoNotOptimize(items->ViewCount());
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_RebuildViewFilterChange)->Unit(benchmark::kMillisecond);

// A rebuild without a filter and without changed records.
void BM_RebuildView(benchmark::State& state) {
    auto items = CheckedContainer();
    for (auto _ : state) {
        items->RebuildView();
        benchmark::DoNotOptimize(items->ViewCount());
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_RebuildView)->Unit(benchmark::kMillisecond);

// The first rebuild after a read: every group is sorted into display order.
void BM_RebuildViewAfterRead(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto items = std::make_unique<vtq::GroupItems>();
        ReadAll(*items, TheDump());
        state.ResumeTiming();
        items->CheckAllGroups();
        benchmark::DoNotOptimize(items->ViewCount());
        state.PauseTiming();
        items.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_RebuildViewAfterRead)->Unit(benchmark::kMillisecond);

}  // namespace
