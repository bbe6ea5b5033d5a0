#include "switchyard/window_texts.hpp"

#include <gtest/gtest.h>

namespace kelmar {
namespace {

TEST(WindowTexts, LoadsAndWirelistsInTheWindowsFormats) {
    LoadResult load;
    load.name = "s1.txt";
    load.specimens = 20;
    load.landmarks = 10;
    EXPECT_EQ(file_counts_text(load), "File: s1.txt \n  20 Specimens \n  10 Landmarks");
    EXPECT_EQ(sample1_file_text(load), "File s1.txt \n   20 Samples \n   10 landmarks");
    EXPECT_EQ(common_reference_text(), "Using Common Procrustes GLS Reference");
    EXPECT_EQ(wirelist_text({"w.txt", 1}), "Loaded Wirelist: w.txt \n,with 1 wires");
    // Long names are shortened in the middle, never inside a character.
    EXPECT_EQ(shown_file_name("macaque_males_2024_field_adults.txt"),
              "macaque_mal\u2026d_adults.txt");
    EXPECT_EQ(shown_file_name("exactly_twenty_four_.txt"), "exactly_twenty_four_.txt");
    EXPECT_EQ(shown_file_name("crâniosmaiores_de_campo_adultos.txt"),
              "crâniosmaio\u2026_adultos.txt");
}

// The result control: angles rounded to a tenth, the replicates without a slope only when there
// are any, the size variable only for isometry, and the note after a common superimposition.
TEST(WindowTexts, AngleResults) {
    AngleResult a;
    a.angle = 25.26;
    a.range1 = {1, 2, 30.04};
    a.range2 = {1, 2, 28.96};
    a.nboots = 400;
    a.resampled = 32;
    a.resampled_from = 2;
    EXPECT_EQ(angle_text(a),
              "Between Species: 25.3 \n Within Species 1: 30.0 \n Within Species 2: 29.0 \n  400 "
              "Bootstraps \n Resampled sets of 32 specimens (sample 2)\n Coordinates as read");
    a.degenerate2 = 3;
    a.common_reference = true;
    a.resampled = 9;
    EXPECT_EQ(angle_text(a).substr(angle_text(a).find("Bootstraps ") + 11),
              "\n Replicates without a slope (resampled sizes all equal): 0 in sample 1, 3 in "
              "sample 2\n Resampled sets of 9 specimens (sample 2)\n Warning: under 10 specimens, "
              "every range is wide\n On the common Procrustes GLS reference");
    a.common_reference = false;

    a.isometry = true;
    a.size = SizeVariable::centroid_size;
    a.nboots = 100;
    EXPECT_EQ(angle_text(a),
              "Sample 1 and isometry: 25.3 \n Within Species 1: 30.0 \n  100 Bootstraps -CS\n "
              "Coordinates "
              "as read");
    a.common_reference = true;
    EXPECT_NE(angle_text(a).find("-CS\n Note: after a common Procrustes superimposition the angle "
                                 "to isometry is always 90 degrees"),
              std::string::npos);
    a.mismatch = true;
    EXPECT_EQ(angle_text(a), "Mismatch on landmark number");
}

TEST(WindowTexts, ProgressAndPermutations) {
    using Stage = Progress::Stage;
    EXPECT_EQ(
        progress_texts({Stage::growth_vectors, false, 2, std::nullopt}),
        (std::vector<std::string>{"Please Stand by../n Calculating ranges", "Please Stand by..."}));
    EXPECT_EQ(
        progress_texts({Stage::ranges, false, 2, 12.34}),
        std::vector<std::string>{"Between group angle 12.3 /n ...Please wait-computing/n ranges"});
    EXPECT_EQ(progress_texts({Stage::ranges, true, 3, std::nullopt}).front(),
              "Between group angles to isometry of 3 samples /n ...Please wait-computing/n ranges");
    EXPECT_EQ(progress_texts({Stage::permutations, false, 2, std::nullopt}).front(),
              "Please Stand by... permutation test");

    SlopeComparison t;
    t.permutations = 999;
    t.f = 4.5;
    t.f_test.p_value = 0.012;
    PairwiseSlopes p;
    p.angle = 20.04;
    p.angle_test.p_value = 0.001;
    p.angle_test.ucl95 = 15.55;
    p.angle_test.z = 3.456;
    p.length_difference = 0.1234;
    p.length_test.p_value = 0.5;
    t.pairs.push_back(p);
    EXPECT_EQ(permutation_text(t, SizeVariable::log_centroid_size),
              "Between Species: 20.0 \n Permutation UCL95: 15.6 \n P = 0.001   Z = 3.46 \n Slope "
              "length difference: 0.123   P = 0.5 \n Common slopes: F = 4.5   P = 0.012 \n  999 "
              "Permutations -LCS");
}

}  // namespace
}  // namespace kelmar
