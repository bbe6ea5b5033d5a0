// The texts the main window shows, built from the session's results: the file controls' counts,
// the result control's angles, tests and progress, the wirelist's message. Their formats are the
// window's own, C-style with its "\n" and "/n" kept as written.
#pragma once

#include "session/session.hpp"

#include <string>
#include <vector>

namespace kelmar {

// A file's name as the window shows it: a long one shortened in the middle, where names of a
// series differ least ("macaque_mal…d_adults.txt"); the full name goes into the tooltip.
std::string shown_file_name(const std::string& name);

// A file control right after its sample is read: "File: name \n  N Specimens \n  p Landmarks".
std::string file_counts_text(const LoadResult& load);
// Sample 1's file control once its load is done: "File name \n   N Samples \n   p landmarks".
std::string sample1_file_text(const LoadResult& load);
// The result control when sample 2 was fitted onto a common reference with sample 1.
std::string common_reference_text();
std::string wirelist_text(const WirelistResult& wirelist);
// The result box when the wirelist names landmarks the drawn samples lack.
std::string wirelist_left_out_text(const Eigen::MatrixXd& wirelist, Eigen::Index landmarks);

// The result control when the common-reference box changes after sample 2 was loaded: the
// choice acts on the next load of sample 2.
std::string reference_choice_text(bool chosen, bool in_use);

// The result control after an angle step.
std::string angle_text(const AngleResult& angle);
// The result control after the permutation tests of two samples.
std::string permutation_text(const SlopeComparison& test, SizeVariable size);
// The result control's texts for a progress event, shown one after the other.
std::vector<std::string> progress_texts(const Progress& progress);

}  // namespace kelmar
