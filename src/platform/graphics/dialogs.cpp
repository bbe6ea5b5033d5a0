#include "dialogs.hpp"

#include "platform/numeric/paths.hpp"

namespace kelmar {
std::string Dialogs::start_folder() const {
    return last_folder_.empty() ? with_trailing_separator(current_folder()) : last_folder_;
}

}  // namespace kelmar
