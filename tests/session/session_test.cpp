#include "session/session.hpp"
#include "growth/bootstrap_angles.hpp"
#include "platform/numeric/error.hpp"
#include "platform/numeric/format.hpp"
#include "superimpose/centroid_size.hpp"
#include "support/eigen_testing.hpp"
#include "support/growth_samples.hpp"
#include "support/scratch.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <sstream>

namespace kelmar {
namespace {

using testing::growth_sample;
using testing::matrices_near;

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Two samples of 10 landmarks (31 columns): 20 and 25 specimens.
class SessionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::mt19937 gen(42);
        sample1_ = growth_sample(20, 30, 0.3, gen);
        sample2_ = growth_sample(25, 30, 0.3, gen);
    }
    Eigen::MatrixXd sample1_, sample2_;
    Session session_;
};

// Every variable of two sessions is the same.
::testing::AssertionResult same_variables(const SessionVariables& a, const SessionVariables& b) {
    const bool same = a.FIRSTDATASET == b.FIRSTDATASET && a.FNAME1 == b.FNAME1 &&
                      a.DATAV1 == b.DATAV1 && a.SECONDDATASET == b.SECONDDATASET &&
                      a.FNAME2 == b.FNAME2 && a.DATAV2 == b.DATAV2 && a.wirelist == b.wirelist &&
                      a.wireactive == b.wireactive && a.LCS == b.LCS && a.NBOOTS == b.NBOOTS &&
                      a.gv1 == b.gv1 && a.gv2 == b.gv2 && a.AW1R == b.AW1R && a.AW2R == b.AW2R;
    return same ? ::testing::AssertionSuccess()
                : ::testing::AssertionFailure() << "variables changed";
}

TEST_F(SessionTest, LoadOneShowsCountsAndSetsTheDefaults) {
    const LoadResult out = session_.load1(sample1_, "s1.txt");
    EXPECT_EQ(out.name, "s1.txt");
    EXPECT_EQ(out.specimens, 20);
    EXPECT_EQ(out.landmarks, 10);
    EXPECT_FALSE(out.common_reference);
    const SessionVariables v = session_.variables();
    EXPECT_EQ(v.LCS, 1);
    EXPECT_EQ(v.NBOOTS, 100);
    EXPECT_EQ(v.DATAV1.specimens(), 20);
    EXPECT_EQ(out.drawing.shapes.size(), 2u);
}

TEST_F(SessionTest, CommonReferenceReplacesBothSamplesKeepingSizes) {
    session_.load1(sample1_, "s1.txt");
    const LoadResult out = session_.load2(sample2_, "s2.txt", true);
    EXPECT_TRUE(out.common_reference);
    EXPECT_EQ(out.specimens, 25);
    const SessionVariables v = session_.variables();
    EXPECT_EQ(v.FIRSTDATASET.col(30), sample1_.col(30));
    EXPECT_EQ(v.SECONDDATASET.col(30), sample2_.col(30));
    const Eigen::MatrixXd configuration =
        v.FIRSTDATASET.row(7).head(30).reshaped(3, 10).transpose();
    EXPECT_NEAR(centroid_size(configuration), 1.0, 1e-12);
    EXPECT_TRUE(matrices_near(configuration.colwise().sum(), Eigen::RowVector3d::Zero(), 1e-13));

    // Without the common reference sample 2 is kept as read and DATAV1 is left alone.
    Session plain;
    plain.load1(sample1_, "s1.txt");
    const Stack datav1 = plain.variables().DATAV1;
    plain.load2(sample2_, "s2.txt", false);
    EXPECT_EQ(plain.variables().SECONDDATASET, sample2_);
    EXPECT_EQ(plain.variables().DATAV1, datav1);
}

