#include "dialogs.hpp"

#include "platform/numeric/error.hpp"
#include "platform/numeric/paths.hpp"

namespace kelmar {
namespace {

Dialogs*& installed() {
    static Dialogs* d = nullptr;
    return d;
}

}  // namespace

std::string Dialogs::start_folder() const {
    return last_folder_.empty() ? with_trailing_separator(current_folder()) : last_folder_;
}

Dialogs& dialogs() {
    if (installed() == nullptr)
        throw Error("no dialogs are available: the program has no window system");
    return *installed();
}

Dialogs* set_dialogs(Dialogs* d) {
    Dialogs* previous = installed();
    installed() = d;
    return previous;
}

}  // namespace kelmar
