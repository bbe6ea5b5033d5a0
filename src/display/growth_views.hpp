// The pictures of growth, drawn into the current figure of a graphics model:
// - draw_allometry: each sample's regression scores against its size variable (2D), one marker
//   style a sample, its line over its own size range, a legend of the samples' names;
// - draw_growth_change: the reference shape in grey with its wireframe, and for every sample a
//   line from each landmark to where it moves over the sample's size range, times a
//   magnification, ending in the sample's marker, with the moved shape's wireframe (3D);
// - draw_distributions: one panel a sample with the histogram of its bootstrap angles, its 80, 90
//   and 95 percent values (dotted, dash-dotted, dashed, labelled) and the observed angles to the
//   other samples (each in that sample's colour, labelled "to 2" …), then one panel a pair with
//   its permuted angles, the observed angle and the UCL95; every panel with its own bins
//   (Freedman–Diaconis) and scales, the panels filling the figure row by row. When full panels
//   do not fit, the pairs become small multiples: frames without tick labels titled "1 & 2";
// - draw_shape_space: every specimen on two principal components, in its sample's marker, each
//   sample's trajectory as a line with an arrowhead at its larger end, the axes labelled with the
//   component and its share of the variance ("PC1 (43.2 %)"), equal units on both axes.
// Sample 1 is drawn as red diamonds, sample 2 as blue circles, further samples in other colours
// and markers; the reference as green pentagrams.
#pragma once

#include "growth/allometry.hpp"
#include "growth/shape_space.hpp"
#include "platform/graphics/graphics.hpp"
#include "platform/graphics/plotting.hpp"

#include <Eigen/Core>
#include <span>
#include <string>
#include <vector>

namespace kelmar {

// The look of sample `number` (from 1): red diamonds, blue circles, magenta squares, cyan
// triangles up, black triangles down, yellow triangles right, then again.
PlotStyle sample_style(int number);

void draw_allometry(Graphics& g, const AllometryScores& scores, std::span<const std::string> names,
                    SizeVariable size);

// The magnifications Growth Change draws: beyond them the moved shapes leave any readable scale.
constexpr double kMinMagnification = 0.001;
constexpr double kMaxMagnification = 1000.0;

// The magnification that makes the longest movement of any landmark about a fifth of the
// reference's length (its largest distance between two landmarks): a round number 1, 2, 5, 10,
// 20, … at most kMaxMagnification, and 1 when the movements are that large already.
double default_magnification(const GrowthChange& change);

// `wirelist` may be empty; raises an Error for a magnification outside kMinMagnification …
// kMaxMagnification. The title says the magnification.
void draw_growth_change(Graphics& g, const GrowthChange& change,
                        const Eigen::Ref<const Eigen::MatrixXd>& wirelist, double magnification,
                        std::span<const std::string> names);

void draw_distributions(Graphics& g, const AngleDistributions& d,
                        std::span<const std::string> names);

// Components `i` and `j` (from 1) of `space`, which must be among its scores; raises an Error
// otherwise.
void draw_shape_space(Graphics& g, const ShapeSpace& space, Eigen::Index i, Eigen::Index j,
                      std::span<const std::string> names);

// Histogram bins: `count` bins of `width` from `origin`.
struct HistogramBins {
    double origin = 0.0;
    double width = 1.0;
    Eigen::Index count = 1;
};

// The Freedman–Diaconis bins of the finite `values`: a width of twice their interquartile range
// over the cube root of their count, kept between a fifth and a sixtieth of their range, the first
// bin starting at a whole number of widths at or below the smallest value.
HistogramBins freedman_diaconis_bins(const Eigen::Ref<const Eigen::VectorXd>& values);

// The counts of `values` (NaN left out) in `bins`; a value before the first bin counts in the
// first, one at or beyond the last bin's end in the last.
std::vector<Eigen::Index> histogram_counts(const Eigen::Ref<const Eigen::VectorXd>& values,
                                           const HistogramBins& bins);

}  // namespace kelmar