// The permutation test belongs to two samples on one common reference: a later load of sample 2
// on its own reference leaves them in different frames, and the report drops the old test.
TEST_F(SessionTest, PermutationTestNeedsTheSamplesOnOneCommonReference) {
    session_.load1(sample1_, "s1.txt");
    session_.load2(sample2_, "s2.txt", true);
    const SlopeComparison out = session_.permutation_test(SizeVariable::log_centroid_size, 19);
    EXPECT_EQ(out.values.rows(), 20);
    EXPECT_NE(session_.report_text().find(", 19 permutations, regression on LCS:"),
              std::string::npos);
    session_.load2(sample2_, "s2.txt", false);
    EXPECT_FALSE(session_.common_reference_used());
    EXPECT_EQ(session_.report_text().find("Permutation"), std::string::npos);
    // A new sample 1 ends the test too.
    session_.load2(sample2_, "s2.txt", true);
    session_.permutation_test(SizeVariable::log_centroid_size, 19);
    session_.load1(sample1_, "s1.txt");
    EXPECT_EQ(session_.report_text().find("Permutation"), std::string::npos);
    EXPECT_NE(testing::error_of([&] {
                  session_.permutation_test(SizeVariable::log_centroid_size, 19);
              }).find("common reference"),
              std::string::npos);
}

// The ANOVA rides on the permutation test: its table follows the tests in the report until a
// sample is loaded; the shape space needs the common reference as the tests do.
TEST_F(SessionTest, AnovaAndShapeSpaceBelongToSamplesOnOneCommonReference) {
    session_.load1(sample1_, "s1.txt");
    session_.load2(sample2_, "s2.txt", false);
    EXPECT_NE(testing::error_of([&] {
                  session_.shape_space(SizeVariable::centroid_size, false);
              }).find("the shape space pools both samples"),
              std::string::npos);
    session_.load2(sample2_, "s2.txt", true);
    EXPECT_EQ(session_.shape_space(SizeVariable::centroid_size, false).scores.rows(), 45);
    session_.permutation_test(SizeVariable::log_centroid_size, 19);
    EXPECT_EQ(session_.anova(), nullptr);
    EXPECT_EQ(session_.report_text().find("Procrustes ANOVA"), std::string::npos);
    session_.permutation_test(SizeVariable::log_centroid_size, 19, true);
    ASSERT_NE(session_.anova(), nullptr);
    EXPECT_EQ(session_.anova()->terms.size(), 3u);
    const std::string report = session_.report_text();
    EXPECT_LT(report.find("Common slopes: F ="), report.find("Procrustes ANOVA"));
    EXPECT_NE(report.find("Residuals          41 "), std::string::npos) << report;
    session_.load2(sample2_, "s2.txt", true);
    EXPECT_EQ(session_.anova(), nullptr);
}

// A sample with missing landmarks is refused unless they are to be estimated; estimated, the
// sample says which, its computed sizes are those of the completed specimens, and the report
// names them, warning when they are more than a tenth.
TEST_F(SessionTest, MissingLandmarksAreEstimatedOnlyWhenAsked) {
    Eigen::MatrixXd broken = sample1_;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    broken.block(3, 6, 1, 3).setConstant(nan);  // landmark 3 of specimen 4
    broken(3, 30) = nan;                        // its size waited for the estimate
    broken.block(9, 0, 1, 6).setConstant(nan);  // landmarks 1 and 2 of specimen 10
    EXPECT_NE(testing::error_of([&] {
                  session_.load1(broken, "broken.txt");
              }).find("\"broken.txt\": landmarks of 2 specimens are missing"),
              std::string::npos);
    EXPECT_FALSE(session_.sample_count() > 0 && session_.sample(1).loaded());
    SampleExtras extras;
    extras.estimate_missing = true;
    session_.load1(broken, "broken.txt", extras);
    const Sample& loaded = session_.sample(1);
    EXPECT_EQ(loaded.estimated, (std::vector<EstimatedLandmark>{{3, 2}, {9, 0}, {9, 1}}));
    EXPECT_FALSE(loaded.as_read.hasNaN());
    const Eigen::RowVectorXd completed = loaded.as_read.row(3).head(30);
    EXPECT_NEAR(loaded.as_read(3, 30), centroid_size(completed.reshaped(3, 10).transpose()), 1e-12);
    EXPECT_EQ(loaded.as_read(9, 30), sample1_(9, 30));  // a given size is kept
    EXPECT_NE(session_.report_text().find(
                  "  10 Landmarks and   20 Sample points\n3 landmarks of 2 specimens estimated "
                  "(thin-plate spline)\n"),
              std::string::npos)
        << session_.report_text();
    EXPECT_EQ(session_.report_text().find("Warning: "), std::string::npos);
    // Past a tenth of the landmarks the report warns.
    for (Eigen::Index i = 10; i < 14; ++i)
        broken.block(i, 0, 1, 15).setConstant(nan);
    session_.load1(broken, "broken.txt", extras);
    EXPECT_NE(session_.report_text().find("Warning: 11.5 % of the sample's landmarks are "
                                          "estimated"),
              std::string::npos)
        << session_.report_text();
}

