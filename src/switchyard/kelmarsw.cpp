#include "kelmarsw.hpp"

#include "platform/numeric/error.hpp"

namespace kelmar {

std::vector<Handle> tagged(const Graphics& g, std::string_view tag) {
    return g.find_all(Graphics::kRoot, "Tag", Value(std::string(tag)));
}

void set_tagged(Graphics& g, std::string_view tag, std::string_view property, const Value& value) {
    for (Handle h : tagged(g, tag))
        g.set(h, property, value);
}

Value tagged_value(const Graphics& g, std::string_view tag) {
    const std::vector<Handle> found = tagged(g, tag);
    return found.empty() ? Value() : g.get(found.front(), "Value");
}

void kelmarsw(const Switchyard& s, std::string_view action) {
    using Action = void (*)(const Switchyard&);
    static constexpr std::pair<std::string_view, Action> kActions[] = {
        {"load1", load1},
        {"load2", load2},
        {"loadwire", loadwire},
        {"autoaxis", autoaxis},
        {"anglebetween", anglebetween},
        {"angleisometry", angleisometry},
        {"quit", quit},
        {"savefile", savefile},
        {"Copy", copy_figure},
        {"AxesOff", axes_off},
        {"permutationtest", permutationtest},
        {"referencechanged", reference_changed},
        {"allometryplot", allometry_plot},
        {"growthchange", growth_change_view},
        {"distributions", distributions_view},
        {"shapespace", shape_space_view},
        {"drawingclosed", drawing_closed},
    };
    for (const auto& [name, run] : kActions) {
        if (action == name) {
            run(s);
            return;
        }
    }
}

void enable_views(const Switchyard& s, bool on) {
    for (const char* tag : {"Pushbutton12", "Pushbutton13", "Pushbutton14"})
        set_tagged(s.g, tag, "Enable", on ? "On" : "off");
}

// Listbox1: 1 is LCS, any other entry CS.
SizeVariable size_chosen(const Switchyard& s) {
    const Value size = tagged_value(s.g, "Listbox1");
    return !size.empty() && size.is_real() && size.reals()[0] == 1.0
               ? SizeVariable::log_centroid_size
               : SizeVariable::centroid_size;
}

void enable_pooled(const Switchyard& s, bool on) {
    for (const char* tag : {"Pushbutton11", "Pushbutton15"})
        set_tagged(s.g, tag, "Enable", on ? "On" : "off");
}

namespace {

constexpr const char* kDrawingButtons[] = {"Pushbutton7", "Pushbutton8", "Pushbutton9"};

}  // namespace

void watch_drawing(const Switchyard& s, Handle drawing) {
    s.g.set(drawing, "DeleteFcn", "kelmar6('kelmarsw','drawingclosed')");
    for (const char* tag : kDrawingButtons)
        set_tagged(s.g, tag, "Enable", "On");
}

int open_drawings(const Graphics& g) {
    const std::vector<Handle> main = tagged(g, "Kelmar6");
    int drawings = 0;
    for (Handle f : g.figures())
        drawings += main.empty() || f != main.front();
    return drawings;
}

void drawing_closed(const Switchyard& s) {
    const bool any = open_drawings(s.g) > 0;
    for (const char* tag : kDrawingButtons)
        set_tagged(s.g, tag, "Enable", any ? "On" : "off");
}

FunctionRow switchyard_function(Switchyard desktop) {
    return {"kelmarsw",
            [desktop = std::move(desktop)](int, const Values& inputs) -> Values {
                kelmarsw(desktop, Arguments("kelmarsw", inputs).text(0, "action"));
                return {};
            },
            1, 0};
}

}  // namespace kelmar
