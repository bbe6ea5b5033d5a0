// allometryplot, growthchange and distributions: the pictures of the last analysis, each in a new
// drawing window placed as the load drawings are, titled by what it shows. Growth Change reads its
// magnification from the edit field beside its button. shapespace: both samples in shape space,
// on the components written in the field beside its button and the size variable chosen.
#include "display/growth_views.hpp"
#include "kelmarsw.hpp"
#include "platform/numeric/error.hpp"
#include "platform/numeric/format.hpp"
#include "platform/numeric/text_to_numbers.hpp"

#include <algorithm>
#include <cmath>

namespace kelmar {
namespace {

// A new drawing window titled `title`, beside the main window; the picture is drawn into it and
// the figure actions are enabled.
template <typename Draw>
void view_window(const Switchyard& s, const std::string& title, Draw draw) {
    const Handle figure = s.g.create_figure();
    try {
        s.g.set(figure, "Name", title);
        place_beside_main_window(s.g, figure);
        draw();
    } catch (...) {
        s.g.close(figure);  // no half-drawn window stays behind
        throw;
    }
    watch_drawing(s, figure);
}

// The app data of the magnification field that holds the value the window chose itself.
constexpr const char* kChosenMagnification = "ChosenMagnification";

// The magnification of Growth Change: the one typed in the field beside its button, or, when the
// field is empty or still shows the value chosen before, a round number chosen from the growth
// drawn, which the field then shows.
double magnification(const Switchyard& s, const GrowthChange& change) {
    const std::vector<Handle> field = tagged(s.g, "MagnifyEdit");
    if (field.empty())
        return default_magnification(change);
    const std::string text = s.g.get(field.front(), "String").text();
    const Value chosen = s.g.has_app_data(field.front(), kChosenMagnification)
                             ? s.g.app_data(field.front(), kChosenMagnification)
                             : Value();
    if (text.find_first_not_of(" \t") == std::string::npos ||
        (chosen.is_text() && chosen.text() == text)) {
        const double m = default_magnification(change);
        const std::string shown = shortest_text(m);
        s.g.set(field.front(), "String", shown);
        s.g.set_app_data(field.front(), kChosenMagnification, shown);
        return m;
    }
    std::vector<double> numbers;
    const NumbersParsed parsed = parse_numbers_into(text, numbers);
    if (!parsed.ok || numbers.size() != 1 || !(numbers[0] >= kMinMagnification) ||
        !(numbers[0] <= kMaxMagnification)) {
        throw Error("the magnification of Growth Change must be a number from " +
                    shortest_text(kMinMagnification) + " to " + shortest_text(kMaxMagnification) +
                    ", given " + in_quotes(text));
    }
    return numbers[0];
}

}  // namespace

void allometry_plot(const Switchyard& s) {
    const AllometryScores scores = s.session.allometry();
    const std::vector<std::string> names = s.session.sample_names();
    view_window(s, "Allometry plot",
                [&] { draw_allometry(s.g, scores, names, s.session.analysed_size_variable()); });
}

void growth_change_view(const Switchyard& s) {
    const GrowthChange change = s.session.growth_as_shape_change();
    const double m = magnification(s, change);
    const std::vector<std::string> names = s.session.sample_names();
    view_window(s, "Growth as shape change",
                [&] { draw_growth_change(s.g, change, s.session.wirelist(), m, names); });
}

void shape_space_view(const Switchyard& s) {
    const std::vector<Handle> field = tagged(s.g, "ComponentsEdit");
    const std::string text = field.empty() ? "1,2" : s.g.get(field.front(), "String").text();
    const std::optional<std::array<Eigen::Index, 2>> components = parse_component_pair(text);
    if (!components) {
        throw Error(
            "the components of Shape Space are two different component numbers from 1 written "
            "I,J, given " +
            in_quotes(text));
    }
    const ShapeSpace space = s.session.shape_space(
        size_chosen(s), false, std::max({kScoresKept, (*components)[0], (*components)[1]}));
    check_components(space, *components, "Shape Space " + text);
    const std::vector<std::string> names = s.session.sample_names();
    view_window(s, "Shape space",
                [&] { draw_shape_space(s.g, space, (*components)[0], (*components)[1], names); });
}

void distributions_view(const Switchyard& s) {
    const AngleDistributions d = s.session.angle_distributions();
    const std::vector<std::string> names = s.session.sample_names();
    view_window(s, "Distributions of the angles", [&] { draw_distributions(s.g, d, names); });
}

}  // namespace kelmar
