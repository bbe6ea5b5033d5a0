#include "batch.hpp"

#include "growth/anglerbr.hpp"
#include "landmarks/dload.hpp"
#include "landmarks/export_coordinates.hpp"
#include "landmarks/landmark_file.hpp"
#include "platform/graphics/graphics.hpp"
#include "platform/numeric/echo.hpp"
#include "platform/numeric/error.hpp"
#include "platform/numeric/files.hpp"
#include "platform/numeric/paths.hpp"
#include "platform/numeric/text_to_numbers.hpp"
#include "plot_module.hpp"
#include "session/session.hpp"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <dlfcn.h>
#include <array>
#include <cmath>
#include <filesystem>
#include <new>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#ifndef KELMAR_VERSION
#define KELMAR_VERSION "unknown"
#endif

namespace kelmar {
namespace {

constexpr int kUsageError = 2;
constexpr int kDataError = 1;

struct Options {
    std::string size = "lcs";
    int boots = 100;
    long permutations = 0;  // 0: no permutation test
    bool common_reference = false;
    bool isometry = false;
    std::string wirelist;
    std::uint32_t seed = RandomStream::kDefaultSeed;
    int threads = 0;
    std::string report;
    std::string json;
    std::string plot;
    std::string view;
    std::string format;
    std::string export_coords;
    bool quiet = false;
    std::string sample1;
    std::string sample2;
};

// A usage problem found after the options were parsed.
struct UsageError {
    std::string message;
};

void define_options(CLI::App& app, Options& o) {
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
                   "also test the angle by K permutations of the residuals under one common "
                   "slope (needs --common-reference)")
        ->check(CLI::Range(1L, 100000000L))
        ->type_name("K");
    app.add_flag("--common-reference", o.common_reference,
                 "fit both samples onto one GLS reference of the pooled specimens first");
    app.add_flag("--isometry", o.isometry,
                 "compare sample 1 with the isometric vector (SAMPLE2 optional)");
    const auto names_a_file = [](const std::string& text) -> std::string {
        return text.empty() ? "an empty name names no file" : std::string();
    };
    app.add_option("--wirelist", o.wirelist,
                   "load a wirelist (validated against the landmark count)")
        ->check(names_a_file);
    app.add_option("--seed", o.seed, "seed of the random stream")->default_str("5489");
    app.add_option("--threads", o.threads,
                   "bootstrap threads (default: all cores); results never depend on it")
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
                   "read both samples as NAME: " + landmark_format_names() +
                       " (default: by the extension, then by the content)")
        ->check([](const std::string& text) -> std::string {
            return landmark_format_named(text)
                       ? std::string()
                       : "--format takes one of " + landmark_format_names() + ", given " + text;
        })
        ->type_name("NAME");
    app.add_option("--export-coords", o.export_coords,
                   "write the analysed coordinates with each specimen's name, sample and size "
                   "(.csv or .tps)")
        ->check(names_a_file);
    app.add_flag("--quiet", o.quiet, "no progress display");
    app.add_option("SAMPLE1", o.sample1, "landmark file of sample 1")
        ->required()
        ->check(names_a_file);
    app.add_option("SAMPLE2", o.sample2, "landmark file of sample 2");
    app.set_version_flag("--version", std::string("kelmar6-batch ") + KELMAR_VERSION);
}

LandmarkSample read_sample(const Options& o, const std::string& path) {
    std::optional<LandmarkFormat> format;
    if (!o.format.empty())
        format = landmark_format_named(o.format);
    return read_landmark_sample(path, format);
}

Eigen::MatrixXd read_table(const std::string& path) {
    std::optional<Eigen::MatrixXd> table = dload(path);
    if (!table) {
        throw Error(cannot_open_message(path));
    }
    return std::move(*table);
}

bool is_standard_output(const std::string& path) {
    return path == "-";
}

// Whether two paths name one file: the same existing file (links followed), or the same place
// for a file still to be created.
bool one_file(const std::string& a, const std::string& b) {
    if (same_file(a, b))
        return true;
    const auto place = [](const std::string& path) -> std::optional<std::filesystem::path> {
        std::error_code error;
        const auto absolute = std::filesystem::absolute(path, error);
        if (error)
            return std::nullopt;
        auto canonical = std::filesystem::weakly_canonical(absolute, error);
        if (error)
            return std::nullopt;
        return canonical;
    };
    const auto place_a = place(a);
    return place_a && place_a == place(b);
}

