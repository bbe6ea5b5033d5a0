#include "slope_comparison.hpp"

#include "growth_kernels.hpp"
#include "platform/numeric/kernel_set.hpp"
#include "scaled_samples.hpp"

#include "chunk_pipeline.hpp"
#include "growth_vectors.hpp"
#include "ordered_product.hpp"
#include "platform/numeric/error.hpp"
#include "slope_models.hpp"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>

namespace kelmar {
namespace {

using slope_models::Pair;
using slope_models::Plan;
using slope_models::RowMatrix;

constexpr double kDegreesPerRadian = 57.29577951308232;
// Permutations drawn and computed together: at most 64, fewer for very large samples so that a
// chunk's draws stay within about kDrawBudget values. It depends only on the data, so the
// products (and their rounding) are the same whatever the number of threads.
constexpr Eigen::Index kChunk = 64;
constexpr Eigen::Index kDrawBudget = Eigen::Index{1} << 20;
// The values of every statistic are kept for UCL95; beyond this the request is refused.
constexpr double kValuesBudgetBytes = 1024.0 * 1024.0 * 1024.0;

Eigen::Index chunk_size(const Plan& plan, Eigen::Index c) {
    return std::min(plan.chunk, plan.permutations - c * plan.chunk);
}

Eigen::Index statistics(const Plan& plan) {
    return 1 + 3 * static_cast<Eigen::Index>(plan.pairs.size()) +
           static_cast<Eigen::Index>(plan.term_residuals.size());
}

// Working arrays of one thread.
struct Buffers {
    std::vector<Eigen::Index> idx;       // row r takes residual idx[r]
    std::vector<Eigen::Index> row_of;    // residual j goes to row row_of[j]
    std::vector<Eigen::Index> position;  // per permutation, each sample's kept rows r in order
    std::vector<Eigen::Index> value;     // … and the residuals idx[r] they take
    std::vector<Eigen::Index> filled;
    std::vector<Eigen::Index> sample_taking;  // the sample of the row that takes residual j
    std::vector<double> weight_taking;        // … and that row's weight
    std::vector<Eigen::Index> taken;          // one sample's residuals in ascending order
    std::vector<double> weight;               // … and the weights of the rows that take them
    // One sample's Σ E0 and Σ w·E0, the last sample's Σ E0, and Σ Sxx·D.
    Eigen::RowVectorXd sum, slope, last_sum, weighted;
    RowMatrix c;          // one pair's coefficients, a row per permutation
    RowMatrix residuals;  // one pair's residuals about its common slope
    RowMatrix delta;
    Eigen::VectorXd along, squared;
    // The ANOVA's terms: the residuals every sample's rows take, sample by sample in ascending
    // order, with the rows' weights; one term's sums and their combinations.
    std::vector<Eigen::Index> by_sample;
    std::vector<double> by_sample_weight;
    Eigen::RowVectorXd term_sum, term_slope, term_within, term_along_size;
};

// Σ w_j·E0_j into `slope` and, with `sum`, Σ E0_j into it, over the residuals `js` (weights
// `ws`), in the processor's kernel.
void weighted_sums(const RowMatrix& e0, std::span<const Eigen::Index> js,
                   std::span<const double> ws, double* sum, double* slope) {
    const auto kernel = kernel_set() == KernelSet::avx2 ? kernels::avx2::weighted_sums
                                                        : kernels::baseline::weighted_sums;
    kernel(e0.data(), e0.cols(), js.data(), ws.data(), js.size(), sum, slope);
}

// F of the data whose row i takes residual idx[i] of the common-slope model of all samples:
// with S_g = Σ_g E0_idx and D_g = Σ_g w·E0_idx (the permuted data's slopes are b0 + D_g),
//   SS_own = Σ‖E0‖² − Σ ‖S_g‖²/n_g − Σ Sxx_g‖D_g‖²,
//   SS_common − SS_own = Σ Sxx_g‖D_g‖² − ‖Σ Sxx_g D_g‖²/Σ Sxx.
// The residuals are centred within each sample, so all S_g add up to zero and the last sample's
// is taken as minus the others'. Each sample's sums run over its residuals in ascending order,
// so permutations that differ only by exchanging rows of equal weight give the same bits.
double f_statistic(const Plan& plan, Buffers& b) {
    const Eigen::Index n = plan.n;
    for (Eigen::Index r = 0; r < n; ++r)
        b.row_of[static_cast<std::size_t>(b.idx[static_cast<std::size_t>(r)])] = r;
    for (Eigen::Index j = 0; j < n; ++j) {
        const auto i = static_cast<std::size_t>(b.row_of[static_cast<std::size_t>(j)]);
        b.sample_taking[static_cast<std::size_t>(j)] = plan.sample_of[i];
        b.weight_taking[static_cast<std::size_t>(j)] = plan.w(static_cast<Eigen::Index>(i));
    }
    double explained = 0.0;
    double means = 0.0;
    b.weighted.setZero();
    b.last_sum.setZero();
    for (Eigen::Index g = 0; g < plan.k; ++g) {
        // The residuals sample g's rows take, in ascending order; a pass of its own keeps the
        // count in a register.
        std::size_t count = 0;
        for (Eigen::Index j = 0; j < n; ++j) {
            b.taken[count] = j;
            b.weight[count] = b.weight_taking[static_cast<std::size_t>(j)];
            count += b.sample_taking[static_cast<std::size_t>(j)] == g ? 1 : 0;
        }
        const std::span<const Eigen::Index> js(b.taken.data(), count);
        const std::span<const double> ws(b.weight.data(), count);
        if (g + 1 < plan.k) {
            weighted_sums(plan.e0, js, ws, b.sum.data(), b.slope.data());
            b.last_sum -= b.sum;
        } else {
            weighted_sums(plan.e0, js, ws, nullptr, b.slope.data());
            b.sum = b.last_sum;
        }
        explained += plan.sxx(g) * b.slope.squaredNorm();
        means += b.sum.squaredNorm() / static_cast<double>(plan.count[g]);
        b.weighted += plan.sxx(g) * b.slope;
    }
    const double between = explained - b.weighted.squaredNorm() / plan.sxx_total;
    const double own = plan.e0_squared - means - explained;
    if (!(own > 0.0))
        return std::numeric_limits<double>::infinity();
    return (between / static_cast<double>(plan.k - 1)) /
           (own / static_cast<double>(n - 2 * plan.k));
}

// F of the sequential ANOVA's size and sample terms (in values' columns from `column`) for the
// data whose row i takes residual idx[i] of the model before each term. With the sums over
// each sample's rows S_g = Σ_g E_idx and D_g = Σ_g w·E_idx, W = Σ Sxx_g·D_g and
// V = W + Σ m_g·S_g = Σ (s − s̄)·E_idx over all rows:
//   SS_full  = ‖E‖² − Σ ‖S_g‖²/n_g − Σ Sxx_g‖D_g‖² (own means and own slopes),
//   SS_size  = ‖V‖²/Σ(s − s̄)² (one line against the grand mean),
//   SS_sample = Σ ‖S_g‖²/n_g + ‖W‖²/Σ Sxx − ‖V‖²/Σ(s − s̄)² (own means and a common slope
//   against one line).
// Every term's residuals sum to zero, so the grand mean and one line need no sums of their own.
void term_statistics(const Plan& plan, Buffers& b, Eigen::MatrixXd& values, Eigen::Index row,
                     Eigen::Index column) {
    const Eigen::Index n = plan.n;
    for (Eigen::Index r = 0; r < n; ++r)
        b.row_of[static_cast<std::size_t>(b.idx[static_cast<std::size_t>(r)])] = r;
    for (Eigen::Index g = 0; g < plan.k; ++g)
        b.filled[static_cast<std::size_t>(g)] = plan.first[g];
    for (Eigen::Index j = 0; j < n; ++j) {
        const Eigen::Index r = b.row_of[static_cast<std::size_t>(j)];
        const Eigen::Index g = plan.sample_of[static_cast<std::size_t>(r)];
        const auto at = static_cast<std::size_t>(b.filled[static_cast<std::size_t>(g)]++);
        b.by_sample[at] = j;
        b.by_sample_weight[at] = plan.w(r);
    }
    const double residual_df = static_cast<double>(n - 2 * plan.k);
    for (std::size_t t = 0; t < plan.term_residuals.size(); ++t) {
        const RowMatrix& e = plan.term_residuals[t];
        double means = 0.0;
        double explained = 0.0;
        b.term_within.setZero();
        b.term_along_size.setZero();
        for (Eigen::Index g = 0; g < plan.k; ++g) {
            const auto first = static_cast<std::size_t>(plan.first[g]);
            const auto count = static_cast<std::size_t>(plan.count[g]);
            weighted_sums(e, {b.by_sample.data() + first, count},
                          {b.by_sample_weight.data() + first, count}, b.term_sum.data(),
                          b.term_slope.data());
            means += b.term_sum.squaredNorm() / static_cast<double>(count);
            explained += plan.sxx(g) * b.term_slope.squaredNorm();
            b.term_within += plan.sxx(g) * b.term_slope;
            b.term_along_size += plan.mean_size(g) * b.term_sum;
        }
        b.term_along_size += b.term_within;
        const double size_line = b.term_along_size.squaredNorm() / plan.size_squares;
        const double term =
            t == 0 ? size_line : means + b.term_within.squaredNorm() / plan.sxx_total - size_line;
        const double df = t == 0 ? 1.0 : static_cast<double>(plan.k - 1);
        const double full = plan.term_squared[t] - means - explained;
        values(row, column + static_cast<Eigen::Index>(t)) =
            full > 0.0 ? (term / df) / (full / residual_df)
                       : std::numeric_limits<double>::infinity();
    }
}

// The column of the first ANOVA term's F.
Eigen::Index first_term_column(const Plan& plan) {
    return 1 + 3 * static_cast<Eigen::Index>(plan.pairs.size());
}

// Each sample's rows r = 0 … N − 1 in order, and the residuals idx[r] they take, written for
// permutation `p` of a chunk: sample g's entries start at p·N + first_g. Samples are taken by
// the residuals' sample, so each holds exactly its own count.
void sort_by_sample(const Plan& plan, Buffers& b, Eigen::Index p) {
    const auto base = static_cast<std::size_t>(p * plan.n);
    for (Eigen::Index g = 0; g < plan.k; ++g)
        b.filled[static_cast<std::size_t>(g)] = plan.first[g];
    for (Eigen::Index r = 0; r < plan.n; ++r) {
        const Eigen::Index v = b.idx[static_cast<std::size_t>(r)];
        const Eigen::Index g = plan.sample_of[static_cast<std::size_t>(v)];
        const auto at = base + static_cast<std::size_t>(b.filled[static_cast<std::size_t>(g)]++);
        b.position[at] = r;
        b.value[at] = v;
    }
}

// Row `p` of the pair's coefficients for the pair's own permutation: the residuals that rows
// r = 0 … N − 1 take, kept when they are the pair's, go in that order to the pair's rows.
void pair_coefficients(const Plan& plan, const Pair& pair, Buffers& b, Eigen::Index p) {
    double* row = b.c.row(p).data();
    const auto base = static_cast<std::size_t>(p * plan.n);
    const Eigen::Index ng = plan.count[pair.g];
    const Eigen::Index nh = plan.count[pair.h];
    const std::size_t gi = base + static_cast<std::size_t>(plan.first[pair.g]);
    const std::size_t hi = base + static_cast<std::size_t>(plan.first[pair.h]);
    Eigen::Index a = 0, z = 0;
    for (Eigen::Index t = 0; t < pair.n; ++t) {
        const bool from_g = z == nh || (a < ng && b.position[gi + static_cast<std::size_t>(a)] <
                                                      b.position[hi + static_cast<std::size_t>(z)]);
        const Eigen::Index v = from_g ? b.value[gi + static_cast<std::size_t>(a++)]
                                      : b.value[hi + static_cast<std::size_t>(z++)];
        const Eigen::Index local = plan.sample_of[static_cast<std::size_t>(v)] == pair.g
                                       ? v - plan.first[pair.g]
                                       : ng + v - plan.first[pair.h];
        row[local] = pair.c(t);
    }
}

// The pair's residuals about its common slope, Ỹ − s̃·b0, rows of g then of h, into
// `b.residuals`.
void pair_residuals(const Plan& plan, const Pair& pair, Buffers& b) {
    const Eigen::Index ng = plan.count[pair.g];
    const Eigen::Index nh = plan.count[pair.h];
    b.residuals.resize(pair.n, plan.yc.cols());
    b.residuals.topRows(ng) = plan.yc.middleRows(plan.first[pair.g], ng);
    b.residuals.bottomRows(nh) = plan.yc.middleRows(plan.first[pair.h], nh);
    b.residuals.noalias() -= pair.st * pair.b0;
}

// Angle, length difference and distance of the first `count` rows of `b.delta` (each a δ), with
// inflation `lambda`; value r of statistic s goes to out[s][r].
void pair_values(const Plan& plan, const Pair& pair, Buffers& b, Eigen::Index count, double lambda,
                 double* const (&out)[3]) {
    const auto delta = b.delta.topRows(count);
    b.along.noalias() = delta * pair.b0.transpose();
    b.squared.noalias() = delta.rowwise().squaredNorm();
    const double big_b = pair.b0_squared;
    const double u = lambda * pair.share_h;
    const double v = lambda * pair.share_g;
    for (Eigen::Index r = 0; r < count; ++r) {
        const double along = b.along(r);
        const double q = b.squared(r);
        const double g2 = big_b + 2.0 * u * along + u * u * q;
        const double h2 = big_b - 2.0 * v * along + v * v * q;
        const double dot = big_b + (u - v) * along - u * v * q;
        // |g|·|h|·sin θ = λ·√(‖b0‖²‖δ‖² − (b0·δ)²), which keeps small angles accurate.
        const double cross = lambda * std::sqrt(std::max(0.0, big_b * q - along * along));
        out[0][r] = g2 > 0.0 && h2 > 0.0 ? kDegreesPerRadian * std::atan2(cross, dot)
                                         : std::numeric_limits<double>::quiet_NaN();
        out[1][r] = std::fabs(std::sqrt(std::max(0.0, g2)) - std::sqrt(std::max(0.0, h2))) *
                    plan.slope_unit;
        out[2][r] = lambda * std::sqrt(q) * plan.slope_unit;
    }
}

// Two samples: one product gives, for every permutation, the pair's δ and, for F, the sums
// M = Σ s̃·E0 (so Σ Sxx_g·D_g = M) and S_1 = Σ_1 E0 (S_2 = −S_1). With D_1 − D_2 = δ,
//   Σ Sxx_g‖D_g‖² = ‖M‖²/S + (Sxx_1·Sxx_2/S)·‖δ‖²,  SS_common − SS_own = (Sxx_1·Sxx_2/S)·‖δ‖².
template <typename NextIdx>
void two_sample_permutations(const Plan& plan, Buffers& b, Eigen::Index count, NextIdx next_idx,
                             bool inflated, Eigen::MatrixXd& values, Eigen::Index row0) {
    const Pair& pair = plan.pairs.front();
    const Eigen::Index n = plan.n;
    const Eigen::Index n1 = plan.count[0];
    const bool terms = !plan.term_residuals.empty();
    for (Eigen::Index p = 0; p < count; ++p) {
        next_idx(b.idx);
        if (terms)
            term_statistics(plan, b, values, row0 + p, first_term_column(plan));
        double* d = b.c.row(p).data();
        double* m = b.c.row(count + p).data();
        double* s = b.c.row(2 * count + p).data();
        for (Eigen::Index t = 0; t < n; ++t) {
            const Eigen::Index j = b.idx[static_cast<std::size_t>(t)];
            d[j] = pair.c(t);
            m[j] = pair.st(t);
            s[j] = t < n1 ? 1.0 : 0.0;
        }
    }
    pair_residuals(plan, pair, b);
    ordered_product(b.c, 3 * count, b.residuals, b.delta);
    const double total = b.residuals.squaredNorm();
    const double sxx = plan.sxx_total;
    const double share = plan.sxx(0) * plan.sxx(1) / sxx;
    const double means = 1.0 / static_cast<double>(n1) + 1.0 / static_cast<double>(n - n1);
    for (Eigen::Index p = 0; p < count; ++p) {
        const double between = share * b.delta.row(p).squaredNorm();
        const double own = total - b.delta.row(2 * count + p).squaredNorm() * means -
                           b.delta.row(count + p).squaredNorm() / sxx - between;
        values(row0 + p, 0) = own > 0.0 ? between / (own / static_cast<double>(n - 4))
                                        : std::numeric_limits<double>::infinity();
    }
    double* const out[3] = {&values(row0, pair_statistic_column(0, 0)),
                            &values(row0, pair_statistic_column(0, 1)),
                            &values(row0, pair_statistic_column(0, 2))};
    pair_values(plan, pair, b, count, inflated ? pair.lambda : 1.0, out);
}

void prepare(const Plan& plan, Buffers& b, Eigen::Index rows) {
    const auto n = static_cast<std::size_t>(plan.n);
    b.idx.resize(n);
    b.row_of.resize(n);
    if (plan.k > 2) {
        // Each permutation's rows sorted by sample (two samples use idx as it is).
        b.position.resize(n * static_cast<std::size_t>(rows));
        b.value.resize(n * static_cast<std::size_t>(rows));
    }
    b.filled.resize(static_cast<std::size_t>(plan.k));
    b.sample_taking.resize(n);
    b.weight_taking.resize(n);
    b.taken.resize(n);
    b.weight.resize(n);
    b.last_sum.resize(plan.e0.cols());
    b.sum.resize(plan.e0.cols());
    b.slope.resize(plan.e0.cols());
    b.weighted.resize(plan.e0.cols());
    if (!plan.term_residuals.empty()) {
        b.by_sample.resize(n);
        b.by_sample_weight.resize(n);
        const Eigen::Index d = plan.term_residuals.front().cols();
        for (Eigen::RowVectorXd* v :
             {&b.term_sum, &b.term_slope, &b.term_within, &b.term_along_size})
            v->resize(d);
    }
    Eigen::Index widest = 0;
    for (const Pair& p : plan.pairs)
        widest = std::max(widest, p.n);
    // Two samples take three rows a permutation (see two_sample_permutations).
    b.c.resize(plan.k == 2 ? 3 * rows : rows, widest);
}

// Computes `count` permutations whose vectors idx come from `next_idx`, writing value r of
// statistic s to column s of `values` at row `row0 + r`; the pairs' slope deviations are inflated
// by their λ when `inflated`.
template <typename NextIdx>
void compute_permutations(const Plan& plan, Eigen::Index count, NextIdx next_idx, bool inflated,
                          Eigen::MatrixXd& values, Eigen::Index row0) {
    Buffers& b = per_thread<Buffers>();
    prepare(plan, b, count);
    if (plan.k == 2) {
        two_sample_permutations(plan, b, count, next_idx, inflated, values, row0);
        return;
    }
    for (Eigen::Index p = 0; p < count; ++p) {
        next_idx(b.idx);
        // One sample has no slopes to compare, only the ANOVA's size term.
        values(row0 + p, 0) =
            plan.k > 1 ? f_statistic(plan, b) : std::numeric_limits<double>::quiet_NaN();
        if (!plan.term_residuals.empty())
            term_statistics(plan, b, values, row0 + p, first_term_column(plan));
        if (!plan.pairs.empty())
            sort_by_sample(plan, b, p);
    }
    for (std::size_t i = 0; i < plan.pairs.size(); ++i) {
        const Pair& pair = plan.pairs[i];
        b.c.topRows(count).leftCols(pair.n).setZero();
        for (Eigen::Index p = 0; p < count; ++p)
            pair_coefficients(plan, pair, b, p);
        pair_residuals(plan, pair, b);
        ordered_product(b.c, count, b.residuals, b.delta);
        double* const out[3] = {&values(row0, pair_statistic_column(i, 0)),
                                &values(row0, pair_statistic_column(i, 1)),
                                &values(row0, pair_statistic_column(i, 2))};
        pair_values(plan, pair, b, count, inflated ? pair.lambda : 1.0, out);
    }
}

class PermutationWork final : public ChunkWork {
  public:
    PermutationWork(const Plan& plan, RandomStream& stream, Eigen::Index slots,
                    Eigen::MatrixXd& values)
        : plan_(plan), stream_(stream), values_(values), ring_(static_cast<std::size_t>(slots)) {
        for (std::vector<double>& draws : ring_)
            draws.resize(static_cast<std::size_t>(plan.chunk * (plan.n - 1)));
    }

