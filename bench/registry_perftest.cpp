// Moving and erasing a large uninstall key on the in-memory store: enumeration by index and
// lookups by name must stay cheap however many entries a key holds, or the tests and the failure
// sweeps over whole modes would slow to a crawl.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/registry/memory_registry.h"
#include "platform/registry/registry.h"

namespace {

constexpr int kSubkeys = 10000;
constexpr int kValuesPerSubkey = 10;  // 100,000 values in all

// All subkeys side by side below one key: the widest a single enumeration gets.
void buildTree(TRegistry& registry, const std::string& path) {
    for (int subkey = 0; subkey < kSubkeys; ++subkey) {
        registry.openPath(path + "\\Component" + std::to_string(subkey), true);
        for (int value = 0; value < kValuesPerSubkey; ++value)
            registry.writeText("Value" + std::to_string(value), "C:\\Program Files\\Product\\file.dll");
    }
    registry.closePath();
}

void transplantLargeTree(benchmark::State& state) {
    MemoryRegistry store;
    TRegistry registry(store);
    registry.setRoot(kLocalMachine);
    buildTree(registry, "\\Source");
    bool forward = true;
    for (auto _ : state) {
        registry.transplantKey(forward ? "\\Source" : "\\Target", forward ? "\\Target" : "\\Source", true);
        forward = !forward;
    }
    state.SetItemsProcessed(state.iterations() * kSubkeys * kValuesPerSubkey);
}

void buildAndEraseLargeTree(benchmark::State& state) {
    MemoryRegistry store;
    TRegistry registry(store);
    registry.setRoot(kLocalMachine);
    for (auto _ : state) {
        buildTree(registry, "\\Tree");
        benchmark::DoNotOptimize(registry.eraseKeyTree("\\Tree"));
    }
    state.SetItemsProcessed(state.iterations() * kSubkeys * kValuesPerSubkey);
}

}  // namespace

BENCHMARK(transplantLargeTree)->Unit(benchmark::kMillisecond);
BENCHMARK(buildAndEraseLargeTree)->Unit(benchmark::kMillisecond);
