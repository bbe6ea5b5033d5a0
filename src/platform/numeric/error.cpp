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

namespace kelmar {

std::string printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7f) {
            out += c;
            continue;
        }
        switch (c) {
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\0':
                out += "\\0";
                break;
            default: {
                constexpr char kHex[] = "0123456789abcdef";
                out += "\\x";
                out += kHex[byte >> 4];
                out += kHex[byte & 15];
            }
        }
    }
    return out;
}

std::string in_quotes(std::string_view text) {
    std::string out(1, '"');
    out += printable(text);
    out += '"';
    return out;
}

}  // namespace kelmar
