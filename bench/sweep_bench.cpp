// Updates per second of each sweep version, with 64-bit and with 32-bit
// entries, of the best version with every item swept on its own, and of the
// textbook loop, over tables from inside L1 to far beyond L2. Built at -O2
// like the textbook program; the versions themselves come from the program's
// own library.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "sweep.hpp"
#include "textbook_sweep.hpp"

namespace {

template <typename entry>
struct workload {
    std::vector<entry> row;
    std::vector<int> values;
    std::vector<int> weights;
    std::int64_t updates;  // entries written by one pass of all items
    // Told to the sweep as the weight of items before and after these, so
    // that no entry of the row is trimmed: the figure is a full row's cost.
    std::int64_t weight_around;
};

// Eight light items over a table of `bytes`: nearly every entry is updated by
// every item, so the figure is the cost of an update, not of skipping. A
// 32-bit row gets values small enough that no entry overflows however many
// times the benchmark repeats the pass.
template <typename entry>
workload<entry> make_workload(std::size_t bytes) {
    const std::size_t entries = bytes / sizeof(entry);
    workload<entry> load{
        std::vector<entry>(entries), {}, {}, 0, static_cast<std::int64_t>(entries)};
    std::mt19937_64 random(entries);
    const auto heaviest = static_cast<int>(std::min<std::size_t>(entries / 8, 500));
    const unsigned largest_value = sizeof(entry) == 8 ? 1000000 : 3;
    for (int i = 0; i < 8; ++i) {
        load.values.push_back(static_cast<int>(random() % largest_value) + 1);
        load.weights.push_back(1 + static_cast<int>(random() % static_cast<unsigned>(heaviest)));
        load.updates += static_cast<std::int64_t>(entries) - load.weights.back();
    }
    return load;
}

template <typename entry>
void bench_version(benchmark::State& state, sweep_isa isa, sweep_schedule schedule) {
    workload<entry> load = make_workload<entry>(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(sweep_items(isa, schedule, std::span<entry>(load.row),
                                             load.weight_around, 3 * load.weight_around,
                                             load.values, load.weights));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * load.updates);
}

void bench_textbook(benchmark::State& state) {
    workload<std::int64_t> load =
        make_workload<std::int64_t>(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        textbook_sweep(load.row, load.values, load.weights);
        benchmark::DoNotOptimize(load.row.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * load.updates);
}

// Table sizes in bytes: 4 KiB to 128 MiB.
void table_sizes(benchmark::internal::Benchmark* b) {
    b->RangeMultiplier(4)->Range(std::int64_t{1} << 12, std::int64_t{1} << 27);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("sweep/textbook", bench_textbook)->Apply(table_sizes);
    for (sweep_isa isa : supported_isas()) {
        const std::string name = std::string("sweep/") + isa_name(isa);
        benchmark::RegisterBenchmark(name.c_str(), bench_version<std::int64_t>, isa,
                                     sweep_schedule::chosen)
            ->Apply(table_sizes);
        benchmark::RegisterBenchmark((name + "_32").c_str(), bench_version<std::int32_t>, isa,
                                     sweep_schedule::chosen)
            ->Apply(table_sizes);
    }
    // The best version with every item on its own: what the tiles gain.
    const std::string name = std::string("sweep/") + isa_name(chosen_isa());
    benchmark::RegisterBenchmark((name + "_one_by_one").c_str(), bench_version<std::int64_t>,
                                 chosen_isa(), sweep_schedule::one_by_one)
        ->Apply(table_sizes);
    benchmark::RegisterBenchmark((name + "_32_one_by_one").c_str(), bench_version<std::int32_t>,
                                 chosen_isa(), sweep_schedule::one_by_one)
        ->Apply(table_sizes);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