// Every load forgets the results of the samples it replaces, and no step ever combines
// coordinates fitted in different frames: whatever came before, the session holds what a fresh
// session loading the same samples holds.
TEST_F(SessionTest, ALoadStartsFromTheSamplesAsRead) {
    std::mt19937 gen(7);
    const Eigen::MatrixXd third = growth_sample(22, 30, 0.3, gen);
    const auto fresh = [](const Eigen::MatrixXd& a, const Eigen::MatrixXd& b, bool common) {
        auto s = std::make_unique<Session>();
        s->load1(a, "a.txt");
        s->load2(b, "b.txt", common);
        return s;
    };
    session_.load1(sample1_, "a.txt");
    session_.load2(sample2_, "b.txt", true);
    session_.angle_between(SizeVariable::log_centroid_size, 20);
    ASSERT_TRUE(session_.has_results());

    // A new sample 1: nothing to report, and sample 2 is in the old sample 1's frame.
    session_.load1(third, "c.txt", {{}, {}, LandmarkFormat::Tps});
    EXPECT_EQ(session_.sample(1).format, LandmarkFormat::Tps);
    EXPECT_EQ(session_.sample(1).frame(), Frame::own_reference);
    EXPECT_EQ(session_.sample(2).frame(), Frame::common_reference);
    EXPECT_FALSE(session_.common_reference_used());
    EXPECT_FALSE(session_.has_results());
    EXPECT_FALSE(session_.variables().gv1 || session_.variables().AW1R);
    EXPECT_NE(testing::error_of([&] {
                  session_.angle_between(SizeVariable::log_centroid_size, 20);
              }).find("replaced: load sample 2 again"),
              std::string::npos);
    EXPECT_THROW(session_.isometry_of_samples(SizeVariable::log_centroid_size, 20), Error);
    EXPECT_THROW(session_.slope_statistics(SizeVariable::log_centroid_size), Error);
    session_.angle_isometry(SizeVariable::log_centroid_size, 20);  // sample 1 alone is in one frame
    EXPECT_TRUE(session_.has_results());

    session_.load2(sample2_, "b.txt", true);
    EXPECT_FALSE(session_.has_results());
    const auto expected = fresh(third, sample2_, true);
    EXPECT_EQ(session_.variables().FIRSTDATASET, expected->variables().FIRSTDATASET);
    EXPECT_EQ(session_.variables().SECONDDATASET, expected->variables().SECONDDATASET);
    EXPECT_EQ(session_.angle_between(SizeVariable::log_centroid_size, 20).growth_vector1,
              expected->angle_between(SizeVariable::log_centroid_size, 20).growth_vector1);

    // Another sample 2 on a common reference starts again from sample 1 as read; without one,
    // sample 1 is as read again.
    session_.load2(sample1_, "d.txt", true);
    const auto again = fresh(third, sample1_, true);
    EXPECT_EQ(session_.variables().FIRSTDATASET, again->variables().FIRSTDATASET);
    EXPECT_EQ(session_.variables().DATAV1, again->variables().DATAV1);
    session_.load2(sample2_, "b.txt", false);
    const auto plain = fresh(third, sample2_, false);
    EXPECT_EQ(session_.variables().FIRSTDATASET, third);
    EXPECT_EQ(session_.variables().DATAV1, plain->variables().DATAV1);
    for (int g : {1, 2}) {
        EXPECT_EQ(session_.sample(g).frame(), Frame::own_reference);
        EXPECT_EQ(&session_.sample(g).analysed(), &session_.sample(g).as_read);
    }
}

