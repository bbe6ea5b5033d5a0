#include "paths.hpp"

#include "error.hpp"

#include <filesystem>
#include <system_error>

namespace kelmar {

PathParts split_path(std::string_view path) {
    PathParts parts;
    const std::size_t slash = path.find_last_of(kPathSeparator);
    std::string_view file = path;
    if (slash != std::string_view::npos) {
        std::string_view folder = path.substr(0, slash);
        // Collapse the separators before the name, but keep the root as "/".
        while (folder.size() > 1 && folder.back() == kPathSeparator)
            folder.remove_suffix(1);
        parts.folder = folder.empty() ? std::string(1, kPathSeparator) : std::string(folder);
        file = path.substr(slash + 1);
    }
    const std::size_t dot = file.find_last_of('.');
    if (dot == std::string_view::npos || dot == 0 || file == "..") {
        parts.name = std::string(file);
    } else {
        parts.name = std::string(file.substr(0, dot));
        parts.extension = std::string(file.substr(dot));
    }
    return parts;
}

std::string join_path(std::string_view folder, std::string_view name) {
    if (folder.empty())
        return std::string(name);
    while (!name.empty() && name.front() == kPathSeparator)
        name.remove_prefix(1);
    return with_trailing_separator(folder) + std::string(name);
}

std::string file_name_of(std::string_view path) {
    const std::size_t slash = path.find_last_of(kPathSeparator);
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string with_trailing_separator(std::string_view folder) {
    if (folder.empty())
        return {};
    while (folder.size() > 1 && folder.back() == kPathSeparator)
        folder.remove_suffix(1);
    std::string result(folder);
    if (result.back() != kPathSeparator)
        result += kPathSeparator;
    return result;
}

std::string current_folder() {
    std::error_code ec;
    const std::filesystem::path here = std::filesystem::current_path(ec);
    if (ec) {
        throw Error("cannot read the working folder: " + ec.message());
    }
    return here.string();
}

void change_folder(std::string_view folder) {
    std::error_code ec;
    std::filesystem::current_path(std::filesystem::path(folder), ec);
    if (ec) {
        throw Error("cannot change the working folder to \"" + std::string(folder) +
                    "\": " + ec.message());
    }
}

}  // namespace kelmar