// Refuses, before any work, outputs that would replace an input or each other.
void check_outputs(const Options& o) {
    if (is_standard_output(o.report) && is_standard_output(o.json)) {
        throw UsageError{"--report and --json cannot both go to standard output"};
    }
    struct Named {
        const char* what;
        const std::string& path;
    };
    const std::vector<Named> inputs = {
        {"SAMPLE1", o.sample1}, {"SAMPLE2", o.sample2}, {"--wirelist", o.wirelist}};
    for (const Named output :
         {Named{"--report", o.report}, Named{"--json", o.json}, Named{"--plot", o.plot},
          Named{"--export-coords", o.export_coords}}) {
        if (output.path.empty() || is_standard_output(output.path))
            continue;
        for (const Named& input : inputs) {
            if (!input.path.empty() && one_file(output.path, input.path)) {
                throw UsageError{std::string(output.what) + " " + in_quotes(output.path) +
                                 " names the input file " + in_quotes(input.path) + " (" +
                                 input.what + "), which would be replaced"};
            }
        }
    }
    const std::vector<Named> outputs = {{"--report", o.report},
                                        {"--json", o.json},
                                        {"--plot", o.plot},
                                        {"--export-coords", o.export_coords}};
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        for (std::size_t j = i + 1; j < outputs.size(); ++j) {
            const std::string& a = outputs[i].path;
            const std::string& b = outputs[j].path;
            if (!a.empty() && !b.empty() && !is_standard_output(a) && !is_standard_output(b) &&
                one_file(a, b)) {
                throw UsageError{std::string(outputs[i].what) + " and " + outputs[j].what +
                                 " name one file, " + in_quotes(a) +
                                 ": one would replace the other"};
            }
        }
    }
}

// Turns the runtime's warnings (a table whose data end early, ...) into lines on standard error
// while the analysis runs.
class WarningsTo {
  public:
    explicit WarningsTo(std::ostream& err)
        : previous_(set_warning_sink([&err](const std::string& text) {
              err << "kelmar6-batch: warning: " << text << "\n";
          })) {}
    ~WarningsTo() { set_warning_sink(std::move(previous_)); }
    WarningsTo(const WarningsTo&) = delete;
    WarningsTo& operator=(const WarningsTo&) = delete;

  private:
    WarningSink previous_;
};

nlohmann::ordered_json vector_json(const std::optional<Eigen::VectorXd>& v) {
    if (!v)
        return nullptr;
    return std::vector<double>(v->data(), v->data() + v->size());
}

nlohmann::ordered_json range_json(const std::optional<Eigen::Vector3d>& r) {
    if (!r)
        return nullptr;
    return {(*r)(0), (*r)(1), (*r)(2)};
}

// A number, or null where it is not one (the Z of values that are all equal).
nlohmann::ordered_json number_json(double x) {
    if (!std::isfinite(x))
        return nullptr;
    return x;
}

nlohmann::ordered_json results_json(const Options& o, const Session& session,
                                    const AngleOutcome& angle,
                                    const std::optional<PermutationResult>& permutation) {
    const SessionVariables& v = session.variables();
    nlohmann::ordered_json samples = nlohmann::ordered_json::array();
    auto add_sample = [&](const std::string& file, const Eigen::MatrixXd& data, int sample) {
        samples.push_back({{"file", file},
                           {"specimens", data.rows()},
                           {"landmarks", (data.cols() - 1) / 3},
                           {"names", session.specimen_names(sample)}});
    };
    add_sample(o.sample1, v.FIRSTDATASET, 1);
    if (!o.sample2.empty())
        add_sample(o.sample2, v.SECONDDATASET, 2);
    nlohmann::ordered_json j = {
        {"program", "kelmar6-batch"},
        {"version", KELMAR_VERSION},
        {"analysis", o.isometry ? "isometry" : "between"},
        {"size_variable", o.size == "lcs" ? "LCS" : "CS"},
        {"bootstraps", o.boots},
        {"seed", o.seed},
        {"common_reference", o.common_reference},
        {"samples", samples},
        {"angle", angle.angle},
        {"ranges",
         {{"sample1", range_json(v.AW1R)}, {"sample2", o.isometry ? nullptr : range_json(v.AW2R)}}},
        {"degenerate_replicates",
         {{"sample1", angle.degenerate1},
          {"sample2", o.isometry ? nlohmann::ordered_json(nullptr)
                                 : nlohmann::ordered_json(angle.degenerate2)}}},
        {"growth_vectors", {{"sample1", vector_json(v.gv1)}, {"sample2", vector_json(v.gv2)}}},
    };
    if (permutation) {
        j["permutation_test"] = {
            {"permutations", permutation->permutations}, {"angle", permutation->angle},
            {"p_value", permutation->p_value},           {"ucl95", permutation->ucl95},
            {"z", number_json(permutation->z)},          {"null", "common slope"}};
    }
    if (o.isometry && session.common_reference_used()) {
        j["note"] =
            "after a common Procrustes superimposition every growth vector is orthogonal to the "
            "isometric vector, so the angle to isometry is always 90 degrees and carries no "
            "information";
    }
    return j;
}

