#include "output_files.hpp"

#include "landmarks/landmark_file.hpp"
#include "platform/numeric/error.hpp"
#include "platform/numeric/files.hpp"

#include <filesystem>
#include <optional>
#include <vector>

namespace kelmar {
bool is_standard_output(const std::string& path) {
    return path == "-";
}

namespace {

// Whether two paths name one file: the same existing file (links followed), or the same place
// for a file still to be created.
bool one_file(const std::string& a, const std::string& b) {
    if (same_file(a, b))
        return true;
    const auto place = [](const std::string& path) -> std::optional<std::filesystem::path> {
        std::error_code error;
        const auto absolute = std::filesystem::absolute(path, error);
        if (error)
            return std::nullopt;
        auto canonical = std::filesystem::weakly_canonical(absolute, error);
        if (error)
            return std::nullopt;
        return canonical;
    };
    const auto place_a = place(a);
    return place_a && place_a == place(b);
}

}  // namespace

// Refuses, before any work, outputs that would replace an input or each other.
void check_outputs(const BatchOptions& o, const std::vector<InputFile>& read) {
    if (is_standard_output(o.report) && is_standard_output(o.json)) {
        throw UsageError{"--report and --json cannot both go to standard output"};
    }
    std::vector<NamedFile> inputs = {{"--wirelist", o.wirelist}};
    for (std::size_t g = 0; g < o.samples.size(); ++g)
        inputs.push_back({"sample " + std::to_string(g + 1), o.samples[g]});
    for (const InputFile& file : read)
        inputs.push_back({file.what, file.path});
    const std::vector<NamedFile> outputs = output_options(o);
    for (const NamedFile& output : outputs) {
        if (output.path.empty() || is_standard_output(output.path))
            continue;
        for (const NamedFile& input : inputs) {
            if (!input.path.empty() && one_file(output.path, input.path)) {
                throw UsageError{output.what + " " + in_quotes(output.path) +
                                 " names the input file " + in_quotes(input.path) + " (" +
                                 input.what + "), which would be replaced"};
            }
        }
    }
    // A new markup file in a folder sample would be read as one more specimen of it next time.
    for (std::size_t g = 0; g < o.samples.size(); ++g) {
        const std::string& sample = o.samples[g];
        std::error_code error;
        const bool folder = std::filesystem::is_directory(sample, error);
        if (!folder && !is_markup_file_name(sample))
            continue;
        const std::string markups =
            folder ? sample : std::filesystem::path(sample).parent_path().string();
        for (const NamedFile& output : outputs) {
            // An existing markup file is one of the sample's inputs, refused as such below.
            if (output.path.empty() || is_standard_output(output.path) ||
                !is_markup_file_name(std::filesystem::path(output.path).filename().string()) ||
                std::filesystem::exists(output.path, error))
                continue;
            const std::string place = std::filesystem::path(output.path).parent_path().string();
            if (one_file(place.empty() ? "." : place, markups.empty() ? "." : markups)) {
                throw UsageError{output.what + " " + in_quotes(output.path) +
                                 " lies in the folder of sample " + std::to_string(g + 1) + ", " +
                                 in_quotes(markups.empty() ? "." : markups) +
                                 ", whose markup files are its specimens: it would be read as "
                                 "one more specimen"};
            }
        }
    }
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        for (std::size_t j = i + 1; j < outputs.size(); ++j) {
            const std::string& a = outputs[i].path;
            const std::string& b = outputs[j].path;
            if (!a.empty() && !b.empty() && !is_standard_output(a) && !is_standard_output(b) &&
                one_file(a, b)) {
                throw UsageError{outputs[i].what + " and " + outputs[j].what + " name one file, " +
                                 in_quotes(a) + ": one would replace the other"};
            }
        }
    }
}

}  // namespace kelmar
