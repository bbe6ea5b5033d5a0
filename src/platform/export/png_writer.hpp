// PNG bytes of a rendered figure, written with libpng for speed: no row filter and zlib's
// run-length strategy at its fastest level, which suit a figure's flat colours (a 1600 × 1200
// figure is written in a few milliseconds rather than the tens that adaptive filtering takes),
// with the image's resolution recorded in dots per inch.
#pragma once

#include <QImage>

#include <string>

namespace kelmar {

// `image` in any format Qt can convert to RGB32; raises an Error when libpng fails.
std::string png_bytes(const QImage& image, double dots_per_inch);

}  // namespace kelmar
