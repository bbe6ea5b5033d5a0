#include "options.hpp"

#include "landmarks/landmark_file.hpp"

#include <CLI/CLI.hpp>

#ifndef KELMAR_VERSION
#define KELMAR_VERSION "unknown"
#endif

namespace kelmar {

void define_options(CLI::App& app, BatchOptions& o) {
    app.add_option("--size", o.size, "size variable of the regressions")
        ->check(CLI::IsMember({"lcs", "cs"}))
        ->default_str("lcs");
    app.add_option("--boots", o.boots, "bootstrap replicates, a positive multiple of 20")
        ->check([](const std::string& text) -> std::string {
            try {
                const long n = std::stol(text);
                if (n > 0 && n % 20 == 0 && n <= 100000000)
                    return {};
            } catch (const std::exception&) {
            }
            return "--boots takes a positive multiple of 20, given " + text;
        })
        ->default_str("100");
    app.add_option("--permutations", o.permutations,
                   "also test the samples' slopes by K permutations: common slopes (F), and "
                   "for every two samples the angle, the difference of slope lengths and the "
                   "distance (needs --common-reference)")
        ->check(CLI::Range(1L, 100000000L))
        ->type_name("K");
    app.add_flag("--common-reference", o.common_reference,
                 "fit all samples onto one GLS reference of the pooled specimens first "
                 "(needed for more than two samples)");
    app.add_flag("--isometry", o.isometry,
                 "compare sample 1 with the isometric vector (a second sample is optional); "
                 "with three samples or more, every sample");
    const auto names_a_file = [](const std::string& text) -> std::string {
        return text.empty() ? "an empty name names no file" : std::string();
    };
    app.add_option("--wirelist", o.wirelist,
                   "load a wirelist (validated against the landmark count)")
        ->check(names_a_file);
    app.add_option("--seed", o.seed, "seed of the random stream")->default_str("5489");
    app.add_option("--threads", o.threads,
                   "threads of the bootstraps and permutations (default: all cores); results never "
                   "depend on it")
        ->check(CLI::Range(0, 1024));
    app.add_option("--report", o.report,
                   "write the report there (default, or \"-\": standard output)")
        ->check(names_a_file);
    app.add_option("--json", o.json,
                   "write the results as JSON (\"-\" for standard output, which then carries "
                   "only the JSON unless --report names a file)")
        ->check(names_a_file);
#ifdef KELMAR_HAS_EXPORT
    app.add_option("--plot", o.plot,
                   "draw the superimposed samples as the desktop program shows them after "
                   "loading, into FILE (.emf .svg .pdf .png)")
        ->check(names_a_file);
    app.add_option("--view", o.view,
                   "the drawing's view as AZ,EL: azimuth and elevation in degrees (default "
                   "-37.5,30)");
#endif
    app.add_option("--format", o.format,
                   "read every sample as NAME: " + landmark_format_names() +
                       " (default: by the extension, then by the content)")
        ->check([](const std::string& text) -> std::string {
            return landmark_format_named(text)
                       ? std::string()
                       : "--format takes one of " + landmark_format_names() + ", given " + text;
        })
        ->type_name("NAME");
    app.add_option("--group-column", o.group_column,
                   "a labelled table's column that records each specimen's sample (default: a "
                   "\"sample\" column when there is one)")
        ->check([](const std::string& text) -> std::string {
            return text.empty() ? "an empty name names no column" : std::string();
        })
        ->type_name("NAME");
    app.add_option("--export-coords", o.export_coords,
                   "write the analysed coordinates with each specimen's name, sample and size "
                   "(.csv or .tps)")
        ->check(names_a_file);
    app.add_flag("--quiet", o.quiet, "no progress display");
    app.add_option("SAMPLES", o.samples,
                   "landmark files of the samples, in order; one file that records each "
                   "specimen's sample (a labelled table's sample column, TPS COMMENT=sample "
                   "lines), given alone, holds all of them")
        ->required()
        ->check(names_a_file);
    app.set_version_flag("--version", std::string("kelmar6-batch ") + KELMAR_VERSION);
}

}  // namespace kelmar
