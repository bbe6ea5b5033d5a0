// kelmar6-batch: process entry of the command-line analysis.
#include "batch.hpp"

#include <unistd.h>
#include <cstdio>
#include <iostream>

int main(int argc, char** argv) {
    try {
        std::ios::sync_with_stdio(false);
        return kelmar::run_batch(argc, argv, std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1);
    } catch (...) {
        // run_batch reports every failure itself; this is the last guard of the process.
        std::fputs("kelmar6-batch: unexpected error\n", stderr);
        return 1;
    }
}
