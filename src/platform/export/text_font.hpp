// The font of every text the renderer draws, shared by the Qt outputs and the EMF writer so
// that the EMF's character advances are those of the font the other outputs use.
#pragma once

#include <QFont>
#include <algorithm>

namespace kelmar {

inline constexpr const char* kTextFamily = "DejaVu Sans";

inline QFont text_font(double pixel_size) {
    QFont font(kTextFamily);
    font.setPixelSize(std::max(1, static_cast<int>(pixel_size + 0.5)));
    return font;
}

}  // namespace kelmar
