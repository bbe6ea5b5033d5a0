#include "batch.hpp"

#include "drawing_output.hpp"
#include "growth/bootstrap_angles.hpp"
#include "landmarks/export_coordinates.hpp"
#include "landmarks/landmark_file.hpp"
#include "landmarks/table_file.hpp"
#include "options.hpp"
#include "output_files.hpp"
#include "platform/numeric/echo.hpp"
#include "platform/numeric/error.hpp"
#include "platform/numeric/files.hpp"
#include "platform/numeric/paths.hpp"
#include "results_json.hpp"
#include "session/session.hpp"

#include <CLI/CLI.hpp>

#include <filesystem>
#include <new>
#include <optional>
#include <string>
#include <vector>

namespace kelmar {
namespace {

constexpr int kUsageError = 2;
constexpr int kDataError = 1;

// The samples the files hold, in order: one a file, or the samples one file records when it is
// given alone.
std::vector<LandmarkSample> read_samples(const BatchOptions& o) {
    std::optional<LandmarkFormat> format;
    if (!o.format.empty())
        format = landmark_format_named(o.format);
    std::vector<LandmarkSample> samples;
    for (const std::string& path : o.samples) {
        LandmarkSample sample = read_landmark_sample(path, format, o.group_column, o.dimensions);
        if (o.missing_value)
            mark_missing_value(sample, *o.missing_value);
        const MissingCount missing = count_missing(sample);
        if (missing.landmarks > 0 && !o.estimate_missing) {
            std::string message = sample.first_missing;
            message += "; " + std::to_string(missing.landmarks) +
                       (missing.landmarks == 1 ? " landmark of " : " landmarks of ") +
                       std::to_string(missing.specimens) +
                       (missing.specimens == 1 ? " specimen is" : " specimens are") +
                       " missing in all: give --estimate-missing to estimate them by thin-plate "
                       "spline, or leave the specimens out";
            throw Error(message);
        }
        if (o.samples.size() == 1)
            return samples_by_group(std::move(sample));
        if (const std::size_t held = recorded_sample_count(sample); held > 1) {
            throw Error(in_quotes(path) + " records " + std::to_string(held) +
                        " samples; give it alone to compare them, or give one file a sample");
        }
        samples.push_back(std::move(sample));
    }
    return samples;
}

// How each sample is named in the JSON: its file as given, and the recorded sample when one
// file holds several.
std::vector<std::string> sample_files(const BatchOptions& o,
                                      const std::vector<LandmarkSample>& samples) {
    std::vector<std::string> files;
    for (std::size_t g = 0; g < samples.size(); ++g) {
        if (o.samples.size() == samples.size())
            files.push_back(o.samples[g]);
        else
            files.push_back(o.samples.front() + " (sample " + samples[g].groups.front() + ")");
    }
    return files;
}

Eigen::MatrixXd read_table(const std::string& path) {
    std::optional<Eigen::MatrixXd> table = read_table_file(path);
    if (!table) {
        throw Error(cannot_open_message(path));
    }
    return std::move(*table);
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

// Replicates without a slope, and second resampled sets small enough to widen every range:
// `resampled` specimens, the count of sample `from` (0: each sample's own, against isometry).
void warn_of_bootstrap(const BatchOptions& o, const std::vector<Eigen::Index>& counts,
                       Eigen::Index resampled, int from, std::ostream& err) {
    const bool few = from > 0 && resampled < kFewResampled;
    const std::string cause = few ? "; the second resampled sets hold only " +
                                        std::to_string(resampled) +
                                        " specimens, the count of sample " + std::to_string(from)
                                  : std::string();
    for (std::size_t g = 0; g < counts.size(); ++g) {
        if (counts[g] > 0) {
            err << "kelmar6-batch: warning: " << counts[g] << " of " << o.boots
                << " bootstrap replicates of sample " << g + 1
                << " had no slope (their resampled sizes were all equal" << cause
                << "); they have no angle, and ranges read among them are NaN\n";
        }
    }
    if (few) {
        err << "kelmar6-batch: warning: the second resampled sets of every sample hold "
            << resampled << " specimens, the count of sample " << from << " (fewer than "
            << kFewResampled << "), which widens every sample's range\n";
    }
}

// Choices that need no file, checked before any work.
void check_choices(const BatchOptions& o) {
    if (o.permutations > 0 && o.isometry) {
        throw UsageError{"--permutations tests the slopes between samples, not --isometry"};
    }
    if (o.permutations > 0 && !o.common_reference) {
        throw UsageError{
            "--permutations pools the samples, so they must be on a common reference: add "
            "--common-reference"};
    }
    if (o.anova && o.permutations == 0) {
        throw UsageError{"--anova tests its terms by permutations: add --permutations K"};
    }
    const bool shape_space = !o.plot_shape_space.empty() || !o.export_scores.empty();
    if (o.form_space && !shape_space) {
        throw UsageError{"--form-space needs --plot-shape-space or --export-scores"};
    }
    if (shape_space && !o.common_reference) {
        std::string message = o.plot_shape_space.empty() ? "--export-scores" : "--plot-shape-space";
        message +=
            " pools the samples in one shape space, so they must be on a common reference: add "
            "--common-reference";
        throw UsageError{message};
    }
    if (!o.export_scores.empty() && !names_table_format(o.export_scores)) {
        throw UsageError{"--export-scores " + in_quotes(o.export_scores) +
                         ": the file name must end in .csv"};
    }
    if (!o.export_coords.empty()) {
        if (!names_coordinates_format(o.export_coords)) {
            throw UsageError{"--export-coords " + in_quotes(o.export_coords) +
                             ": the file name must end in .csv or .tps"};
        }
    }
}

// Whether `path` is a file that reads as a landmark sample.
bool looks_like_landmarks(const std::string& path) {
    try {
        if (!std::filesystem::is_regular_file(path))
            return false;
        read_landmark_sample(path);
        return true;
    } catch (...) {
        return false;
    }
}

// Choices that depend on the number of samples the files hold.
void check_sample_count(const BatchOptions& o, const std::vector<LandmarkSample>& samples) {
    const std::size_t k = samples.size();
    if (k == 1 && !o.isometry) {
        // One file given alone that records its specimens' sample: it records only one.
        if (!samples.front().groups.empty()) {
            throw UsageError{
                in_quotes(o.samples.front()) + " records one sample, " +
                in_quotes(samples.front().groups.front()) +
                "; a comparison needs two: give a second landmark file among SAMPLES, or "
                "--isometry"};
        }
        // An output option given the first sample's name takes it as the output's name.
        for (const NamedFile& output : output_options(o)) {
            if (!output.path.empty() && output.path != "-" && looks_like_landmarks(output.path)) {
                throw UsageError{output.what + " " + in_quotes(output.path) +
                                 " looks like a sample: a comparison needs two samples; give " +
                                 output.what + " the name of the file to write"};
            }
        }
        throw UsageError{
            "a comparison needs two samples: give a second landmark file among "
            "SAMPLES, or --isometry"};
    }
    if (k == 1 && o.common_reference) {
        throw UsageError{"--common-reference needs two samples or more among SAMPLES"};
    }
    if (k > 2 && !o.common_reference && !o.isometry) {
        throw UsageError{"comparing " + std::to_string(k) +
                         " samples needs --common-reference: samples superimposed on their own "
                         "references have no common frame in which their growth vectors "
                         "could be compared"};
    }
    if (k > 2 && !o.plot.empty()) {
        throw UsageError{"--plot draws one or two samples; the files hold " + std::to_string(k) +
                         " (--plot-allometry, --plot-growth and --plot-distributions draw any "
                         "number)"};
    }
}

// Loads the samples as a desktop session would: sample 1, the wirelist, then the others.
LoadResult load(const BatchOptions& o, Session& session, std::vector<LandmarkSample>& samples) {
    // A file's own wireframe (Morphologika) serves when no wirelist is given.
    const auto extras = [&o](LandmarkSample& sample) {
        if (!o.wirelist.empty())
            sample.wirelist.resize(0, 0);
        return SampleExtras{std::move(sample.names), std::move(sample.wirelist), sample.format,
                            sample.dimensions, o.estimate_missing};
    };
    LandmarkSample& first = samples.front();
    LoadResult shown = session.load1(std::move(first.data), first.name, extras(first));
    if (!o.wirelist.empty()) {
        session.loadwire(read_table(o.wirelist), file_name_of(o.wirelist));
    }
    if (samples.size() == 2) {
        LandmarkSample& second = samples[1];
        shown =
            session.load2(std::move(second.data), second.name, o.common_reference, extras(second));
    } else if (samples.size() > 2) {
        std::vector<SampleInput> further;
        for (std::size_t g = 1; g < samples.size(); ++g)
            further.push_back({std::move(samples[g].data), samples[g].name, extras(samples[g])});
        shown = session.load_samples(std::move(further), o.common_reference);
    }
    return shown;
}

struct Results {
    std::string report;
    std::string json;
};

// The permutation tests of the loaded samples' slopes, with their progress.
SlopeComparison permutation_tests(const BatchOptions& o, Session& session, std::ostream& err,
                                  bool progress) {
    if (progress)
        err << "kelmar6-batch: permutation tests, " << o.permutations << " permutations..."
            << std::flush;
    SlopeComparison tests = session.permutation_test(o.size, o.permutations, o.anova);
    if (progress)
        err << " done\n";
    return tests;
}

// The analysis of one or two samples, as the window runs it.
Results analyse_two(const BatchOptions& o, const std::vector<std::string>& files, Session& session,
                    const ShapeSpace* space, std::ostream& err, bool progress) {
    const AngleResult angle = o.isometry ? session.angle_isometry(o.size, o.boots)
                                         : session.angle_between(o.size, o.boots);
    if (progress)
        err << " done\n";
    if (angle.mismatch) {
        throw Error("the samples have different landmark counts (" +
                    std::to_string(angle.landmarks1) + " and " + std::to_string(angle.landmarks2) +
                    "): Mismatch on landmark number");
    }
    std::vector<Eigen::Index> degenerate = {angle.degenerate1};
    if (!o.isometry)
        degenerate.push_back(angle.degenerate2);
    warn_of_bootstrap(o, degenerate, angle.resampled, o.isometry ? 0 : angle.resampled_from, err);

    std::optional<SlopeComparison> permutation;
    if (o.permutations > 0)
        permutation = permutation_tests(o, session, err, progress);
    if (o.json.empty())
        return {session.report_text(), {}};
    const AllometryScores scores = session.allometry();
    return {session.report_text(),
            two_sample_json(o, files, session, angle, permutation, scores, space)};
}

// The analysis of three samples or more.
Results analyse_several(const BatchOptions& o, const std::vector<std::string>& files,
                        Session& session, const ShapeSpace* space, std::ostream& err,
                        bool progress) {
    const SampleAngles& angles = o.isometry ? session.isometry_of_samples(o.size, o.boots)
                                            : session.angles_between_samples(o.size, o.boots);
    if (progress)
        err << " done\n";
    warn_of_bootstrap(o, angles.degenerate, angles.resampled, angles.resampled_from, err);
    std::optional<SlopeComparison> slopes;
    if (o.permutations > 0) {
        slopes = permutation_tests(o, session, err, progress);
    } else if (!o.isometry && !o.json.empty()) {
        // The pairs' statistics without a test: no draws.
        slopes = session.slope_statistics(o.size);
    }
    if (o.json.empty())
        return {session.report_text(), {}};
    const AllometryScores scores = session.allometry();
    return {session.report_text(), samples_json(o, files, session, angles, slopes, scores, space)};
}

int analyse(const BatchOptions& o, std::ostream& out, std::ostream& err, bool progress) {
    check_choices(o);
    check_outputs(o);
    const PlotRequests plots = plot_requests(o);
    start_bootstrap_threads(o.threads);
    const WarningsTo warnings(err);
    std::vector<LandmarkSample> samples = read_samples(o);
    check_sample_count(o, samples);
    // An output inside a folder sample would replace one of its specimens.
    std::vector<InputFile> read;
    for (std::size_t g = 0; g < samples.size(); ++g) {
        for (const std::string& file : samples[g].files)
            read.push_back({"sample " + std::to_string(g + 1), file});
    }
    check_outputs(o, read);
    const std::vector<std::string> files = sample_files(o, samples);

    Session session(o.seed);
    session.random_stream().skip(o.skip);
    session.set_threads(o.threads);
    session.set_drawings(plots.superimposed.has_value());
    if (progress) {
        session.set_progress_listener([&](const Progress& p) {
            if (p.stage == Progress::Stage::ranges) {
                err << "kelmar6-batch: bootstrap ranges, " << o.boots << " replicates per sample..."
                    << std::flush;
            }
        });
    }
    const LoadResult shown = load(o, session, samples);
    if (!o.quiet && !o.isometry && !session.common_reference_used()) {
        err << "kelmar6-batch: note: the growth vectors are of the coordinates as read, each "
               "sample in its own frame; --common-reference analyses them on one common "
               "Procrustes GLS reference\n";
    }
    // The shape space draws no random numbers: the analysis is the same with it or without.
    std::optional<ShapeSpace> space;
    if (!o.plot_shape_space.empty() || !o.export_scores.empty()) {
        space = session.shape_space(o.size, o.form_space,
                                    std::max({kScoresKept, o.components[0], o.components[1]}));
        if (plots.shape_space) {
            check_components(*space, o.components,
                             "--components " + std::to_string(o.components[0]) + "," +
                                 std::to_string(o.components[1]));
        }
    }
    const ShapeSpace* shown_space = space ? &*space : nullptr;
    const Results results = samples.size() > 2
                                ? analyse_several(o, files, session, shown_space, err, progress)
                                : analyse_two(o, files, session, shown_space, err, progress);

    // Files first, all or none; then standard output.
    std::vector<FileText> outputs;
    const bool report_to_file = !o.report.empty() && !is_standard_output(o.report);
    const bool json_to_file = !o.json.empty() && !is_standard_output(o.json);
    if (report_to_file)
        outputs.push_back({o.report, results.report});
    if (json_to_file)
        outputs.push_back({o.json, results.json});
    // Each specimen's estimated landmarks by number, as the exports mark them.
    std::vector<std::vector<std::string>> estimated(
        static_cast<std::size_t>(session.sample_count()));
    std::vector<ExportedSample> exported;
    const bool exporting = !o.export_coords.empty() || !o.export_scores.empty();
    for (int g = 1; exporting && g <= session.sample_count(); ++g) {
        const Sample& s = session.sample(g);
        std::vector<std::string>& marks = estimated[static_cast<std::size_t>(g - 1)];
        marks.resize(static_cast<std::size_t>(s.specimens()));
        for (const EstimatedLandmark& e : s.estimated) {
            std::string& text = marks[static_cast<std::size_t>(e.specimen)];
            text += (text.empty() ? "" : " ") + std::to_string(e.landmark + 1);
        }
        exported.push_back({s.analysed(), s.specimen_names, g, s.dimensions, &marks});
    }
    std::string coordinates;
    if (!o.export_coords.empty()) {
        coordinates = exported_coordinates(o.export_coords, exported);
        outputs.push_back({o.export_coords, coordinates});
    }
    std::string scores;
    if (!o.export_scores.empty()) {
        scores = scores_csv(exported,
                            space->scores.leftCols(std::min(space->scores.cols(), kScoresKept)));
        outputs.push_back({o.export_scores, scores});
    }
    const std::vector<DrawnFile> drawings = drawing_files(plots, session, shown, shown_space);
    for (const DrawnFile& drawing : drawings)
        outputs.push_back({drawing.path, drawing.bytes});
    // Standard output last, inside the commit: when it fails, the files are put back.
    write_files_atomically(outputs, [&] {
        if (!report_to_file && !is_standard_output(o.json))
            out << results.report;
        if (is_standard_output(o.json))
            out << results.json;
        out.flush();
        if (!out) {
            throw Error("writing to standard output failed");
        }
    });
    return 0;
}

// CLI11's message, said once: a check's own message already names its option; an option
// without its value says in words what the value is.
std::string parse_error_text(const CLI::ParseError& e) {
    const std::string text = e.what();
    if (e.get_name() == "ArgumentMismatch") {
        const std::string option = text.substr(0, text.find(':'));
        const std::string words = option_value_words(option);
        if (!words.empty())
            return option + " needs " + words;
    }
    const std::size_t colon = text.find(": ");
    if (colon != std::string::npos && text.compare(colon + 2, colon, text, 0, colon) == 0)
        return text.substr(colon + 2);
    return text;
}

}  // namespace

int run_batch(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
              bool progress_allowed) {
    CLI::App app("Growth vector angles of samples of 2D or 3D landmark configurations",
                 "kelmar6-batch");
    BatchOptions o;
    define_options(app, o);
    const auto usage_error = [&](const std::string& message) {
        err << "kelmar6-batch: " << message << "\nRun with --help for more information.\n";
        return kUsageError;
    };
    if (const std::optional<std::string> unknown = unknown_option_message(app, argc, argv))
        return usage_error(*unknown);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0)
            return app.exit(e, out, err);  // --help, --version
        return usage_error(parse_error_text(e));
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
