// The angle steps: the angle between the two samples' growth vectors and the angle between
// sample 1's growth vector and the isometric vector, each with the within-sample bootstrap
// ranges; the same for every loaded sample; and the permutation tests of the samples' slopes.
// Results are stored only when everything has been computed.
#include "growth/bootstrap_angles.hpp"
#include "growth/growth_vectors.hpp"
#include "growth/size_lines.hpp"
#include "platform/numeric/error.hpp"
#include "session.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

namespace kelmar {
namespace {

void check_bootstrap_count(int nboots) {
    if (!is_bootstrap_count(nboots)) {
        throw Error("the number of bootstrap replicates must be " + bootstrap_count_rule() +
                    ", so that the 80, 90 and 95 percent positions are whole; given " +
                    std::to_string(nboots));
    }
}

}  // namespace

AngleResult Session::angle_between(SizeVariable size, int nboots) {
    if (sample_count() < 2) {
        throw Error(
            "the angle between the samples needs both samples: load sample 1 and "
            "sample 2 first");
    }
    check_bootstrap_count(nboots);
    check_one_frame();
    const Eigen::MatrixXd& x1 = sample(1).analysed();
    const Eigen::MatrixXd& x2 = sample(2).analysed();
    AngleResult out;
    out.size = size;
    out.nboots = nboots;
    out.landmarks1 = sample(1).landmarks();
    out.landmarks2 = sample(2).landmarks();
    out.common_reference = common_reference_used();
    if (x1.cols() != x2.cols()) {
        choices_ = Choices{size, nboots};
        out.mismatch = true;
        return out;
    }
    progress({Progress::Stage::growth_vectors, false, 2, std::nullopt});
    out.growth_vector1 = growth_vector(x1, size);
    out.growth_vector2 = growth_vector(x2, size);
    out.angle = growth_angle(out.growth_vector1, out.growth_vector2);
    progress({Progress::Stage::ranges, false, 2, out.angle});
    // Both sets of the bootstrap hold as many specimens as the smaller sample.
    const Eigen::Index k = std::min(x1.rows(), x2.rows());
    out.resampled = k;
    out.resampled_from = x2.rows() < x1.rows() ? 2 : 1;
    const std::uint64_t drawn_before = stream_.drawn();
    std::vector<Eigen::VectorXd> bootstraps(2);
    out.range1 = ranges(x1, nboots, size, k, out.degenerate1, bootstraps[0]);
    out.range2 = ranges(x2, nboots, size, k, out.degenerate2, bootstraps[1]);

    choices_ = Choices{size, nboots};
    between_ = AngleRecord{out, std::move(bootstraps), drawn_before};
    isometry_last_ = false;
    return out;
}

AngleResult Session::angle_isometry(SizeVariable size, int nboots) {
    if (sample_count() < 1) {
        throw Error("the angle to isometry needs sample 1: load sample 1 first");
    }
    check_bootstrap_count(nboots);
    const Eigen::MatrixXd& x1 = sample(1).analysed();
    AngleResult out;
    out.isometry = true;
    out.size = size;
    out.nboots = nboots;
    out.landmarks1 = out.landmarks2 = sample(1).landmarks();
    out.common_reference = common_reference_used();
    progress({Progress::Stage::growth_vectors, true, 1, std::nullopt});
    out.growth_vector1 = growth_vector(x1, size);
    const Eigen::Index d = x1.cols() - 1;
    out.growth_vector2 = Eigen::VectorXd::Ones(d) / std::sqrt(static_cast<double>(d));
    out.angle = growth_angle(out.growth_vector1, out.growth_vector2);
    progress({Progress::Stage::ranges, true, 1, out.angle});
    const std::uint64_t drawn_before = stream_.drawn();
    std::vector<Eigen::VectorXd> bootstraps(1);
    out.range1 = ranges(x1, nboots, size, x1.rows(), out.degenerate1, bootstraps[0]);

    choices_ = Choices{size, nboots};
    isometry_ = AngleRecord{out, std::move(bootstraps), drawn_before};
    isometry_last_ = true;
    return out;
}

const SampleAngles& Session::angles_between_samples(SizeVariable size, int nboots) {
    const std::vector<const Eigen::MatrixXd*> samples = datasets();
    if (samples.size() < 2) {
        throw Error(
            "the angles between samples need at least two samples: load sample 1 and sample 2 "
            "first");
    }
    check_bootstrap_count(nboots);
    check_one_frame();
    if (samples.size() > 2 && !common_reference_used()) {
        throw Error(
            "the angles between more than two samples need them on one common reference, "
            "their only common frame");
    }
    for (std::size_t g = 1; g < samples.size(); ++g) {
        if (samples[g]->cols() != samples[0]->cols()) {
            throw Error("the samples have different landmark counts (" +
                        std::to_string((samples[0]->cols() - 1) / 3) + " in sample 1, " +
                        std::to_string((samples[g]->cols() - 1) / 3) + " in sample " +
                        std::to_string(g + 1) + "): Mismatch on landmark number");
        }
    }
    SampleAngles a;
    a.size = size;
    a.nboots = nboots;
    a.growth_vectors = growth_vectors(samples, size);
    a.drawn_before = stream_.drawn();
    const auto k = static_cast<Eigen::Index>(samples.size());
    a.angles = Eigen::MatrixXd::Zero(k, k);
    for (Eigen::Index g = 0; g < k; ++g) {
        for (Eigen::Index h = g + 1; h < k; ++h) {
            a.angles(g, h) = a.angles(h, g) =
                growth_angle(a.growth_vectors[static_cast<std::size_t>(g)],
                             a.growth_vectors[static_cast<std::size_t>(h)]);
        }
    }
    progress({Progress::Stage::ranges, false, static_cast<int>(k), std::nullopt});
    // Every second set holds as many specimens as the smallest sample.
    Eigen::Index smallest = samples[0]->rows();
    a.resampled_from = 1;
    for (std::size_t g = 1; g < samples.size(); ++g) {
        if (samples[g]->rows() < smallest) {
            smallest = samples[g]->rows();
            a.resampled_from = static_cast<int>(g + 1);
        }
    }
    a.resampled = smallest;
    for (const Eigen::MatrixXd* x : samples) {
        a.degenerate.push_back(0);
        a.bootstrap.emplace_back();
        a.ranges.push_back(
            ranges(*x, nboots, size, smallest, a.degenerate.back(), a.bootstrap.back()));
    }
    angles_ = std::move(a);
    return *angles_;
}

const SampleAngles& Session::isometry_of_samples(SizeVariable size, int nboots) {
    const std::vector<const Eigen::MatrixXd*> samples = datasets();
    if (samples.empty())
        throw Error("the angle to isometry needs sample 1: load sample 1 first");
    check_bootstrap_count(nboots);
    check_one_frame();
    SampleAngles a;
    a.isometry = true;
    a.size = size;
    a.nboots = nboots;
    a.growth_vectors = growth_vectors(samples, size);
    a.drawn_before = stream_.drawn();
    const auto k = static_cast<Eigen::Index>(samples.size());
    a.angles.resize(k, 1);
    for (Eigen::Index g = 0; g < k; ++g) {
        const Eigen::VectorXd& gv = a.growth_vectors[static_cast<std::size_t>(g)];
        a.angles(g, 0) = growth_angle(
            gv, Eigen::VectorXd::Ones(gv.size()) / std::sqrt(static_cast<double>(gv.size())));
    }
    progress({Progress::Stage::ranges, true, static_cast<int>(k), std::nullopt});
    for (const Eigen::MatrixXd* x : samples) {
        a.degenerate.push_back(0);
        a.bootstrap.emplace_back();
        a.ranges.push_back(
            ranges(*x, nboots, size, x->rows(), a.degenerate.back(), a.bootstrap.back()));
    }
    angles_ = std::move(a);
    return *angles_;
}

namespace {}  // namespace

void Session::check_pooled(const char* what) const {
    check_one_frame();
    if (sample_count() < 2) {
        std::string message = what;
        message += " needs both samples: load sample 1 and sample 2 first";
        throw Error(message);
    }
    if (!common_reference_used()) {
        std::string message = what;
        message +=
            " pools both samples, so both must be on a common reference: load sample 2 again "
            "with the common Procrustes GLS reference chosen";
        throw Error(message);
    }
}

SlopeComparison Session::slope_statistics(SizeVariable size) {
    check_pooled("the permutation test");
    return compare_growth_slopes(datasets(), 0, size, stream_, threads_);
}

SlopeComparison Session::permutation_test(SizeVariable size, Eigen::Index permutations,
                                          bool anova) {
    check_pooled("the permutation test");
    if (permutations < 1) {
        throw Error("the number of permutations must be at least 1, given " +
                    std::to_string(permutations));
    }
    progress({Progress::Stage::permutations, false, sample_count(), std::nullopt});
    const std::uint64_t drawn_before = stream_.drawn();
    SlopeComparison test =
        compare_growth_slopes(datasets(), permutations, size, stream_, threads_, anova);
    std::optional<ProcrustesAnova> table;
    if (anova)
        table = anova_table(datasets(), size, test);
    permutation_ = PermutationRecord{test, size, drawn_before, std::move(table)};
    return test;
}

}  // namespace kelmar
