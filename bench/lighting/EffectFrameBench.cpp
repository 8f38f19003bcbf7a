// Cost of one light-effect frame for every device kind and mode, reported as a
// ratio to its bound: 1 µs for a mouse or mousepad frame, 5 µs for a keyboard
// frame (including the copy into the picture frame). Exit status 1 when any
// mode reaches its bound.

#include "lighting/KeyboardEffects.h"
#include "lighting/LightPreview.h"
#include "lighting/MouseEffects.h"
#include "lighting/MousepadEffects.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

using namespace zk::lighting;

namespace {

constexpr double kMouseBoundNs = 1000;
constexpr double kMousepadBoundNs = 1000;
constexpr double kKeyboardBoundNs = 5000;

struct Light {
    std::array<std::uint8_t, 64> bytes{};
    explicit Light(std::uint8_t mode, std::uint8_t cycle) {
        LightBytesView v(bytes.data());
        v.Store(kLightMode, mode);
        v.Store(kLightBrightness, 4);
        v.Store(kLightColourCycle, cycle);
        v.Store(kLightDirection, 1);
        v.Store(kLightRed, 200);
    }
    LightBytesView View() { return LightBytesView(bytes.data()); }
};

void MouseFrameCost(benchmark::State& st) {
    Light light(static_cast<std::uint8_t>(st.range(0)), static_cast<std::uint8_t>(st.range(1)));
    MouseEffectState state;
    state.Reset(0);
    MouseFrame frame{};
    SharedCounters counters;
    std::atomic<std::uint32_t> trigger{0};
    std::uint32_t now = 0;
    for (auto _ : st) {
        trigger.store(now % 8 == 0 ? 1 : 0, std::memory_order_relaxed);
        StepMouseEffect(state, light.View(), {counters, trigger, now += 10}, frame);
        benchmark::DoNotOptimize(frame.data());
    }
    st.counters["bound_ns"] = kMouseBoundNs;
}

void MousepadFrameCost(benchmark::State& st) {
    Light light(static_cast<std::uint8_t>(st.range(0)), static_cast<std::uint8_t>(st.range(1)));
    MousepadEffectState state;
    state.Reset(true);
    MousepadFrame frame{};
    SharedCounters counters;
    std::atomic<std::uint32_t> trigger{0};
    std::uint32_t now = 0;
    for (auto _ : st) {
        trigger.store(now % 8 == 0 ? 1 : 0, std::memory_order_relaxed);
        StepMousepadEffect(state, light.View(), {counters, trigger, now += 10}, frame);
        benchmark::DoNotOptimize(frame.data());
    }
    st.counters["bound_ns"] = kMousepadBoundNs;
}

// The keyboard frame includes the copy of its 126 tints into the shared frame.
void KeyboardFrameCost(benchmark::State& st) {
    const int model = static_cast<int>(st.range(0));
    const auto mode = static_cast<std::uint8_t>(st.range(1));
    Light light(mode, static_cast<std::uint8_t>(st.range(2)));
    std::vector<std::uint8_t> record(kKeyboardLightRecordSize, 0x40);
    KeyboardEffectState state;
    SetUpKeyboardMode(state, model, mode);
    SharedCounters counters;
    PreviewFrame picture;
    for (auto _ : st) {
        StepKeyboardEffect(state, model, light.View(), LightBytesView(record.data()), counters);
        for (std::size_t i = 0; i < kKeyboardKeyCount; ++i) {
            picture.Write(kPreviewKeyboardFirst + i, state.frame[i]);
        }
        counters.AdvanceFrameCounter(1);
    }
    benchmark::DoNotOptimize(picture.Read(kPreviewKeyboardFirst));
    st.counters["bound_ns"] = kKeyboardBoundNs;
}

// Prints each result with its ratio to the bound and remembers the worst.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const auto bound = run.counters.find("bound_ns");
            if (bound == run.counters.end() || run.iterations == 0) {
                continue;
            }
            const double ns = run.GetAdjustedCPUTime();
            const double ratio = ns / bound->second.value;
            worst = std::max(worst, ratio);
            std::printf("%-34s %9.1f ns per frame, bound %6.0f ns, ratio %.3f\n",
                        run.benchmark_name().c_str(), ns, bound->second.value, ratio);
        }
    }
    bool ReportContext(const Context&) override { return true; }
    void Finalize() override {}
    double worst = 0;
};

} // namespace

BENCHMARK(MouseFrameCost)->ArgsProduct({benchmark::CreateDenseRange(0, 6, 1), {0, 1}});
BENCHMARK(MousepadFrameCost)->ArgsProduct({benchmark::CreateDenseRange(0, 8, 1), {0, 1}});
BENCHMARK(KeyboardFrameCost)
    ->ArgsProduct({{0}, benchmark::CreateDenseRange(0, 16, 1), {0, 1}})
    ->ArgsProduct({{1}, benchmark::CreateDenseRange(0, 10, 1), {1}});

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::printf("worst ratio %.3f (bound 1.0)\n", reporter.worst);
    return reporter.worst < 1.0 ? 0 : 1;
}
