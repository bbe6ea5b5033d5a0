// The growth functions as the program's function table calls them by name: anglerbr, sanglerbr,
// growvecn, growvector3, growveceq, shapegrow, shapegrown and sortsize. The bootstraps draw from
// the stream `stream` returns, the process's one stream.
#pragma once

#include "platform/numeric/by_name.hpp"
#include "platform/numeric/random_stream.hpp"

namespace kelmar {

std::vector<FunctionRow> growth_functions(std::function<RandomStream&()> stream);

}  // namespace kelmar
