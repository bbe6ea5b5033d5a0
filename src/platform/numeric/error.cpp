#include "error.hpp"

#include <mutex>

namespace kelmar {
namespace {

struct LastError {
    std::mutex mutex;
    std::string text;
};

LastError& last_error() {
    static LastError instance;
    return instance;
}

}  // namespace

Error::Error(const std::string& message) : std::runtime_error(message) {
    set_last_error_text(message);
}

std::string last_error_text() {
    LastError& last = last_error();
    std::lock_guard lock(last.mutex);
    return last.text;
}

void set_last_error_text(const std::string& message) {
    LastError& last = last_error();
    std::lock_guard lock(last.mutex);
    last.text = message;
}

}  // namespace kelmar
