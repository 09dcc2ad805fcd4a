// Hostile sizes for the readers of presets files and headers: both must stay linear.

#include <benchmark/benchmark.h>

#include <string>

#include "defaults/header_reader.h"
#include "defaults/naming_presets.h"

namespace {

// N presets all named "Same": each clash is renamed.
void BM_PresetsOfOneName(benchmark::State& state) {
    std::string text;
    for (int i = 0; i < state.range(0); ++i) text += "PresetName=Same\nRF Groups=g\nRF Force Groups=0\n";
    for (auto _ : state) {
        vtq::NamingPresets presets;
        benchmark::DoNotOptimize(presets.LoadText(text, nullptr));
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_PresetsOfOneName)->RangeMultiplier(4)->Range(1000, 16000)->Complexity();

// A header whose index names N groups, each with its array.
void BM_HeaderOfManyGroups(benchmark::State& state) {
    std::string index = "/*\n", arrays;
    for (int i = 0; i < state.range(0); ++i) {
        const std::string n = std::to_string(i);
        index += "[GROUP=g" + n + ",ARRAYNAME=a" + n + ",VERSION=1]\n";
        arrays += "U16 a" + n + "[] = {1, 2};\n";
    }
    const std::string text = index + "*/\n" + arrays;
    for (auto _ : state) benchmark::DoNotOptimize(vtq::ReadDefaultHeader(text).records.size());
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_HeaderOfManyGroups)->RangeMultiplier(4)->Range(1000, 100000)->Complexity();

}  // namespace
