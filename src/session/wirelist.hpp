// Checks a wirelist table: one wire per row, at least three columns, and in columns 2 and 3 the
// whole numbers (1-based) of the two landmarks the wire joins, at most `landmarks` when that is
// known. A failure raises an Error naming the file, the line and the value.
#pragma once

#include <Eigen/Core>
#include <optional>
#include <string>

namespace kelmar {

void validate_wirelist(const Eigen::Ref<const Eigen::MatrixXd>& table, const std::string& name,
                       std::optional<Eigen::Index> landmarks);

// Whether every wire joins landmarks that a configuration of `landmarks` rows has.
bool wirelist_fits(const Eigen::Ref<const Eigen::MatrixXd>& table, Eigen::Index landmarks);

}  // namespace kelmar
