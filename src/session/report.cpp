// The text report of the session: the two samples, the last angle and ranges, the bootstrap
// count, the size variable and both growth vectors, line by line as the report file holds them;
// for three samples or more, every sample with its range and the angles between them. The
// permutation tests follow when they were run. What has not been computed yet is written as
// "not computed".
#include "platform/numeric/format.hpp"
#include "session.hpp"

namespace kelmar {
namespace {

constexpr const char* kNotComputed = "not computed";
constexpr const char* kIsometryNote =
    "Note: after a common Procrustes superimposition the angle to isometry is always 90 degrees "
    "and carries no information";

// Beyond this share of a sample's landmarks estimated, its ranges are too narrow to trust.
constexpr double kManyEstimated = 0.1;

// The line of a sample's estimated landmarks, with a warning when they are many; empty when the
// file was complete.
std::string estimated_lines(const Sample& sample) {
    if (sample.estimated.empty())
        return {};
    Eigen::Index specimens = 0;
    for (std::size_t e = 0; e < sample.estimated.size(); ++e) {
        specimens += e == 0 || sample.estimated[e].specimen != sample.estimated[e - 1].specimen;
    }
    const auto landmarks = static_cast<double>(sample.estimated.size());
    std::string out =
        format_text(R"(\n%d %s of %d %s estimated (thin-plate spline))",
                    {landmarks, landmarks == 1 ? "landmark" : "landmarks",
                     static_cast<double>(specimens), specimens == 1 ? "specimen" : "specimens"});
    const double share = landmarks / static_cast<double>(sample.landmarks() * sample.specimens());
    if (share > kManyEstimated) {
        out += format_text(
            R"(\nWarning: %.1f %% of the sample's landmarks are estimated; estimates follow the mean shape, so the sample's variation and growth are understated and its range cannot be trusted)",
            {100.0 * share});
    }
    return out;
}

// "  10 Landmarks and   20 Sample points"; 2D samples say so after their landmarks; then the
// landmarks estimated, if any.
std::string counts(const Sample* sample) {
    const bool loaded = sample != nullptr && sample->loaded();
    const bool flat = loaded && sample->dimensions == 2;
    return format_text(flat ? "%4.0f Landmarks (2D) and %4.0f Sample points"
                            : "%4.0f Landmarks and %4.0f Sample points",
                       {loaded ? static_cast<double>(sample->landmarks()) : 0.0,
                        loaded ? static_cast<double>(sample->specimens()) : 0.0}) +
           (loaded ? estimated_lines(*sample) : std::string());
}

std::string range_line(const char* species, const std::optional<Eigen::Vector3d>& range) {
    const std::string label = std::string("Species ") + species + ":               ";
    if (!range)
        return label + format_text(R"(%s \n)", {kNotComputed});
    return label +
           format_text(R"(%3.1f %3.1f   %3.1f \n)", {(*range)(0), (*range)(1), (*range)(2)});
}

// Which size the second resampled sets had and which sample set it; a warning when it is small.
std::string resampled_lines(Eigen::Index resampled, int from) {
    std::string out = format_text(R"(Second resampled sets: %d specimens, the count of sample %d 
)",
                                  {static_cast<double>(resampled), static_cast<double>(from)});
    if (resampled < kFewResampled) {
        out += format_text(
            R"(Warning: fewer than %d specimens in the second resampled sets widen every sample's range 
)",
            {static_cast<double>(kFewResampled)});
    }
    return out;
}

// "1 and 2   angle (degrees)   25.3   …": one statistic of one pair, observed value first.
std::string statistic_line(const PairwiseSlopes& p, const char* what, double observed,
                           const PermutedStatistic& t) {
    return format_text(R"(%-10s %-20s %12.6g %12.6g %9.4g %8.2f \n)",
                       {std::to_string(p.a) + " and " + std::to_string(p.b), what, observed,
                        t.ucl95, t.p_value, t.z});
}

// The permutation tests: the common slopes first, then every pair's three statistics.
std::string permutation_section(const SlopeComparison& t, SizeVariable size) {
    std::string out = format_text(
        R"(\nPermutation tests (null model: a common slope), %d permutations, regression on %s:\n)",
        {static_cast<double>(t.permutations), short_name(size)});
    out += format_text(R"(Common slopes: F = %.6g   P = %.4g   Z = %.2f \n)",
                       {t.f, t.f_test.p_value, t.f_test.z});
    out += format_text(R"(%-10s %-20s %12s %12s %9s %8s \n)",
                       {"Samples", "Statistic", "Observed", "UCL95", "P", "Z"});
    for (const PairwiseSlopes& p : t.pairs) {
        out += statistic_line(p, "angle (degrees)", p.angle, p.angle_test);
        out += statistic_line(p, "length difference", p.length_difference, p.length_test);
        out += statistic_line(p, "distance", p.distance, p.distance_test);
    }
    return out;
}

