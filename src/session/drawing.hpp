// What a load draws when drawing is on: the reference and the samples' superimposed specimens,
// each named for the legend and marked with what it is, and the configuration the wireframe
// joins. The window and kelmar6-batch's --plot draw it alike.
#pragma once

#include "platform/numeric/stack.hpp"
#include "superimpose/missing_landmarks.hpp"

#include <Eigen/Core>
#include <string>
#include <vector>

namespace kelmar {

struct Drawing {
    struct Shapes {
        // What the configurations are, which their look in the drawing follows.
        enum class Role { reference, sample_1, sample_2, sample_1_on_common_reference };
        Stack configurations;
        Role role = Role::reference;
        std::string label;  // as the legend names it
        // The landmarks estimated, by page and landmark: drawn hollow, the set's others filled
        // (a set without estimates keeps its hollow markers).
        std::vector<EstimatedLandmark> estimated;
    };
    std::vector<Shapes> shapes;  // in drawing order, the reference first
    Eigen::MatrixXd wire_on;     // the configuration the wireframe joins (empty: no wireframe)
    // A wirelist was loaded (or came with the file) but names landmarks the sample lacks.
    bool wirelist_left_out = false;

    // Joins `reference` by the wirelist when there is one and it fits its landmarks.
    void join(const Eigen::MatrixXd* wires, const Eigen::MatrixXd& reference);
};

}  // namespace kelmar
