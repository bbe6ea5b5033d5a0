// The analysis session: the loaded samples, as one list of Samples (the window's sample 1 and
// sample 2 are its first two), the wirelist, and one method per action step that needs no window
// (load sample 1, load sample 2 with or without a common reference, load further samples, load a
// wirelist, angle between the samples, angle to isometry, the permutation tests, the report).
// Each step returns the values it computed and announces its progress as typed events; the
// window builds its texts from them, the batch tool its JSON. A step that fails raises an Error
// and leaves the session as it was. The session owns its random stream, which continues from
// step to step.
//
// The fourteen variables the call-by-name world knows (FIRSTDATASET, AW1R, ...) are a view
// computed from the samples and the last results; nothing in the analysis reads them.
#pragma once

#include "drawing.hpp"
#include "growth/allometry.hpp"
#include "growth/growth_vectors.hpp"
#include "growth/procrustes_anova.hpp"
#include "growth/shape_space.hpp"
#include "growth/size_variable.hpp"
#include "growth/slope_comparison.hpp"
#include "platform/numeric/random_stream.hpp"
#include "platform/numeric/stack.hpp"
#include "sample.hpp"

#include <Eigen/Core>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kelmar {

// The session as the fourteen named variables show it. Empty matrices and stacks, and unset
// optionals, are the empty values of a fresh session.
struct SessionVariables {
    Eigen::MatrixXd FIRSTDATASET;   // N1 × C: x y z of each landmark, then the size
    std::string FNAME1;             // file name without its folder
    Stack DATAV1;                   // sample 1 superimposed, for drawing
    Eigen::MatrixXd SECONDDATASET;  // N2 × C
    std::string FNAME2;
    Stack DATAV2;
    Eigen::MatrixXd wirelist;  // one wire per row; columns 2 and 3 are landmark numbers
    bool wireactive = false;
    std::optional<int> LCS;  // 1: log centroid size, 0: centroid size
    std::optional<int> NBOOTS;
    std::optional<Eigen::VectorXd> gv1;
    std::optional<Eigen::VectorXd> gv2;
    std::optional<Eigen::Vector3d> AW1R;  // 80, 90 and 95 percent values of sample 1's angles
    std::optional<Eigen::Vector3d> AW2R;
};

// What a load computed: the sample's file, its counts, and what it draws.
struct LoadResult {
    std::string name;  // the file's name, without its folder
    Eigen::Index specimens = 0;
    Eigen::Index landmarks = 0;
    int dimensions = 3;             // of the landmarks: 2 or 3
    bool common_reference = false;  // the samples were fitted onto one common reference
    Drawing drawing;
};

// A loaded wirelist.
struct WirelistResult {
    std::string name;
    Eigen::Index wires = 0;
};

// The angle between two samples' growth vectors, or between sample 1's and the isometric vector,
// with the within-sample ranges.
struct AngleResult {
    bool isometry = false;
    SizeVariable size = SizeVariable::log_centroid_size;
    int nboots = 0;
    // The samples' landmark counts differ: nothing was computed beyond the counts.
    bool mismatch = false;
    Eigen::Index landmarks1 = 0;
    Eigen::Index landmarks2 = 0;
    double angle = 0.0;              // degrees
    Eigen::VectorXd growth_vector1;  // unit
    Eigen::VectorXd growth_vector2;  // unit; the isometric vector for an angle to isometry
    // 80, 90 and 95 percent values of each sample's bootstrap angles (sample 2's only between
    // samples).
    Eigen::Vector3d range1 = Eigen::Vector3d::Zero();
    Eigen::Vector3d range2 = Eigen::Vector3d::Zero();
    Eigen::Index degenerate1 = 0;  // replicates of sample 1 whose resampled sizes did not vary
    Eigen::Index degenerate2 = 0;
    // Specimens in every second resampled set and the sample whose count set it (the smallest;
    // 0 for an angle to isometry, where each set is as large as its own sample).
    Eigen::Index resampled = 0;
    int resampled_from = 0;
    // The samples were fitted onto a common reference (else their coordinates were analysed as
    // read); it makes any angle to isometry 90 degrees.
    bool common_reference = false;
};

// Second resampled sets below this many specimens make every sample's range wide: the report,
// the window and kelmar6-batch warn of them.
constexpr Eigen::Index kFewResampled = 10;

// Where a long step has got to, announced before the work it names.
struct Progress {
    enum class Stage {
        growth_vectors,  // an angle step starts: growth vectors first
        ranges,          // the bootstrap ranges of every sample follow
        permutations,    // the permutation tests start
    };
    Stage stage = Stage::growth_vectors;
    bool isometry = false;
    int samples = 2;  // samples compared
    // The angle of two samples (or of sample 1 and isometry), known once the ranges start.
    std::optional<double> angle;
};