// The report says how large the second resampled sets were and which sample set it, and warns
// when a small sample makes every range wide.
TEST_F(SessionTest, TheSecondResampledSetsAreNamed) {
    const std::string warning =
        "Warning: fewer than 10 specimens in the second resampled sets widen every sample's range";
    session_.load1(sample1_, "s1.txt");
    session_.load2(sample2_, "s2.txt", true);
    EXPECT_EQ(session_.angle_between(SizeVariable::log_centroid_size, 20).resampled, 20);
    std::string report = session_.report_text();
    EXPECT_NE(report.find("\nSecond resampled sets: 20 specimens, the count of sample 1 \n"),
              std::string::npos);
    EXPECT_EQ(report.find(warning), std::string::npos);

    const Eigen::MatrixXd small = sample2_.topRows(6);
    session_.load2(small, "small.txt", true);
    session_.angle_between(SizeVariable::log_centroid_size, 20);
    report = session_.report_text();
    EXPECT_NE(report.find("Second resampled sets: 6 specimens, the count of sample 2 \n" + warning),
              std::string::npos)
        << report;

    std::vector<SampleInput> further;
    further.push_back({sample2_, "s2.txt", {}});
    further.push_back({small, "small.txt", {}});
    session_.load_samples(std::move(further));
    const SampleAngles& angles =
        session_.angles_between_samples(SizeVariable::log_centroid_size, 20);
    EXPECT_EQ(angles.resampled, 6);
    EXPECT_EQ(angles.resampled_from, 3);
    EXPECT_NE(session_.report_text().find("6 specimens, the count of sample 3 \n" + warning),
              std::string::npos);
}

// Replicates without a slope are counted in the report of an angle to isometry too.
TEST_F(SessionTest, IsometryReportCountsReplicatesWithoutASlope) {
    session_.load1(sample1_.topRows(3), "three.txt");
    const AngleResult a = session_.angle_isometry(SizeVariable::log_centroid_size, 100);
    ASSERT_GT(a.degenerate1, 0);
    EXPECT_NE(
        session_.report_text().find("\nReplicates without a slope (resampled sizes all equal): " +
                                    std::to_string(a.degenerate1) + " \n"),
        std::string::npos)
        << session_.report_text();
}

