// An Enhanced Metafile writer of our own, as a Painter: vector records for pens (geometric, so
// readers draw their width), solid brushes, polylines, polygons, ellipses and UTF-16 text with the
// font's own character advances. Coordinates are written in 0.01 mm on a reference device whose
// pixel is 0.01 mm, so no mapping mode is needed; a page pixel is 1/96 inch. Records are
// little-endian and 4-byte aligned; the header carries the bounds, frame, size, record count and
// handle count of what was written.
#pragma once

#include "painter.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace kelmar {

class EmfWriter : public Painter {
  public:
    // A page of `width` × `height` pixels.
    EmfWriter(double width, double height);

    void background(Rgb color) override;
    void polyline(std::span<const PagePoint> points, const Pen& pen) override;
    void polygon(std::span<const PagePoint> points, const Pen& pen,
                 std::optional<Rgb> fill) override;
    void ellipse(PagePoint centre, double rx, double ry, const Pen& pen,
                 std::optional<Rgb> fill) override;
    void text(PagePoint anchor, std::string_view utf8, HAlign h, VAlign v, Rgb color,
              double pixel_size) override;

    // Ends the metafile (releases its objects, writes the end record, completes the header) and
    // returns its bytes. The writer takes no more drawing afterwards.
    std::string finish();

    // 0.01 mm per page pixel.
    static constexpr double kUnitsPerPixel = 2540.0 / 96.0;

  private:
    struct Record {
        std::size_t start;
    };
    Record begin(std::uint32_t type);
    void end(Record r);
    void u32(std::uint32_t v);
    void i32(std::int32_t v);
    void u16(std::uint16_t v);
    void i16(std::int16_t v);
    void f32(float v);
    void pad();
    static std::int32_t units(double pixels);

    void select_pen(const Pen& pen);
    void select_brush(std::optional<Rgb> fill);
    void select_font(std::int32_t height);
    // A record of one 32-bit value (select, delete, modes, colours).
    void one_value(std::uint32_t type, std::uint32_t value);
    // Selects the object just made in `made` and deletes the one `held` held before.
    void take(std::uint32_t& held, std::uint32_t made);
    std::uint32_t new_slot();
    void release(std::uint32_t& slot);
    void shape(std::uint32_t type16, std::uint32_t type32, std::span<const PagePoint> points);

    std::string bytes_;
    std::uint32_t records_ = 0;
    std::int32_t width_units_;
    std::int32_t height_units_;
    std::vector<bool> slots_{true};  // slot 0 is the metafile itself
    std::uint32_t pen_slot_ = 0, brush_slot_ = 0, font_slot_ = 0;
    struct PenKey {
        std::uint32_t color;
        std::int32_t width;
        Dash dash;
        bool operator==(const PenKey&) const = default;
    };
    std::optional<PenKey> pen_;
    std::optional<std::uint32_t> brush_;  // colour of the selected solid brush; empty: none
    bool null_brush_ = false;
    std::int32_t font_height_ = 0;
    std::optional<std::uint32_t> text_color_;
    std::optional<std::uint32_t> text_align_;
    bool finished_ = false;
};

}  // namespace kelmar
