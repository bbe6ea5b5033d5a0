#include "export_coordinates.hpp"

#include "landmark_text.hpp"
#include "platform/numeric/error.hpp"
#include "platform/numeric/format.hpp"
#include "platform/numeric/paths.hpp"

namespace kelmar {
namespace {

// A name as one CSV field: quoted when it holds a separator, a quote or blanks at its ends, its
// own double quotes doubled, as the reader takes them back.
std::string csv_name(std::string name) {
    for (char& c : name) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    const bool quote = name.find_first_of(",;\t\"") != std::string::npos || name.empty() ||
                       name.front() == ' ' || name.back() == ' ';
    if (!quote)
        return name;
    std::string out = "\"";
    for (char c : name) {
        out += c;
        if (c == '"')
            out += '"';
    }
    return out + '"';
}

// A name on one TPS line.
std::string tps_name(std::string name) {
    for (char& c : name) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    return name;
}

// The name, sample and size fields of row `i` of sample `s`.
std::string specimen_fields(const ExportedSample& s, Eigen::Index i) {
    return csv_name(s.names[static_cast<std::size_t>(i)]) + ',' + std::to_string(s.sample) + ',' +
           shortest_text(s.data(i, s.data.cols() - 1));
}

// The numbers of specimen `i`'s estimated landmarks, or empty.
std::string estimated_of(const ExportedSample& s, Eigen::Index i) {
    if (s.estimated == nullptr || static_cast<std::size_t>(i) >= s.estimated->size())
        return {};
    return (*s.estimated)[static_cast<std::size_t>(i)];
}

bool any_estimated(std::span<const ExportedSample> samples) {
    for (const ExportedSample& s : samples) {
        for (Eigen::Index i = 0; i < s.data.rows(); ++i) {
            if (!estimated_of(s, i).empty())
                return true;
        }
    }
    return false;
}

}  // namespace

std::string coordinates_csv(std::span<const ExportedSample> samples) {
    const bool marked = any_estimated(samples);
    std::string out = "name,sample,size";
    const Eigen::Index c = samples.empty() ? 1 : samples.front().data.cols();
    const int d = samples.empty() ? 3 : samples.front().dimensions;
    for (Eigen::Index k = 1; k <= (c - 1) / d; ++k) {
        const std::string n = std::to_string(k);
        out += ",x" + n + ",y" + n;
        if (d == 3)
            out += ",z" + n;
    }
    if (marked)
        out += ",estimated";
    out += '\n';
    for (const ExportedSample& s : samples) {
        for (Eigen::Index i = 0; i < s.data.rows(); ++i) {
            out += specimen_fields(s, i);
            for (Eigen::Index j = 0; j + 1 < s.data.cols(); ++j)
                out += ',' + shortest_text(s.data(i, j));
            if (marked)
                out += ',' + estimated_of(s, i);
            out += '\n';
        }
    }
    return out;
}

std::string scores_csv(std::span<const ExportedSample> samples,
                       const Eigen::Ref<const Eigen::MatrixXd>& scores) {
    std::string out = "name,sample,size";
    for (Eigen::Index c = 1; c <= scores.cols(); ++c)
        out += ",PC" + std::to_string(c);
    out += '\n';
    Eigen::Index row = 0;
    for (const ExportedSample& s : samples) {
        for (Eigen::Index i = 0; i < s.data.rows(); ++i, ++row) {
            out += specimen_fields(s, i);
            for (Eigen::Index c = 0; c < scores.cols(); ++c)
                out += ',' + shortest_text(scores(row, c));
            out += '\n';
        }
    }
    return out;
}

std::string coordinates_tps(std::span<const ExportedSample> samples) {
    std::string out;
    for (const ExportedSample& s : samples) {
        const int d = s.dimensions;
        const Eigen::Index p = (s.data.cols() - 1) / d;
        for (Eigen::Index i = 0; i < s.data.rows(); ++i) {
            out += (d == 2 ? "LM=" : "LM3=") + std::to_string(p) + '\n';
            for (Eigen::Index k = 0; k < p; ++k) {
                for (int j = 0; j < d; ++j) {
                    if (j > 0)
                        out += ' ';
                    out += shortest_text(s.data(i, d * k + j));
                }
                out += '\n';
            }
            out += "ID=" + tps_name(s.names[static_cast<std::size_t>(i)]) + '\n';
            out += "COMMENT=sample " + std::to_string(s.sample) + '\n';
            if (const std::string estimated = estimated_of(s, i); !estimated.empty())
                out += "COMMENT=estimated landmarks " + estimated + '\n';
            out += "VARIABLES=size=" + shortest_text(s.data(i, s.data.cols() - 1)) + '\n';
        }
    }
    return out;
}

bool names_table_format(const std::string& path) {
    return landmark_text::equal_ignoring_case(split_path(path).extension, ".csv");
}

bool names_coordinates_format(const std::string& path) {
    const std::string extension = split_path(path).extension;
    return landmark_text::equal_ignoring_case(extension, ".csv") ||
           landmark_text::equal_ignoring_case(extension, ".tps");
}

std::string exported_coordinates(const std::string& path, std::span<const ExportedSample> samples) {
    if (names_coordinates_format(path)) {
        return landmark_text::equal_ignoring_case(split_path(path).extension, ".csv")
                   ? coordinates_csv(samples)
                   : coordinates_tps(samples);
    }
    throw Error(in_quotes(path) +
                ": exported coordinates are written as CSV or TPS, so the file name must end in "
                ".csv or .tps");
}

}  // namespace kelmar