struct PlotRequest {
    std::string format;
    std::optional<std::array<double, 2>> view;  // azimuth, elevation
};

// The drawing asked for with --plot and --view, checked before any work.
std::optional<PlotRequest> plot_request(const Options& o) {
    if (o.plot.empty()) {
        if (!o.view.empty())
            throw UsageError{"--view needs --plot"};
        return std::nullopt;
    }
    PlotRequest request;
#ifdef KELMAR_HAS_EXPORT
    const std::string extension = lower(split_path(o.plot).extension);
    for (const char* format : {"emf", "svg", "pdf", "png"}) {
        if (extension == std::string(".") + format)
            request.format = format;
    }
#endif
    if (request.format.empty()) {
        throw UsageError{"--plot " + in_quotes(o.plot) +
                         ": the file name must end in .emf, .svg, .pdf or .png"};
    }
    if (!o.view.empty()) {
        std::vector<double> angles;
        const NumbersParsed parsed = parse_numbers_into(o.view, angles);
        if (!parsed.ok || angles.size() != 2 || !std::isfinite(angles[0]) ||
            !std::isfinite(angles[1])) {
            throw UsageError{"--view takes the azimuth and elevation in degrees as AZ,EL, given " +
                             in_quotes(o.view)};
        }
        request.view = {angles[0], angles[1]};
    }
    return request;
}

#ifdef KELMAR_HAS_EXPORT
// The drawing through the plot module beside the program (or in lib/kelmar6 of an installation).
std::string drawing_file(const Drawing& drawing, const Eigen::MatrixXd& wirelist,
                         const PlotRequest& request) {
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    void* module = nullptr;
    std::string tried;
    for (const std::filesystem::path& place :
         {exe.parent_path() / kPlotModule,
          exe.parent_path().parent_path() / "lib" / "kelmar6" / kPlotModule}) {
        module = ::dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (module != nullptr)
            break;
        tried += (tried.empty() ? "" : ", ") + in_quotes(place.string());
    }
    if (module == nullptr)
        throw Error("the drawing needs the module " + std::string(kPlotModule) +
                    ", which is not in " + tried);
    const auto draw = reinterpret_cast<DrawToBytes>(::dlsym(module, kDrawToBytes));
    if (draw == nullptr)
        throw Error(std::string("the module ") + kPlotModule + " has no drawing entry");
    PlotJob job{&drawing,
                &wirelist,
                request.format,
                request.view.has_value(),
                request.view ? (*request.view)[0] : 0.0,
                request.view ? (*request.view)[1] : 0.0};
    std::string bytes;
    std::string message;
    if (!draw(job, bytes, message))
        throw Error(message);
    return bytes;
}
#endif

void warn_of_degenerate_replicates(const Options& o, const AngleOutcome& angle, std::ostream& err) {
    const auto tell = [&](Eigen::Index count, const char* sample) {
        if (count > 0) {
            err << "kelmar6-batch: warning: " << count << " of " << o.boots
                << " bootstrap replicates of " << sample
                << " had no slope (their resampled sizes were all equal); they have no angle, "
                   "and ranges read among them are NaN\n";
        }
    };
    tell(angle.degenerate1, "sample 1");
    if (!o.isometry)
        tell(angle.degenerate2, "sample 2");
}

