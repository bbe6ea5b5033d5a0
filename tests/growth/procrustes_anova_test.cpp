// The Procrustes ANOVA table against least squares written out with design matrices: every
// entry for one, two and four samples on log size and size, each term's permuted F from the
// residuals of the model before it, the size × sample line as the test of common slopes, the
// order of the terms, and the level of the sample term on random splits of one sample.
#include "growth/procrustes_anova.hpp"

#include "growth/least_squares.hpp"
#include "platform/numeric/error.hpp"
#include "support/eigen_testing.hpp"
#include "support/growth_samples.hpp"

#include <gtest/gtest.h>
#include <Eigen/QR>

#include <algorithm>
#include <iostream>
#include <numeric>

namespace kelmar {
namespace {

using testing::draw_permutation;
using testing::growth_sample;
using testing::pointers;

// The four nested models as design matrices: grand mean; + size; + a column per sample after the
// first; + size times each of those columns.
class Designs {
  public:
    Designs(const std::vector<Eigen::MatrixXd>& samples, SizeVariable size) {
        const Eigen::Index d = samples[0].cols() - 1;
        for (const Eigen::MatrixXd& x : samples)
            n_ += x.rows();
        y_.resize(n_, d);
        const auto k = static_cast<Eigen::Index>(samples.size());
        Eigen::MatrixXd full = Eigen::MatrixXd::Zero(n_, 2 * k);
        Eigen::Index row = 0;
        for (Eigen::Index g = 0; g < k; ++g) {
            const Eigen::MatrixXd& x = samples[static_cast<std::size_t>(g)];
            const Eigen::VectorXd s = size_values(x, size);
            y_.middleRows(row, x.rows()) = x.leftCols(d);
            full.block(row, 0, x.rows(), 1).setOnes();
            full.block(row, 1, x.rows(), 1) = s;
            if (g > 0) {
                full.block(row, 1 + g, x.rows(), 1).setOnes();
                full.block(row, k + g, x.rows(), 1) = s;
            }
            row += x.rows();
        }
        for (Eigen::Index columns : {Eigen::Index{1}, Eigen::Index{2}, k + 1, 2 * k})
            models_.push_back(full.leftCols(columns));
    }

    Eigen::Index specimens() const { return n_; }
    const Eigen::MatrixXd& y() const { return y_; }
    Eigen::MatrixXd fitted(std::size_t model, const Eigen::MatrixXd& y) const {
        return models_[model] * models_[model].colPivHouseholderQr().solve(y);
    }
    double rss(std::size_t model, const Eigen::MatrixXd& y) const {
        return (y - fitted(model, y)).squaredNorm();
    }

