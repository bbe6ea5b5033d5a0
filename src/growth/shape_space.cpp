#include "shape_space.hpp"

#include "chunk_pipeline.hpp"
#include "least_squares.hpp"
#include "platform/numeric/error.hpp"
#include "platform/numeric/text_to_numbers.hpp"
#include "worker_pool.hpp"

#include <Eigen/Eigenvalues>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <string>

namespace kelmar {
namespace {

// Components whose variance is below this share of the largest are rounding: the constraints of
// a superimposition leave some directions without any variation.
constexpr double kZeroVariance = 1e-10;
// The cross products are summed over parts of this many rows at least, at most kMostParts of
// them; the parts depend on the data alone, so the sums do not depend on the thread count.
constexpr Eigen::Index kRowsPerPart = 2000;
constexpr Eigen::Index kMostParts = 8;

// xᵀx (the lower triangle filled), its parts computed on `threads` threads.
Eigen::MatrixXd cross_product(const Eigen::MatrixXd& x, int threads) {
    const Eigen::Index c = x.cols();
    const Eigen::Index parts = std::clamp<Eigen::Index>(x.rows() / kRowsPerPart, 1, kMostParts);
    const int helpers = static_cast<int>(std::min<Eigen::Index>(thread_count(threads), parts)) - 1;
    std::vector<Eigen::MatrixXd> partial(static_cast<std::size_t>(parts),
                                         Eigen::MatrixXd::Zero(c, c));
    const auto part = [&](Eigen::Index p) {
        const Eigen::Index from = x.rows() * p / parts;
        const Eigen::Index to = x.rows() * (p + 1) / parts;
        partial[static_cast<std::size_t>(p)].selfadjointView<Eigen::Lower>().rankUpdate(
            x.middleRows(from, to - from).transpose());
    };
    std::atomic<Eigen::Index> next{0};
    if (helpers == 0) {
        for (Eigen::Index p = 0; p < parts; ++p)
            part(p);
    } else {
        WorkerPool::instance().run(helpers, [&] {
            for (Eigen::Index p = next++; p < parts; p = next++)
                part(p);
        });
    }
    Eigen::MatrixXd sum = partial.front();
    for (std::size_t p = 1; p < partial.size(); ++p)
        sum += partial[p];
    return sum;
}

// Each column's component of largest magnitude made positive.
void orient(Eigen::MatrixXd& loadings) {
    for (Eigen::Index c = 0; c < loadings.cols(); ++c) {
        Eigen::Index at = 0;
        loadings.col(c).cwiseAbs().maxCoeff(&at);
        if (loadings(at, c) < 0.0)
            loadings.col(c) = -loadings.col(c);
    }
}

}  // namespace

ShapeSpace shape_space(std::span<const Eigen::MatrixXd* const> samples, SizeVariable size,
                       bool form_space, Eigen::Index scores_kept, int threads) {
    if (samples.empty())
        throw Error("a shape space needs at least 1 sample");
    ShapeSpace space;
    space.form_space = form_space;
    const Eigen::Index columns = samples.front()->cols();
    Eigen::Index n = 0;
    for (std::size_t g = 0; g < samples.size(); ++g) {
        if (samples[g]->cols() != columns) {
            throw Error("sample " + std::to_string(g + 1) +
                        " has another landmark count than sample 1, so they share no shape "
                        "space");
        }
        space.first.push_back(n);
        space.count.push_back(samples[g]->rows());
        n += samples[g]->rows();
    }
    if (n < 2)
        throw Error("a shape space needs at least 2 specimens");
    const Eigen::Index d = columns - 1;
    const Eigen::Index variables = form_space ? d + 1 : d;
    Eigen::MatrixXd x(n, variables);
    space.sizes.resize(n);
    for (std::size_t g = 0; g < samples.size(); ++g) {
        const Eigen::MatrixXd& sample = *samples[g];
        const Eigen::Index first = space.first[g];
        try {
            x.block(first, 0, sample.rows(), d) = sample.leftCols(d);
            if (form_space)
                x.block(first, d, sample.rows(), 1) = log_size_column(sample);
            space.sizes.segment(first, sample.rows()) = size_values(sample, size);
        } catch (const Error& e) {
            throw Error("sample " + std::to_string(g + 1) + ": " + e.what());
        }
    }
    space.mean = x.colwise().mean();
    x.rowwise() -= space.mean;

    // The smaller of the two cross products: n × n between specimens or variables × variables.
    const bool by_specimens = n < variables;
    const Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> eigen(
        by_specimens ? cross_product(x.transpose(), threads) : cross_product(x, threads));
    const Eigen::VectorXd values = eigen.eigenvalues().reverse();
    if (!(values(0) > 0.0))
        throw Error("the specimens are all alike: their shape space has no components");
    Eigen::Index m = 0;
    while (m < values.size() && values(m) > kZeroVariance * values(0))
        ++m;
    const Eigen::MatrixXd vectors = eigen.eigenvectors().rowwise().reverse().leftCols(m);
    if (by_specimens) {
        // The specimens' eigenvectors u give the variables' as xᵀu/√λ.
        space.loadings =
            (x.transpose() * vectors) * values.head(m).cwiseSqrt().cwiseInverse().asDiagonal();
        space.loadings.colwise().normalize();
    } else {
        space.loadings = vectors;
    }
    orient(space.loadings);
    space.variances = values.head(m) / static_cast<double>(n - 1);
    space.shares = space.variances / space.variances.sum();
    space.scores = x * space.loadings.leftCols(std::min(m, scores_kept));
    return space;
}

std::vector<Trajectory> trajectories(const ShapeSpace& space, Eigen::Index i, Eigen::Index j) {
    if (i < 0 || j < 0 || i >= space.scores.cols() || j >= space.scores.cols())
        throw Error("the trajectories need components among the " +
                    std::to_string(space.scores.cols()) + " whose scores were kept");
    std::vector<Trajectory> out;
    for (std::size_t g = 0; g < space.first.size(); ++g) {
        const auto s = space.sizes.segment(space.first[g], space.count[g]);
        Eigen::MatrixXd two(space.count[g], 2);
        two.col(0) = space.scores.col(i).segment(space.first[g], space.count[g]);
        two.col(1) = space.scores.col(j).segment(space.first[g], space.count[g]);
        const Eigen::Vector2d mean = two.colwise().mean();
        Trajectory t;
        t.size_from = s.minCoeff();
        t.size_to = s.maxCoeff();
        const double mean_size = s.mean();
        const double sxx = (s.array() - mean_size).square().sum();
        Eigen::Vector2d slope = Eigen::Vector2d::Zero();
        if (sxx > 0.0) {
            slope = ((two.rowwise() - mean.transpose()).transpose() *
                     (s.array() - mean_size).matrix()) /
                    sxx;
        }
        t.from = mean + slope * (t.size_from - mean_size);
        t.to = mean + slope * (t.size_to - mean_size);
        out.push_back(t);
    }
    return out;
}

std::optional<std::array<Eigen::Index, 2>> parse_component_pair(std::string_view text) {
    std::vector<double> numbers;
    const NumbersParsed parsed = parse_numbers_into(text, numbers);
    if (!parsed.ok || numbers.size() != 2 || text.find(',') == std::string_view::npos)
        return std::nullopt;
    std::array<Eigen::Index, 2> out{};
    for (std::size_t c = 0; c < 2; ++c) {
        if (!(numbers[c] >= 1.0 && numbers[c] <= 1e6 && numbers[c] == std::floor(numbers[c])))
            return std::nullopt;
        out[c] = static_cast<Eigen::Index>(numbers[c]);
    }
    if (out[0] == out[1])
        return std::nullopt;
    return out;
}

void check_components(const ShapeSpace& space, const std::array<Eigen::Index, 2>& components,
                      const std::string& where) {
    const Eigen::Index m = space.variances.size();
    for (const Eigen::Index c : components) {
        if (c > m) {
            std::string message = where;
            message += ": the pooled specimens have " + std::to_string(m) +
                       (m == 1 ? " principal component" : " principal components") +
                       " of non-zero variance, so there is no component " + std::to_string(c);
            throw Error(message);
        }
    }
}

}  // namespace kelmar
