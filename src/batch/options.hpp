// The command line of kelmar6-batch: its options, their checks and their help texts.
#pragma once

#include "growth/size_variable.hpp"
#include "platform/numeric/random_stream.hpp"

#include <Eigen/Core>

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace CLI {
class App;
}

namespace kelmar {

// The largest --skip: more numbers than a window session draws in years of analyses.
constexpr std::uint64_t kMaxSkip = 1000000000000u;

struct BatchOptions {
    SizeVariable size = SizeVariable::log_centroid_size;
    int boots = 100;
    long permutations = 0;  // 0: no permutation test
    bool anova = false;     // the Procrustes ANOVA table with the permutation tests
    bool common_reference = false;
    bool isometry = false;
    std::string wirelist;
    std::uint32_t seed = RandomStream::kDefaultSeed;
    std::uint64_t skip = 0;  // random numbers drawn and discarded before the analysis
    int threads = 0;
    std::string report;
    std::string json;
    std::string plot;
    std::string plot_allometry;
    std::string plot_growth;
    std::string plot_distributions;
    std::string plot_shape_space;
    std::array<Eigen::Index, 2> components{1, 2};  // of --plot-shape-space, from 1
    bool components_given = false;
    bool form_space = false;
    std::string export_scores;
    std::optional<double> magnify;  // unset: chosen from the growth drawn
    std::string view;
    std::string format;
    std::string group_column;
    int dimensions = 3;                   // of a plain table's landmarks
    bool estimate_missing = false;        // estimate missing landmarks by thin-plate spline
    std::optional<double> missing_value;  // a coordinate that marks a landmark missing
    std::string export_coords;
    bool quiet = false;
    std::vector<std::string> samples;  // the files as given
};

// A usage problem found after the options were parsed.
struct UsageError {
    std::string message;
};

void define_options(CLI::App& app, BatchOptions& o);

// An option that names a file, and the name given (empty when the option was not given).
struct NamedFile {
    std::string what;
    const std::string& path;
};

// The options that name an output file, with their values.
std::vector<NamedFile> output_options(const BatchOptions& o);

// What the value of option `name` is, in words ("a number of replicates, a positive multiple of
// 20"); empty for a name that takes no value.
std::string option_value_words(std::string_view name);

// For the first argument that starts with "--" and names no option of `app`: "--boot is not an
// option; did you mean --boots?" (the suggestion only when an option is a few edits away).
// Options are never taken by a prefix: a prefix that is unique today may not be tomorrow.
std::optional<std::string> unknown_option_message(const CLI::App& app, int argc,
                                                  const char* const* argv);

}  // namespace kelmar
