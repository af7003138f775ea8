// Moving and erasing a large uninstall key on the in-memory store: enumeration by index and
// lookups by name must stay cheap however many entries a key holds, or the tests and the failure
// sweeps over whole modes would slow to a crawl. The time per value must not grow with the tree.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/registry/registry.h"
#include "tests/support/memory_registry.h"

namespace {

// A product key the way installers leave it: a handful of component subkeys, each with a list
// of file paths.
void buildTree(TRegistry& registry, const std::string& path, int subkeys, int valuesPerSubkey) {
    for (int subkey = 0; subkey < subkeys; ++subkey) {
        registry.openPath(path + "\\Component" + std::to_string(subkey), true);
        for (int value = 0; value < valuesPerSubkey; ++value)
            registry.writeText("Value" + std::to_string(value), "C:\\Program Files\\Product\\file.dll");
    }
    registry.closePath();
}

// Moves the tree back and forth, so every iteration moves the whole of it once.
void transplantTree(benchmark::State& state, int subkeys, int valuesPerSubkey) {
    MemoryRegistry store;
    TRegistry registry(store);
    registry.setRoot(kLocalMachine);
    buildTree(registry, "\\Source", subkeys, valuesPerSubkey);
    bool forward = true;
    for (auto _ : state) {
        registry.transplantKey(forward ? "\\Source" : "\\Target", forward ? "\\Target" : "\\Source", true);
        forward = !forward;
    }
    const double values = static_cast<double>(subkeys) * valuesPerSubkey;
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(values));
    state.counters["values"] = values;
    state.counters["subkeys"] = subkeys;
    // Seconds per value, printed with an SI prefix: the figure that must stay flat.
    state.counters["time_per_value"] =
        benchmark::Counter(values, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Growth series: 100 values per subkey, ten times the tree at each step.
void transplantScaling(benchmark::State& state) {
    transplantTree(state, static_cast<int>(state.range(0)) / 100, 100);
}

// All subkeys side by side below one key: the widest a single enumeration gets.
void transplantWideTree(benchmark::State& state) { transplantTree(state, 10000, 10); }

void buildAndEraseWideTree(benchmark::State& state) {
    MemoryRegistry store;
    TRegistry registry(store);
    registry.setRoot(kLocalMachine);
    for (auto _ : state) {
        buildTree(registry, "\\Tree", 10000, 10);
        benchmark::DoNotOptimize(registry.eraseKeyTree("\\Tree"));
    }
    state.SetItemsProcessed(state.iterations() * 100000);
}

}  // namespace

BENCHMARK(transplantScaling)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(transplantWideTree)->Unit(benchmark::kMillisecond);
BENCHMARK(buildAndEraseWideTree)->Unit(benchmark::kMillisecond);
