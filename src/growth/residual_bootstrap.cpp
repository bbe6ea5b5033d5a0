#include "residual_bootstrap.hpp"

#include "chunk_pipeline.hpp"
#include "growth_kernels.hpp"
#include "least_squares.hpp"
#include "ordered_product.hpp"
#include "platform/numeric/error.hpp"
#include "platform/numeric/kernel_set.hpp"
#include "platform/numeric/safe_scale.hpp"
#include "sorted_by_size.hpp"
#include "worker_pool.hpp"

#include <Eigen/QR>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <span>
#include <string>
#include <vector>

namespace kelmar {
namespace {

// Replicates drawn and computed together: at most 64, fewer for very large samples so that a
// chunk's draws stay within kDrawBudget. It depends only on the sample, so the products (and
// their rounding) are the same whatever the number of threads.
constexpr Eigen::Index kChunk = 64;
constexpr Eigen::Index kDrawBudget = Eigen::Index{1} << 20;

using RowMatrix = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;

// What every replicate shares.
struct Plan {
    SizeVariable size_variable;
    Eigen::Index n = 0;
    Eigen::Index n2 = 0;
    Eigen::Index nboots = 0;
    Eigen::Index chunk = kChunk;         // replicates per chunk
    Eigen::VectorXd s;                   // size variable of the size-sorted specimens
    Eigen::VectorXd w1;                  // weight of each row of the first set in its slopes
    Eigen::VectorXd w2;                  // on centroid size: weight of each row of the second set
    bool second_set_degenerate = false;  // on centroid size: the n2 smallest sizes are all equal
    // Rows 0..n−1: the residual rows in an orthonormal frame; row n: the sample's slopes in it
    // (row by row, as the product of the replicates takes it).
    RowMatrix basis;
    double outside = 0.0;  // squared length of the slopes outside that frame
};

// Four replicates' second sets side by side, each set's slope weights by the same operations as
// slope_weights, so with the same bits (the processor's kernel runs the four together).
using Lanes = double __attribute__((vector_size(4 * sizeof(double))));
constexpr int kLanes = 4;

void slope_weights_lanes(Lanes* tw, std::size_t count, bool (&varies)[kLanes]) {
    const auto kernel = kernel_set() == KernelSet::avx2 ? kernels::avx2::slope_weights_4
                                                        : kernels::baseline::slope_weights_4;
    kernel(reinterpret_cast<double*>(tw), count, varies);
}

std::span<double> span_of(Eigen::VectorXd& v) {
    return {v.data(), static_cast<std::size_t>(v.size())};
}

Eigen::Index draws_per_replicate(const Plan& plan) {
    return plan.n + (plan.size_variable == SizeVariable::log_centroid_size ? 2 * plan.n2 : plan.n2);
}

Plan make_plan(const Eigen::Ref<const Eigen::MatrixXd>& x, Eigen::Index nboots, Eigen::Index n2,
               SizeVariable size_variable) {
    if (nboots < 1) {
        throw Error("the number of bootstrap replicates must be at least 1, given " +
                    std::to_string(nboots));
    }
    if (x.rows() < 1 || n2 < 1 || n2 > x.rows()) {
        throw Error("the second resampled set must hold 1 to " + std::to_string(x.rows()) +
                    " specimens (the sample's count), given " + std::to_string(n2));
    }
    // Sizes are checked in the caller's row order, so a message names the specimen as loaded.
    const Eigen::VectorXd unsorted_s = size_values(x, size_variable);

    Plan plan;
    plan.size_variable = size_variable;
    plan.n = x.rows();
    plan.n2 = n2;
    plan.nboots = nboots;
    plan.chunk = std::clamp<Eigen::Index>(kDrawBudget / draws_per_replicate(plan), 1, kChunk);
    const std::vector<Eigen::Index> order = size_order(x);
    const Eigen::Index d = x.cols() - 1;
    // Angles do not depend on the scale of the coordinates or of the sizes, so magnitudes near
    // 1e306 or 1e-300 are brought near 1 by powers of two (exact; ordinary data get 1).
    const double x_scale = safe_scale_of(x.leftCols(d));
    plan.s.resize(plan.n);
    for (Eigen::Index i = 0; i < plan.n; ++i)
        plan.s(i) = unsorted_s(order[static_cast<std::size_t>(i)]);
    if (size_variable == SizeVariable::centroid_size)
        plan.s *= safe_scale_of(plan.s);

    // The size-sorted coordinates become their residuals in place: in the basis itself when it
    // holds them, so the sample is copied once.
    Eigen::MatrixXd residual_rows;
    const bool direct = plan.n >= d;
    Eigen::MatrixXd basis;
    Eigen::MatrixXd& rows = direct ? basis : residual_rows;
    rows.resize(direct ? plan.n + 1 : plan.n, d);
    for (Eigen::Index i = 0; i < plan.n; ++i)
        rows.row(i) = x.row(order[static_cast<std::size_t>(i)]).head(d) * x_scale;
    auto residuals = rows.topRows(plan.n);
    const Eigen::VectorXd b = least_squares_lines(residuals, plan.s).col(0);
    // Residuals from the fitted rows x̄ + (s_i − s̄)·b, the line written about its centre: the
    // form s_i·b + a cancels away digits when the sizes barely vary and the slopes are large.
    const double s_mean = plan.s.mean();
    for (Eigen::Index j = 0; j < d; ++j) {
        const double x_mean = residuals.col(j).mean();
        for (Eigen::Index i = 0; i < plan.n; ++i)
            residuals(i, j) -= x_mean + (plan.s(i) - s_mean) * b(j);
    }

    plan.w1.resize(plan.n);
    slope_weights(span_of(plan.s),
                  span_of(plan.w1));  // the sample's sizes vary: least_squares_lines checked it
    if (size_variable == SizeVariable::centroid_size) {
        plan.w2.resize(n2);
        plan.second_set_degenerate =
            !slope_weights(span_of(plan.s).first(static_cast<std::size_t>(n2)), span_of(plan.w2));
    }

    if (direct) {
        basis.row(plan.n) = b.transpose();
    } else {
        // residualsᵀ = Q·U with Q (d × n) orthonormal, so a weighted sum of residual rows Rᵀw
        // is Q·(U·w): lengths and dot products are those of U·w, n numbers instead of d.
        const Eigen::HouseholderQR<Eigen::MatrixXd> qr(residuals.transpose());
        const Eigen::MatrixXd q = qr.householderQ() * Eigen::MatrixXd::Identity(d, plan.n);
        const Eigen::MatrixXd u = qr.matrixQR().topRows(plan.n).triangularView<Eigen::Upper>();
        const Eigen::VectorXd c = q.transpose() * b;
        basis.resize(plan.n + 1, plan.n);
        basis.topRows(plan.n) = u.transpose();
        basis.row(plan.n) = c.transpose();
        plan.outside = (b - q * c).squaredNorm();
    }
    plan.basis = basis;
    return plan;
}

// The draws of a chunk of replicates, in the stream's order, as the 1-based row indexes
// k = ceil(u · n) that every draw of the bootstrap becomes.
using ChunkDraws = std::vector<std::int32_t>;

Eigen::Index chunk_size(const Plan& plan, Eigen::Index c) {
    return std::min(plan.chunk, plan.nboots - c * plan.chunk);
}

void draw_chunk(const Plan& plan, RandomStream& stream, Eigen::Index c, ChunkDraws& draws) {
    const auto count = static_cast<std::size_t>(chunk_size(plan, c) * draws_per_replicate(plan));
    stream.fill_indices(std::span<std::int32_t>(draws.data(), count),
                        static_cast<std::int32_t>(plan.n));
}

// Turns a chunk's draws into its weight matrices and then into its angles. Only the drawing must
// follow the stream's order; this may run on any thread. Row r of a1 (a2) holds, for every
// residual row, the summed weight it gets in the first (second) set of replicate r, and a last
// column of 1 that adds the sample's slopes.
class Computer {
  public:
    // The working arrays live with the thread, so a pool thread reuses them from call to call.
    struct Buffers {
        RowMatrix a;
        std::vector<unsigned char> degenerate;
        std::vector<Lanes> t;  // sizes of four replicates' second sets, then their weights
        RowMatrix v;
        Eigen::VectorXd dots, norms1, norms2;
    };

