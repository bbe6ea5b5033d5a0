// A Painter that records what it is asked to draw, for tests of what the renderer draws.
#pragma once

#include "platform/export/painter.hpp"

#include <string>
#include <vector>

namespace kelmar::testing {

struct RecordingPainter : Painter {
    struct Shape {
        std::string kind;               // "polyline", "polygon", "ellipse"
        std::vector<PagePoint> points;  // an ellipse: its centre
        Pen pen;
        std::optional<Rgb> fill;
        double radius = 0;  // an ellipse's horizontal radius
    };
    struct Text {
        PagePoint anchor;
        std::string text;
    };
    std::vector<Shape> shapes;
    std::vector<Text> texts;
    std::optional<Rgb> page;

    void background(Rgb color) override { page = color; }
    void polyline(std::span<const PagePoint> points, const Pen& pen) override {
        shapes.push_back({"polyline", {points.begin(), points.end()}, pen, std::nullopt});
    }
    void polygon(std::span<const PagePoint> points, const Pen& pen,
                 std::optional<Rgb> fill) override {
        shapes.push_back({"polygon", {points.begin(), points.end()}, pen, fill});
    }
    void ellipse(PagePoint centre, double rx, double, const Pen& pen,
                 std::optional<Rgb> fill) override {
        shapes.push_back({"ellipse", {centre}, pen, fill, rx});
    }
    void text(PagePoint anchor, std::string_view utf8, HAlign, VAlign, Rgb, double) override {
        texts.push_back({anchor, std::string(utf8)});
    }

    // The shapes drawn in `color`.
    std::vector<Shape> in(Rgb color, const std::string& kind) const {
        std::vector<Shape> out;
        for (const Shape& s : shapes)
            if (s.pen.color == color && s.kind == kind)
                out.push_back(s);
        return out;
    }
};

}  // namespace kelmar::testing
