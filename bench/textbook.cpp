// The run as a careful newcomer writes it: formatted extraction with the C
// streams unsynchronised, and a scalar downward sweep over one row of 64-bit
// totals. Built at -O2; every speed figure of knapsack is a ratio against it.
#include <cstdint>
#include <iostream>
#include <vector>

#include "textbook_sweep.hpp"

int main() {
    std::ios::sync_with_stdio(false);
    int item_count = 0;
    int capacity = 0;
    std::cin >> item_count >> capacity;
    std::vector<int> values(static_cast<std::size_t>(item_count));
    std::vector<int> weights(static_cast<std::size_t>(item_count));
    for (int i = 0; i < item_count; ++i) {
        std::cin >> values[static_cast<std::size_t>(i)] >> weights[static_cast<std::size_t>(i)];
    }
    std::vector<std::int64_t> best(static_cast<std::size_t>(capacity) + 1, 0);
    textbook_sweep(best, values, weights);
    std::cout << best[static_cast<std::size_t>(capacity)];
}