// The Procrustes ANOVA table: each term with its test, then the residuals and the total.
std::string anova_section(const ProcrustesAnova& t) {
    std::string out = format_text(
        R"(\nProcrustes ANOVA (sequential sums of squares), %d permutations, regression on %s:\n)",
        {static_cast<double>(t.permutations), short_name(t.size)});
    out += format_text(R"(%-14s %6s %12s %12s %8s %10s %8s %9s \n)",
                       {"Term", "Df", "SS", "MS", "R2", "F", "Z", "P"});
    for (const AnovaTerm& term : t.terms) {
        out += format_text(R"(%-14s %6d %12.6g %12.6g %8.4f %10.4f %8.2f %9.4g \n)",
                           {term_label(term.kind), static_cast<double>(term.df), term.ss, term.ms,
                            term.r_squared, term.f, term.test.z, term.test.p_value});
    }
    out += format_text(R"(%-14s %6d %12.6g %12.6g %8.4f \n)",
                       {"Residuals", static_cast<double>(t.residual_df), t.residual_ss,
                        t.residual_ms, t.residual_r_squared});
    out += format_text(R"(%-14s %6d %12.6g \n)",
                       {"Total", static_cast<double>(t.total_df), t.total_ss});
    return out;
}

// The permutation tests, with the ANOVA table when it was asked for.
std::string tests_section(const SlopeComparison& tests, SizeVariable size,
                          const std::optional<ProcrustesAnova>& anova) {
    std::string out = permutation_section(tests, size);
    if (anova)
        out += anova_section(*anova);
    return out;
}

}  // namespace

bool Session::has_results() const {
    return last_angle() != nullptr || angles_ || permutation_;
}

std::string Session::provenance_text(bool bootstrap_run) const {
    std::string out =
        format_text(common_reference_used() ? R"(\nAnalysed on the common Procrustes GLS reference)"
                                            : R"(\nAnalysed coordinates as read)");
    const std::uint32_t seed = stream_.seed_used();
    std::optional<std::uint64_t> before;
    if (bootstrap_run)
        before = angles_ ? angles_->drawn_before : last_angle()->drawn_before;
    if (before) {
        out += format_text(R"(\nRandom numbers: seed %d, %d drawn before the bootstrap)",
                           {static_cast<double>(seed), static_cast<double>(*before)});
        if (permutation_) {
            out += format_text(R"(, %d before the permutation tests)",
                               {static_cast<double>(permutation_->drawn_before)});
        }
    } else if (permutation_) {
        out += format_text(
            R"(\nRandom numbers: seed %d, %d drawn before the permutation tests)",
            {static_cast<double>(seed), static_cast<double>(permutation_->drawn_before)});
    }
    return out + "\n";
}

std::string Session::report_text() const {
    return sample_count() > 2 ? samples_report_text() : two_samples_report_text();
}

