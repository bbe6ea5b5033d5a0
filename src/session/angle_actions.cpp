// The two angle steps: the angle between the samples' growth vectors and the angle between
// sample 1's growth vector and the isometric vector, each with the within-sample bootstrap
// ranges. Results are stored only when everything has been computed.
#include "growth/growvecn.hpp"
#include "growth/shapegrow.hpp"
#include "platform/numeric/echo.hpp"
#include "platform/numeric/error.hpp"
#include "platform/numeric/format.hpp"
#include "session.hpp"

#include <algorithm>
#include <cmath>

namespace kelmar {
namespace {

void check_bootstrap_count(int nboots) {
    if (nboots < 20 || nboots % 20 != 0) {
        throw Error(
            "the number of bootstrap replicates must be a positive multiple of 20, so "
            "that the 80, 90 and 95 percent positions are whole; given " +
            std::to_string(nboots));
    }
}

}  // namespace

AngleOutcome Session::angle_between(bool lcs, int nboots) {
    if (vars_.FIRSTDATASET.size() == 0 || vars_.SECONDDATASET.size() == 0) {
        throw Error(
            "the angle between the samples needs both samples: load sample 1 and "
            "sample 2 first");
    }
    check_bootstrap_count(nboots);
    const Eigen::MatrixXd& x1 = vars_.FIRSTDATASET;
    const Eigen::MatrixXd& x2 = vars_.SECONDDATASET;
    AngleOutcome out;
    if (x1.cols() != x2.cols()) {
        vars_.NBOOTS = nboots;
        vars_.LCS = lcs ? 1 : 0;
        out.mismatch = true;
        out.result_text = "Mismatch on landmark number";
        return out;
    }
    status(format_text("Please Stand by../n Calculating ranges"));
    status("Please Stand by...");
    Eigen::VectorXd gv1 = growth_vector(x1, lcs);
    Eigen::VectorXd gv2 = growth_vector(x2, lcs);
    out.angle = growth_angle(gv1, gv2);
    status(
        format_text("Between group angle %3.1f /n ...Please wait-computing/n ranges", {out.angle}));
    // Both sets of the bootstrap hold as many specimens as the smaller sample.
    const Eigen::Index k = std::min(x1.rows(), x2.rows());
    const Eigen::Vector3d aw1r = ranges(x1, nboots, lcs, k, out.degenerate1);
    const Eigen::Vector3d aw2r = ranges(x2, nboots, lcs, k, out.degenerate2);

    out.result_text = format_text(
        R"(Between Species: %3.1f \n Within Species 1: %3.1f \n Within Species 2: %3.1f \n %4.0f Bootstraps )",
        {out.angle, aw1r(2), aw2r(2), nboots});
    if (out.degenerate1 > 0 || out.degenerate2 > 0) {
        out.result_text += format_text(
            R"(\n Replicates without a slope (resampled sizes all equal): %d in sample 1, %d in sample 2)",
            {static_cast<double>(out.degenerate1), static_cast<double>(out.degenerate2)});
    }
    vars_.NBOOTS = nboots;
    vars_.LCS = lcs ? 1 : 0;
    vars_.gv1 = std::move(gv1);
    vars_.gv2 = std::move(gv2);
    vars_.AW1R = aw1r;
    vars_.AW2R = aw2r;
    degenerate1_ = out.degenerate1;
    degenerate2_ = out.degenerate2;
    return out;
}

AngleOutcome Session::angle_isometry(bool lcs, int nboots) {
    if (vars_.FIRSTDATASET.size() == 0) {
        throw Error("the angle to isometry needs sample 1: load sample 1 first");
    }
    check_bootstrap_count(nboots);
    const Eigen::MatrixXd& x1 = vars_.FIRSTDATASET;
    AngleOutcome out;
    status(format_text("Please Stand by../n Calculating ranges"));
    status("Please Stand by...");
    Eigen::VectorXd gv1 = growth_vector(x1, lcs);
    const Eigen::Index d = x1.cols() - 1;
    Eigen::VectorXd gv2 = Eigen::VectorXd::Ones(d) / std::sqrt(static_cast<double>(d));
    echo_value("gv2", Value::from_matrix(gv2), &console());
    out.angle = growth_angle(gv1, gv2);
    status(
        format_text("Between group angle %3.1f /n ...Please wait-computing/n ranges", {out.angle}));
    const Eigen::Vector3d aw1r = ranges(x1, nboots, lcs, x1.rows(), out.degenerate1);

    out.result_text =
        format_text(R"(Between Species: %3.1f \n Within Species 1: %3.1f \n %4.0f Bootstraps -%s)",
                    {out.angle, aw1r(2), nboots, lcs ? "LCS" : "CS"});
    if (out.degenerate1 > 0) {
        out.result_text +=
            format_text(R"(\n Replicates without a slope (resampled sizes all equal): %d)",
                        {static_cast<double>(out.degenerate1)});
    }
    if (common_reference_) {
        // Fitted specimens are centred, so every growth vector sums to zero along each axis and
        // is orthogonal to the isometric vector whatever the data.
        out.result_text += format_text(
            R"(\n Note: after a common Procrustes superimposition the angle to isometry is always 90 degrees and carries no information)");
    }
    vars_.NBOOTS = nboots;
    vars_.LCS = lcs ? 1 : 0;
    vars_.gv1 = std::move(gv1);
    vars_.gv2 = std::move(gv2);
    vars_.AW1R = aw1r;
    degenerate1_ = out.degenerate1;
    return out;
}

PermutationOutcome Session::permutation_test(bool lcs, Eigen::Index permutations) {
    if (vars_.FIRSTDATASET.size() == 0 || vars_.SECONDDATASET.size() == 0) {
        throw Error("the permutation test needs both samples: load sample 1 and sample 2 first");
    }
    if (!common_reference_) {
        throw Error(
            "the permutation test pools both samples, so both must be on a common reference: "
            "load sample 2 again with the common Procrustes GLS reference chosen");
    }
    status("Please Stand by... permutation test");
    PermutationOutcome out;
    out.test = kelmar::permutation_test(vars_.FIRSTDATASET, vars_.SECONDDATASET, permutations,
                                        lcs ? BootstrapKind::LogSize : BootstrapKind::CentroidSize,
                                        stream_, threads_);
    const PermutationResult& t = out.test;
    out.result_text = format_text(
        R"(Between Species: %3.1f \n Permutation UCL95: %3.1f \n P = %.4g   Z = %.2f \n %4.0f Permutations, common slope -%s)",
        {t.angle, t.ucl95, t.p_value, t.z, static_cast<double>(t.permutations),
         lcs ? "LCS" : "CS"});
    permutation_ = PermutationRecord{t, lcs};
    return out;
}

}  // namespace kelmar
