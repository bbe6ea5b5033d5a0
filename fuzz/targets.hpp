// The fuzz targets: each runs one input through one reader of outside text. An Error is the
// expected answer to bad input; anything else (a crash, a sanitizer report, an exception of
// another type) is a fault. libFuzzer drives them in the fuzz build, and an ordinary test replays
// the seeds and every input that ever made one fail.
#pragma once

#include <span>
#include <string_view>

namespace kelmar::fuzz {

void table_reader(std::string_view data);      // a landmark table, then its checks
void figure_file(std::string_view data);       // a figure file into a fresh model
void callback_parser(std::string_view data);   // a control's callback text
void formatter(std::string_view data);         // a C-style format and its arguments
void landmark_formats(std::string_view data);  // TPS, Morphologika, labelled, .fcsv or .mrk.json

struct Target {
    const char* name;  // also the folder of its seeds and kept inputs under fuzz/
    void (*run)(std::string_view data);
};

std::span<const Target> targets();

}  // namespace kelmar::fuzz
