// The Qt view of the graphics model: every figure is a top-level window and every control a Qt
// widget at its position (pixels from the bottom-left, or normalized units that follow the
// window's size). Model changes show at once; a user's click, check, selection or edit updates
// the model's Value or String first and then runs the control's callback with the control as the
// callback object. Window positions are read from and written to the real window.
#pragma once

#include "platform/graphics/graphics.hpp"

#include <QPointer>
#include <QWidget>
#include <map>

namespace kelmar {

class QtView : public View {
  public:
    // Attaches itself to `g` and mirrors the objects it already holds; sets the root's screen size.
    explicit QtView(Graphics& g);
    ~QtView() override;
    QtView(const QtView&) = delete;
    QtView& operator=(const QtView&) = delete;

    void created(Handle h) override;
    void changed(Handle h, std::string_view property) override;
    void deleting(Handle h) override;
    void raise(Handle figure) override;
    void flush() override;

    // The widget mirroring `h` (nullptr for objects without one).
    QWidget* widget(Handle h) const;

    // Called by the window's event filter.
    void window_moved_or_resized(Handle figure);
    void window_closed(Handle figure);
    void window_activated(Handle figure);

  private:
    void redraw_axes(Handle axes);
    void apply(Handle h, const std::string& property);
    void place(Handle h);
    void place_children(Handle figure);
    void read_frame(Handle figure);
    void user_changed_value(Handle h, double value);
    void user_changed_string(Handle h, const QString& text);
    void run_callback_reporting_errors(Handle h);

    Graphics& g_;
    std::map<Handle, QPointer<QWidget>> widgets_;
    bool applying_ = false;  // true while the model is being written to the widgets
};

}  // namespace kelmar