    explicit Computer(const Plan& plan) : plan_(plan), b_(per_thread<Buffers>()) {
        b_.a.resize(2 * plan.chunk, plan.n + 1);
        b_.degenerate.resize(static_cast<std::size_t>(plan.chunk));
        b_.t.resize(static_cast<std::size_t>(plan.n2));
    }

    void compute(const ChunkDraws& draws, Eigen::Index count, double* angles) {
        weights(draws, count);
        // One product for both sets: rows [0, count) are the first sets, [count, 2·count) the
        // second sets; each row summed in one fixed order, in the processor's kernel.
        ordered_product(b_.a, 2 * count, plan_.basis, b_.v);
        const auto v1 = b_.v.topRows(count);
        const auto v2 = b_.v.middleRows(count, count);
        Eigen::VectorXd& dots = b_.dots;
        Eigen::VectorXd& norms1 = b_.norms1;
        Eigen::VectorXd& norms2 = b_.norms2;
        dots.noalias() = v1.cwiseProduct(v2).rowwise().sum();
        norms1.noalias() = v1.rowwise().squaredNorm();
        norms2.noalias() = v2.rowwise().squaredNorm();
        constexpr double kPi = 3.141592653589793;
        for (Eigen::Index r = 0; r < count; ++r) {
            const double n1 = norms1(r) + plan_.outside;
            const double n2 = norms2(r) + plan_.outside;
            if (b_.degenerate[static_cast<std::size_t>(r)] || n1 == 0.0 || n2 == 0.0) {
                angles[r] = std::numeric_limits<double>::quiet_NaN();
                continue;
            }
            // Rounding can carry the cosine of unit vectors just outside [-1, 1].
            const double cosine =
                std::clamp((dots(r) + plan_.outside) / (std::sqrt(n1) * std::sqrt(n2)), -1.0, 1.0);
            angles[r] = std::acos(cosine) * 180.0 / kPi;
        }
    }