// Further samples join one common reference in order; with one further sample the load is
// load2's, bit for bit. Their bootstraps run in sample order, each second set as large as the
// smallest sample.
TEST_F(SessionTest, SeveralSamplesOnOneCommonReference) {
    session_.load1(sample1_, "s1.txt");
    session_.load2(sample2_, "s2.txt", true);
    Session two;
    two.load1(sample1_, "s1.txt");
    std::vector<SampleInput> one;
    one.push_back({sample2_, "s2.txt", {}});
    two.load_samples(std::move(one));
    EXPECT_TRUE(same_variables(two.variables(), session_.variables()));

    std::mt19937 gen(7);
    const Eigen::MatrixXd sample3 = growth_sample(12, 30, 0.3, gen);
    Session three;
    three.load1(sample1_, "s1.txt");
    std::vector<SampleInput> further;
    further.push_back({sample2_, "s2.txt", {}});
    further.push_back({sample3, "s3.txt", {{}, {}}});
    three.load_samples(std::move(further));
    ASSERT_EQ(three.sample_count(), 3);
    EXPECT_EQ(three.sample(3).analysed().col(30), sample3.col(30));
    EXPECT_EQ(three.sample(3).specimen_names.back(), "12");
    const SampleAngles& angles = three.angles_between_samples(SizeVariable::log_centroid_size, 100);
    RandomStream stream;
    for (int g = 1; g <= 3; ++g) {
        const Eigen::MatrixXd& x = three.sample(g).analysed();
        const BootstrapAngles aw =
            bootstrap_angles(x, SizeVariable::log_centroid_size, 100, 12, stream);
        EXPECT_EQ(angles.ranges[static_cast<std::size_t>(g - 1)],
                  Eigen::Vector3d(aw.angles(79), aw.angles(89), aw.angles(94)));
    }
    EXPECT_EQ(angles.angles(1, 2), angles.angles(2, 1));
    EXPECT_EQ(
        angles.angles(0, 1),
        growth_angle(growth_vector(three.sample(1).analysed(), SizeVariable::log_centroid_size),
                     growth_vector(three.sample(2).analysed(), SizeVariable::log_centroid_size)));
    const std::string report = three.report_text();
    EXPECT_NE(report.find("Growth Vector Angle Calculations: 3 samples"), std::string::npos);
    EXPECT_NE(report.find("Species 3:"), std::string::npos);
    // A later load of sample 2 leaves two samples.
    three.load2(sample2_, "s2.txt", false);
    EXPECT_EQ(three.sample_count(), 2);
    EXPECT_EQ(three.report_text().find("Sample 3"), std::string::npos);

    // Without a common reference the samples have no common frame: only isometry is asked.
    Session apart;
    apart.load1(sample1_, "s1.txt");
    std::vector<SampleInput> as_read;
    as_read.push_back({sample2_, "s2.txt", {}});
    as_read.push_back({sample3, "s3.txt", {}});
    apart.load_samples(std::move(as_read), false);
    EXPECT_EQ(apart.sample(3).analysed(), sample3);
    EXPECT_EQ(apart.sample(3).frame(), Frame::as_read);  // compared with isometry alone
    EXPECT_NE(testing::error_of([&] {
                  apart.angles_between_samples(SizeVariable::log_centroid_size, 100);
              }).find("common reference"),
              std::string::npos);
    EXPECT_EQ(apart.isometry_of_samples(SizeVariable::centroid_size, 20).angles.rows(), 3);
}

TEST_F(SessionTest, AngleBetweenUsesTheSmallerSampleAndTheSessionStream) {
    session_.load1(sample1_, "s1.txt");
    session_.load2(sample2_, "s2.txt", false);
    std::vector<Progress> told;
    session_.set_progress_listener([&](const Progress& p) { told.push_back(p); });
    const AngleResult out = session_.angle_between(SizeVariable::log_centroid_size, 400);

    // The same bootstraps by hand: sample 1 first, both with resample size 20, one stream.
    RandomStream stream;
    const BootstrapAngles aw1 =
        bootstrap_angles(sample1_, SizeVariable::log_centroid_size, 400, 20, stream);
    const BootstrapAngles aw2 =
        bootstrap_angles(sample2_, SizeVariable::log_centroid_size, 400, 20, stream);
    const Eigen::Vector3d aw1r(aw1.angles(319), aw1.angles(359), aw1.angles(379));
    const Eigen::Vector3d aw2r(aw2.angles(319), aw2.angles(359), aw2.angles(379));
    EXPECT_EQ(out.range1, aw1r);
    EXPECT_EQ(out.range2, aw2r);
    const SessionVariables v = session_.variables();
    EXPECT_EQ(*v.AW1R, aw1r);
    EXPECT_EQ(*v.AW2R, aw2r);
    EXPECT_EQ(*v.gv1, out.growth_vector1);
    EXPECT_EQ(out.angle, growth_angle(out.growth_vector1, out.growth_vector2));

    // The growth vectors first, then the ranges with the angle already known.
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told[0].stage, Progress::Stage::growth_vectors);
    EXPECT_EQ(told[1].stage, Progress::Stage::ranges);
    EXPECT_EQ(told[1].angle, std::optional<double>(out.angle));
}

