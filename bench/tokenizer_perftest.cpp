// How long building the ArgumentList takes for long command lines: it must grow linearly.
#include <benchmark/benchmark.h>

#include <string>

#include "app/program.h"
#include "tests/support/services_posix.h"

namespace {

class CountingModes : public ModeRunner {
public:
    using Written = std::vector<std::u16string>;
    void relocateInstallation(const ArgumentList& arguments, const Written&) override { seen = arguments.count(); }
    void restoreInstallation(const ArgumentList& arguments, const Written&) override { seen = arguments.count(); }
    void modifyInstallation(const ArgumentList& arguments, const Written&) override { seen = arguments.count(); }
    int32_t seen = 0;
};

// "isreloc.exe" followed by one-letter arguments, up to the given size in bytes.
std::string commandLineOfSize(std::size_t bytes) {
    std::string text = "isreloc.exe";
    for (int i = 0; text.size() + 2 <= bytes; ++i) {
        text += ' ';
        text += static_cast<char>('A' + i % 26);
    }
    return text;
}

void BM_BuildArgumentList(benchmark::State& state) {
    FixedCommandLine commandLine(commandLineOfSize(static_cast<std::size_t>(state.range(0))), "C:\\isreloc.exe");
    PosixServices services("/nonexistent");  // the list is all that is built
    CountingModes modes;
    for (auto _ : state) {
        RunOutcome outcome;
        runProgram(commandLine, services, modes, outcome);
        benchmark::DoNotOptimize(modes.seen);
    }
    state.counters["arguments"] = modes.seen;
    state.SetBytesProcessed(state.iterations() * state.range(0));
    // Seconds per byte of command line: flat when the growth is linear.
    state.counters["time_per_byte"] = benchmark::Counter(static_cast<double>(state.range(0)),
                                                         benchmark::Counter::kIsIterationInvariantRate |
                                                             benchmark::Counter::kInvert);
}
// 32 KiB is the longest command line Windows passes: 16,000 one-letter arguments.
BENCHMARK(BM_BuildArgumentList)->RangeMultiplier(2)->Range(1 << 10, 32 << 10)->Unit(benchmark::kMicrosecond);

}  // namespace