  private:
    void weights(const ChunkDraws& draws, Eigen::Index count) {
        const Eigen::Index n = plan_.n;
        const Eigen::Index per_replicate = draws_per_replicate(plan_);

        b_.a.topRows(2 * count).setZero();
        for (Eigen::Index r = 0; r < count; ++r) {
            // Indexes are 1-based; the rows below are shifted by one to take them as they are.
            const std::int32_t* k = draws.data() + r * per_replicate;
            double* row1 = b_.a.row(r).data() - 1;
            for (Eigen::Index j = 0; j < n; ++j)
                row1[k[j]] += plan_.w1(j);
            row1[n + 1] = 1.0;
            double* row2 = b_.a.row(count + r).data() - 1;
            row2[n + 1] = 1.0;
            if (plan_.size_variable == SizeVariable::centroid_size) {
                for (Eigen::Index q = 0; q < plan_.n2; ++q)
                    row2[k[n + q]] += plan_.w2(q);
                b_.degenerate[static_cast<std::size_t>(r)] = plan_.second_set_degenerate ? 1 : 0;
            }
        }
        if (plan_.size_variable == SizeVariable::log_centroid_size) {
            for (Eigen::Index r0 = 0; r0 < count; r0 += kLanes)
                log_size_second_sets(draws, r0, std::min<Eigen::Index>(kLanes, count - r0), count);
        }
    }

    // The second sets of replicates r0 .. r0 + lanes − 1 on log size: each row draws its fitted
    // row, then its residual row, and the set's sizes are those of its fitted rows.
    void log_size_second_sets(const ChunkDraws& draws, Eigen::Index r0, Eigen::Index lanes,
                              Eigen::Index count) {
        const Eigen::Index n = plan_.n;
        const Eigen::Index per_replicate = draws_per_replicate(plan_);
        const auto n2 = static_cast<std::size_t>(plan_.n2);
        // Lanes beyond the chunk repeat its first replicate and are not used.
        const std::int32_t* k[kLanes];
        for (Eigen::Index lane = 0; lane < kLanes; ++lane)
            k[lane] = draws.data() + (r0 + (lane < lanes ? lane : 0)) * per_replicate + n;
        for (std::size_t q = 0; q < n2; ++q) {
            for (int lane = 0; lane < kLanes; ++lane)
                b_.t[q][lane] = plan_.s(k[lane][2 * q] - 1);
        }
        bool varies[kLanes];
        slope_weights_lanes(b_.t.data(), n2, varies);
        for (Eigen::Index lane = 0; lane < lanes; ++lane) {
            const Eigen::Index r = r0 + lane;
            b_.degenerate[static_cast<std::size_t>(r)] = varies[lane] ? 0 : 1;
            if (!varies[lane])
                continue;
            double* row2 = b_.a.row(count + r).data() - 1;
            for (std::size_t q = 0; q < n2; ++q)
                row2[k[lane][2 * q + 1]] += b_.t[q][lane];
        }
    }

