// Parameter files at the size of a large target: 100,000 parameter lines in
// 200 groups (scalars, 16-element arrays, table records and strings, a third
// with a type). Save, load into a fresh container, compare with the editor,
// and beside them the floor: reading the file and walking its lines only.

#include <benchmark/benchmark.h>

#include <unistd.h>
#include <cstdio>
#include <memory>
#include <string>

#include "base/file_io.h"
#include "base/text.h"
#include "files/nvm_compare.h"
#include "files/nvm_file.h"
#include "model/group_items.h"

namespace {

constexpr int kGroups = 200;
constexpr int kPerGroup = 500;

std::string Value(int k) {
    switch (k % 10) {
        case 0:
        case 1:
            return "12,34,56,78,90,11,22,33,44,55,66,77,88,99,10," + std::to_string(k);
        case 3:
            return "\"text " + std::to_string(k) + "\"";
        default:
            return std::to_string(k * 1234567 % 65536);
    }
}

std::string Name(const std::string& group, int k) {
    switch (k % 10) {
        case 0:
        case 1:
            return group + ".lut_" + std::to_string(k) + "_tab";
        case 2:
            return group + ".rec[" + std::to_string(k) + "].gain";
        case 3:
            return group + ".name_" + std::to_string(k) + "_text";
        default:
            return group + ".param_" + std::to_string(k) + "_value";
    }
}

// The editor's container and the file saved from it, made once.
struct Fixture {
    vtq::GroupItems items;
    std::string path;
    Fixture() {
        {
            vtq::UpdateBracket bracket(items);
            for (int g = 0; g < kGroups; ++g) {
                const std::string group = (g % 2 ? "cal_grp" : "fix_grp") + std::to_string(g);
                vtq::GroupItem* entry = nullptr;
                items.FindOrAddGroup(group, &entry);
                entry->checked = true;
                const int index = items.GroupIndex(group);
                for (int k = 0; k < kPerGroup; ++k)
                    items.AddParameter(index, Name(group, k), Value(k), k % 3 == 0 ? "uint16" : "", false);
            }
        }
        path = "/tmp/vtq_files_bench_" + std::to_string(::getpid()) + ".nvm";
        vtq::WriteParameters(items, path, nullptr);
    }
    ~Fixture() { std::remove(path.c_str()); }
};

Fixture& TheFixture() {
    static Fixture fixture;
    return fixture;
}

void BM_NvmFileSave(benchmark::State& state) {
    Fixture& f = TheFixture();
    const std::string path = f.path + ".save";
    for (auto _ : state) benchmark::DoNotOptimize(vtq::WriteParameters(f.items, path, nullptr));
    std::remove(path.c_str());
    state.counters["lines"] = f.items.ViewCount();
}
BENCHMARK(BM_NvmFileSave)->Unit(benchmark::kMillisecond);

// The floor of a load: the file read whole and cut into lines, nothing parsed.
void BM_NvmFileReadLinesOnly(benchmark::State& state) {
    Fixture& f = TheFixture();
    for (auto _ : state) {
        std::string data;
        vtq::ReadWholeFile(f.path, data);
        std::string_view rest = data;
        size_t lines = 0;
        while (!rest.empty()) lines += vtq::NextLine(rest).size() > 0;
        benchmark::DoNotOptimize(lines);
    }
}
BENCHMARK(BM_NvmFileReadLinesOnly)->Unit(benchmark::kMillisecond);

void BM_NvmFileLoad(benchmark::State& state) {
    Fixture& f = TheFixture();
    vtq::LoadCounts counts;
    for (auto _ : state) {
        state.PauseTiming();
        auto fresh = std::make_unique<vtq::GroupItems>();
        state.ResumeTiming();
        vtq::LoadParameters(*fresh, f.path, counts);
        state.PauseTiming();
        fresh.reset();
        state.ResumeTiming();
    }
    state.counters["added"] = counts.added;
}
BENCHMARK(BM_NvmFileLoad)->Unit(benchmark::kMillisecond);

// The load into the editor's container that already holds every parameter.
void BM_NvmFileLoadOntoEditor(benchmark::State& state) {
    Fixture& f = TheFixture();
    vtq::LoadCounts counts;
    for (auto _ : state) vtq::LoadParameters(f.items, f.path, counts);
    state.counters["unchanged"] = counts.unchanged;
}
BENCHMARK(BM_NvmFileLoadOntoEditor)->Unit(benchmark::kMillisecond);

void BM_NvmFileCompare(benchmark::State& state) {
    Fixture& f = TheFixture();
    vtq::GroupItems file;
    vtq::LoadCounts counts;
    vtq::LoadParameters(file, f.path, counts, vtq::FileNames::AsGiven);
    // One value in a hundred differs, so the result holds some texts.
    int n = 0;
    for (int g = 0; g < file.GroupCount(); ++g)
        for (vtq::NVMParameter* p : file.Group(g)->params)
            if (++n % 100 == 0) p->value += "1";
    size_t differences = 0;
    for (auto _ : state) {
        vtq::DifferenceList result = vtq::CompareLists(file, f.items, false);
        differences = result.size();
        benchmark::DoNotOptimize(result);
    }
    state.counters["differences"] = static_cast<double>(differences);
}
BENCHMARK(BM_NvmFileCompare)->Unit(benchmark::kMillisecond);

}  // namespace
