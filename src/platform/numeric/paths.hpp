// Path helpers: split a path into folder, name and extension, join a folder and a file name with
// the platform separator, and read or change the process's working folder.
#pragma once

#include <string>
#include <string_view>

namespace kelmar {

struct PathParts {
    std::string folder;     // without a trailing separator, except for the root itself
    std::string name;       // file name without extension (".profile" is a name)
    std::string extension;  // with its dot, or empty
};

PathParts split_path(std::string_view path);

// folder + separator + name; no separator is doubled and an empty folder gives `name`.
std::string join_path(std::string_view folder, std::string_view name);

// The file name with its extension and without its folder.
std::string file_name_of(std::string_view path);

// The folder with exactly one trailing separator ("" stays "").
std::string with_trailing_separator(std::string_view folder);

std::string current_folder();

// Makes `folder` the working folder; raises an Error naming it when that fails.
void change_folder(std::string_view folder);

inline constexpr char kPathSeparator = '/';

}  // namespace kelmar
