// The Painter on a QPainter: the Qt axes widget, and SVG, PDF and PNG output.
#pragma once

#include "painter.hpp"

#include <QImage>

#include <map>
#include <vector>

class QPainter;

namespace kelmar {

class QtPainter : public Painter {
  public:
    // Draws with `painter`, whose device is `width` × `height` pixels.
    QtPainter(QPainter& painter, double width, double height);

    void background(Rgb color) override;
    void polyline(std::span<const PagePoint> points, const Pen& pen) override;
    void polygon(std::span<const PagePoint> points, const Pen& pen,
                 std::optional<Rgb> fill) override;
    void ellipse(PagePoint centre, double rx, double ry, const Pen& pen,
                 std::optional<Rgb> fill) override;
    void text(PagePoint anchor, std::string_view utf8, HAlign h, VAlign v, Rgb color,
              double pixel_size) override;

  private:
    void use(const Pen& pen, std::optional<Rgb> fill);
    // On an image, a small shape (a marker) is drawn once into a stamp and then copied wherever
    // it recurs: thousands of markers cost thousands of copies, not thousands of
    // rasterisations. `outline` is relative to `at`; empty for a circle of radius `r`. False
    // when the shape is no marker or the device no image.
    bool stamped(PagePoint at, std::span<const PagePoint> outline, double r, const Pen& pen,
                 std::optional<Rgb> fill);

    QPainter& p_;
    double width_;
    double height_;
    // What the QPainter holds, so thousands of markers in one style set it once.
    std::optional<Pen> pen_;
    std::optional<std::optional<Rgb>> fill_;
    bool raster_ = false;  // drawing into an image
    double scale_ = 1.0;   // device pixels per page pixel
    std::map<std::vector<std::int64_t>, QImage> stamps_;
    std::vector<PagePoint> relative_;
};

}  // namespace kelmar
