// kelmar6-batch: process entry of the command-line analysis.
#include "batch.hpp"

#include <unistd.h>
#include <iostream>

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    return kelmar::run_batch(argc, argv, std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1);
}
