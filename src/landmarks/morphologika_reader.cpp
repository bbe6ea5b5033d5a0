// Morphologika files: bracketed sections in any letter case. [individuals] n, [landmarks] p,
// [dimensions] 3 or 2, [names] one name a line, [rawpoints] n·p lines of x y z, or x y in 2D
// (specimens may be
// introduced by '# lines), [wireframe] pairs of landmark numbers. Lines starting with ' are
// comments; other sections are skipped.
#include "landmark_text.hpp"
#include "platform/numeric/error.hpp"

#include <cmath>

namespace kelmar {

using namespace landmark_text;

namespace {

struct Line {
    std::string_view text;
    std::size_t number;
};

// The single whole number of a counting section.
std::size_t section_count(const std::vector<Line>& lines, std::string_view section,
                          const std::string& file) {
    if (lines.size() != 1) {
        throw Error(in_quotes(file) + ": [" + std::string(section) +
                    "] must hold one whole number, but holds " + std::to_string(lines.size()) +
                    " lines");
    }
    const std::optional<double> n = number_in(lines.front().text);
    if (!n || !(*n >= 1) || *n != std::floor(*n) || *n > 1e9) {
        throw Error(where(file, lines.front().number) + ": [" + std::string(section) + "] " +
                    in_quotes(printable(lines.front().text)) + " is not a count from 1 up");
    }
    return static_cast<std::size_t>(*n);
}

}  // namespace

LandmarkSample read_morphologika(std::string_view text, const std::string& file) {
    // The lines of each known section, comments and blank lines left out.
    std::vector<Line> individuals, landmarks, dimensions, names, rawpoints, wireframe;
    std::vector<Line>* section = nullptr;
    Lines lines(text);
    std::string_view raw;
    while (lines.next(raw)) {
        const std::string_view line = trim(raw);
        if (line.empty() || line.front() == '\'')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            const std::string_view name = trim(line.substr(1, line.size() - 2));
            section = nullptr;
            for (auto [known, lines_of] :
                 {std::pair{"individuals", &individuals}, std::pair{"landmarks", &landmarks},
                  std::pair{"dimensions", &dimensions}, std::pair{"names", &names},
                  std::pair{"rawpoints", &rawpoints}, std::pair{"wireframe", &wireframe}}) {
                if (equal_ignoring_case(name, known))
                    section = lines_of;
            }
            continue;
        }
        if (section != nullptr)
            section->push_back({line, lines.number()});
    }
    for (auto [known, lines_of] :
         {std::pair{"individuals", &individuals}, std::pair{"landmarks", &landmarks},
          std::pair{"rawpoints", &rawpoints}}) {
        if (lines_of->empty())
            throw Error(in_quotes(file) + ": the Morphologika section [" + known +
                        "] is missing or empty");
    }
    const std::size_t n = section_count(individuals, "individuals", file);
    const std::size_t p = section_count(landmarks, "landmarks", file);
    std::size_t d = 3;
    if (!dimensions.empty()) {
        d = section_count(dimensions, "dimensions", file);
        if (d != 2 && d != 3) {
            throw Error(where(file, dimensions.front().number) + ": [dimensions] is " +
                        std::to_string(d) + ", but this program compares 2D and 3D landmarks");
        }
    }
    if (!names.empty() && names.size() != n) {
        throw Error(in_quotes(file) + ": [names] lists " + std::to_string(names.size()) +
                    " names for the " + std::to_string(n) + " individuals");
    }
    if (rawpoints.size() != n * p) {
        throw Error(in_quotes(file) + ": [rawpoints] holds " + std::to_string(rawpoints.size()) +
                    " points, but " + std::to_string(n) + " individuals of " + std::to_string(p) +
                    " landmarks make " + std::to_string(n * p));
    }
    Specimens specimens(file, n, d);
    std::vector<double> xyz(d * p);
    for (std::size_t i = 0; i < n; ++i) {
        const std::string name = names.empty() ? std::to_string(i + 1) : std::string(names[i].text);
        for (std::size_t k = 0; k < p; ++k) {
            const Line& point = rawpoints[i * p + k];
            const std::vector<std::string_view> fields = blank_fields(point.text);
            const Place place{file, point.number, name};
            if (fields.size() != d) {
                throw Error(place.text() + ": landmark " + std::to_string(k + 1) + " has " +
                            std::to_string(fields.size()) +
                            (d == 2 ? " coordinates, but 2D landmarks have 2 (x y)"
                                    : " coordinates, but 3D landmarks have 3 (x y z)"));
            }
            for (std::size_t j = 0; j < d; ++j)
                xyz[d * k + j] =
                    coordinate(fields[j], place, "a landmark", specimens.missing_place());
        }
        specimens.add(name, xyz, where(file, rawpoints[i * p].number));
    }
    LandmarkSample sample = specimens.finish(LandmarkFormat::Morphologika, "");
    // Each pair of landmark numbers becomes a wirelist row: wire number, from, to.
    sample.wirelist.resize(static_cast<Eigen::Index>(wireframe.size()), 3);
    for (std::size_t w = 0; w < wireframe.size(); ++w) {
        const std::vector<std::string_view> fields = blank_fields(wireframe[w].text);
        const std::string place = where(file, wireframe[w].number);
        if (fields.size() != 2)
            throw Error(place + ": a [wireframe] line holds the numbers of two landmarks");
        const auto row = static_cast<Eigen::Index>(w);
        sample.wirelist(row, 0) = static_cast<double>(w + 1);
        for (int j = 0; j < 2; ++j) {
            const std::optional<double> v = number_in(fields[static_cast<std::size_t>(j)]);
            if (!v || !(*v >= 1) || *v != std::floor(*v) || *v > static_cast<double>(p)) {
                throw Error(place + ": " +
                            in_quotes(printable(fields[static_cast<std::size_t>(j)])) +
                            " is not a landmark number from 1 to " + std::to_string(p));
            }
            sample.wirelist(row, j + 1) = *v;
        }
    }
    return sample;
}

}  // namespace kelmar
