// The graphics object model: the root (handle 0), figures, axes, user-interface controls and
// lines, each with a double handle, a type, a parent, ordered children, properties whose names
// compare without regard to case, and named application data. A View, when attached, mirrors the
// model on screen; everything the system reads back comes from the model.
//
// Listing order of find_all and find_by_property: the starting object, then its descendants
// depth first, children in the order they were created. From the root, figures come in the order
// they were created.
#pragma once

#include "callback.hpp"
#include "platform/numeric/value.hpp"
#include "view.hpp"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelmar {

enum class ObjectType { Root, Figure, Axes, Control, Line };

std::string type_name(ObjectType type);
std::optional<ObjectType> type_from_name(std::string_view name);

// The view of new 3D axes: azimuth and elevation in degrees, an oblique view from above and in
// front that shows all three axes.
inline constexpr double kDefaultAzimuth = -37.5;
inline constexpr double kDefaultElevation = 30.0;

struct Rect {
    double left = 0, bottom = 0, width = 0, height = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

class Graphics {
  public:
    static constexpr Handle kRoot = 0.0;

    Graphics();
    Graphics(const Graphics&) = delete;
    Graphics& operator=(const Graphics&) = delete;

    void set_view(View* view) { view_ = view; }
    View* view() const { return view_; }

    // Creates an object with its type's default properties, then sets `properties` in order.
    Handle create(ObjectType type, Handle parent,
                  const std::vector<std::pair<std::string, Value>>& properties = {});
    Handle create_figure(const std::vector<std::pair<std::string, Value>>& properties = {});

    bool is_valid(Handle h) const;
    // The figure that holds `h` (itself for a figure), or nothing for the root or a stale handle.
    std::optional<Handle> figure_of(Handle h) const;
    ObjectType type(Handle h) const;
    Handle parent(Handle h) const;  // the root's parent is itself: use is_root
    const std::vector<Handle>& children(Handle h) const;

    // Properties. Names compare without regard to case; an unknown name raises an Error naming
    // it and the object's type. Type, Parent and Children are read-only.
    Value get(Handle h, std::string_view name) const;
    void set(Handle h, std::string_view name, const Value& value);
    bool has_property(Handle h, std::string_view name) const;

    // Application data; a name never set reads as the empty array.
    Value app_data(Handle h, const std::string& name) const;
    void set_app_data(Handle h, const std::string& name, const Value& value);
    bool has_app_data(Handle h, const std::string& name) const;

    // Figures in creation order.
    std::vector<Handle> figures() const;
    // The current figure: the one last created, raised or brought forward by the user; nothing
    // once that figure is closed, so that no action falls silently onto an older window.
    std::optional<Handle> current_figure() const;
    // Makes `figure` current and brings it to the front.
    void figure(Handle figure);
    // The user brought `figure` forward: it becomes current unless its SearchVisibility is
    // "off" (a window of controls whose buttons act on the current figure).
    void activated(Handle figure);
    // Deletes an object (a figure, axes, control or line) and everything below it.
    void close(Handle h);

    // `start` and every object below it.
    std::vector<Handle> find_all(Handle start) const;
    // Those of them whose `property` equals `value`, hidden handles included.
    std::vector<Handle> find_all(Handle start, std::string_view property, const Value& value) const;
    // The same without objects whose SearchVisibility is "off".
    std::vector<Handle> find_by_property(Handle start, std::string_view property,
                                         const Value& value) const;

    // The object and figure whose callback is running (nothing outside callbacks).
    std::optional<Handle> callback_object() const { return callback_object_; }
    std::optional<Handle> callback_figure() const { return callback_figure_; }
    // Runs the callback text of `h` with it as the callback object (see callback.hpp), through
    // the function that calls by name; an Error when none is set.
    void run_callback(Handle h);
    // Sets the function through which callbacks call by name (an empty one removes it) and
    // returns the previous one.
    CallByNameHook set_call_by_name(CallByNameHook call);

    // Draws everything pending on screen now (the view's work; nothing without a view).
    void flush_drawing();

    // The figure's frame around its inside, in pixels: set by the view from the real window.
    struct Frame {
        double left = 0, right = 0, bottom = 0, top = 0;
    };
    void set_frame(Handle figure, Frame frame);
    // Geometry reported by the view after the user moved or resized a window: updates the model
    // without echoing the change back to the view.
    void update_from_view(Handle h, std::string_view property, const Value& value);

    // The pixel rectangle of a figure's inside, or of a control or axes inside its figure.
    Rect pixel_position(Handle h) const;

  private:
    struct Object {
        ObjectType type;
        Handle parent;
        std::vector<Handle> children;
        std::vector<std::pair<std::string, Value>> properties;  // canonical names
        std::map<std::string, Value> appdata;
        Frame frame;
    };

    Object& object(Handle h);
    const Object& object(Handle h) const;
    // Calls the function a callback text names, through the call-by-name hook.
    void call_text(const std::string& text);
    Value* find_property(Object& o, std::string_view name);
    const Value* find_property(const Object& o, std::string_view name) const;
    void set_stored(Handle h, Object& o, std::string_view name, const Value& value, bool notify);
    void convert_units(Object& o, const std::string& from, const std::string& to);
    void set_current(const Value& figure);
    Rect reference_rect(const Object& o) const;
    void collect(Handle h, std::vector<Handle>& out) const;
    Handle next_handle(ObjectType type);

    std::map<Handle, Object> objects_;
    std::vector<Handle> figure_order_;
    double next_object_ = 1.0;
    std::optional<Handle> callback_object_;
    std::optional<Handle> callback_figure_;
    View* view_ = nullptr;
    CallByNameHook call_by_name_;

    friend class CallbackScope;
};

// While alive, `object` (and its figure) are the running callback's; restores the previous ones.
class CallbackScope {
  public:
    CallbackScope(Graphics& g, Handle object);
    ~CallbackScope();
    CallbackScope(const CallbackScope&) = delete;
    CallbackScope& operator=(const CallbackScope&) = delete;

  private:
    Graphics& g_;
    std::optional<Handle> previous_object_;
    std::optional<Handle> previous_figure_;
};

// A position row [left bottom width height] and back; a value of another shape raises an Error.
Rect to_rect(const Value& v);
Value to_value(const Rect& r);

// Lower-case copy, for comparing names.
std::string lower(std::string_view text);

// A handle as the messages show it.
std::string format_handle(Handle h);

}  // namespace kelmar
