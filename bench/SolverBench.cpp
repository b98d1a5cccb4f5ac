// Per-call cost of the colour arithmetic that every tick runs once per defect. Build without
// the sanitizers to get meaningful figures.
#include <benchmark/benchmark.h>

#include "engine/ColorSolver.h"
#include "store/DefectList.h"

#include <array>
#include <cstdint>
#include <random>

namespace {

// Enough varied colours that neither the branch predictor nor the compiler sees a pattern.
const std::array<TRgb, 4096>& Colors() {
    static const std::array<TRgb, 4096> colors = [] {
        std::array<TRgb, 4096> c{};
        std::mt19937 random(7);
        for (TRgb& rgb : c) {
            const auto bits = random();
            rgb = {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
                   static_cast<std::uint8_t>(bits >> 16)};
        }
        return c;
    }();
    return colors;
}

void BM_Luma(benchmark::State& state) {
    const auto& colors = Colors();
    std::size_t n = 0;
    for (auto _ : state) {
        const TRgb c = colors[n++ & (colors.size() - 1)];
        benchmark::DoNotOptimize(Luma(c.R, c.G, c.B));
    }
}
BENCHMARK(BM_Luma);

// Flags as the capture screen produces them: one stuck channel, lit or dark, and some pairs.
void BM_SolveColor(benchmark::State& state) {
    const auto& colors = Colors();
    const auto flags = static_cast<std::uint8_t>(state.range(0));
    std::size_t n = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(SolveColor(colors[n++ & (colors.size() - 1)], flags));
    }
}
BENCHMARK(BM_SolveColor)
    ->Arg(0)
    ->Arg(RedOn)
    ->Arg(GreenOn)
    ->Arg(BlueOff)
    ->Arg(RedOn | GreenOn)
    ->Arg(RedOff | GreenOff | BlueOff);

// One tick's worth: the full list of defects, each with its own flags.
void BM_SolveColorFullList(benchmark::State& state) {
    const auto& colors = Colors();
    constexpr std::uint8_t flags[] = {RedOn, GreenOn, BlueOn, RedOff, GreenOff};
    std::size_t n = 0;
    for (auto _ : state) {
        for (int i = 0; i < MaxDefects; ++i) {
            benchmark::DoNotOptimize(
                SolveColor(colors[n++ & (colors.size() - 1)], flags[i % std::size(flags)]));
        }
    }
}
BENCHMARK(BM_SolveColorFullList);

} // namespace

BENCHMARK_MAIN();
