// The whole run of the program: read an instance, compute, write the result.
#pragma once

#include <cstdio>

// Reads one knapsack instance from `input` and writes the best total to
// `output`, digits only. An input outside the contract, a failure to obtain
// memory or to write the result gets one line on `diagnostics` beginning
// "knapsack: " and nothing on `output`. Returns the exit status: 0 after a
// written result, 1 after a refusal.
int run_knapsack(std::FILE* input, std::FILE* output, std::FILE* diagnostics);
