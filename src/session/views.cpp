// The numbers of the pictures of the last analysis: the allometry plot, growth as shape change
// and the distributions behind the angles, for whichever samples are loaded.
#include "platform/numeric/error.hpp"
#include "session.hpp"

namespace kelmar {

void Session::check_analysed() const {
    if (!angles_ && bootstraps_.empty()) {
        throw Error(
            "the pictures of growth show an analysis: run Angle Between or Angle to Isometry "
            "first");
    }
}

bool Session::analysed_on_log_size() const {
    if (angles_)
        return angles_->lcs;
    return vars_.LCS != 0;
}

std::vector<const Eigen::MatrixXd*> Session::analysed_datasets() const {
    std::vector<const Eigen::MatrixXd*> out = datasets();
    // Angle to Isometry of the window's samples analyses sample 1 alone: sample 2 may even have
    // other landmarks.
    if (!angles_ && isometry_)
        out.resize(1);
    return out;
}

AllometryScores Session::allometry() const {
    check_analysed();
    return allometry_scores(analysed_datasets(), analysed_on_log_size(), common_reference_);
}

GrowthChange Session::growth_as_shape_change() const {
    check_analysed();
    return growth_change(analysed_datasets(), analysed_on_log_size());
}

AngleDistributions Session::angle_distributions() const {
    check_analysed();
    AngleDistributions d;
    if (angles_) {
        d.isometry = angles_->isometry;
        d.bootstrap = angles_->bootstrap;
        d.ranges = angles_->ranges;
        d.observed = angles_->angles;
    } else {
        d.isometry = isometry_;
        d.bootstrap = bootstraps_;
        d.ranges.push_back(*vars_.AW1R);
        if (!isometry_)
            d.ranges.push_back(*vars_.AW2R);
        const double angle = growth_angle(*vars_.gv1, *vars_.gv2);
        if (isometry_) {
            d.observed = Eigen::MatrixXd::Constant(1, 1, angle);
        } else {
            d.observed.resize(2, 2);
            d.observed << 0.0, angle, angle, 0.0;
        }
    }
    if (permutation_) {
        const SlopeComparison& t = permutation_->test;
        for (std::size_t p = 0; p < t.pairs.size(); ++p) {
            const PairwiseSlopes& pair = t.pairs[p];
            d.permuted.push_back({pair.a, pair.b, pair.angle, pair.angle_test.ucl95,
                                  t.values.col(pair_statistic_column(p, 0))});
        }
    }
    return d;
}

}  // namespace kelmar