TEST_F(SessionTest, AngleToIsometryKeepsTheOtherRange) {
    session_.load1(sample1_, "s1.txt");
    session_.load2(sample2_, "s2.txt", false);
    session_.angle_between(SizeVariable::centroid_size, 100);
    const Eigen::Vector3d aw2r = *session_.variables().AW2R;
    const AngleResult out = session_.angle_isometry(SizeVariable::centroid_size, 100);
    EXPECT_EQ(*session_.variables().AW2R, aw2r);
    EXPECT_TRUE(out.isometry);
    EXPECT_EQ(out.size, SizeVariable::centroid_size);
    EXPECT_EQ(out.growth_vector2, Eigen::VectorXd::Constant(30, 1.0 / std::sqrt(30.0)));

    // A sample whose growth vector is the isometric vector gives 0.
    Eigen::MatrixXd isometric = sample1_;
    isometric.leftCols(30) =
        (isometric.col(30).array().log().matrix() * Eigen::RowVectorXd::Ones(30)).rowwise() +
        sample1_.row(0).head(30);
    Session s;
    s.load1(isometric, "iso.txt");
    EXPECT_NEAR(s.angle_isometry(SizeVariable::log_centroid_size, 100).angle, 0.0, 1e-5);

    // After a common superimposition the angle is always 90 degrees, and the result says why.
    session_.load2(sample2_, "s2.txt", true);
    const AngleResult common = session_.angle_isometry(SizeVariable::log_centroid_size, 100);
    EXPECT_NEAR(common.angle, 90.0, 1e-9);
    EXPECT_TRUE(common.common_reference);
}

TEST_F(SessionTest, MismatchedLandmarksChangeOnlyTheChoices) {
    session_.load1(sample1_, "s1.txt");
    std::mt19937 gen(3);
    session_.load2(growth_sample(20, 27, 0.3, gen), "other.txt", false);
    const AngleResult out = session_.angle_between(SizeVariable::centroid_size, 400);
    EXPECT_TRUE(out.mismatch);
    EXPECT_EQ(out.landmarks1, 10);
    EXPECT_EQ(out.landmarks2, 9);
    EXPECT_EQ(session_.variables().NBOOTS, 400);
    EXPECT_FALSE(session_.variables().gv1.has_value());
}

TEST_F(SessionTest, FailedStepsLeaveTheSessionAsItWas) {
    Eigen::MatrixXd bad = sample2_;
    bad(3, 30) = -1;
    std::mt19937 gen(4);
    const Eigen::MatrixXd fewer_landmarks = growth_sample(10, 27, 0.3, gen);
    Eigen::MatrixXd wires(2, 3);
    wires << 1, 1, 2, 2, 2, 11;

    const SessionVariables empty = session_.variables();
    EXPECT_THROW(session_.angle_between(SizeVariable::log_centroid_size, 100), Error);
    EXPECT_THROW(session_.angle_isometry(SizeVariable::log_centroid_size, 100), Error);
    EXPECT_THROW(session_.load2(sample2_, "s2.txt", true), Error);  // no sample 1 yet
    EXPECT_THROW(session_.load1(bad, "bad.txt"), Error);
    EXPECT_TRUE(same_variables(session_.variables(), empty));

    session_.load1(sample1_, "s1.txt");
    session_.load2(sample2_, "s2.txt", false);
    session_.angle_between(SizeVariable::log_centroid_size, 100);
    const SessionVariables before = session_.variables();
    EXPECT_THROW(session_.load2(fewer_landmarks, "f.txt", true), Error);
    EXPECT_THROW(session_.load2(bad, "bad.txt", false), Error);
    EXPECT_THROW(session_.loadwire(wires, "w.txt"), Error);  // landmark 11 of 10
    // One rule for the bootstrap count, which kelmar6-batch's --boots keeps too.
    for (int nboots : {0, 110, 100000020}) {
        EXPECT_FALSE(is_bootstrap_count(nboots));
        EXPECT_NE(testing::error_of([&] {
                      session_.angle_between(SizeVariable::log_centroid_size, nboots);
                  }).find(bootstrap_count_rule()),
                  std::string::npos);
    }
    EXPECT_TRUE(is_bootstrap_count(20) && is_bootstrap_count(kMostBootstraps));
    EXPECT_TRUE(same_variables(session_.variables(), before));
    EXPECT_EQ(session_.loadwire(wires.topRows(1), "w.txt").wires, 1);
}

