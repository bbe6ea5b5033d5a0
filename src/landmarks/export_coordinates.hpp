// The analysed coordinates written back out, each specimen with its name, its sample and its
// size: CSV with a header row (name, sample, size, x1, y1, z1, x2, ...), or TPS blocks of LM3=,
// the coordinates, ID=, COMMENT=sample S and VARIABLES=size=V. Numbers are written in the
// shortest form that reads back exactly, so reading an export gives the same dataset. Estimated
// landmarks are named by their numbers: in a last CSV column "estimated" ("2 5"; present only
// when a landmark was estimated), in a TPS line COMMENT=estimated landmarks 2 5.
#pragma once

#include <Eigen/Core>

#include <span>
#include <string>
#include <vector>

namespace kelmar {

struct ExportedSample {
    const Eigen::MatrixXd& data;  // N × (dp + 1)
    const std::vector<std::string>& names;
    int sample;          // its number, from 1
    int dimensions = 3;  // d: 2 or 3
    // For each specimen the numbers of its estimated landmarks, blank-separated; null or empty
    // when none was estimated.
    const std::vector<std::string>* estimated = nullptr;
};

std::string coordinates_csv(std::span<const ExportedSample> samples);
std::string coordinates_tps(std::span<const ExportedSample> samples);

// Each specimen's name, sample, size and its row of `scores` (the samples' specimens in order):
// CSV with a header row name, sample, size, PC1, PC2, ...
std::string scores_csv(std::span<const ExportedSample> samples,
                       const Eigen::Ref<const Eigen::MatrixXd>& scores);

// Whether `path` ends in .csv (any letter case).
bool names_table_format(const std::string& path);

// Whether `path` ends in .csv or .tps (any letter case), the names the export writes.
bool names_coordinates_format(const std::string& path);

// The text for `path` by its extension (.csv or .tps, any letter case); raises an Error for
// another.
std::string exported_coordinates(const std::string& path, std::span<const ExportedSample> samples);

}  // namespace kelmar
