// kelmar6-batch: process entry of the command-line analysis.
#include "batch.hpp"

#include <malloc.h>
#include <unistd.h>
#include <cstdio>
#include <iostream>

int main(int argc, char** argv) {
    try {
        // Freed memory stays with the process for reuse: a fresh page costs a fault, which under
        // virtualisation can cost more than the arithmetic done on it. Blocks of 32 MiB and more
        // (the tables of very large samples) are still returned when freed.
        mallopt(M_MMAP_THRESHOLD, 32 << 20);
        mallopt(M_TRIM_THRESHOLD, 64 << 20);
        std::ios::sync_with_stdio(false);
        return kelmar::run_batch(argc, argv, std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1);
    } catch (...) {
        // run_batch reports every failure itself; this is the last guard of the process.
        std::fputs("kelmar6-batch: unexpected error\n", stderr);
        return 1;
    }
}
