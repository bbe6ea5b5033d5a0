#include "window_texts.hpp"

#include "platform/numeric/format.hpp"

namespace kelmar {

std::string shown_file_name(const std::string& name) {
    return shorten_middle(name, 24);
}

// 2D samples say so after their landmarks.
std::string file_counts_text(const LoadResult& load) {
    return format_text(load.dimensions == 2
                           ? R"(File: %s \n %3.0f Specimens \n %3.0f Landmarks (2D))"
                           : R"(File: %s \n %3.0f Specimens \n %3.0f Landmarks)",
                       {shown_file_name(load.name), static_cast<double>(load.specimens),
                        static_cast<double>(load.landmarks)});
}

std::string sample1_file_text(const LoadResult& load) {
    return format_text(load.dimensions == 2 ? R"(File %s \n %4.0f Samples \n %4.0f landmarks (2D))"
                                            : R"(File %s \n %4.0f Samples \n %4.0f landmarks)",
                       {shown_file_name(load.name), static_cast<double>(load.specimens),
                        static_cast<double>(load.landmarks)});
}

std::string common_reference_text() {
    return format_text("Using Common Procrustes GLS Reference");
}

std::string wirelist_text(const WirelistResult& wirelist) {
    return format_text(R"(Loaded Wirelist: %s \n,with %i wires)",
                       {wirelist.name, static_cast<double>(wirelist.wires)});
}

namespace {

// Which coordinates the growth vectors were computed from.
std::string coordinates_line(const AngleResult& a) {
    return format_text(a.common_reference ? R"(\n On the common Procrustes GLS reference)"
                                          : R"(\n Coordinates as read)");
}

}  // namespace

std::string reference_choice_text(bool chosen, bool in_use) {
    if (chosen == in_use) {
        return format_text(in_use ? "The samples are on the common Procrustes GLS reference"
                                  : "The samples are analysed as read");
    }
    return format_text(chosen
                           ? "The common Procrustes GLS reference takes effect when sample 2 "
                             "is loaded again; the samples are analysed as read until then"
                           : "Coordinates as read take effect when sample 2 is loaded again; "
                             "the samples stay on the common Procrustes GLS reference until then");
}

std::string wirelist_left_out_text(const Eigen::MatrixXd& wirelist, Eigen::Index landmarks) {
    return format_text(
        "The wirelist (%d wires, up to landmark %d) does not fit these %d landmarks: the drawing "
        "has no wireframe",
        {static_cast<double>(wirelist.rows()),
         wirelist.cols() >= 3 && wirelist.rows() > 0 ? wirelist.middleCols(1, 2).maxCoeff() : 0.0,
         static_cast<double>(landmarks)});
}

std::string angle_text(const AngleResult& a) {
    if (a.mismatch)
        return "Mismatch on landmark number";
    std::string text;
    if (a.isometry) {
        text = format_text(
            R"(Sample 1 and isometry: %3.1f \n Within Species 1: %3.1f \n %4.0f Bootstraps -%s)",
            {a.angle, a.range1(2), a.nboots, short_name(a.size)});
        if (a.degenerate1 > 0) {
            text += format_text(R"(\n Replicates without a slope (resampled sizes all equal): %d)",
                                {static_cast<double>(a.degenerate1)});
        }
        if (a.common_reference) {
            // Fitted specimens are centred, so every growth vector sums to zero along each axis
            // and is orthogonal to the isometric vector whatever the data.
            text += format_text(
                R"(\n Note: after a common Procrustes superimposition the angle to isometry is always 90 degrees and carries no information)");
        }
        return text + coordinates_line(a);
    }
    text = format_text(
        R"(Between Species: %3.1f \n Within Species 1: %3.1f \n Within Species 2: %3.1f \n %4.0f Bootstraps )",
        {a.angle, a.range1(2), a.range2(2), a.nboots});
    if (a.degenerate1 > 0 || a.degenerate2 > 0) {
        text += format_text(
            R"(\n Replicates without a slope (resampled sizes all equal): %d in sample 1, %d in sample 2)",
            {static_cast<double>(a.degenerate1), static_cast<double>(a.degenerate2)});
    }
    text += format_text(R"(\n Resampled sets of %d specimens (sample %d))",
                        {static_cast<double>(a.resampled), static_cast<double>(a.resampled_from)});
    if (a.resampled < kFewResampled) {
        text += format_text(R"(\n Warning: under %d specimens, every range is wide)",
                            {static_cast<double>(kFewResampled)});
    }
    return text + coordinates_line(a);
}

std::string permutation_text(const SlopeComparison& t, SizeVariable size) {
    const PairwiseSlopes& first = t.pairs.front();
    return format_text(
        R"(Between Species: %3.1f \n Permutation UCL95: %3.1f \n P = %.4g   Z = %.2f \n Slope length difference: %.3g   P = %.4g \n Common slopes: F = %.3g   P = %.4g \n %4.0f Permutations -%s)",
        {first.angle, first.angle_test.ucl95, first.angle_test.p_value, first.angle_test.z,
         first.length_difference, first.length_test.p_value, t.f, t.f_test.p_value,
         static_cast<double>(t.permutations), short_name(size)});
}

std::vector<std::string> progress_texts(const Progress& p) {
    switch (p.stage) {
        case Progress::Stage::growth_vectors:
            return {format_text("Please Stand by../n Calculating ranges"), "Please Stand by..."};
        case Progress::Stage::ranges:
            if (p.angle) {
                return {format_text(
                    "Between group angle %3.1f /n ...Please wait-computing/n ranges", {*p.angle})};
            }
            if (p.isometry) {
                return {
                    format_text("Between group angles to isometry of %d samples /n ...Please "
                                "wait-computing/n ranges",
                                {static_cast<double>(p.samples)})};
            }
            return {format_text(
                "Between group angles of %d samples /n ...Please wait-computing/n ranges",
                {static_cast<double>(p.samples)})};
        case Progress::Stage::permutations:
            return {"Please Stand by... permutation test"};
    }
    return {};
}

}  // namespace kelmar
