// The growth functions as the program's function table calls them by name: anglerbr, sanglerbr,
// growvecn, growvector3, growveceq, shapegrow, shapegrown and sortsize (calling
// bootstrap_angles on log centroid size and on centroid size, whose by-name rows take two more
// inputs that are not used, log_size_growth_row, growth_vector_on, log_size_lines, size_lines,
// scaled_size_lines and sorted_by_size). The bootstraps draw from the stream `stream` returns,
// the process's one stream.
#pragma once

#include "platform/numeric/by_name.hpp"
#include "platform/numeric/random_stream.hpp"

namespace kelmar {

std::vector<FunctionRow> growth_functions(std::function<RandomStream&()> stream);

}  // namespace kelmar
