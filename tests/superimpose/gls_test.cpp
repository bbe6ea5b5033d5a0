#include "platform/numeric/error.hpp"
#include "superimpose/centroid_size.hpp"
#include "superimpose/gls_reference.hpp"
#include "superimpose/optimal_rotation.hpp"
#include "superimpose/partial_procrustes_fit.hpp"
#include "support/eigen_testing.hpp"
#include "support/scratch.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

namespace kelmar {
namespace {

using testing::matrices_near;
using testing::random_orthogonal;
using testing::random_shape;

// A sample of n noisy copies of one shape, each at its own size, position and orientation.
Stack noisy_sample(Eigen::Index p, Eigen::Index n, double noise, std::mt19937& gen) {
    const Eigen::MatrixXd mean = random_shape(p, gen);
    std::uniform_real_distribution<double> size(1.0, 20.0);
    Stack s(p, n);
    for (Eigen::Index i = 0; i < n; ++i) {
        const Eigen::MatrixXd shape = mean + testing::random_matrix(p, 3, gen, noise);
        const Eigen::RowVector3d shift = testing::random_matrix(1, 3, gen, 50.0);
        s.page(i) = (size(gen) * shape * random_orthogonal(gen)).rowwise() + shift;
    }
    return s;
}

void expect_centred_unit(const Eigen::MatrixXd& x, const std::string& what) {
    EXPECT_NEAR(centroid_size(x), 1.0, 1e-13) << what;
    EXPECT_TRUE(matrices_near(x.colwise().mean(), Eigen::RowVector3d::Zero(), 1e-14)) << what;
}

TEST(GlsReference, OneSpecimenIsItsOwnReference) {
    std::mt19937 gen(1);
    const Eigen::MatrixXd c = 4.0 * testing::random_matrix(5, 3, gen);
    const GlsFit fit = gls_reference(Stack::single(c));
    Eigen::MatrixXd expected = c.rowwise() - c.colwise().mean();
    expected /= centroid_size(expected);
    EXPECT_TRUE(matrices_near(fit.reference, expected, 1e-15));
    EXPECT_EQ(fit.fitted, Stack::single(fit.reference));
}

// The GLS algorithm written out plainly: the sum of the specimens as loaded as the start,
// then exactly three rounds of fitting every specimen and rescaling their mean.
GlsFit three_rounds(const Stack& data) {
    GlsFit r{Eigen::MatrixXd::Zero(data.landmarks(), data.dimensions()), data};
    for (Eigen::Index i = 0; i < data.specimens(); ++i)
        r.reference += data.page(i);
    r.reference.rowwise() -= r.reference.colwise().mean();
    r.reference /= centroid_size(r.reference);
    for (int round = 0; round < 3; ++round) {
        Eigen::MatrixXd sum = Eigen::MatrixXd::Zero(data.landmarks(), data.dimensions());
        for (Eigen::Index i = 0; i < data.specimens(); ++i) {
            r.fitted.page(i) = partial_procrustes_fit(r.reference, r.fitted.page(i));
            sum += r.fitted.page(i);
        }
        r.reference = sum / static_cast<double>(data.specimens());
        r.reference /= centroid_size(r.reference);
    }
    return r;
}

TEST(GlsReference, FollowsTheThreeRoundAlgorithmAndItsInvariants) {
    std::mt19937 gen(3);
    const Stack sample = noisy_sample(15, 25, 0.05, gen);
    const GlsFit fit = gls_reference(sample);
    const GlsFit plain = three_rounds(sample);
    EXPECT_TRUE(matrices_near(fit.reference, plain.reference, 1e-14));
    EXPECT_TRUE(matrices_near(fit.fitted.pages(), plain.fitted.pages(), 1e-14));
    expect_centred_unit(fit.reference, "reference");
    expect_centred_unit(fit.fitted.page(7), "specimen 8");

    // The same turn (or reflection), scale and shift of every specimen turns the results alike.
    for (bool proper : {true, false}) {
        const Eigen::Matrix3d q = random_orthogonal(gen, proper);
        Stack moved = sample;
        for (Eigen::Index i = 0; i < sample.specimens(); ++i) {
            moved.page(i) = (7.5 * sample.page(i) * q).rowwise() + Eigen::RowVector3d(1, 2, 3);
        }
        const GlsFit fit2 = gls_reference(moved);
        EXPECT_TRUE(matrices_near(fit2.reference, fit.reference * q, 1e-12)) << "proper " << proper;
        EXPECT_TRUE(matrices_near(fit2.fitted.page(4), fit.fitted.page(4) * q, 1e-12));
    }

    // Specimen order changes nothing but the order of the fitted pages.
    Stack reversed(sample.landmarks(), sample.specimens());
    for (Eigen::Index i = 0; i < sample.specimens(); ++i)
        reversed.page(i) = sample.page(sample.specimens() - 1 - i);
    const GlsFit fit3 = gls_reference(reversed);
    EXPECT_TRUE(matrices_near(fit3.reference, fit.reference, 1e-13));
    EXPECT_TRUE(matrices_near(fit3.fitted.page(0), fit.fitted.page(24), 1e-13));
}

// 2D samples follow the same algorithm with 2 × 2 turns, and every specimen turned, scaled,
// shifted or mirrored turns (or mirrors) the results alike.
TEST(GlsReference, TwoDimensionalSamplesFollowTheSameAlgorithm) {
    std::mt19937 gen(13);
    const Eigen::MatrixXd mean = testing::random_matrix(9, 2, gen);
    Stack sample(9, 20, 2);
    for (Eigen::Index i = 0; i < 20; ++i) {
        const double a = std::uniform_real_distribution<double>(-3.0, 3.0)(gen);
        Eigen::Matrix2d q;
        q << std::cos(a), -std::sin(a), std::sin(a), std::cos(a);
        sample.page(i) =
            ((mean + testing::random_matrix(9, 2, gen, 0.05)) * q * (1.0 + i)).rowwise() +
            Eigen::RowVector2d(i, -2.0 * i);
    }
    const GlsFit fit = gls_reference(sample);
    const GlsFit plain = three_rounds(sample);
    EXPECT_EQ(fit.fitted.dimensions(), 2);
    EXPECT_TRUE(matrices_near(fit.reference, plain.reference, 1e-14));
    EXPECT_TRUE(matrices_near(fit.fitted.pages(), plain.fitted.pages(), 1e-14));
    for (double mirror : {1.0, -1.0}) {
        Eigen::Matrix2d q;
        q << 0.6, -0.8, 0.8, 0.6;
        q.col(0) *= mirror;
        Stack moved = sample;
        for (Eigen::Index i = 0; i < sample.specimens(); ++i)
            moved.page(i) = (3.0 * sample.page(i) * q).rowwise() + Eigen::RowVector2d(5, 6);
        const GlsFit fit2 = gls_reference(moved);
        EXPECT_TRUE(matrices_near(fit2.reference, fit.reference * q, 1e-12)) << mirror;
        EXPECT_TRUE(matrices_near(fit2.fitted.page(3), fit.fitted.page(3) * q, 1e-12));
    }
}

TEST(GlsReference, ExtremeMagnitudesGiveTheOrdinaryResults) {
    std::mt19937 gen(12);
    const Stack sample = noisy_sample(7, 30, 0.05, gen);
    const GlsFit fit = gls_reference(sample);
    for (const int exponent : {1015, -1015}) {
        // Near 1e305 and 1e-306: a power of two, so everything must agree bit for bit.
        Stack far = sample;
        far.pages() *= std::ldexp(1.0, exponent);
        EXPECT_EQ(centroid_size(far.page(3)), std::ldexp(centroid_size(sample.page(3)), exponent));
        const GlsFit far_fit = gls_reference(far);
        EXPECT_EQ(far_fit.reference, fit.reference) << exponent;
        EXPECT_EQ(far_fit.fitted, fit.fitted) << exponent;
        EXPECT_EQ(fit_onto_reference(fit.reference, far),
                  fit_onto_reference(fit.reference, sample));
    }
}

TEST(GlsReference, DegenerateSamplesAreNamed) {
    EXPECT_THROW(gls_reference(Stack(5, 0)), Error);
    std::mt19937 gen(4);
    Stack sample = noisy_sample(6, 4, 0.1, gen);
    sample.page(2).rowwise() = Eigen::RowVector3d(1, 1, 1);
    EXPECT_EQ(testing::error_of([&] { gls_reference(sample); }),
              "specimen 3: the landmarks of the configuration all coincide (centroid size 0)");
    EXPECT_THROW(gls_reference(Stack(6, 1)), Error);
}

TEST(FitOntoReference, FitsEverySpecimenOntoTheGivenReference) {
    std::mt19937 gen(6);
    const Stack sample = noisy_sample(8, 6, 0.05, gen);
    const Eigen::MatrixXd reference = gls_reference(sample).reference;
    const Stack fitted = fit_onto_reference(reference, sample);
    expect_centred_unit(fitted.page(2), "specimen 3");
    const Stack one = fit_onto_reference(reference, Stack::single(sample.page(3)));
    EXPECT_EQ(Eigen::MatrixXd(one.page(0)), Eigen::MatrixXd(fitted.page(3)));

    EXPECT_EQ(testing::error_of([&] { fit_onto_reference(Eigen::MatrixXd::Random(7, 3), sample); }),
              "cannot fit specimens of 8 landmarks onto a reference of 7 landmarks");
    EXPECT_THROW(fit_onto_reference(Eigen::MatrixXd::Zero(8, 3), sample), Error);
}

}  // namespace
}  // namespace kelmar
