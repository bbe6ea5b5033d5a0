#include "targets.hpp"

#include "landmarks/landmark_file.hpp"
#include "landmarks/table_file.hpp"
#include "landmarks/validate_dataset.hpp"
#include "platform/graphics/callback.hpp"
#include "platform/graphics/figure_file.hpp"
#include "platform/graphics/graphics.hpp"
#include "platform/numeric/echo.hpp"
#include "platform/numeric/error.hpp"
#include "platform/numeric/format.hpp"
#include "platform/numeric/text_to_numbers.hpp"

#include <string>
#include <vector>

namespace kelmar::fuzz {
namespace {

// Warnings of early-ending tables would flood the fuzzer's output.
void quiet_warnings() {
    static const bool set = [] {
        set_warning_sink([](const std::string&) {});
        return true;
    }();
    (void)set;
}

}  // namespace

void table_reader(std::string_view data) {
    quiet_warnings();
    try {
        const Eigen::MatrixXd table = table_from_text(data, "fuzz.txt");
        validate_landmark_dataset(table, "fuzz.txt");
    } catch (const Error&) {
    }
}

void figure_file(std::string_view data) {
    Graphics g;
    try {
        load_figure_text(g, std::string(data), "fuzz.fig");
    } catch (const Error&) {
    }
}

void callback_parser(std::string_view data) {
    try {
        parse_callback(data);
    } catch (const Error&) {
    }
}

// The input is the format, then after each NUL byte one argument: a number when it reads as
// one, otherwise a text.
void formatter(std::string_view data) {
    const std::size_t end = data.find('\0');
    const std::string_view format = data.substr(0, end);
    std::vector<Value> args;
    std::size_t pos = end;
    while (pos != std::string_view::npos && args.size() < 8) {
        const std::size_t next = data.find('\0', pos + 1);
        const std::string_view text = data.substr(
            pos + 1, next == std::string_view::npos ? std::string_view::npos : next - pos - 1);
        std::vector<double> numbers;
        const NumbersParsed parsed = parse_numbers_into(text, numbers);
        if (parsed.ok && numbers.size() == 1)
            args.emplace_back(numbers[0]);
        else if (parsed.ok && numbers.size() > 1)
            args.push_back(Value::row(std::move(numbers)));
        else
            args.emplace_back(std::string(text));
        pos = next;
    }
    try {
        format_text(format, args);
    } catch (const Error&) {
    }
}

// The first byte chooses the reader; the rest is the file's text.
void landmark_formats(std::string_view data) {
    if (data.empty())
        return;
    const std::string_view text = data.substr(1);
    try {
        switch (static_cast<unsigned char>(data[0]) % 5) {
            case 0:
                for (const LandmarkSample& s : samples_by_group(read_tps(text, "fuzz.tps")))
                    validate_landmark_dataset(s.data, "fuzz.tps", s.dimensions);
                break;
            case 1: {
                const LandmarkSample s = read_morphologika(text, "fuzz.txt");
                validate_landmark_dataset(s.data, "fuzz.txt", s.dimensions);
            } break;
            case 2:
                for (const LandmarkSample& s :
                     samples_by_group(read_labelled_table(text, "fuzz.csv")))
                    validate_landmark_dataset(s.data, "fuzz.csv", s.dimensions);
                break;
            case 3:
                markup_points(text, "fuzz.fcsv", false);
                break;
            default:
                markup_points(text, "fuzz.mrk.json", true);
        }
    } catch (const Error&) {
    }
}

std::span<const Target> targets() {
    static const Target all[] = {{"table_reader", table_reader},
                                 {"figure_file", figure_file},
                                 {"callback_parser", callback_parser},
                                 {"formatter", formatter},
                                 {"landmark_formats", landmark_formats}};
    return all;
}

}  // namespace kelmar::fuzz