int analyse(const Options& o, std::ostream& out, std::ostream& err, bool progress) {
    if (o.sample2.empty() && !o.isometry) {
        throw UsageError{"SAMPLE2 is required unless --isometry is given"};
    }
    if (o.sample2.empty() && o.common_reference) {
        throw UsageError{"--common-reference needs SAMPLE2"};
    }
    if (o.permutations > 0 && o.isometry) {
        throw UsageError{"--permutations tests the angle between two samples, not --isometry"};
    }
    if (o.permutations > 0 && !o.common_reference) {
        throw UsageError{
            "--permutations pools both samples, so both must be on a common reference: add "
            "--common-reference"};
    }
    if (!o.export_coords.empty()) {
        if (!names_coordinates_format(o.export_coords)) {
            throw UsageError{"--export-coords " + in_quotes(o.export_coords) +
                             ": the file name must end in .csv or .tps"};
        }
    }
    check_outputs(o);
    const std::optional<PlotRequest> plot = plot_request(o);
    start_bootstrap_threads(o.threads);
    const WarningsTo warnings(err);
    std::ostringstream echoes;  // working values the desktop echoes on its console
    Session session(o.seed);
    session.set_console(&echoes);
    session.set_threads(o.threads);
    session.set_drawings(plot.has_value());
    if (progress) {
        session.set_status_listener([&](const std::string& text) {
            if (text.rfind("Between group angle", 0) == 0) {
                err << "kelmar6-batch: bootstrap ranges, " << o.boots << " replicates per sample..."
                    << std::flush;
            }
        });
    }
    // A file's own wireframe (Morphologika) serves when no wirelist is given.
    const auto loaded = [](LandmarkSample& sample) {
        return SampleExtras{std::move(sample.names), std::move(sample.wirelist)};
    };
    LandmarkSample first = read_sample(o, o.sample1);
    if (!o.wirelist.empty())
        first.wirelist.resize(0, 0);
    LoadOutcome shown = session.load1(std::move(first.data), first.name, loaded(first));
    if (!o.wirelist.empty()) {
        session.loadwire(read_table(o.wirelist), file_name_of(o.wirelist));
    }
    if (!o.sample2.empty()) {
        LandmarkSample second = read_sample(o, o.sample2);
        shown =
            session.load2(std::move(second.data), second.name, o.common_reference, loaded(second));
    }
    const bool lcs = o.size == "lcs";
    const AngleOutcome angle =
        o.isometry ? session.angle_isometry(lcs, o.boots) : session.angle_between(lcs, o.boots);
    if (progress)
        err << " done\n";
    if (angle.mismatch) {
        throw Error("the samples have different landmark counts (" +
                    std::to_string((session.variables().FIRSTDATASET.cols() - 1) / 3) + " and " +
                    std::to_string((session.variables().SECONDDATASET.cols() - 1) / 3) +
                    "): Mismatch on landmark number");
    }

    warn_of_degenerate_replicates(o, angle, err);

    std::optional<PermutationResult> permutation;
    if (o.permutations > 0) {
        if (progress)
            err << "kelmar6-batch: permutation test, " << o.permutations << " permutations..."
                << std::flush;
        permutation = session.permutation_test(lcs, o.permutations).test;
        if (progress)
            err << " done\n";
    }

    const std::string report = session.report_text();
    // Names that are not valid UTF-8 go into the JSON with their bad bytes replaced.
    const std::string json =
        o.json.empty()
            ? std::string()
            : results_json(o, session, angle, permutation)
                      .dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) +
                  "\n";
    // Files first, all or none; then standard output.
    std::vector<FileText> files;
    const bool report_to_file = !o.report.empty() && !is_standard_output(o.report);
    const bool json_to_file = !o.json.empty() && !is_standard_output(o.json);
    if (report_to_file)
        files.push_back({o.report, report});
    if (json_to_file)
        files.push_back({o.json, json});
    std::string coordinates;
    if (!o.export_coords.empty()) {
        const SessionVariables& v = session.variables();
        std::vector<ExportedSample> exported = {{v.FIRSTDATASET, session.specimen_names(1), 1}};
        if (!o.sample2.empty())
            exported.push_back({v.SECONDDATASET, session.specimen_names(2), 2});
        coordinates = exported_coordinates(o.export_coords, exported);
        files.push_back({o.export_coords, coordinates});
    }
    std::string figure;
#ifdef KELMAR_HAS_EXPORT
    if (plot) {
        figure = drawing_file(shown.drawing, session.variables().wirelist, *plot);
        files.push_back({o.plot, figure});
    }
#endif
    write_files_atomically(files);
    if (!report_to_file && !is_standard_output(o.json))
        out << report;
    if (is_standard_output(o.json))
        out << json;
    out.flush();
    if (!out) {
        throw Error("writing to standard output failed");
    }
    return 0;
}

}  // namespace

int run_batch(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
              bool progress_allowed) {
    CLI::App app("Growth vector angles of two samples of 3D landmark configurations",
                 "kelmar6-batch");
    Options o;
    define_options(app, o);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e, out, err);
        return code == 0 ? 0 : kUsageError;
    }
    try {
        return analyse(o, out, err, progress_allowed && !o.quiet);
    } catch (const UsageError& e) {
        err << "kelmar6-batch: " << e.message << "\nRun with --help for more information.\n";
        return kUsageError;
    } catch (const Error& e) {
        err << "kelmar6-batch: " << e.what() << "\n";
        return kDataError;
    } catch (const std::bad_alloc&) {
        err << "kelmar6-batch: not enough memory for the analysis\n";
        return kDataError;
    } catch (const std::exception& e) {
        err << "kelmar6-batch: unexpected error: " << printable(e.what()) << "\n";
        return kDataError;
    } catch (...) {
        err << "kelmar6-batch: unexpected error\n";
        return kDataError;
    }
}

}  // namespace kelmar
