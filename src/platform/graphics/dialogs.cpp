#include "dialogs.hpp"

#include "platform/numeric/error.hpp"

namespace kelmar {
namespace {

Dialogs*& installed() {
    static Dialogs* d = nullptr;
    return d;
}

}  // namespace

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
