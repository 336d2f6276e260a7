// Runs the whole program in-process on a given input stream and captures
// what it prints and what it says: shared by tests and fuzzers.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "run.hpp"

struct captured_run {
    int status;
    std::string printed;
    std::string said;
};

// Runs on `input` and closes it.
inline captured_run run_captured(std::FILE* input) {
    char* printed = nullptr;
    std::size_t printed_size = 0;
    char* said = nullptr;
    std::size_t said_size = 0;
    std::FILE* output = open_memstream(&printed, &printed_size);
    std::FILE* diagnostics = open_memstream(&said, &said_size);
    if (input == nullptr || output == nullptr || diagnostics == nullptr) {
        std::abort();
    }
    const int status = run_knapsack(input, output, diagnostics);
    std::fclose(input);
    std::fclose(output);
    std::fclose(diagnostics);
    captured_run result{status, std::string(printed, printed_size), std::string(said, said_size)};
    std::free(printed);
    std::free(said);
    return result;
}
