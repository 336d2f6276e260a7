// Writes a seeded random knapsack instance, one pair a line:
//   make_instance ITEMS CAPACITY MAX_VALUE MIN_WEIGHT MAX_WEIGHT [SEED]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fputs("usage: make_instance ITEMS CAPACITY MAX_VALUE MIN_WEIGHT MAX_WEIGHT [SEED]\n",
                   stderr);
        return 2;
    }
    const long long items = std::atoll(argv[1]);
    const long long capacity = std::atoll(argv[2]);
    const long long max_value = std::atoll(argv[3]);
    const long long min_weight = std::atoll(argv[4]);
    const long long max_weight = std::atoll(argv[5]);
    std::mt19937_64 random(argc > 6 ? std::strtoull(argv[6], nullptr, 10) : 1);
    std::uniform_int_distribution<long long> value(1, max_value);
    std::uniform_int_distribution<long long> weight(min_weight, max_weight);
    std::printf("%lld %lld\n", items, capacity);
    for (long long i = 0; i < items; ++i) {
        const long long v = value(random);
        std::printf("%lld %lld\n", v, weight(random));
    }
    return 0;
}