  private:
    Eigen::Index n_ = 0;
    Eigen::MatrixXd y_;
    std::vector<Eigen::MatrixXd> models_;
};

TEST(ProcrustesAnova, EveryEntryFollowsLeastSquaresWrittenOut) {
    std::mt19937 gen(8);
    struct Case {
        std::vector<Eigen::Index> sizes;
        Eigen::Index d;
        bool log_size;
    };
    for (const Case& c :
         {Case{{14}, 9, true}, Case{{12}, 30, false}, Case{{9, 11}, 12, true},
          Case{{8, 7}, 30, false}, Case{{6, 7, 5, 8}, 9, true}, Case{{6, 5, 7, 6}, 12, false}}) {
        SCOPED_TRACE(::testing::Message() << c.sizes.size() << " samples, d = " << c.d);
        const SizeVariable size = testing::size_variable(c.log_size);
        std::vector<Eigen::MatrixXd> samples;
        for (Eigen::Index n : c.sizes)
            samples.push_back(growth_sample(n, c.d, 0.4, gen));
        const Eigen::Index permutations = 60;
        RandomStream stream(23);
        const ProcrustesAnova table =
            procrustes_anova(pointers(samples), permutations, size, stream, 2);

        const Designs designs(samples, size);
        const Eigen::Index n = designs.specimens();
        const auto k = static_cast<Eigen::Index>(samples.size());
        const Eigen::MatrixXd& y = designs.y();
        const double total = (y.rowwise() - y.colwise().mean()).squaredNorm();
        const double residual = designs.rss(3, y);
        const double tolerance = 1e-9 * total;
        EXPECT_EQ(table.total_df, n - 1);
        EXPECT_NEAR(table.total_ss, total, tolerance);
        EXPECT_EQ(table.residual_df, n - 2 * k);
        EXPECT_NEAR(table.residual_ss, residual, tolerance);
        EXPECT_NEAR(table.residual_ms, residual / static_cast<double>(n - 2 * k), tolerance);
        EXPECT_NEAR(table.residual_r_squared, residual / total, 1e-9);
        ASSERT_EQ(table.terms.size(), k > 1 ? 3u : 1u);

        // The K permuted datasets of every term: the reduced model's fitted values plus its
        // residuals, row i taking residual idx[i].
        RandomStream direct_stream(23);
        std::vector<std::vector<Eigen::Index>> drawn;
        for (Eigen::Index p = 0; p < permutations; ++p)
            drawn.push_back(draw_permutation(n, direct_stream));
        double explained = 0.0;
        for (std::size_t t = 0; t < table.terms.size(); ++t) {
            const AnovaTerm& term = table.terms[t];
            SCOPED_TRACE(term_label(term.kind));
            const Eigen::Index df = t == 0 ? 1 : k - 1;
            const auto f_of = [&](const Eigen::MatrixXd& data) {
                return ((designs.rss(t, data) - designs.rss(t + 1, data)) /
                        static_cast<double>(df)) /
                       (designs.rss(3, data) / static_cast<double>(n - 2 * k));
            };
            const double ss = designs.rss(t, y) - designs.rss(t + 1, y);
            explained += ss;
            EXPECT_EQ(term.df, df);
            EXPECT_NEAR(term.ss, ss, tolerance);
            EXPECT_NEAR(term.ms, ss / static_cast<double>(df), tolerance);
            EXPECT_NEAR(term.r_squared, ss / total, 1e-9);
            const double observed = f_of(y);
            EXPECT_NEAR(term.f, observed, 1e-8 * observed);

            const Eigen::MatrixXd fitted = designs.fitted(t, y);
            const Eigen::MatrixXd e = y - fitted;
            Eigen::VectorXd values(permutations + 1);
            values(0) = observed;
            for (Eigen::Index p = 0; p < permutations; ++p) {
                Eigen::MatrixXd data = fitted;
                for (Eigen::Index i = 0; i < n; ++i)
                    data.row(i) += e.row(drawn[static_cast<std::size_t>(p)][i]);
                values(p + 1) = f_of(data);
            }
            const double at_least =
                static_cast<double>((values.array() >= observed * (1.0 - 1e-12)).count());
            EXPECT_DOUBLE_EQ(term.test.p_value, at_least / static_cast<double>(permutations + 1));
            const double sd = std::sqrt((values.array() - values.mean()).square().sum() /
                                        static_cast<double>(permutations));
            EXPECT_NEAR(term.test.z, (observed - values.mean()) / sd, 1e-7);
        }
        // The terms and the residual add up to the total.
        EXPECT_NEAR(explained + residual, total, tolerance);
    }
}

// The table's last line is the common slopes' test of the same stream, bit for bit, and the
// terms change none of the slope tests' values.
TEST(ProcrustesAnova, SizeBySampleIsTheTestOfCommonSlopes) {
    std::mt19937 gen(9);
    for (int k : {2, 3}) {
        std::vector<Eigen::MatrixXd> samples;
        for (int g = 0; g < k; ++g)
            samples.push_back(growth_sample(10 + g, 15, 0.3, gen));
        RandomStream alone_stream(5);
        const SlopeComparison alone = compare_growth_slopes(
            pointers(samples), 199, SizeVariable::log_centroid_size, alone_stream, 2);
        RandomStream with_stream(5);
        const SlopeComparison with_terms = compare_growth_slopes(
            pointers(samples), 199, SizeVariable::log_centroid_size, with_stream, 1, true);
        ASSERT_EQ(with_terms.values.cols(), alone.values.cols() + 2);
        EXPECT_TRUE(with_terms.values.leftCols(alone.values.cols()) == alone.values);
        const ProcrustesAnova table =
            anova_table(pointers(samples), SizeVariable::log_centroid_size, with_terms);
        const AnovaTerm& last = table.terms.back();
        EXPECT_EQ(last.kind, AnovaTerm::Kind::size_by_sample);
        EXPECT_EQ(last.f, alone.f);
        EXPECT_EQ(last.test.p_value, alone.f_test.p_value);
        EXPECT_EQ(last.test.z, alone.f_test.z);
        // The same permutations whatever the thread count.
        EXPECT_EQ(alone_stream.next_uniform(), with_stream.next_uniform());
    }
}

// Two samples whose sizes barely overlap, the shape a function of size alone: entered after
// size, sample explains almost nothing; entered first it would take most of size's share.
TEST(ProcrustesAnova, SequentialOrderGivesSizeWhatSizeAndSampleShare) {
    std::mt19937 gen(10);
    const Eigen::MatrixXd base = growth_sample(40, 12, 0.05, gen);
    std::vector<Eigen::Index> order(40);
    std::iota(order.begin(), order.end(), Eigen::Index{0});
    std::sort(order.begin(), order.end(),
              [&](Eigen::Index a, Eigen::Index b) { return base(a, 12) < base(b, 12); });
    std::vector<Eigen::MatrixXd> samples(2, Eigen::MatrixXd(20, 13));
    for (Eigen::Index i = 0; i < 40; ++i)
        samples[static_cast<std::size_t>(i / 20)].row(i % 20) =
            base.row(order[static_cast<std::size_t>(i)]);
    RandomStream stream(1);
    const ProcrustesAnova table =
        procrustes_anova(pointers(samples), 0, SizeVariable::log_centroid_size, stream);
    const Designs designs(samples, SizeVariable::log_centroid_size);
    // Sample alone: own means against the grand mean.
    Eigen::MatrixXd means(40, 2);
    means.setZero();
    means.topRows(20).col(0).setOnes();
    means.bottomRows(20).col(1).setOnes();
    const Eigen::MatrixXd& y = designs.y();
    const double sample_alone =
        designs.rss(0, y) - (y - means * means.colPivHouseholderQr().solve(y)).squaredNorm();
    EXPECT_GT(table.terms[0].r_squared, 0.9);
    EXPECT_LT(table.terms[1].ss, 0.02 * sample_alone);
    EXPECT_GT(sample_alone / table.total_ss, 0.5);
}

// True nulls: the halves of one growth sample have one mean shape at equal size, and coordinates
// drawn apart from size have no allometry. P <= 0.05 must come in about 5 % of cases.
TEST(ProcrustesAnova, TrueNullsHoldTheLevelOfSampleAndSize) {
    std::mt19937 gen(12);
    RandomStream stream(13);
    int sample_rejected = 0, size_rejected = 0;
    constexpr int kCases = 1000;
    const auto rejects = [&](const std::vector<Eigen::MatrixXd>& samples, SizeVariable size,
                             std::size_t term) {
        const ProcrustesAnova table = procrustes_anova(pointers(samples), 99, size, stream, 1);
        return table.terms[term].test.p_value <= 0.05 ? 1 : 0;
    };
    for (int c = 0; c < kCases; ++c) {
        const Eigen::MatrixXd one = growth_sample(24, 12, 0.5, gen);
        sample_rejected +=
            rejects({one.topRows(12), one.bottomRows(12)}, SizeVariable::log_centroid_size, 1);
        Eigen::MatrixXd flat = growth_sample(20, 12, 0.5, gen);
        flat.leftCols(12) = testing::random_matrix(20, 12, gen);
        size_rejected += rejects({flat}, SizeVariable::centroid_size, 0);
    }
    const double sample_share = static_cast<double>(sample_rejected) / kCases;
    const double size_share = static_cast<double>(size_rejected) / kCases;
    std::cout << "true nulls, P <= 0.05: sample term " << 100.0 * sample_share << " %, size term "
              << 100.0 * size_share << " %\n";
    for (const double share : {sample_share, size_share}) {
        EXPECT_GE(share, 0.02);
        EXPECT_LE(share, 0.09);
    }
}

TEST(ProcrustesAnova, RefusesWhatHasNoAnswer) {
    std::mt19937 gen(14);
    RandomStream stream(1);
    const std::vector<Eigen::MatrixXd> none;
    EXPECT_THROW(procrustes_anova(pointers(none), 9, SizeVariable::centroid_size, stream), Error);
    // One sample of two specimens leaves no residual degree of freedom.
    const std::vector<Eigen::MatrixXd> two = {growth_sample(2, 6, 0.1, gen)};
    EXPECT_THROW(procrustes_anova(pointers(two), 9, SizeVariable::centroid_size, stream), Error);
    // Tests run without the terms have nothing for the table.
    const std::vector<Eigen::MatrixXd> pair = {growth_sample(6, 6, 0.1, gen),
                                               growth_sample(6, 6, 0.1, gen)};
    const SlopeComparison plain =
        compare_growth_slopes(pointers(pair), 9, SizeVariable::centroid_size, stream);
    EXPECT_THROW(anova_table(pointers(pair), SizeVariable::centroid_size, plain), Error);
}

}  // namespace
}  // namespace kelmar