// The angles of every loaded sample: between every two samples, or each against isometry.
struct SampleAngles {
    bool isometry = false;
    SizeVariable size = SizeVariable::log_centroid_size;
    int nboots = 0;
    std::vector<Eigen::VectorXd> growth_vectors;  // unit, one for each sample
    std::vector<Eigen::Vector3d> ranges;          // 80, 90 and 95 percent values of each sample
    std::vector<Eigen::Index> degenerate;         // replicates without a slope, each sample
    std::vector<Eigen::VectorXd> bootstrap;       // each sample's bootstrap angles, ascending
    std::uint64_t drawn_before = 0;               // numbers the stream had drawn before
    Eigen::Index resampled = 0;  // specimens of every second resampled set (between samples)
    int resampled_from = 0;      // the sample whose count it is; 0 against isometry
    // k × k angles between the samples in degrees, or k × 1 angles to isometry.
    Eigen::MatrixXd angles;
};

class Session {
  public:
    explicit Session(std::uint32_t seed = RandomStream::kDefaultSeed);

    // The fourteen named variables, computed from the samples and the last results.
    SessionVariables variables() const;
    // The stream every bootstrap of the session draws from, continued from call to call.
    RandomStream& random_stream() { return stream_; }

    // Told where the angle steps and the permutation tests have got to, in order.
    void set_progress_listener(std::function<void(const Progress&)> listener);
    // Threads of the bootstraps (0: every core); results never depend on it.
    void set_threads(int threads) { threads_ = threads; }
    // Whether loads describe their drawings (on by default); a session without a window turns
    // them off and saves the copies of the superimposed samples.
    void set_drawings(bool on) { drawings_ = on; }

    // The table is taken by value: a caller that no longer needs it moves it in.
    LoadResult load1(Eigen::MatrixXd table, const std::string& name, SampleExtras extras = {});
    LoadResult load2(Eigen::MatrixXd table, const std::string& name, bool common_reference,
                     SampleExtras extras = {});
    WirelistResult loadwire(const Eigen::MatrixXd& table, const std::string& name);

    AngleResult angle_between(SizeVariable size, int nboots);
    AngleResult angle_isometry(SizeVariable size, int nboots);

    // Samples 2 … k after sample 1. On one common reference: the GLS reference of every
    // specimen stacked in sample order, turned to its principal axes; sample 1 is fitted from its
    // superimposed specimens, the others from their coordinates as read; with one sample this is
    // load2 with the common reference. Without it, sample 2 is loaded as load2 loads it and the
    // others are kept as read, for comparisons of each sample with isometry.
    LoadResult load_samples(std::vector<SampleInput> further, bool common_reference = true);

    // Every loaded sample's growth vector and bootstrap range (sample 1's draws first; the
    // second set's size is the smallest sample's count), and the angle between every two.
    const SampleAngles& angles_between_samples(SizeVariable size, int nboots);
    // Every loaded sample against isometry, each with its own bootstrap range.
    const SampleAngles& isometry_of_samples(SizeVariable size, int nboots);

    // The permutation tests of the loaded samples' slopes: common slopes (F) and, for every two
    // samples, the angle, the difference of slope lengths and the distance. The samples must be
    // fitted onto a common reference. Its draws continue the stream, so after an angle step they
    // never change that step's ranges. The report carries the last test until a sample is loaded
    // again. With `anova` the Procrustes ANOVA's terms are tested on the same permutations, and
    // the report carries the table after the tests.
    SlopeComparison permutation_test(SizeVariable size, Eigen::Index permutations,
                                     bool anova = false);
    // The table of the last permutation test run with `anova`, or null.
    const ProcrustesAnova* anova() const {
        return permutation_ && permutation_->anova ? &*permutation_->anova : nullptr;
    }
    // The same statistics without their tests: no draws, nothing stored.
    SlopeComparison slope_statistics(SizeVariable size);

    // The pictures of the last analysis (an angle step must have run; raises an Error
    // otherwise): the allometry plot's scores on its size variable, on the common slope when the
    // samples share a reference; the growth of every sample as shape change; the angles'
    // distributions.
    AllometryScores allometry() const;
    GrowthChange growth_as_shape_change() const;
    AngleDistributions angle_distributions() const;
    // The loaded samples in shape space (or form space) with the scores of the first
    // `scores_kept` components, their trajectories on `size`. The samples must be fitted onto a
    // common reference; no analysis needs to have run.
    ShapeSpace shape_space(SizeVariable size, bool form_space,
                           Eigen::Index scores_kept = kScoresKept) const;
    // The size variable of the last analysis.
    SizeVariable analysed_size_variable() const;

