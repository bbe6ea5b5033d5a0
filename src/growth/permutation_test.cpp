#include "permutation_test.hpp"

#include "chunk_pipeline.hpp"
#include "growvecn.hpp"
#include "least_squares.hpp"
#include "platform/numeric/error.hpp"
#include "platform/numeric/safe_scale.hpp"

#include <Eigen/QR>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <numeric>
#include <span>
#include <string>
#include <vector>

namespace kelmar {
namespace {

constexpr double kDegreesPerRadian = 57.29577951308232;
// Permutations drawn and computed together: at most 64, fewer for very large samples so that a
// chunk's draws and weights stay within about kDrawBudget values. It depends only on the data,
// so the products (and their rounding) are the same whatever the number of threads.
constexpr Eigen::Index kChunk = 64;
constexpr Eigen::Index kDrawBudget = Eigen::Index{1} << 20;

using RowMatrix = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;

// The null model and what every permutation shares. A permuted dataset's group slopes are
// b0 + Σ_(i in g) wᵢ·E0[idx[i]]: the null model's fitted rows contribute exactly b0, because the
// weights wᵢ = s̃ᵢ/Σ_g s̃² sum to 0 and weigh s̃ to 1 in each group. So all of a chunk's slopes are
// one dense product of a weight matrix with the rows of E0 and b0.
struct Plan {
    Eigen::Index n1 = 0;
    Eigen::Index n = 0;
    Eigen::Index permutations = 0;
    Eigen::Index chunk = kChunk;
    Eigen::VectorXd w;  // each specimen's weight in its group's slopes
    // Rows 0..n−1: the null residuals E0; row n: the common slope b0 (in an orthonormal frame of
    // their span when that is smaller than the coordinates).
    Eigen::MatrixXd basis;
};

Eigen::VectorXd size_variable(const Eigen::Ref<const Eigen::MatrixXd>& x, BootstrapKind kind) {
    return kind == BootstrapKind::LogSize ? log_size_column(x) : size_column(x);
}

Plan make_plan(const Eigen::Ref<const Eigen::MatrixXd>& x1,
               const Eigen::Ref<const Eigen::MatrixXd>& x2, Eigen::Index permutations,
               BootstrapKind kind) {
    Plan plan;
    plan.n1 = x1.rows();
    plan.n = x1.rows() + x2.rows();
    plan.permutations = permutations;
    plan.chunk = std::clamp<Eigen::Index>(kDrawBudget / plan.n, 1, kChunk);
    const Eigen::Index d = x1.cols() - 1;

    // Angles do not depend on the scale of the coordinates or of the sizes, so magnitudes near
    // 1e306 or 1e-300 are brought near 1 by one power of two for both groups (exact; ordinary
    // data get 1).
    Eigen::MatrixXd y(plan.n, d);
    y << x1.leftCols(d), x2.leftCols(d);
    y *= safe_scale_of(y);
    Eigen::VectorXd s(plan.n);
    s << size_variable(x1, kind), size_variable(x2, kind);
    if (kind == BootstrapKind::CentroidSize)
        s *= safe_scale_of(s);

    // Centre sizes and coordinates within each group; the centred sizes give the weights.
    Eigen::VectorXd centred_s(plan.n);
    plan.w.resize(plan.n);
    for (const auto& [first, count] :
         {std::pair{Eigen::Index{0}, plan.n1}, std::pair{plan.n1, plan.n - plan.n1}}) {
        const auto group = s.segment(first, count);
        const double mean = group.mean();
        centred_s.segment(first, count) = group.array() - mean;
        const Eigen::RowVectorXd y_mean = y.middleRows(first, count).colwise().mean();
        y.middleRows(first, count).rowwise() -= y_mean;
        const std::span<const double> sizes(group.data(), static_cast<std::size_t>(count));
        if (!slope_weights(sizes, {plan.w.data() + first, static_cast<std::size_t>(count)})) {
            throw Error("the sizes of sample " + std::string(first == 0 ? "1" : "2") +
                        " do not vary, so it has no growth slope to permute");
        }
    }
    // The common slope and the residuals about it, E0 = Ỹ − s̃·b0, in place.
    const Eigen::RowVectorXd b0 = (centred_s.transpose() * y) / centred_s.squaredNorm();
    y.noalias() -= centred_s * b0;

    if (plan.n + 1 >= d) {
        plan.basis.resize(plan.n + 1, d);
        plan.basis << y, b0;
    } else {
        // [E0; b0]ᵀ = Q·U with Q (d × (n + 1)) orthonormal: every weighted sum of the rows keeps
        // its lengths and dot products in U's n + 1 coordinates instead of d.
        Eigen::MatrixXd rows(d, plan.n + 1);
        rows << y.transpose(), b0.transpose();
        const Eigen::HouseholderQR<Eigen::MatrixXd> qr(rows);
        plan.basis = qr.matrixQR().topRows(plan.n + 1).triangularView<Eigen::Upper>();
        plan.basis.transposeInPlace();
    }
    return plan;
}

Eigen::Index chunk_size(const Plan& plan, Eigen::Index c) {
    return std::min(plan.chunk, plan.permutations - c * plan.chunk);
}

Eigen::Index draws_per_permutation(const Plan& plan) {
    return plan.n - 1;
}

// Turns a chunk's draws into its permutations, weight matrices and angles. Row r of the weight
// matrix holds the first group's weights of permutation r at the residual rows it takes, row
// count + r the second group's, and both a last 1 that adds b0.
class Computer {
  public:
    struct Buffers {
        RowMatrix a;
        std::vector<Eigen::Index> idx;
        Eigen::MatrixXd v;
        Eigen::VectorXd dots, norms1, norms2;
    };

