// The text report of the session: the two samples, the last angle and ranges, the bootstrap
// count, the size variable and both growth vectors, line by line as the report file holds them.
// What has not been computed yet is written as "not computed".
#include "platform/numeric/format.hpp"
#include "session.hpp"

namespace kelmar {
namespace {

constexpr const char* kNotComputed = "not computed";

std::string counts(const Eigen::MatrixXd& dataset) {
    const bool loaded = dataset.size() > 0;
    return format_text("%4.0f Landmarks and %4.0f Sample points",
                       {loaded ? static_cast<double>(dataset.cols() - 1) / 3.0 : 0.0,
                        static_cast<double>(dataset.rows())});
}

std::string range_line(const char* species, const std::optional<Eigen::Vector3d>& range) {
    const std::string label = std::string("Species ") + species + ":               ";
    if (!range)
        return label + format_text(R"(%s \n)", {kNotComputed});
    return label +
           format_text(R"(%3.1f %3.1f   %3.1f \n)", {(*range)(0), (*range)(1), (*range)(2)});
}

}  // namespace

std::string Session::report_text() const {
    const SessionVariables& v = vars_;
    std::string out = format_text(R"(Growth Vector Angle Calculations:\n)");
    out += format_text(R"(\nFirst Sample: \n %s \n)", {v.FNAME1});
    out += counts(v.FIRSTDATASET);
    out += format_text(R"(\n\nSecond Sample: \n %s \n)", {v.FNAME2});
    out += counts(v.SECONDDATASET);
    if (v.gv1 && v.gv2) {
        out += format_text(R"(\n\nAngle between Growth Vectors: %3.1f \n)",
                           {growth_angle(*v.gv1, *v.gv2)});
    } else {
        out += format_text(R"(\n\nAngle between Growth Vectors: %s \n)", {kNotComputed});
    }
    out += format_text(R"(\nWithin species angles at 80   90     95     confidence range \n)");
    out += range_line("1", v.AW1R);
    out += range_line("2", v.AW2R);
    if (degenerate1_ > 0 || degenerate2_ > 0) {
        // Such replicates have no angle: they sort after every angle, so ranges read among them
        // are NaN.
        out += format_text(
            R"(Replicates without a slope (resampled sizes all equal): %d in sample 1, %d in sample 2 \n)",
            {static_cast<double>(degenerate1_), static_cast<double>(degenerate2_)});
    }
    if (v.NBOOTS) {
        out += format_text(R"(\nNumber of Bootstraps used was %4.0f)", {*v.NBOOTS});
    } else {
        out += format_text(R"(\nNumber of Bootstraps used was %s)", {kNotComputed});
    }
    out += format_text(v.LCS == 1 ? R"(\nRegression was on LCS)" : R"(\nRegression was on CS)");
    out += format_text(R"(\nGrowth vectors for both groups: \n)");
    out += format_text(R"(Sample 1    Sample2:\n\n)");
    if (v.gv1 && v.gv2) {
        for (Eigen::Index i = 0; i < v.gv1->size(); ++i) {
            out += format_text(R"(%3.4f   %8.4f \n)", {(*v.gv1)(i), (*v.gv2)(i)});
        }
    }
    if (permutation_) {
        const PermutationResult& t = permutation_->test;
        out += format_text(R"(\nPermutation test of the angle (null model: one common slope):\n)");
        out += format_text(R"(Permutations: %d \n)", {static_cast<double>(t.permutations)});
        out += format_text(R"(Angle between Growth Vectors: %3.1f \n)", {t.angle});
        out += format_text(R"(UCL95: %3.1f \n)", {t.ucl95});
        out += format_text(R"(P: %.4g \n)", {t.p_value});
        out += format_text(R"(Z: %.2f \n)", {t.z});
        out += format_text(permutation_->lcs ? R"(Regression was on LCS \n)"
                                             : R"(Regression was on CS \n)");
    }
    return out;
}

}  // namespace kelmar
