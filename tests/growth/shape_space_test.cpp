// The shape space against its definition: the components are the covariance's eigenvectors in
// decreasing order of variance, oriented, their shares add up to 1, the scores give back the
// centred data, form space adds log size, and the trajectories are each sample's least-squares
// lines; with more variables than specimens and fewer, on any thread count.
#include "growth/shape_space.hpp"

#include "platform/numeric/error.hpp"
#include "support/eigen_testing.hpp"
#include "support/growth_samples.hpp"

#include <gtest/gtest.h>

namespace kelmar {
namespace {

using testing::draw_permutation;
using testing::growth_sample;
using testing::pointers;

// The variables of every specimen: coordinates, then log size in form space.
Eigen::MatrixXd pooled(const std::vector<Eigen::MatrixXd>& samples, bool form_space) {
    Eigen::Index n = 0;
    const Eigen::Index d = samples[0].cols() - 1;
    for (const Eigen::MatrixXd& x : samples)
        n += x.rows();
    Eigen::MatrixXd y(n, form_space ? d + 1 : d);
    Eigen::Index row = 0;
    for (const Eigen::MatrixXd& x : samples) {
        y.block(row, 0, x.rows(), d) = x.leftCols(d);
        if (form_space)
            y.block(row, d, x.rows(), 1) = x.col(d).array().log().matrix();
        row += x.rows();
    }
    return y;
}

TEST(ShapeSpace, ComponentsFollowTheCovariance) {
    std::mt19937 gen(31);
    struct Case {
        std::vector<Eigen::Index> sizes;
        Eigen::Index d;
        bool form_space;
    };
    // More specimens than variables, and fewer (the specimens' cross product).
    for (const Case& c : {Case{{30, 25}, 12, false}, Case{{8, 6, 7}, 45, false},
                          Case{{30, 25}, 12, true}, Case{{5, 6}, 45, true}}) {
        SCOPED_TRACE(::testing::Message() << c.sizes.size() << " samples, d = " << c.d
                                          << (c.form_space ? ", form space" : ""));
        std::vector<Eigen::MatrixXd> samples;
        for (Eigen::Index n : c.sizes)
            samples.push_back(growth_sample(n, c.d, 0.5, gen));
        const ShapeSpace space =
            shape_space(pointers(samples), SizeVariable::log_centroid_size, c.form_space, 1000, 1);
        const Eigen::MatrixXd y = pooled(samples, c.form_space);
        const Eigen::MatrixXd centred = y.rowwise() - y.colwise().mean();
        const auto n = static_cast<double>(y.rows());
        const Eigen::MatrixXd covariance = centred.transpose() * centred / (n - 1.0);
        const Eigen::Index m = std::min(y.rows() - 1, y.cols());
        ASSERT_EQ(space.variances.size(), m);
        EXPECT_NEAR(space.shares.sum(), 1.0, 1e-12);
        EXPECT_TRUE(testing::matrices_near(space.mean, y.colwise().mean(), 1e-12));
        for (Eigen::Index i = 0; i < m; ++i) {
            const Eigen::VectorXd v = space.loadings.col(i);
            EXPECT_NEAR(v.norm(), 1.0, 1e-12);
            EXPECT_TRUE(testing::matrices_near(covariance * v, space.variances(i) * v,
                                               1e-9 * space.variances(0)));
            if (i > 0) {
                EXPECT_LE(space.variances(i), space.variances(i - 1));
            }
            Eigen::Index at = 0;
            v.cwiseAbs().maxCoeff(&at);
            EXPECT_GT(v(at), 0.0);
        }
        // The scores of all components give back the centred data.
        EXPECT_TRUE(testing::matrices_near(space.scores * space.loadings.transpose(), centred,
                                           1e-9 * centred.cwiseAbs().maxCoeff()));
        EXPECT_TRUE(testing::matrices_near(space.scores, centred * space.loadings, 1e-9));
    }
}

TEST(ShapeSpace, TrajectoriesAreEachSamplesLeastSquaresLine) {
    std::mt19937 gen(32);
    const std::vector<Eigen::MatrixXd> samples = {growth_sample(12, 9, 0.3, gen),
                                                  growth_sample(15, 9, 0.3, gen)};
    for (const SizeVariable size : {SizeVariable::centroid_size, SizeVariable::log_centroid_size}) {
        const ShapeSpace space = shape_space(pointers(samples), size, false, 3);
        ASSERT_EQ(space.scores.cols(), 3);
        const std::vector<Trajectory> lines = trajectories(space, 2, 0);
        ASSERT_EQ(lines.size(), 2u);
        for (std::size_t g = 0; g < 2; ++g) {
            const Eigen::Index first = g == 0 ? 0 : 12;
            const Eigen::Index count = samples[g].rows();
            Eigen::MatrixXd design(count, 2);
            design.col(0).setOnes();
            design.col(1) = samples[g].col(9);
            if (size == SizeVariable::log_centroid_size)
                design.col(1) = design.col(1).array().log().matrix();
            Eigen::MatrixXd scores(count, 2);
            scores.col(0) = space.scores.col(2).segment(first, count);
            scores.col(1) = space.scores.col(0).segment(first, count);
            const Eigen::MatrixXd fit = design.colPivHouseholderQr().solve(scores);
            const double lo = design.col(1).minCoeff();
            const double hi = design.col(1).maxCoeff();
            EXPECT_DOUBLE_EQ(lines[g].size_from, lo);
            EXPECT_DOUBLE_EQ(lines[g].size_to, hi);
            EXPECT_TRUE(testing::matrices_near(lines[g].from,
                                               (fit.row(0) + lo * fit.row(1)).transpose(), 1e-10));
            EXPECT_TRUE(testing::matrices_near(lines[g].to,
                                               (fit.row(0) + hi * fit.row(1)).transpose(), 1e-10));
        }
        EXPECT_THROW(trajectories(space, 0, 3), Error);
    }
}

// Large samples split the cross product into parts; the parts do not follow the threads.
TEST(ShapeSpace, SameNumbersOnAnyThreadCount) {
    std::mt19937 gen(33);
    const std::vector<Eigen::MatrixXd> samples = {growth_sample(3000, 15, 0.5, gen),
                                                  growth_sample(2500, 15, 0.5, gen)};
    const ShapeSpace one = shape_space(pointers(samples), SizeVariable::centroid_size, true, 5, 1);
    const ShapeSpace two = shape_space(pointers(samples), SizeVariable::centroid_size, true, 5, 2);
    EXPECT_TRUE(one.scores == two.scores);
    EXPECT_TRUE(one.variances == two.variances);
}

TEST(ShapeSpace, RefusesWhatHasNoComponents) {
    std::mt19937 gen(34);
    const std::vector<Eigen::MatrixXd> none;
    EXPECT_THROW(shape_space(pointers(none), SizeVariable::centroid_size, false), Error);
    const std::vector<Eigen::MatrixXd> one = {growth_sample(1, 6, 0.3, gen)};
    EXPECT_THROW(shape_space(pointers(one), SizeVariable::centroid_size, false), Error);
    Eigen::MatrixXd alike(4, 7);
    alike.setConstant(1.0);
    alike.col(6) << 10, 20, 30, 40;
    const std::vector<Eigen::MatrixXd> same = {alike};
    EXPECT_THROW(shape_space(pointers(same), SizeVariable::centroid_size, false), Error);
    // In form space the sizes make them differ.
    EXPECT_EQ(shape_space(pointers(same), SizeVariable::centroid_size, true).variances.size(), 1);
    const std::vector<Eigen::MatrixXd> mixed = {growth_sample(5, 6, 0.3, gen),
                                                growth_sample(5, 9, 0.3, gen)};
    EXPECT_THROW(shape_space(pointers(mixed), SizeVariable::centroid_size, false), Error);
    Eigen::MatrixXd negative = growth_sample(5, 6, 0.3, gen);
    negative(2, 6) = -1.0;
    const std::vector<Eigen::MatrixXd> bad_size = {negative};
    EXPECT_THROW(shape_space(pointers(bad_size), SizeVariable::log_centroid_size, false), Error);
}

}  // namespace
}  // namespace kelmar
