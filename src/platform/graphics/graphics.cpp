#include "graphics.hpp"

#include "callback.hpp"
#include "platform/numeric/error.hpp"
#include "platform/numeric/format.hpp"

#include <algorithm>
#include <cctype>

namespace kelmar {
namespace {

using Properties = std::vector<std::pair<std::string, Value>>;

Value rgb(double r, double g, double b) {
    return Value::row({r, g, b});
}

Properties defaults(ObjectType type) {
    const Value grey = rgb(0.94, 0.94, 0.94);
    switch (type) {
        case ObjectType::Root:
            return {{"ScreenSize", Value::row({1, 1, 1920, 1080})},
                    {"Units", "pixels"},
                    {"DefaultUicontrolBackgroundColor", grey},
                    {"CurrentFigure", Value()},
                    {"Tag", ""}};
        case ObjectType::Figure:
            return {{"Name", ""},
                    {"Tag", ""},
                    {"Units", "pixels"},
                    {"Position", Value::row({100, 100, 560, 420})},
                    {"OuterPosition", Value::row({100, 100, 560, 420})},
                    {"ActivePositionProperty", "outerposition"},
                    {"Color", grey},
                    {"Visible", "on"},
                    {"Pointer", "arrow"},
                    {"SearchVisibility", "on"},
                    {"Resize", "on"},
                    {"NumberedTitle", "on"},
                    {"Menus", "figure"},
                    {"CloseRequestFcn", ""},
                    {"DeleteFcn", ""},
                    {"MinimumSize", Value()},
                    {"CurrentAxes", Value()}};
        case ObjectType::Control:
            return {{"Style", "pushbutton"},
                    {"String", ""},
                    {"Value", 0},
                    {"Min", 0},
                    {"Max", 1},
                    {"Enable", "on"},
                    {"Visible", "on"},
                    {"Units", "pixels"},
                    {"Position", Value::row({20, 20, 60, 20})},
                    {"Callback", ""},
                    {"Tag", ""},
                    {"BackgroundColor", grey},
                    {"ForegroundColor", rgb(0, 0, 0)},
                    {"FontSize", 10},
                    {"HorizontalAlignment", "center"},
                    {"Tooltip", ""},
                    {"SearchVisibility", "on"}};
        case ObjectType::Axes:
            return {{"Units", "normalized"},
                    {"Position", Value::row({0.13, 0.11, 0.775, 0.815})},
                    {"Visible", "on"},
                    {"Tag", ""},
                    {"Color", rgb(1, 1, 1)},
                    {"View", Value::row({kDefaultAzimuth, kDefaultElevation})},
                    {"XLim", Value::row({0, 1})},
                    {"YLim", Value::row({0, 1})},
                    {"ZLim", Value::row({0, 1})},
                    {"XRangeMode", "auto"},
                    {"YRangeMode", "auto"},
                    {"ZRangeMode", "auto"},
                    {"UnitRatio", Value::row({1, 1, 1})},
                    {"UnitRatioMode", "auto"},
                    {"Hold", "off"},
                    {"Box", "off"},
                    {"AxesKind", "3d"},
                    {"XLabel", ""},
                    {"YLabel", ""},
                    {"ZLabel", ""},
                    {"Title", ""},
                    {"Legend", "off"},
                    {"TickLabels", "on"},
                    {"SearchVisibility", "on"}};
        case ObjectType::Line:
            return {{"XData", Value()},          {"YData", Value()},
                    {"ZData", Value()},          {"Color", rgb(0, 0, 1)},
                    {"LineStyle", "-"},          {"LineWidth", 0.5},
                    {"Marker", "none"},          {"MarkerSize", 6},
                    {"MarkerFaceColor", "none"}, {"Tag", ""},
                    {"Visible", "on"},           {"SearchVisibility", "on"},
                    {"FillColor", "none"},       {"MarkerAt", "all"},
                    {"DisplayName", ""},         {"Label", ""}};
    }
    return {};
}

bool is_position(const std::string& lower_name) {
    return lower_name == "position" || lower_name == "outerposition";
}

}  // namespace

std::string lower(std::string_view text) {
    std::string s(text);
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

Rect to_rect(const Value& v) {
    const auto r = v.reals();
    if (!v.is_real() || r.size() != 4) {
        throw Error("a position is a row of four numbers: left, bottom, width, height");
    }
    return {r[0], r[1], r[2], r[3]};
}

Value to_value(const Rect& r) {
    return Value::row({r.left, r.bottom, r.width, r.height});
}

std::string format_handle(Handle h) {
    return shortest_text(h);
}

std::string type_name(ObjectType type) {
    switch (type) {
        case ObjectType::Root:
            return "root";
        case ObjectType::Figure:
            return "figure";
        case ObjectType::Axes:
            return "axes";
        case ObjectType::Control:
            return "control";
        case ObjectType::Line:
            return "line";
    }
    return "";
}

std::optional<ObjectType> type_from_name(std::string_view name) {
    for (ObjectType t :
         {ObjectType::Figure, ObjectType::Axes, ObjectType::Control, ObjectType::Line}) {
        if (lower(name) == type_name(t))
            return t;
    }
    return std::nullopt;
}

Graphics::Graphics() {
    objects_[kRoot] = Object{ObjectType::Root, kRoot, {}, defaults(ObjectType::Root), {}, {}};
}

Graphics::Object& Graphics::object(Handle h) {
    const auto it = objects_.find(h);
    if (it == objects_.end())
        throw Error("invalid or deleted graphics handle " + format_handle(h));
    return it->second;
}

const Graphics::Object& Graphics::object(Handle h) const {
    const auto it = objects_.find(h);
    if (it == objects_.end())
        throw Error("invalid or deleted graphics handle " + format_handle(h));
    return it->second;
}

Handle Graphics::next_handle(ObjectType type) {
    if (type == ObjectType::Figure) {
        Handle h = 1;
        while (objects_.count(h) != 0)
            h += 1;
        return h;
    }
    // Other objects get handles far from the figures' small whole numbers.
    return 1000000.0 + next_object_++;
}

Handle Graphics::create(ObjectType type, Handle parent, const Properties& properties) {
    if (type == ObjectType::Root)
        throw Error("there is only one root object");
    const ObjectType parent_type = object(parent).type;
    const bool fits = (type == ObjectType::Figure && parent_type == ObjectType::Root) ||
                      ((type == ObjectType::Axes || type == ObjectType::Control) &&
                       parent_type == ObjectType::Figure) ||
                      (type == ObjectType::Line && parent_type == ObjectType::Axes);
    if (!fits) {
        throw Error("a " + type_name(type) + " cannot be a child of a " + type_name(parent_type));
    }
    const Handle h = next_handle(type);
    objects_[h] = Object{type, parent, {}, defaults(type), {}, {}};
    object(parent).children.push_back(h);
    if (type == ObjectType::Figure) {
        figure_order_.push_back(h);
        set_current(h);
    }
    try {
        // Units first, so positions given with them are read in those units.
        for (const auto& [name, value] : properties) {
            if (lower(name) == "units")
                set_stored(h, object(h), name, value, false);
        }
        for (const auto& [name, value] : properties) {
            if (lower(name) != "units")
                set_stored(h, object(h), name, value, false);
        }
    } catch (...) {
        close(h);
        throw;
    }
    if (view_ != nullptr)
        view_->created(h);
    return h;
}

Handle Graphics::create_figure(const Properties& properties) {
    return create(ObjectType::Figure, kRoot, properties);
}

bool Graphics::is_valid(Handle h) const {
    return objects_.count(h) != 0;
}

ObjectType Graphics::type(Handle h) const {
    return object(h).type;
}

Handle Graphics::parent(Handle h) const {
    return object(h).parent;
}

const std::vector<Handle>& Graphics::children(Handle h) const {
    return object(h).children;
}

Value* Graphics::find_property(Object& o, std::string_view name) {
    const std::string key = lower(name);
    for (auto& [n, v] : o.properties) {
        if (lower(n) == key)
            return &v;
    }
    return nullptr;
}

const Value* Graphics::find_property(const Object& o, std::string_view name) const {
    return const_cast<Graphics*>(this)->find_property(const_cast<Object&>(o), name);
}

bool Graphics::has_property(Handle h, std::string_view name) const {
    const std::string key = lower(name);
    return key == "type" || key == "parent" || key == "children" ||
           find_property(object(h), name) != nullptr;
}

Value Graphics::get(Handle h, std::string_view name) const {
    const Object& o = object(h);
    const std::string key = lower(name);
    if (key == "type")
        return type_name(o.type);
    if (key == "parent")
        return o.type == ObjectType::Root ? Value() : Value(o.parent);
    if (key == "children") {
        // Newest first, as a column.
        std::vector<double> c(o.children.rbegin(), o.children.rend());
        return Value::column(std::move(c));
    }
    const Value* v = find_property(o, name);
    if (v == nullptr) {
        throw Error("there is no " + std::string(name) + " property of a " + type_name(o.type));
    }
    return *v;
}

void Graphics::set(Handle h, std::string_view name, const Value& value) {
    set_stored(h, object(h), name, value, true);
}

Rect Graphics::reference_rect(const Object& o) const {
    if (o.type == ObjectType::Figure) {
        const Rect screen = to_rect(*find_property(object(kRoot), "ScreenSize"));
        return {0, 0, screen.width, screen.height};
    }
    const Rect inside = pixel_position(o.parent);
    return {0, 0, inside.width, inside.height};
}

void Graphics::convert_units(Object& o, const std::string& from, const std::string& to) {
    if (lower(from) == lower(to))
        return;
    const Rect ref = reference_rect(o);
    for (const char* name : {"Position", "OuterPosition"}) {
        Value* stored = find_property(o, name);
        if (stored == nullptr)
            continue;
        Rect r = to_rect(*stored);
        if (lower(from) == "normalized") {
            r = {r.left * ref.width, r.bottom * ref.height, r.width * ref.width,
                 r.height * ref.height};
        }
        if (lower(to) == "normalized") {
            r = {r.left / ref.width, r.bottom / ref.height, r.width / ref.width,
                 r.height / ref.height};
        }
        *stored = to_value(r);
    }
}

void Graphics::set_stored(Handle h, Object& o, std::string_view name, const Value& value,
                          bool notify) {
    const std::string key = lower(name);
    if (key == "type" || key == "parent" || key == "children") {
        throw Error("the " + std::string(name) + " property of a " + type_name(o.type) +
                    " cannot be set");
    }
    Value* stored = find_property(o, name);
    if (stored == nullptr) {
        throw Error("there is no " + std::string(name) + " property of a " + type_name(o.type));
    }
    if (key == "units") {
        const std::string to = lower(value.text());
        if (to != "pixels" && to != "normalized") {
            throw Error("units must be \"pixels\" or \"normalized\", given \"" + value.text() +
                        "\"");
        }
        convert_units(o, stored->text(), to);
    }
    if (is_position(key)) {
        const Rect r = to_rect(value);
        *stored = value;
        if (o.type == ObjectType::Figure) {
            // Keep the inside and the outside of the window in step through its frame.
            const bool normalized = lower(find_property(o, "Units")->text()) == "normalized";
            const Rect ref = reference_rect(o);
            const double sx = normalized ? ref.width : 1.0;
            const double sy = normalized ? ref.height : 1.0;
            const Frame& f = o.frame;
            const double sign = key == "position" ? 1.0 : -1.0;
            const Rect other{r.left - sign * f.left / sx, r.bottom - sign * f.bottom / sy,
                             r.width + sign * (f.left + f.right) / sx,
                             r.height + sign * (f.bottom + f.top) / sy};
            *find_property(o, key == "position" ? "OuterPosition" : "Position") = to_value(other);
        }
    } else {
        *stored = value;
    }
    if (notify && view_ != nullptr)
        view_->changed(h, key);
}

void Graphics::set_frame(Handle figure, Frame frame) {
    Object& o = object(figure);
    o.frame = frame;
    const Value inside = *find_property(o, "Position");
    set_stored(figure, o, "Position", inside, false);
}

void Graphics::update_from_view(Handle h, std::string_view property, const Value& value) {
    set_stored(h, object(h), property, value, false);
}

Rect Graphics::pixel_position(Handle h) const {
    const Object& o = object(h);
    if (o.type == ObjectType::Root) {
        return to_rect(*find_property(o, "ScreenSize"));
    }
    const Value* position = find_property(o, "Position");
    if (position == nullptr)
        return {};
    Rect r = to_rect(*position);
    if (lower(find_property(o, "Units")->text()) == "normalized") {
        const Rect ref = reference_rect(o);
        r = {r.left * ref.width, r.bottom * ref.height, r.width * ref.width, r.height * ref.height};
    }
    return r;
}

Value Graphics::app_data(Handle h, const std::string& name) const {
    const Object& o = object(h);
    const auto it = o.appdata.find(name);
    return it == o.appdata.end() ? Value() : it->second;
}

void Graphics::set_app_data(Handle h, const std::string& name, const Value& value) {
    object(h).appdata[name] = value;
}

bool Graphics::has_app_data(Handle h, const std::string& name) const {
    return object(h).appdata.count(name) != 0;
}

std::vector<Handle> Graphics::figures() const {
    return figure_order_;
}

std::optional<Handle> Graphics::current_figure() const {
    const Value current = *find_property(object(kRoot), "CurrentFigure");
    if (current.empty() || !is_valid(current.to_scalar()))
        return std::nullopt;
    return current.to_scalar();
}

void Graphics::figure(Handle figure) {
    if (type(figure) != ObjectType::Figure) {
        throw Error("handle " + format_handle(figure) + " is not a figure");
    }
    set_current(figure);
    if (view_ != nullptr)
        view_->raise(figure);
}

void Graphics::close(Handle h) {
    if (!is_valid(h) || h == kRoot)
        return;
    // A figure's DeleteFcn is called once it has gone, so that it sees the figures that remain.
    std::string on_delete;
    if (type(h) == ObjectType::Figure) {
        if (const Value* text = find_property(object(h), "DeleteFcn"))
            on_delete = text->text();
    }
    if (view_ != nullptr)
        view_->deleting(h);
    std::vector<Handle> doomed;
    collect(h, doomed);
    Object& parent_object = object(object(h).parent);
    std::erase(parent_object.children, h);
    for (Handle d : doomed)
        objects_.erase(d);
    std::erase(figure_order_, h);
    if (!current_figure())
        set_current(Value());
    if (!on_delete.empty()) {
        // A close always completes: it comes from the window system or from shutting down, where
        // the program the callback reaches may already be gone.
        try {
            call_text(on_delete);
        } catch (const std::exception&) {
        }
    }
}

void Graphics::activated(Handle figure) {
    if (!is_valid(figure) || type(figure) != ObjectType::Figure)
        return;
    const Value* visibility = find_property(object(figure), "SearchVisibility");
    if (visibility == nullptr || visibility->text() != "off")
        set_current(figure);
}

void Graphics::collect(Handle h, std::vector<Handle>& out) const {
    out.push_back(h);
    for (Handle c : object(h).children)
        collect(c, out);
}

std::vector<Handle> Graphics::find_all(Handle start) const {
    std::vector<Handle> out;
    collect(start, out);
    return out;
}

std::vector<Handle> Graphics::find_all(Handle start, std::string_view property,
                                       const Value& value) const {
    std::vector<Handle> out;
    for (Handle h : find_all(start)) {
        const Object& o = object(h);
        const Value* v = find_property(o, property);
        if (v != nullptr && *v == value)
            out.push_back(h);
    }
    return out;
}

std::vector<Handle> Graphics::find_by_property(Handle start, std::string_view property,
                                               const Value& value) const {
    std::vector<Handle> out;
    for (Handle h : find_all(start, property, value)) {
        const Value* visibility = find_property(object(h), "SearchVisibility");
        if (visibility == nullptr || visibility->text() != "off")
            out.push_back(h);
    }
    return out;
}

void Graphics::run_callback(Handle h) {
    const Value* text = find_property(object(h), "Callback");
    if (text == nullptr || text->text().empty())
        return;
    CallbackScope scope(*this, h);
    call_text(text->text());
}

void Graphics::call_text(const std::string& text) {
    const CallbackCall call = parse_callback(text);
    if (!call_by_name_)
        throw Error("no function table is installed to call \"" + call.name + "\"");
    call_by_name_(call.name, call.args);
}

CallByNameHook Graphics::set_call_by_name(CallByNameHook call) {
    std::swap(call, call_by_name_);
    return call;
}

void Graphics::flush_drawing() {
    if (view_ != nullptr)
        view_->flush();
}

void Graphics::set_current(const Value& figure) {
    *find_property(object(kRoot), "CurrentFigure") = figure;
}

std::optional<Handle> Graphics::figure_of(Handle h) const {
    while (is_valid(h) && h != kRoot) {
        if (type(h) == ObjectType::Figure)
            return h;
        h = parent(h);
    }
    return std::nullopt;
}

CallbackScope::CallbackScope(Graphics& g, Handle object)
    : g_(g), previous_object_(g.callback_object_), previous_figure_(g.callback_figure_) {
    g.callback_object_ = object;
    g.callback_figure_ = g.figure_of(object);
}

CallbackScope::~CallbackScope() {
    g_.callback_object_ = previous_object_;
    g_.callback_figure_ = previous_figure_;
}

}  // namespace kelmar