    const Plan& plan_;
    Buffers& b_;
};

// The bootstrap as chunks of the shared pipeline. The draw buffers stay with the calling thread
// from call to call.
class BootstrapWork final : public ChunkWork {
  public:
    BootstrapWork(const Plan& plan, RandomStream& stream, Eigen::Index slots, double* angles)
        : plan_(plan),
          stream_(stream),
          angles_(angles),
          ring_(per_thread<std::vector<ChunkDraws>>()) {
        ring_.resize(static_cast<std::size_t>(slots));
        for (ChunkDraws& draws : ring_)
            draws.resize(static_cast<std::size_t>(plan.chunk * draws_per_replicate(plan)));
    }

    void draw(Eigen::Index c, std::size_t slot) override {
        draw_chunk(plan_, stream_, c, ring_[slot]);
    }

    void compute(Eigen::Index c, std::size_t slot) override {
        Computer computer(plan_);
        computer.compute(ring_[slot], chunk_size(plan_, c), angles_ + c * plan_.chunk);
    }

  private:
    const Plan& plan_;
    RandomStream& stream_;
    double* angles_;
    std::vector<ChunkDraws>& ring_;
};

// Ascending order, the replicates without a slope (NaN) after every number. Angles lie in
// [0, 180] and the NaN written above is positive, so the IEEE bit patterns, read as unsigned
// integers, order exactly as wanted: a radix sort on them needs no comparisons.
void sort_angles(Eigen::RowVectorXd& angles) {
    const std::size_t n = static_cast<std::size_t>(angles.size());
    std::vector<std::uint64_t> keys(n), scratch(n);
    std::memcpy(keys.data(), angles.data(), n * sizeof(double));
    constexpr int kBits = 11;
    constexpr std::uint64_t kMask = (1u << kBits) - 1;
    std::vector<std::size_t> counts(kMask + 2);
    for (int shift = 0; shift < 64; shift += kBits) {
        std::fill(counts.begin(), counts.end(), 0);
        for (std::uint64_t k : keys)
            ++counts[((k >> shift) & kMask) + 1];
        if (std::find(counts.begin(), counts.end(), n) != counts.end())
            continue;  // one digit
        for (std::size_t d = 1; d < counts.size(); ++d)
            counts[d] += counts[d - 1];
        for (std::uint64_t k : keys)
            scratch[counts[(k >> shift) & kMask]++] = k;
        keys.swap(scratch);
    }
    std::memcpy(angles.data(), keys.data(), n * sizeof(double));
}

}  // namespace

void start_bootstrap_threads(int threads) {
    WorkerPool::instance().start(thread_count(threads) - 1, [] {
        // The first matrix product of the process asks the processor for its cache sizes, which
        // is slow under virtualisation: done here, no bootstrap waits for it.
        Eigen::MatrixXd a = Eigen::MatrixXd::Ones(16, 16);
        Eigen::MatrixXd b = a * a;
        (void)b;
    });
}

BootstrapAngles residual_bootstrap(const Eigen::Ref<const Eigen::MatrixXd>& x, Eigen::Index nboots,
                                   Eigen::Index n2, SizeVariable size_variable,
                                   RandomStream& stream, int threads) {
    const Plan plan = make_plan(x, nboots, n2, size_variable);
    BootstrapAngles result;
    result.angles.resize(nboots);
    const Eigen::Index chunks = (nboots + plan.chunk - 1) / plan.chunk;
    threads = std::max(1, static_cast<int>(std::min<Eigen::Index>(thread_count(threads), chunks)));
    const Eigen::Index slot_bytes =
        plan.chunk * draws_per_replicate(plan) * static_cast<Eigen::Index>(sizeof(std::int32_t));
    const Eigen::Index slots = ring_slots(slot_bytes, chunks, threads);
    BootstrapWork work(plan, stream, slots, result.angles.data());
    run_chunks(work, chunks, slots, threads);

    sort_angles(result.angles);
    result.degenerate = result.angles.array().isNaN().count();
    return result;
}

}  // namespace kelmar