TEST_F(SessionTest, ReportLineByLine) {
    session_.load1(sample1_, "s1.txt");
    session_.load2(sample2_, "s2.txt", false);
    session_.angle_between(SizeVariable::log_centroid_size, 100);
    const SessionVariables v = session_.variables();
    const std::string report = session_.report_text();
    const std::vector<std::string> lines = lines_of(report);
    ASSERT_EQ(lines.size(), 22u + 30u + 3u);
    const std::vector<std::pair<std::size_t, std::string>> expected = {
        {3, " s1.txt "},
        {4, "  10 Landmarks and   20 Sample points"},
        {8, "  10 Landmarks and   25 Sample points"},
        {10, format_text("Angle between Growth Vectors: %3.1f ", {growth_angle(*v.gv1, *v.gv2)})},
        {12, "Within species angles at 80   90     95     confidence range "},
        {14, format_text("Species 2:               %3.1f %3.1f   %3.1f ",
                         {Value::column({(*v.AW2R)(0), (*v.AW2R)(1), (*v.AW2R)(2)})})},
        {15, "Second resampled sets: 20 specimens, the count of sample 1 "},
        {17, "Number of Bootstraps used was  100"},
        {18, "Regression was on LCS"},
        {20, "Sample 1    Sample2:"},
        {22, format_text("%3.4f   %8.4f ", {(*v.gv1)(0), (*v.gv2)(0)})},
        {52, ""},
        {53, "Analysed coordinates as read"},
        {54, "Random numbers: seed 5489, 0 drawn before the bootstrap"}};
    for (const auto& [index, line] : expected)
        EXPECT_EQ(lines[index], line) << "line " << index + 1;
    EXPECT_EQ(report.back(), '\n');
}

// After an angle to isometry the report names what was compared and drops sample 2's lines,
// which belong to an earlier analysis; a later angle between the samples brings them back. The
// stream's position before each analysis is the one a fresh stream reaches by skipping.
TEST_F(SessionTest, ReportAfterIsometryNamesWhatWasCompared) {
    session_.load1(sample1_, "s1.txt");
    session_.load2(sample2_, "s2.txt", false);
    session_.angle_between(SizeVariable::log_centroid_size, 100);
    const std::uint64_t after_first = session_.random_stream().drawn();
    session_.angle_isometry(SizeVariable::log_centroid_size, 100);
    std::string report = session_.report_text();
    EXPECT_NE(report.find("Angle between the Growth Vector of sample 1 and isometry: "),
              std::string::npos);
    for (const char* stale : {"Second Sample", "Species 2:", "Angle between Growth Vectors"})
        EXPECT_EQ(report.find(stale), std::string::npos) << stale;
    EXPECT_NE(report.find("Sample 1    Isometry:"), std::string::npos);
    EXPECT_EQ(report.find("Note: after a common"), std::string::npos);
    EXPECT_NE(report.find("seed 5489, " + std::to_string(after_first) + " drawn before"),
              std::string::npos);

    Session repeat;
    repeat.random_stream().skip(after_first);
    repeat.load1(sample1_, "s1.txt");
    repeat.load2(sample2_, "s2.txt", false);
    repeat.angle_isometry(SizeVariable::log_centroid_size, 100);
    EXPECT_EQ(repeat.report_text(), report);

    session_.load2(sample2_, "s2.txt", true);
    session_.angle_isometry(SizeVariable::log_centroid_size, 100);
    report = session_.report_text();
    EXPECT_NE(report.find("Regression was on LCS\nNote: after a common Procrustes"),
              std::string::npos);
    EXPECT_NE(report.find("Analysed on the common Procrustes GLS reference"), std::string::npos);
    session_.angle_between(SizeVariable::log_centroid_size, 100);
    EXPECT_NE(session_.report_text().find("Species 2:"), std::string::npos);
}

TEST_F(SessionTest, ReportBeforeAnyAngleSaysNotComputed) {
    session_.load1(sample1_, "s1.txt");
    EXPECT_FALSE(session_.has_results());
    const std::vector<std::string> lines = lines_of(session_.report_text());
    ASSERT_EQ(lines.size(), 23u);
    EXPECT_EQ(lines[8], "   0 Landmarks and    0 Sample points");
    EXPECT_EQ(lines[10], "Angle between Growth Vectors: not computed ");
    EXPECT_EQ(lines[13], "Species 1:               not computed ");

    EXPECT_EQ(lines_of(Session().report_text())[16], "Number of Bootstraps used was not computed");
    EXPECT_THROW(session_.write_report("/nonexistent-folder/report.txt"), Error);
}

