#include "options.hpp"

#include "display/growth_views.hpp"
#include "growth/bootstrap_angles.hpp"
#include "landmarks/landmark_file.hpp"
#include "landmarks/landmark_text.hpp"

#include <CLI/CLI.hpp>

#include "platform/numeric/error.hpp"
#include "platform/numeric/format.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
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

// The value of `text` when it is written as a whole number without sign, point or exponent and
// lies in lo … hi; else nothing. A sign, a fraction or a value out of range must never wrap or
// clamp into another number.
std::optional<std::uint64_t> whole_number(const std::string& text, std::uint64_t lo,
                                          std::uint64_t hi) {
    if (text.empty() || text.size() > 19 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const std::uint64_t n = std::stoull(text);
    if (n < lo || n > hi)
        return std::nullopt;
    return n;
}

// The check of an option that takes a whole number from lo to hi (`what` says it in words).
std::function<std::string(const std::string&)> whole_number_check(std::string option,
                                                                  std::uint64_t lo,
                                                                  std::uint64_t hi) {
    return [option = std::move(option), lo, hi](const std::string& text) -> std::string {
        if (whole_number(text, lo, hi))
            return {};
        return option + " takes a whole number from " + std::to_string(lo) + " to " +
               std::to_string(hi) + ", given " + in_quotes(text);
    };
}

// A number of bootstrap replicates, by the window's rule.
std::string check_boots(const std::string& text) {
    const std::optional<std::uint64_t> n = whole_number(text, 0, kMostBootstraps);
    if (n && is_bootstrap_count(static_cast<std::int64_t>(*n)))
        return {};
    return "--boots takes " + bootstrap_count_rule() + ", given " + printable(text);
}

// A magnification of growth: a plain number in the stated range.
std::string check_magnify(const std::string& text) {
    char* end = nullptr;
    const double m = text.empty() ? 0.0 : std::strtod(text.c_str(), &end);
    if (end != nullptr && *end == '\0' && m >= kMinMagnification && m <= kMaxMagnification)
        return {};
    return "--magnify takes a number from " + shortest_text(kMinMagnification) + " to " +
           shortest_text(kMaxMagnification) + ", given " + in_quotes(text);
}

std::string lowercase(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The edits (insertions, deletions, replacements, swaps of neighbours) that make `a` into `b`.
std::size_t edit_distance(std::string_view a, std::string_view b) {
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i)
        d[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j)
        d[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1,
                                d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[a.size()][b.size()];
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
        ->transform([](std::string text) { return lowercase(std::move(text)); })
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
    app.add_option("--dimensions", o.dimensions,
                   "the landmarks' dimension in plain tables, 2 or 3 (default 3; other formats "
                   "say their own)")
        ->check(whole_number_check("--dimensions", 2, 3))
        ->type_name("D")
        ->group("Input");
    app.add_flag("--estimate-missing", o.estimate_missing,
                 "estimate missing landmarks (NA, empty, a Slicer point marked missing) by the "
                 "thin-plate spline of the sample's complete specimens' mean shape")
        ->group("Input");
    app.add_option("--missing-value", o.missing_value,
                   "a coordinate value that marks a landmark missing, such as -999")
        ->check([](const std::string& text) -> std::string {
            const std::optional<double> v = landmark_text::number_in(text);
            return v && std::isfinite(*v)
                       ? std::string()
                       : "--missing-value takes a finite number, given " + in_quotes(text);
        })
        ->type_name("V")
        ->group("Input");
    file_option(app, "--wirelist", o.wirelist,
                "load a wirelist (validated against the landmark count)", "Input");

    app.add_option_function<std::string>(
           "--size",
           [&o](const std::string& name) {
               o.size =
                   name == "cs" ? SizeVariable::centroid_size : SizeVariable::log_centroid_size;
           },
           "size variable of the regressions: lcs (log centroid size, "
           "the default) or cs (centroid size), in any case")
        ->transform(CLI::IsMember({"lcs", "cs"}, CLI::ignore_case).description(""))
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
        ->check(whole_number_check("--permutations", 1, 100000000))
        ->type_name("K")
        ->group("Analysis");
    app.add_flag("--anova", o.anova,
                 "with --permutations, the Procrustes ANOVA table of shape on size, sample and "
                 "size x sample (sequential sums of squares, each term tested on the same "
                 "permutations)")
        ->group("Analysis");
    app.add_flag("--form-space", o.form_space,
                 "--plot-shape-space and --export-scores in form space: log centroid size "
                 "joins the coordinates as one more variable")
        ->group("Analysis");
    app.add_flag("--isometry", o.isometry,
                 "compare sample 1 with the isometric vector (a second sample is optional); "
                 "with three samples or more, every sample")
        ->group("Analysis");
    app.add_option("--seed", o.seed, "seed of the random stream (default 5489)")
        ->check(whole_number_check("--seed", 0, 4294967295u))
        ->type_name("S")
        ->group("Analysis");
    app.add_option("--skip", o.skip,
                   "draw and discard N random numbers first, to repeat a later analysis of the "
                   "window (its report names the seed and N; at most 10^12)")
        ->check(whole_number_check("--skip", 0, kMaxSkip))
        ->type_name("N")
        ->group("Analysis");
    app.add_option("--threads", o.threads,
                   "threads of the bootstraps and permutations (default: all cores); results "
                   "never depend on it")
        ->check(whole_number_check("--threads", 0, 1024))
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
    file_option(app, "--export-scores", o.export_scores,
                "write each specimen's name, sample, size and scores on the shape space's first "
                "components, up to 20 (.csv; needs --common-reference)",
                "Outputs");
    app.add_flag("-q,--quiet", o.quiet, "no progress display")->group("Outputs");
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
                   "magnification of the landmarks' movements in --plot-growth, 0.001 to 1000 "
                   "(default: a round number that makes the longest a fifth of the shape)")
        ->check(check_magnify)
        ->type_name("M")
        ->group("Drawing");
    file_option(app, "--plot-distributions", o.plot_distributions,
                "draw the bootstrap angles of each sample and the permuted angles of each "
                "pair, with the observed angles",
                "Drawing");
    file_option(app, "--plot-shape-space", o.plot_shape_space,
                "draw every specimen on two principal components of the pooled samples, each "
                "sample's trajectory over its size range (needs --common-reference)",
                "Drawing");
    app.add_option_function<std::string>(
           "--components",
           [&o](const std::string& text) {
               o.components = *parse_component_pair(text);
               o.components_given = true;
           },
           "the principal components --plot-shape-space draws, as I,J (default 1,2)")
        ->check([](const std::string& text) -> std::string {
            return parse_component_pair(text)
                       ? std::string()
                       : "--components takes two different component numbers from 1 as I,J, "
                         "given " +
                             in_quotes(text);
        })
        ->type_name("I,J")
        ->group("Drawing");
    app.add_option("--view", o.view,
                   "the azimuth and elevation of --plot and --plot-growth in degrees (default "
                   "-37.5,30)")
        ->type_name("AZ,EL")
        ->group("Drawing");
#endif
    app.set_version_flag("-V,--version", std::string("kelmar6-batch ") + KELMAR_VERSION);
}

std::vector<NamedFile> output_options(const BatchOptions& o) {
    return {{"--report", o.report},
            {"--json", o.json},
            {"--plot", o.plot},
            {"--plot-allometry", o.plot_allometry},
            {"--plot-growth", o.plot_growth},
            {"--plot-distributions", o.plot_distributions},
            {"--plot-shape-space", o.plot_shape_space},
            {"--export-coords", o.export_coords},
            {"--export-scores", o.export_scores}};
}

std::string option_value_words(std::string_view name) {
    static const std::pair<const char*, const char*> kWords[] = {
        {"--format", "a format name: table, tps, morphologika, slicer or labelled"},
        {"--group-column", "the name of a labelled table's column"},
        {"--dimensions", "2 or 3"},
        {"--missing-value", "a number, such as -999"},
        {"--wirelist", "the name of a wirelist file"},
        {"--size", "a size variable, lcs or cs"},
        {"--boots", "a number of replicates, a positive multiple of 20"},
        {"--permutations", "a number of permutations, a whole number from 1"},
        {"--seed", "a seed, a whole number from 0 to 4294967295"},
        {"--skip", "a count of random numbers to skip, a whole number"},
        {"--threads", "a number of threads, a whole number (0: all cores)"},
        {"--report", "a file name (\"-\": standard output)"},
        {"--json", "a file name (\"-\": standard output)"},
        {"--export-coords", "a file name ending in .csv or .tps"},
        {"--plot", "a file name ending in .emf, .svg, .pdf or .png"},
        {"--plot-allometry", "a file name ending in .emf, .svg, .pdf or .png"},
        {"--plot-growth", "a file name ending in .emf, .svg, .pdf or .png"},
        {"--plot-distributions", "a file name ending in .emf, .svg, .pdf or .png"},
        {"--plot-shape-space", "a file name ending in .emf, .svg, .pdf or .png"},
        {"--components", "two component numbers, as I,J"},
        {"--export-scores", "a file name ending in .csv"},
        {"--magnify", "a magnification from 0.001 to 1000"},
        {"--view", "an azimuth and an elevation in degrees, as AZ,EL"},
    };
    for (const auto& [option, words] : kWords) {
        if (name == option)
            return words;
    }
    return {};
}

std::optional<std::string> unknown_option_message(const CLI::App& app, int argc,
                                                  const char* const* argv) {
    std::vector<std::string> known;
    for (const CLI::Option* option : app.get_options()) {
        for (const std::string& name : option->get_lnames())
            known.push_back("--" + name);
    }
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--")
            break;  // the rest are samples
        if (arg.rfind("--", 0) != 0)
            continue;
        const std::string name = arg.substr(0, arg.find('='));
        if (std::find(known.begin(), known.end(), name) != known.end())
            continue;
        // The nearest option, when it is near enough to be what was meant.
        std::string nearest;
        std::size_t best = std::max<std::size_t>(2, name.size() / 4) + 1;
        for (const std::string& option : known) {
            const std::size_t d = edit_distance(lowercase(name), option);
            if (d < best) {
                best = d;
                nearest = option;
            }
        }
        return name + " is not an option" +
               (nearest.empty() ? std::string() : "; did you mean " + nearest + "?");
    }
    return std::nullopt;
}

}  // namespace kelmar