    explicit Computer(const Plan& plan) : plan_(plan), b_(per_thread<Buffers>()) {
        b_.a.resize(2 * plan.chunk, plan.n + 1);
        b_.idx.resize(static_cast<std::size_t>(plan.n));
    }

    // Returns false when a permutation left a group slope of zero length (no angle).
    bool compute(const double* u, Eigen::Index count, double* angles) {
        const Eigen::Index n = plan_.n;
        b_.a.topRows(2 * count).setZero();
        for (Eigen::Index r = 0; r < count; ++r) {
            shuffle(u + r * draws_per_permutation(plan_));
            double* row1 = b_.a.row(r).data();
            double* row2 = b_.a.row(count + r).data();
            for (Eigen::Index i = 0; i < plan_.n1; ++i)
                row1[b_.idx[static_cast<std::size_t>(i)]] = plan_.w(i);
            for (Eigen::Index i = plan_.n1; i < n; ++i)
                row2[b_.idx[static_cast<std::size_t>(i)]] = plan_.w(i);
            row1[n] = 1.0;
            row2[n] = 1.0;
        }
        b_.v.noalias() = b_.a.topRows(2 * count) * plan_.basis;
        const auto v1 = b_.v.topRows(count);
        const auto v2 = b_.v.middleRows(count, count);
        b_.dots.noalias() = v1.cwiseProduct(v2).rowwise().sum();
        b_.norms1.noalias() = v1.rowwise().squaredNorm();
        b_.norms2.noalias() = v2.rowwise().squaredNorm();
        bool all = true;
        for (Eigen::Index r = 0; r < count; ++r) {
            const double n1 = b_.norms1(r);
            const double n2 = b_.norms2(r);
            all = all && n1 > 0.0 && n2 > 0.0;
            const double cosine =
                std::clamp(b_.dots(r) / (std::sqrt(n1) * std::sqrt(n2)), -1.0, 1.0);
            angles[r] = kDegreesPerRadian * std::acos(cosine);
        }
        return all;
    }

  private:
    // idx = 0 .. n − 1, then for i = n down to 2 swap idx[i − 1] with idx[floor(u·i)].
    void shuffle(const double* u) {
        std::iota(b_.idx.begin(), b_.idx.end(), Eigen::Index{0});
        for (Eigen::Index i = plan_.n; i >= 2; --i) {
            // u < 1, so u·i rounds below i; the bound only guards that reasoning.
            const auto j =
                std::min(static_cast<Eigen::Index>(*u++ * static_cast<double>(i)), i - 1);
            std::swap(b_.idx[static_cast<std::size_t>(i - 1)], b_.idx[static_cast<std::size_t>(j)]);
        }
    }

