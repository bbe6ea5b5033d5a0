// TPS files: each specimen is a block that starts with LM3=p and its p lines of x y z (LM=p and
// p lines of x y for 2D landmarks; one file holds one or the other), followed
// by optional ID=, IMAGE=, SCALE= (the coordinates are multiplied by it), COMMENT= and VARIABLES=
// lines; keywords in any letter case. "COMMENT=sample S" records the specimen's sample, as this
// program's export writes it; other comments are free text. Outline points (POINTS=m and its m
// lines) are skipped.
#include "landmark_text.hpp"
#include "platform/numeric/error.hpp"
#include "platform/numeric/files.hpp"
#include "table_file.hpp"

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace kelmar {

using namespace landmark_text;

namespace {

struct Block {
    std::string id, image;
    std::optional<std::string> group;                // from COMMENT=sample S
    std::optional<std::size_t> unnamed_sample_line;  // a COMMENT=sample line without a name
    double scale = 1.0;
    std::optional<double> size;
    std::vector<double> xyz;
    std::size_t line = 0;  // of its LM3= or LM=
};

// A whole number p ≥ 1 after a keyword such as LM3= or POINTS=.
std::size_t count_after(std::string_view key, std::string_view value, const std::string& place) {
    const std::optional<double> n = number_in(trim(value));
    if (!n || !(*n >= 0) || *n != std::floor(*n) || *n > 1e9) {
        throw Error(place + ": " + std::string(key) + "=" + in_quotes(printable(value)) +
                    " is not a count of points");
    }
    return static_cast<std::size_t>(*n);
}

}  // namespace

namespace {

// The specimens of the lines of `lines`, whose blocks were counted before.
template <typename Source>
LandmarkSample parse_tps(Source& lines, const std::string& file, const TpsBlocks& blocks) {
    if (blocks.lm3 > 0 && blocks.lm > 0) {
        throw Error(where(file, std::max(blocks.first_lm, blocks.first_lm3)) +
                    ": the file holds 3D landmarks (LM3=, line " +
                    std::to_string(blocks.first_lm3) + ") and 2D landmarks (LM=, line " +
                    std::to_string(blocks.first_lm) +
                    "); the specimens of one sample have one dimension");
    }
    const std::size_t d = blocks.lm > 0 ? 2 : 3;
    const char* keyword = d == 2 ? "LM" : "LM3";
    Specimens specimens(file, d == 2 ? blocks.lm : blocks.lm3, d);
    std::vector<std::string> groups;
    std::optional<std::size_t> ungrouped_line;  // the first block without a sample
    bool ungrouped_unnamed = false;             // … whose COMMENT=sample line names none
    std::optional<Block> block;
    const auto close = [&] {
        if (!block)
            return;
        Block& b = *block;
        if (b.group)
            groups.push_back(*b.group);
        else if (!ungrouped_line) {
            ungrouped_line = b.unnamed_sample_line.value_or(b.line);
            ungrouped_unnamed = b.unnamed_sample_line.has_value();
        }
        const std::string name = !b.id.empty()      ? b.id
                                 : !b.image.empty() ? b.image
                                                    : std::to_string(specimens.count() + 1);
        for (double& v : b.xyz)
            v *= b.scale;
        specimens.add(name, b.xyz, where(file, b.line), b.size);
        block.reset();
    };
    std::string_view line;
    while (lines.next(line)) {
        line = trim(line);
        if (line.empty())
            continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            throw Error(where(file, lines.number()) + ": " + in_quotes(printable(line)) +
                        " is neither a keyword line (such as LM3=) nor within a block's "
                        "coordinates");
        }
        const std::string_view key = trim(line.substr(0, equals));
        const std::string_view value = trim(line.substr(equals + 1));
        const std::string place = where(file, lines.number());
        if (equal_ignoring_case(key, keyword)) {
            close();
            const std::size_t p = count_after(keyword, value, place);
            block = Block{};
            block->line = lines.number();
            block->xyz.reserve(d * std::min<std::size_t>(p, 4096));
            for (std::size_t k = 0; k < p; ++k) {
                std::string_view point;
                if (!lines.next(point) || trim(point).find('=') != std::string_view::npos ||
                    trim(point).empty()) {
                    throw Error(place + " (specimen " + std::to_string(specimens.count() + 1) +
                                "): " + keyword + "=" + std::to_string(p) + " announces " +
                                std::to_string(p) + " landmarks, but only " + std::to_string(k) +
                                " lines of coordinates follow");
                }
                std::string_view fields[4];
                const std::size_t count = first_fields(point, fields);
                const Place point_place{file, lines.number(), {}, specimens.count() + 1};
                if (count != d) {
                    throw Error(point_place.text() + ": landmark " + std::to_string(k + 1) +
                                " has " + (count > 4 ? "more than 4" : std::to_string(count)) +
                                (d == 2 ? " coordinates, but 2D landmarks have 2 (x y)"
                                        : " coordinates, but 3D landmarks have 3 (x y z)"));
                }
                for (std::size_t j = 0; j < d; ++j)
                    block->xyz.push_back(coordinate(fields[j], point_place, "a landmark",
                                                    specimens.missing_place()));
            }
        } else if (equal_ignoring_case(key, "POINTS")) {
            const std::size_t m = count_after("POINTS", value, place);
            for (std::size_t k = 0; k < m; ++k) {
                std::string_view skipped;
                if (!lines.next(skipped))
                    throw Error(place + ": POINTS=" + std::to_string(m) +
                                " announces more outline points than the file holds");
            }
        } else if (block && equal_ignoring_case(key, "ID")) {
            block->id = std::string(value);
        } else if (block && equal_ignoring_case(key, "IMAGE")) {
            block->image = std::string(value);
        } else if (block && equal_ignoring_case(key, "SCALE")) {
            const std::optional<double> scale = number_in(value);
            if (!scale || !(*scale > 0) || !std::isfinite(*scale)) {
                throw Error(place + ": SCALE=" + in_quotes(printable(value)) +
                            " is not a positive number");
            }
            block->scale = *scale;
        } else if (block && equal_ignoring_case(key, "VARIABLES")) {
            // The size this program's export records: VARIABLES=size=V.
            const std::size_t inner = value.find('=');
            if (inner != std::string_view::npos &&
                equal_ignoring_case(trim(value.substr(0, inner)), "size")) {
                const std::optional<double> size = number_in(trim(value.substr(inner + 1)));
                if (!size || !(*size > 0) || !std::isfinite(*size)) {
                    throw Error(place + ": the recorded size " +
                                in_quotes(printable(value.substr(inner + 1))) +
                                " is not a positive number");
                }
                block->size = *size;
            }
        } else if (block && equal_ignoring_case(key, "COMMENT")) {
            // "sample S": the specimen's sample; any other comment is free text.
            const std::string_view comment = trim(value);
            const std::size_t blank = comment.find_first_of(" \t");
            const std::string_view word = comment.substr(0, blank);
            if (equal_ignoring_case(word, "sample")) {
                const std::string_view group = blank == std::string_view::npos
                                                   ? std::string_view()
                                                   : trim(comment.substr(blank));
                if (group.empty()) {
                    // Free text in a file without samples; named if the others record theirs.
                    block->unnamed_sample_line = lines.number();
                } else if (block->group && *block->group != group) {
                    throw Error(place +
                                ": a second COMMENT=sample line gives this specimen the "
                                "sample " +
                                in_quotes(group) + " after " + in_quotes(*block->group) +
                                "; a specimen belongs to one sample");
                }
                if (!group.empty())
                    block->group = std::string(group);
            }
        }
        // CURVES= and other keywords carry nothing the analysis uses.
    }
    close();
    if (!groups.empty() && ungrouped_line) {
        throw Error(where(file, *ungrouped_line) +
                    (ungrouped_unnamed
                         ? ": this specimen's COMMENT=sample line names no sample, while others "
                           "of the file record theirs; write the sample's name after the word "
                           "sample"
                         : ": this specimen has no COMMENT=sample line, while others of the file "
                           "record their sample; every specimen needs one to tell the samples "
                           "apart"));
    }
    LandmarkSample sample = specimens.finish(LandmarkFormat::Tps, "");
    sample.groups = std::move(groups);
    return sample;
}

}  // namespace

LandmarkSample read_tps(std::string_view text, const std::string& file) {
    Lines counting(text);
    const TpsBlocks blocks = count_tps_blocks(counting);
    Lines lines(text);
    return parse_tps(lines, file, blocks);
}

LandmarkSample read_tps_file(const std::string& path, const std::string& file) {
    // A TPS file is read twice, counting its specimens first; a pipe or device can be read only
    // once, so its text is taken whole.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        const std::optional<std::string> text = read_file_bytes(path, true);
        if (!text)
            throw Error(cannot_open_message(path));
        check_text_encoding(*text, file);
        return read_tps(*text, file);
    }
    FileLines lines(path, file);
    const TpsBlocks blocks = count_tps_blocks(lines);
    lines.rewind();
    return parse_tps(lines, file, blocks);
}

}  // namespace kelmar
