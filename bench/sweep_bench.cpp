// Updates per second of each sweep version and of the textbook loop, over
// tables from inside L1 to far beyond L2. Built at -O2 like the textbook
// program; the versions themselves come from the program's own library.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "sweep.hpp"
#include "textbook_sweep.hpp"

namespace {

struct workload {
    std::vector<std::int64_t> row;
    std::vector<int> values;
    std::vector<int> weights;
    std::int64_t updates;  // entries written by one pass of all items
    // Told to the sweep as the weight of items before and after these, so
    // that no entry of the row is trimmed: the figure is a full row's cost.
    std::int64_t weight_around;
};

// Eight light items: nearly every entry is updated by every item, so the
// figure is the cost of an update, not of skipping.
workload make_workload(std::size_t entries) {
    workload load{
        std::vector<std::int64_t>(entries), {}, {}, 0, static_cast<std::int64_t>(entries)};
    std::mt19937_64 random(entries);
    const auto heaviest = static_cast<int>(std::min<std::size_t>(entries / 8, 500));
    for (int i = 0; i < 8; ++i) {
        load.values.push_back(static_cast<int>(random() % 1000000) + 1);
        load.weights.push_back(1 + static_cast<int>(random() % static_cast<unsigned>(heaviest)));
        load.updates += static_cast<std::int64_t>(entries) - load.weights.back();
    }
    return load;
}

void bench_version(benchmark::State& state, sweep_isa isa) {
    workload load = make_workload(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            sweep_items(isa, std::span<std::int64_t>(load.row), load.weight_around,
                        2 * load.weight_around + load.updates, load.values, load.weights));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * load.updates);
}

void bench_textbook(benchmark::State& state) {
    workload load = make_workload(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        textbook_sweep(load.row, load.values, load.weights);
        benchmark::DoNotOptimize(load.row.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * load.updates);
}

// Table sizes in entries of 8 bytes: 4 KiB to 128 MiB.
void table_sizes(benchmark::internal::Benchmark* b) {
    b->RangeMultiplier(4)->Range(512, std::int64_t{1} << 24);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("sweep/textbook", bench_textbook)->Apply(table_sizes);
    for (sweep_isa isa : supported_isas()) {
        benchmark::RegisterBenchmark((std::string("sweep/") + isa_name(isa)).c_str(), bench_version,
                                     isa)
            ->Apply(table_sizes);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
