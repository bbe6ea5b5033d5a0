// The size variable every coordinate is regressed on: centroid size, or its natural logarithm.
// The window's size list, kelmar6-batch's --size and the report name it "CS" or "LCS".
#pragma once

namespace kelmar {

enum class SizeVariable { centroid_size, log_centroid_size };

// "LCS" or "CS".
constexpr const char* short_name(SizeVariable size) {
    return size == SizeVariable::log_centroid_size ? "LCS" : "CS";
}

}  // namespace kelmar