    // The samples loaded: 0, 1, 2, or k after load_samples.
    int sample_count() const;
    // Sample `number` (from 1).
    const Sample& sample(int number) const;
    // The loaded samples' names (their files'), in order.
    std::vector<std::string> sample_names() const;
    // The wirelist the drawings join landmarks by: the loaded one, or the first sample file's own
    // wireframe when none was loaded (empty: none).
    const Eigen::MatrixXd& wirelist() const { return wirelist_; }

    // Whether the loaded samples are fitted onto one common reference.
    bool common_reference_used() const;

    // Whether a step has computed anything for the report: an angle, the angles of all the
    // samples, or a permutation test.
    bool has_results() const;
    std::string report_text() const;
    // Writes the report atomically: a failed write leaves any earlier file in place.
    void write_report(const std::string& path) const;

  private:
    void progress(const Progress& p) const;
    // A sample checked against its file's extras and the wirelist, its specimens named: the one
    // way a sample comes in.
    Sample prepared(SampleInput in) const;
    // Puts `sample` at `index` (0: sample 1), keeping any sample 2 when sample 1 is replaced.
    void place(std::size_t index, Sample sample);
    // The wirelist a load draws: the loaded one, else the file's own wireframe, else none.
    const Eigen::MatrixXd* wires_for(const Sample& sample) const;
    // Makes the file's own wireframe the wirelist when none is loaded.
    void keep_own_wireframe(const Sample& sample);
    // Forgets what belongs to the loaded samples as a set: samples 3 … k, every angle step's
    // results and the permutation test. Every load calls it: no result outlives the samples it
    // was computed from.
    void forget_sample_set();
    // Raises an Error when sample 2 sits in the frame of a common reference whose sample 1 has
    // since been replaced, or sample 1 was replaced by one of another dimension: comparing them
    // would mix two frames.
    void check_one_frame() const;
    // Raises an Error, naming `what` ("the permutation test"), unless two samples or more are
    // loaded in one frame on a common reference.
    void check_pooled(const char* what) const;
    // Every loaded sample's dataset, in order.
    std::vector<const Eigen::MatrixXd*> datasets() const;
    // The datasets the last angle step analysed: sample 1 alone after an angle to isometry of
    // the window's samples, else every loaded sample.
    std::vector<const Eigen::MatrixXd*> analysed_datasets() const;
    std::string two_samples_report_text() const;
    std::string samples_report_text() const;
    // The report's last lines: which coordinates were analysed, and where the random stream stood
    // before the analysis, so that kelmar6-batch can repeat it.
    std::string provenance_text(bool bootstrap_run) const;
    // Bootstrap of one sample and its three range values.
    // Keeps the sorted angles in `angles`.
    Eigen::Vector3d ranges(const Eigen::MatrixXd& x, int nboots, SizeVariable size, Eigen::Index n2,
                           Eigen::Index& degenerate, Eigen::VectorXd& angles);
    // Raises an Error when no angle step has run on the loaded samples.
    void check_analysed() const;

    std::vector<Sample> samples_;  // sample 1, sample 2, further samples; a slot may be empty
    Eigen::MatrixXd wirelist_;
    bool wirelist_loaded_ = false;  // a wirelist (or a file's own wireframe) is in place

    // The size variable and bootstrap count of the window's analysis: those of the last angle
    // step, or log centroid size and 100 after a load of sample 1.
    struct Choices {
        SizeVariable size = SizeVariable::log_centroid_size;
        int nboots = 100;
    };
    std::optional<Choices> choices_;
    // An angle step of the window's samples, with what the report and the pictures need of it.
    struct AngleRecord {
        AngleResult result;
        std::vector<Eigen::VectorXd> bootstraps;  // sorted angles, sample 1's first
        std::uint64_t drawn_before = 0;           // numbers the stream had drawn before
    };
    // The last angle between the two samples and the last angle to isometry, and which came
    // last; both are forgotten when a sample is loaded.
    std::optional<AngleRecord> between_;
    std::optional<AngleRecord> isometry_;
    bool isometry_last_ = false;
    // The last of the two, or null.
    const AngleRecord* last_angle() const;
    struct PermutationRecord {
        SlopeComparison test;
        SizeVariable size = SizeVariable::log_centroid_size;
        std::uint64_t drawn_before = 0;
        std::optional<ProcrustesAnova> anova;
    };
    std::optional<PermutationRecord> permutation_;  // the last test of the loaded samples
    std::optional<SampleAngles> angles_;            // the last angles of all the samples
    RandomStream stream_;
    std::function<void(const Progress&)> progress_listener_;
    int threads_ = 0;
    bool drawings_ = true;
};

}  // namespace kelmar
