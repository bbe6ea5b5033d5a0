#include "options.hpp"

#include "landmarks/landmark_file.hpp"

#include <CLI/CLI.hpp>

#include <memory>
#include <sstream>

#ifndef KELMAR_VERSION
#define KELMAR_VERSION "unknown"
#endif

namespace kelmar {
namespace {

constexpr std::size_t kHelpWidth = 80;
constexpr std::size_t kNameColumn = 24;

// The help text within kHelpWidth columns: descriptions wrapped at word boundaries into the
// column beside the names (CLI11 indents the lines after the first).
class WrappingFormatter final : public CLI::Formatter {
  public:
    WrappingFormatter() { column_width(kNameColumn); }

    std::string make_option_desc(const CLI::Option* opt) const override {
        return wrapped(opt->get_description(), kHelpWidth - kNameColumn);
    }

    static std::string wrapped(const std::string& text, std::size_t width) {
        std::istringstream words(text);
        std::string out, line, word;
        while (words >> word) {
            if (!line.empty() && line.size() + 1 + word.size() > width) {
                out += line + "\n";
                line.clear();
            }
            line += (line.empty() ? "" : " ") + word;
        }
        return out + line;
    }
};

// A number of bootstrap replicates: a positive multiple of 20, so that the 80, 90 and 95 percent
// positions are whole.
std::string check_boots(const std::string& text) {
    try {
        const long n = std::stol(text);
        if (n > 0 && n % 20 == 0 && n <= 100000000)
            return {};
    } catch (const std::exception&) {
    }
    return "--boots takes a positive multiple of 20, given " + text;
}

std::string names_a_file(const std::string& text) {
    return text.empty() ? "an empty name names no file" : std::string();
}

// An option that names a file, in the help's `group`.
CLI::Option* file_option(CLI::App& app, const std::string& name, std::string& target,
                         const std::string& description, const std::string& group) {
    return app.add_option(name, target, description)
        ->check(names_a_file)
        ->type_name("FILE")
        ->group(group);
}

constexpr const char* kFooter =
    "Examples:\n"
    "  kelmar6-batch --common-reference --boots 900 male.txt female.txt\n"
    "  kelmar6-batch --common-reference --permutations 999 --json results.json \\\n"
    "      a.txt b.txt c.txt";

}  // namespace

void define_options(CLI::App& app, BatchOptions& o) {
    app.formatter(std::make_shared<WrappingFormatter>());
    app.footer(kFooter);
    app.get_formatter()->label("REQUIRED", "(required)");

    app.add_option("SAMPLES", o.samples,
                   "landmark files of the samples, in order; one file that records each "
                   "specimen's sample (a labelled table's sample column, TPS COMMENT=sample "
                   "lines), given alone, holds all of them")
        ->required()
        ->check(names_a_file)
        ->type_name("FILE");
    app.add_option("--format", o.format,
                   "read every sample as NAME: " + landmark_format_names() +
                       " (default: by the extension, then by the content)")
        ->check([](const std::string& text) -> std::string {
            return landmark_format_named(text)
                       ? std::string()
                       : "--format takes one of " + landmark_format_names() + ", given " + text;
        })
        ->type_name("NAME")
        ->group("Input");
    app.add_option("--group-column", o.group_column,
                   "a labelled table's column that records each specimen's sample (default: a "
                   "\"sample\" column when there is one)")
        ->check([](const std::string& text) -> std::string {
            return text.empty() ? "an empty name names no column" : std::string();
        })
        ->type_name("NAME")
        ->group("Input");
    file_option(app, "--wirelist", o.wirelist,
                "load a wirelist (validated against the landmark count)", "Input");

    app.add_option("--size", o.size,
                   "size variable of the regressions: lcs (log centroid size, "
                   "the default) or cs (centroid size)")
        ->check(CLI::IsMember({"lcs", "cs"}).description(""))
        ->type_name("lcs|cs")
        ->group("Analysis");
    app.add_option("--boots", o.boots,
                   "bootstrap replicates, a positive multiple of 20 (default 100)")
        ->check(check_boots)
        ->type_name("N")
        ->group("Analysis");
    app.add_flag("--common-reference", o.common_reference,
                 "fit all samples onto one GLS reference of the pooled specimens first "
                 "(needed for more than two samples)")
        ->group("Analysis");
    app.add_option("--permutations", o.permutations,
                   "also test the samples' slopes by K permutations: common slopes (F), and "
                   "for every two samples the angle, the difference of slope lengths and the "
                   "distance (needs --common-reference)")
        ->check(CLI::Range(1L, 100000000L).description(""))
        ->type_name("K")
        ->group("Analysis");
    app.add_flag("--isometry", o.isometry,
                 "compare sample 1 with the isometric vector (a second sample is optional); "
                 "with three samples or more, every sample")
        ->group("Analysis");
    app.add_option("--seed", o.seed, "seed of the random stream (default 5489)")
        ->type_name("S")
        ->group("Analysis");
    app.add_option("--skip", o.skip,
                   "draw and discard N random numbers first, to repeat a later analysis of the "
                   "window (its report names the seed and N)")
        ->type_name("N")
        ->group("Analysis");
    app.add_option("--threads", o.threads,
                   "threads of the bootstraps and permutations (default: all cores); results "
                   "never depend on it")
        ->check(CLI::Range(0, 1024).description(""))
        ->type_name("N")
        ->group("Analysis");

    file_option(app, "--report", o.report,
                "write the report there (default, or \"-\": standard output)", "Outputs");
    file_option(app, "--json", o.json,
                "write the results as JSON (\"-\" for standard output, which then carries "
                "only the JSON unless --report names a file)",
                "Outputs");
    file_option(app, "--export-coords", o.export_coords,
                "write the analysed coordinates with each specimen's name, sample and size "
                "(.csv or .tps)",
                "Outputs");
    app.add_flag("--quiet", o.quiet, "no progress display")->group("Outputs");
#ifdef KELMAR_HAS_EXPORT
    file_option(app, "--plot", o.plot,
                "draw the superimposed samples as the desktop program shows them after "
                "loading (.emf .svg .pdf .png)",
                "Drawing");
    file_option(app, "--plot-allometry", o.plot_allometry,
                "draw each specimen's shape score against its size, with each sample's line",
                "Drawing");
    file_option(app, "--plot-growth", o.plot_growth,
                "draw how every landmark moves over each sample's size range", "Drawing");
    app.add_option("--magnify", o.magnify,
                   "magnification of the landmarks' movements in --plot-growth (default 1)")
        ->type_name("M")
        ->group("Drawing");
    file_option(app, "--plot-distributions", o.plot_distributions,
                "draw the bootstrap angles of each sample and the permuted angles of each "
                "pair, with the observed angles",
                "Drawing");
    app.add_option("--view", o.view,
                   "the azimuth and elevation of --plot and --plot-growth in degrees (default "
                   "-37.5,30)")
        ->type_name("AZ,EL")
        ->group("Drawing");
#endif
    app.set_version_flag("--version", std::string("kelmar6-batch ") + KELMAR_VERSION);
}

}  // namespace kelmar
