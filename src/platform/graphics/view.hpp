// The view of the graphics model: something that mirrors the model's objects on screen (the Qt
// view) and is told of every change. Without a view the model works alone, as in tests and batch.
#pragma once

#include <string_view>

namespace kelmar {

using Handle = double;

class View {
  public:
    virtual ~View() = default;
    virtual void created(Handle h) = 0;
    // `property` is the property's name in lower case.
    virtual void changed(Handle h, std::string_view property) = 0;
    // Called before the object and its descendants leave the model.
    virtual void deleting(Handle h) = 0;
    virtual void raise(Handle figure) = 0;
    // Draws what is pending and brings the model's geometry up to date.
    virtual void flush() = 0;
};

}  // namespace kelmar
