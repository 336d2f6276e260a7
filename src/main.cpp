// knapsack: reads one 0/1 knapsack instance on standard input and writes the
// largest total value that fits the capacity.

#include <cstdio>

#include "run.hpp"

int main() {
    // The reader has a buffer of its own; a second one below it would only copy.
    std::setvbuf(stdin, nullptr, _IONBF, 0);
    return run_knapsack(stdin, stdout, stderr);
}