    const Plan& plan_;
    Buffers& b_;
};

class PermutationWork final : public ChunkWork {
  public:
    PermutationWork(const Plan& plan, RandomStream& stream, Eigen::Index slots, double* angles)
        : plan_(plan), stream_(stream), angles_(angles), ring_(static_cast<std::size_t>(slots)) {
        for (std::vector<double>& draws : ring_)
            draws.resize(static_cast<std::size_t>(plan.chunk * draws_per_permutation(plan)));
    }

    void draw(Eigen::Index c, std::size_t slot) override {
        const auto count =
            static_cast<std::size_t>(chunk_size(plan_, c) * draws_per_permutation(plan_));
        stream_.fill_uniform(std::span<double>(ring_[slot].data(), count));
    }

    void compute(Eigen::Index c, std::size_t slot) override {
        Computer computer(plan_);
        if (!computer.compute(ring_[slot].data(), chunk_size(plan_, c), angles_ + c * plan_.chunk))
            without_angle_ = true;
    }

    bool without_angle() const { return without_angle_; }

  private:
    const Plan& plan_;
    RandomStream& stream_;
    double* angles_;
    std::vector<std::vector<double>> ring_;
    std::atomic<bool> without_angle_{false};
};

}  // namespace

PermutationResult permutation_test(const Eigen::Ref<const Eigen::MatrixXd>& x1,
                                   const Eigen::Ref<const Eigen::MatrixXd>& x2,
                                   Eigen::Index permutations, BootstrapKind kind,
                                   RandomStream& stream, int threads) {
    if (permutations < 1) {
        throw Error("the number of permutations must be at least 1, given " +
                    std::to_string(permutations));
    }
    if (x1.cols() != x2.cols()) {
        throw Error("the samples have different landmark counts (" +
                    std::to_string((x1.cols() - 1) / 3) + " and " +
                    std::to_string((x2.cols() - 1) / 3) +
                    "), so their growth vectors cannot be "
                    "compared");
    }
    // The observed angle exactly as the angle between the samples is computed; this also refuses
    // whatever leaves either growth vector undefined.
    const bool log_size = kind == BootstrapKind::LogSize;
    PermutationResult result;
    result.permutations = permutations;
    result.angle = growth_angle(growth_vector(x1, log_size), growth_vector(x2, log_size));

    const Plan plan = make_plan(x1, x2, permutations, kind);
    result.values.resize(permutations + 1);
    result.values(0) = result.angle;
    const Eigen::Index chunks = (permutations + plan.chunk - 1) / plan.chunk;
    threads = std::max(1, static_cast<int>(std::min<Eigen::Index>(thread_count(threads), chunks)));
    const Eigen::Index slot_bytes =
        plan.chunk * draws_per_permutation(plan) * static_cast<Eigen::Index>(sizeof(double));
    const Eigen::Index slots = ring_slots(slot_bytes, chunks, threads);
    PermutationWork work(plan, stream, slots, result.values.data() + 1);
    run_chunks(work, chunks, slots, threads);
    if (work.without_angle()) {
        throw Error(
            "a permutation left a group with slopes of zero on every coordinate, so its angle "
            "is undefined and the test has no answer for these data");
    }

    const Eigen::VectorXd& v = result.values;
    const Eigen::Index total = permutations + 1;
    result.p_value =
        static_cast<double>((v.array() >= result.angle).count()) / static_cast<double>(total);
    std::vector<double> sorted(v.data(), v.data() + total);
    // ceil(0.95·(K + 1)) in whole numbers, free of the rounding of 0.95.
    const Eigen::Index position = (95 * total + 99) / 100;
    std::nth_element(sorted.begin(), sorted.begin() + (position - 1), sorted.end());
    result.ucl95 = sorted[static_cast<std::size_t>(position - 1)];
    const double mean = v.mean();
    const double sd =
        std::sqrt((v.array() - mean).square().sum() / static_cast<double>(permutations));
    result.z = sd > 0.0 ? (result.angle - mean) / sd : std::numeric_limits<double>::quiet_NaN();
    return result;
}

}  // namespace kelmar
