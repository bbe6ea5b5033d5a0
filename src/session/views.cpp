// The numbers of the pictures of the last analysis: the allometry plot, growth as shape change
// and the distributions behind the angles, for whichever samples are loaded; and the samples in
// shape space.
#include "platform/numeric/error.hpp"
#include "session.hpp"

namespace kelmar {

void Session::check_analysed() const {
    if (!angles_ && last_angle() == nullptr) {
        throw Error(
            "the pictures of growth show an analysis: run Angle Between or Angle to Isometry "
            "first");
    }
}

SizeVariable Session::analysed_size_variable() const {
    if (angles_)
        return angles_->size;
    return choices_ ? choices_->size : SizeVariable::log_centroid_size;
}

std::vector<const Eigen::MatrixXd*> Session::analysed_datasets() const {
    std::vector<const Eigen::MatrixXd*> out = datasets();
    // Angle to Isometry of the window's samples analyses sample 1 alone: sample 2 may even have
    // other landmarks.
    if (!angles_ && isometry_last_)
        out.resize(1);
    return out;
}

AllometryScores Session::allometry() const {
    check_analysed();
    return allometry_scores(analysed_datasets(), analysed_size_variable(), common_reference_used());
}

GrowthChange Session::growth_as_shape_change() const {
    check_analysed();
    return growth_change(analysed_datasets(), analysed_size_variable(), sample(1).dimensions);
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
        const AngleRecord& last = *last_angle();
        d.isometry = last.result.isometry;
        d.bootstrap = last.bootstraps;
        d.ranges.push_back(last.result.range1);
        if (!d.isometry)
            d.ranges.push_back(last.result.range2);
        const double angle = growth_angle(last.result.growth_vector1, last.result.growth_vector2);
        if (d.isometry) {
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

ShapeSpace Session::shape_space(SizeVariable size, bool form_space,
                                Eigen::Index scores_kept) const {
    check_pooled("the shape space");
    return kelmar::shape_space(datasets(), size, form_space, scores_kept, threads_);
}

}  // namespace kelmar