// A 2D sample turned (or mirrored) and scaled as a whole, each specimen shifted at random.
Eigen::MatrixXd moved_2d(const Eigen::MatrixXd& sample, std::mt19937& gen, double angle,
                         bool mirror) {
    Eigen::MatrixXd out = sample;
    const Eigen::Index p = (sample.cols() - 1) / 2;
    Eigen::Matrix2d q;
    q << std::cos(angle), -std::sin(angle), std::sin(angle), std::cos(angle);
    if (mirror)
        q.col(0) *= -1.0;
    std::uniform_real_distribution<double> shift(-50.0, 50.0);
    for (Eigen::Index i = 0; i < sample.rows(); ++i) {
        const Eigen::MatrixXd shape = sample.row(i).head(2 * p).reshaped(2, p).transpose();
        const Eigen::MatrixXd moved =
            ((2.5 * shape * q).rowwise() + Eigen::RowVector2d(shift(gen), shift(gen))).eval();
        out.row(i).head(2 * p) = moved.transpose().reshaped(1, 2 * p);
    }
    return out;
}

// 2D samples on the common reference: the same angles whatever each specimen's position and
// the samples' orientation and scale, and for the mirror images of both samples; the report
// says 2D, and a sample of the other dimension is refused. (Each specimen turned on its own
// moves the start of the GLS reference, the plain sum of the specimens as loaded, and its
// three rounds then end elsewhere, as in 3D.)
TEST_F(SessionTest, TwoDimensionalSamplesGiveAnglesOfTheirShapes) {
    std::mt19937 gen(29);
    const Eigen::MatrixXd a = growth_sample(20, 16, 0.3, gen);  // 8 landmarks in 2D
    const Eigen::MatrixXd b = growth_sample(24, 16, 0.3, gen);
    const SampleExtras flat{{}, {}, LandmarkFormat::Tps, 2};
    const auto angles = [&](const Eigen::MatrixXd& x, const Eigen::MatrixXd& y) {
        Session s;
        s.load1(x, "a.tps", flat);
        s.load2(y, "b.tps", true, flat);
        const AngleResult r = s.angle_between(SizeVariable::log_centroid_size, 100);
        return Eigen::Vector3d(r.angle, r.range1(2), r.range2(2));
    };
    const Eigen::Vector3d first = angles(a, b);
    EXPECT_GT(first(0), 0.0);
    for (bool mirror : {false, true}) {
        const Eigen::Vector3d again =
            angles(moved_2d(a, gen, 2.0, mirror), moved_2d(b, gen, 2.0, mirror));
        EXPECT_TRUE(matrices_near(again, first, 1e-10)) << "mirror " << mirror;
    }

    session_.load1(a, "a.tps", flat);
    session_.load2(b, "b.tps", true, flat);
    EXPECT_EQ(session_.sample(2).common_reference.dimensions(), 2);
    session_.angle_between(SizeVariable::centroid_size, 100);
    const std::vector<std::string> lines = lines_of(session_.report_text());
    EXPECT_EQ(lines[4], "   8 Landmarks (2D) and   20 Sample points");
    EXPECT_EQ(session_.growth_as_shape_change().reference.cols(), 2);
    EXPECT_NE(testing::error_of([&] {
                  session_.load2(sample2_, "c.txt", false);
              }).find("one analysis must have one dimension"),
              std::string::npos);
    // A 3D sample 1 beside the 2D sample 2: the analysis is refused, not mixed.
    session_.load1(sample1_, "s1.txt");
    EXPECT_EQ(session_.sample(1).dimensions, 3);
    EXPECT_NE(testing::error_of([&] {
                  session_.angle_between(SizeVariable::log_centroid_size, 100);
              }).find("one dimension"),
              std::string::npos);
}

}  // namespace
}  // namespace kelmar