    void draw(Eigen::Index c, std::size_t slot) override {
        const auto count = static_cast<std::size_t>(chunk_size(plan_, c) * (plan_.n - 1));
        stream_.fill_uniform(std::span<double>(ring_[slot].data(), count));
    }

    void compute(Eigen::Index c, std::size_t slot) override {
        const double* u = ring_[slot].data();
        const Eigen::Index n = plan_.n;
        // idx = 0 … N − 1, then for i = N down to 2 exchange idx[i − 1] and idx[floor(u·i)].
        const auto shuffle = [&u, n](std::vector<Eigen::Index>& idx) {
            std::iota(idx.begin(), idx.end(), Eigen::Index{0});
            for (Eigen::Index i = n; i >= 2; --i) {
                // u < 1, so u·i rounds below i; the bound only guards that reasoning.
                const auto j =
                    std::min(static_cast<Eigen::Index>(*u++ * static_cast<double>(i)), i - 1);
                std::swap(idx[static_cast<std::size_t>(i - 1)], idx[static_cast<std::size_t>(j)]);
            }
        };
        compute_permutations(plan_, chunk_size(plan_, c), shuffle, true, values_,
                             1 + c * plan_.chunk);
    }

  private:
    const Plan& plan_;
    RandomStream& stream_;
    Eigen::MatrixXd& values_;
    std::vector<std::vector<double>> ring_;
};

PermutedStatistic summarise(const Eigen::Ref<const Eigen::VectorXd>& v) {
    PermutedStatistic s;
    const Eigen::Index total = v.size();
    const Eigen::Index k = total - 1;
    s.observed = v(0);
    s.p_value = static_cast<double>((v.array() >= s.observed).count()) / static_cast<double>(total);
    std::vector<double> sorted(v.data(), v.data() + total);
    // ceil(0.95·(K + 1)) in whole numbers, free of the rounding of 0.95.
    const Eigen::Index position = (95 * total + 99) / 100;
    std::nth_element(sorted.begin(), sorted.begin() + (position - 1), sorted.end());
    s.ucl95 = sorted[static_cast<std::size_t>(position - 1)];
    const double mean = v.mean();
    const double sd = std::sqrt((v.array() - mean).square().sum() / static_cast<double>(k));
    s.z = sd > 0.0 ? (s.observed - mean) / sd : std::numeric_limits<double>::quiet_NaN();
    return s;
}

}  // namespace

SlopeComparison compare_growth_slopes(std::span<const Eigen::MatrixXd* const> samples,
                                      Eigen::Index permutations, SizeVariable size,
                                      RandomStream& stream, int threads, bool with_anova_terms) {
    if (permutations < 0) {
        throw Error("the number of permutations must be at least 1, given " +
                    std::to_string(permutations));
    }
    // Coordinates or sizes of extreme magnitude are scaled by powers of two first, as the angle
    // between samples scales them, so that no output fails where the angle succeeds.
    const ScaledSamples scaled(samples, size, true);
    Plan plan = slope_models::make_plan(scaled.samples(), size, with_anova_terms);
    plan.permutations = permutations;
    plan.chunk = std::clamp<Eigen::Index>(kDrawBudget / plan.n, 1, kChunk);
    // Each sample's unit growth vector, exactly as the angle between samples takes it; this
    // also refuses whatever leaves one undefined.
    const std::vector<Eigen::VectorXd> directions = growth_vectors(samples, size);
    const Eigen::Index stats = statistics(plan);
    if (8.0 * static_cast<double>(stats) * static_cast<double>(permutations + 1) >
        kValuesBudgetBytes) {
        throw Error(std::to_string(permutations) + " permutations of " + std::to_string(plan.k) +
                    " samples would keep more values than memory allows (" + std::to_string(stats) +
                    " statistics); ask for fewer permutations");
    }
    SlopeComparison result;
    result.permutations = permutations;
    result.values.resize(permutations + 1, stats);
    // The observed values: the same computation with every row keeping its own residual and
    // no inflation.
    const auto identity = [](std::vector<Eigen::Index>& idx) {
        std::iota(idx.begin(), idx.end(), Eigen::Index{0});
    };
    compute_permutations(plan, 1, identity, false, result.values, 0);
    const double observed_f = result.values(0, 0);
    const auto terms = static_cast<Eigen::Index>(plan.term_residuals.size());
    if ((plan.k > 1 && !std::isfinite(observed_f)) ||
        !result.values.row(0).segment(first_term_column(plan), terms).allFinite()) {
        throw Error(
            "the samples' coordinates lie exactly on their own growth lines, so there is no "
            "scatter to test the slopes against");
    }

    if (permutations > 0) {
        const Eigen::Index chunks = (permutations + plan.chunk - 1) / plan.chunk;
        threads =
            std::max(1, static_cast<int>(std::min<Eigen::Index>(thread_count(threads), chunks)));
        const Eigen::Index slot_bytes =
            plan.chunk * (plan.n - 1) * static_cast<Eigen::Index>(sizeof(double));
        const Eigen::Index slots = ring_slots(slot_bytes, chunks, threads);
        PermutationWork work(plan, stream, slots, result.values);
        run_chunks(work, chunks, slots, threads);
    }

    for (std::size_t i = 0; i < plan.pairs.size(); ++i) {
        if (result.values.col(pair_statistic_column(i, 0)).hasNaN()) {
            throw Error(
                "a permutation left a sample with slopes of zero on every coordinate, so its "
                "angle is undefined and the test has no answer for these data");
        }
    }
    if (scaled.slope_factor(0) != 1.0) {
        for (std::size_t i = 0; i < plan.pairs.size(); ++i) {
            result.values.col(pair_statistic_column(i, 1)) *= scaled.slope_factor(0);
            result.values.col(pair_statistic_column(i, 2)) *= scaled.slope_factor(0);
        }
    }
    result.f = observed_f;
    if (permutations > 0 && plan.k > 1)
        result.f_test = summarise(result.values.col(0));
    for (Eigen::Index t = 0; t < terms; ++t) {
        const Eigen::Index column = first_term_column(plan) + t;
        PermutedStatistic term;
        term.observed = result.values(0, column);
        result.terms.push_back(permutations > 0 ? summarise(result.values.col(column)) : term);
    }
    for (std::size_t i = 0; i < plan.pairs.size(); ++i) {
        const Pair& pair = plan.pairs[i];
        PairwiseSlopes out;
        out.a = static_cast<int>(pair.g + 1);
        out.b = static_cast<int>(pair.h + 1);
        out.angle = growth_angle(directions[static_cast<std::size_t>(pair.g)],
                                 directions[static_cast<std::size_t>(pair.h)]);
        out.length_difference = result.values(0, pair_statistic_column(i, 1));
        out.distance = result.values(0, pair_statistic_column(i, 2));
        if (permutations > 0) {
            out.angle_test = summarise(result.values.col(pair_statistic_column(i, 0)));
            out.length_test = summarise(result.values.col(pair_statistic_column(i, 1)));
            out.distance_test = summarise(result.values.col(pair_statistic_column(i, 2)));
        }
        result.pairs.push_back(out);
    }
    return result;
}

}  // namespace kelmar