std::string Session::two_samples_report_text() const {
    const Sample* first = samples_.empty() ? nullptr : &samples_[0];
    const Sample* second = samples_.size() > 1 ? &samples_[1] : nullptr;
    const AngleRecord* last = last_angle();
    const AngleResult* angle = last != nullptr ? &last->result : nullptr;
    // After an angle to isometry sample 2's lines belong to an earlier analysis: the report
    // names what was compared and leaves them out.
    const bool isometry = angle != nullptr && angle->isometry;
    std::string out = format_text(R"(Growth Vector Angle Calculations:\n)");
    out += format_text(R"(\nFirst Sample: \n %s \n)", {first ? first->file : std::string()});
    out += counts(first);
    if (!isometry) {
        out +=
            format_text(R"(\n\nSecond Sample: \n %s \n)", {second ? second->file : std::string()});
        out += counts(second);
    }
    if (isometry) {
        out +=
            format_text(R"(\n\nAngle between the Growth Vector of sample 1 and isometry: %3.1f \n)",
                        {growth_angle(angle->growth_vector1, angle->growth_vector2)});
    } else if (angle) {
        out += format_text(R"(\n\nAngle between Growth Vectors: %3.1f \n)",
                           {growth_angle(angle->growth_vector1, angle->growth_vector2)});
    } else {
        out += format_text(R"(\n\nAngle between Growth Vectors: %s \n)", {kNotComputed});
    }
    out += format_text(R"(\nWithin species angles at 80   90     95     confidence range \n)");
    const auto range1 = angle ? std::optional<Eigen::Vector3d>(angle->range1) : std::nullopt;
    out += range_line("1", range1);
    if (!isometry) {
        const auto range2 = angle ? std::optional<Eigen::Vector3d>(angle->range2) : std::nullopt;
        out += range_line("2", range2);
    }
    const Eigen::Index degenerate1 = angle ? angle->degenerate1 : 0;
    const Eigen::Index degenerate2 = angle && !isometry ? angle->degenerate2 : 0;
    if (isometry && degenerate1 > 0) {
        out += format_text(R"(Replicates without a slope (resampled sizes all equal): %d \n)",
                           {static_cast<double>(degenerate1)});
    } else if (!isometry && (degenerate1 > 0 || degenerate2 > 0)) {
        // Such replicates have no angle: they sort after every angle, so ranges read among them
        // are NaN.
        out += format_text(
            R"(Replicates without a slope (resampled sizes all equal): %d in sample 1, %d in sample 2 \n)",
            {static_cast<double>(degenerate1), static_cast<double>(degenerate2)});
    }
    if (!isometry && angle && angle->resampled > 0)
        out += resampled_lines(angle->resampled, angle->resampled_from);
    if (choices_) {
        out += format_text(R"(\nNumber of Bootstraps used was %4.0f)", {choices_->nboots});
    } else {
        out += format_text(R"(\nNumber of Bootstraps used was %s)", {kNotComputed});
    }
    // Before any choice (no sample 1 loaded) the line reads CS.
    const SizeVariable size = choices_ ? choices_->size : SizeVariable::centroid_size;
    out += format_text(R"(\nRegression was on %s)", {short_name(size)});
    if (isometry) {
        if (common_reference_used())
            out += format_text(R"(\n%s)", {kIsometryNote});
        out += format_text(R"(\nGrowth vectors of sample 1 and isometry: \n)");
        out += format_text(R"(Sample 1    Isometry:\n\n)");
    } else {
        out += format_text(R"(\nGrowth vectors for both groups: \n)");
        out += format_text(R"(Sample 1    Sample2:\n\n)");
    }
    if (angle) {
        for (Eigen::Index i = 0; i < angle->growth_vector1.size(); ++i) {
            out += format_text(R"(%3.4f   %8.4f \n)",
                               {angle->growth_vector1(i), angle->growth_vector2(i)});
        }
    }
    if (permutation_)
        out += tests_section(permutation_->test, permutation_->size, permutation_->anova);
    return out + provenance_text(angle != nullptr);
}

std::string Session::samples_report_text() const {
    const int k = sample_count();
    std::string out =
        format_text(R"(Growth Vector Angle Calculations: %d samples\n)", {static_cast<double>(k)});
    for (int g = 1; g <= k; ++g) {
        out += format_text(R"(\nSample %d: \n %s \n)", {static_cast<double>(g), sample(g).file});
        out += counts(&sample(g)) + "\n";
    }
    const std::optional<SampleAngles>& a = angles_;
    if (a && a->isometry) {
        out += format_text(R"(\nAngles between Growth Vectors and isometry:\n)");
        for (Eigen::Index g = 0; g < a->angles.rows(); ++g)
            out += format_text(R"(Sample %d: %3.1f \n)",
                               {static_cast<double>(g + 1), a->angles(g, 0)});
        if (common_reference_used())
            out += format_text(R"(%s\n)", {kIsometryNote});
    } else if (a) {
        out += format_text(R"(\nAngles between Growth Vectors:\n   )");
        for (Eigen::Index h = 0; h < a->angles.cols(); ++h)
            out += format_text("%8d", {static_cast<double>(h + 1)});
        out += "\n";
        for (Eigen::Index g = 0; g < a->angles.rows(); ++g) {
            out += format_text("%3d", {static_cast<double>(g + 1)});
            for (Eigen::Index h = 0; h < a->angles.cols(); ++h)
                out += format_text("%8.1f", {a->angles(g, h)});
            out += "\n";
        }
    } else {
        out += format_text(R"(\nAngles between Growth Vectors: %s \n)", {kNotComputed});
    }
    out += format_text(R"(\nWithin species angles at 80   90     95     confidence range \n)");
    for (int g = 1; g <= k; ++g) {
        const auto range =
            a ? std::optional<Eigen::Vector3d>(a->ranges[static_cast<std::size_t>(g - 1)])
              : std::nullopt;
        out += range_line(std::to_string(g).c_str(), range);
    }
    if (a) {
        for (std::size_t g = 0; g < a->degenerate.size(); ++g) {
            if (a->degenerate[g] > 0) {
                out += format_text(
                    R"(Replicates without a slope (resampled sizes all equal): %d in sample %d \n)",
                    {static_cast<double>(a->degenerate[g]), static_cast<double>(g + 1)});
            }
        }
        if (!a->isometry)
            out += resampled_lines(a->resampled, a->resampled_from);
        out += format_text(R"(\nNumber of Bootstraps used was %4.0f)", {a->nboots});
        out += format_text(R"(\nRegression was on %s\n)", {short_name(a->size)});
    }
    if (permutation_)
        out += tests_section(permutation_->test, permutation_->size, permutation_->anova);
    return out + provenance_text(a.has_value());
}

}  // namespace kelmar
