#include "emf_writer.hpp"

#include "platform/numeric/error.hpp"
#include "text_font.hpp"

#include <QFontMetricsF>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace kelmar {
namespace {

// Record types.
constexpr std::uint32_t kHeader = 1;
constexpr std::uint32_t kPolygon = 3;
constexpr std::uint32_t kPolyline = 4;
constexpr std::uint32_t kEof = 14;
constexpr std::uint32_t kSetBkMode = 18;
constexpr std::uint32_t kSetPolyFillMode = 19;
constexpr std::uint32_t kSetTextAlign = 22;
constexpr std::uint32_t kSetTextColor = 24;
constexpr std::uint32_t kSelectObject = 37;
constexpr std::uint32_t kCreateBrushIndirect = 39;
constexpr std::uint32_t kDeleteObject = 40;
constexpr std::uint32_t kEllipse = 42;
constexpr std::uint32_t kRectangle = 43;
constexpr std::uint32_t kExtCreateFontIndirectW = 82;
constexpr std::uint32_t kExtTextOutW = 84;
constexpr std::uint32_t kPolygon16 = 86;
constexpr std::uint32_t kPolyline16 = 87;
constexpr std::uint32_t kExtCreatePen = 95;

// Stock objects.
constexpr std::uint32_t kNullBrush = 0x80000005;
constexpr std::uint32_t kBlackPen = 0x80000007;
constexpr std::uint32_t kNullPen = 0x80000008;
constexpr std::uint32_t kSystemFont = 0x8000000D;

constexpr std::uint32_t kHeaderSize = 108;  // the header with both extensions
// The description: the program's name and the picture's, each ended by a NUL, and a final NUL.
constexpr char16_t kDescription[] = u"kelmar6\0figure\0";  // the literal adds the last NUL
constexpr std::uint32_t kDescriptionChars = sizeof kDescription / sizeof kDescription[0];
constexpr std::uint32_t kDescriptionBytes = (2 * kDescriptionChars + 3) / 4 * 4;

std::uint32_t colorref(Rgb c) {
    const auto byte = [](double v) {
        return static_cast<std::uint32_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
    };
    return byte(c.r) | (byte(c.g) << 8) | (byte(c.b) << 16);
}

struct Box {
    std::int32_t left = std::numeric_limits<std::int32_t>::max();
    std::int32_t top = std::numeric_limits<std::int32_t>::max();
    std::int32_t right = std::numeric_limits<std::int32_t>::min();
    std::int32_t bottom = std::numeric_limits<std::int32_t>::min();
    void add(std::int32_t x, std::int32_t y) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    }
};

}  // namespace

EmfWriter::EmfWriter(double width, double height)
    : width_units_(std::max(1, units(width))), height_units_(std::max(1, units(height))) {
    // The header is written in full by finish(); its place is kept here.
    bytes_.assign(kHeaderSize, '\0');
    for (char16_t c : kDescription)
        u16(static_cast<std::uint16_t>(c));
    pad();
    records_ = 1;
    one_value(kSetBkMode, 1);        // transparent
    one_value(kSetPolyFillMode, 2);  // winding: stars are filled whole
}

std::int32_t EmfWriter::units(double pixels) {
    return static_cast<std::int32_t>(std::lround(pixels * kUnitsPerPixel));
}

void EmfWriter::u32(std::uint32_t v) {
    char b[4];
    for (int i = 0; i < 4; ++i)
        b[i] = static_cast<char>((v >> (8 * i)) & 0xff);
    bytes_.append(b, 4);
}
void EmfWriter::i32(std::int32_t v) {
    u32(static_cast<std::uint32_t>(v));
}
void EmfWriter::u16(std::uint16_t v) {
    const char b[2] = {static_cast<char>(v & 0xff), static_cast<char>(v >> 8)};
    bytes_.append(b, 2);
}
void EmfWriter::i16(std::int16_t v) {
    u16(static_cast<std::uint16_t>(v));
}
void EmfWriter::f32(float v) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &v, 4);
    u32(bits);
}
void EmfWriter::pad() {
    while (bytes_.size() % 4 != 0)
        bytes_.push_back('\0');
}

EmfWriter::Record EmfWriter::begin(std::uint32_t type) {
    if (finished_)
        throw Error("the metafile is already finished");
    const Record r{bytes_.size()};
    u32(type);
    u32(0);  // size, written by end()
    return r;
}

void EmfWriter::end(Record r) {
    pad();
    const auto size = static_cast<std::uint32_t>(bytes_.size() - r.start);
    for (int i = 0; i < 4; ++i)
        bytes_[r.start + 4 + static_cast<std::size_t>(i)] =
            static_cast<char>((size >> (8 * i)) & 0xff);
    ++records_;
}

void EmfWriter::one_value(std::uint32_t type, std::uint32_t value) {
    const Record r = begin(type);
    u32(value);
    end(r);
}

void EmfWriter::take(std::uint32_t& held, std::uint32_t made) {
    one_value(kSelectObject, made);
    release(held);
    held = made;
}

std::uint32_t EmfWriter::new_slot() {
    for (std::size_t i = 1; i < slots_.size(); ++i) {
        if (!slots_[i]) {
            slots_[i] = true;
            return static_cast<std::uint32_t>(i);
        }
    }
    slots_.push_back(true);
    return static_cast<std::uint32_t>(slots_.size() - 1);
}

void EmfWriter::release(std::uint32_t& slot) {
    if (slot == 0)
        return;
    one_value(kDeleteObject, slot);
    slots_[slot] = false;
    slot = 0;
}

void EmfWriter::select_pen(const Pen& pen) {
    const PenKey key{colorref(pen.color), std::max(1, units(pen.width)), pen.dash};
    if (pen_ && *pen_ == key)
        return;
    const std::uint32_t slot = new_slot();
    Record r = begin(kExtCreatePen);
    u32(slot);
    for (int i = 0; i < 4; ++i)
        u32(0);                        // no brush bitmap
    std::uint32_t style = 0x00010000;  // geometric, round ends and joins
    switch (key.dash) {
        case Dash::Dashed:
            style |= 1;
            break;
        case Dash::Dotted:
            style |= 2;
            break;
        case Dash::DashDot:
            style |= 3;
            break;
        case Dash::Solid:
            break;
    }
    u32(style);
    u32(static_cast<std::uint32_t>(key.width));
    u32(0);  // solid brush
    u32(key.color);
    u32(0);  // hatch
    u32(0);  // no style entries
    end(r);
    take(pen_slot_, slot);
    pen_ = key;
}

void EmfWriter::select_brush(std::optional<Rgb> fill) {
    if (!fill) {
        if (null_brush_)
            return;
        one_value(kSelectObject, kNullBrush);
        release(brush_slot_);
        null_brush_ = true;
        brush_.reset();
        return;
    }
    const std::uint32_t color = colorref(*fill);
    if (!null_brush_ && brush_ && *brush_ == color)
        return;
    const std::uint32_t slot = new_slot();
    Record r = begin(kCreateBrushIndirect);
    u32(slot);
    u32(0);  // solid
    u32(color);
    u32(0);
    end(r);
    take(brush_slot_, slot);
    brush_ = color;
    null_brush_ = false;
}

void EmfWriter::select_font(std::int32_t height) {
    if (font_slot_ != 0 && font_height_ == height)
        return;
    const std::uint32_t slot = new_slot();
    Record r = begin(kExtCreateFontIndirectW);
    u32(slot);
    i32(-height);  // negative: the characters' height
    i32(0);
    i32(0);
    i32(0);
    i32(400);         // normal weight
    u32(0x01000000);  // italic, underline, strike-out 0; default character set
    u32(0);           // precisions, quality, pitch and family
    const QString face = QString::fromLatin1(kTextFamily);
    for (int i = 0; i < 32; ++i)
        u16(i < face.size() ? face.at(i).unicode() : 0);
    end(r);
    take(font_slot_, slot);
    font_height_ = height;
}

void EmfWriter::background(Rgb color) {
    one_value(kSelectObject, kNullPen);
    pen_.reset();
    release(pen_slot_);
    select_brush(color);
    const Record r = begin(kRectangle);
    i32(0);
    i32(0);
    i32(width_units_);
    i32(height_units_);
    end(r);
}

void EmfWriter::shape(std::uint32_t type16, std::uint32_t type32,
                      std::span<const PagePoint> points) {
    Box box;
    std::vector<std::int32_t> xy;
    xy.reserve(2 * points.size());
    bool fits16 = true;
    for (const PagePoint& p : points) {
        const std::int32_t x = units(p.x);
        const std::int32_t y = units(p.y);
        xy.push_back(x);
        xy.push_back(y);
        box.add(x, y);
        fits16 = fits16 && x >= -32768 && x <= 32767 && y >= -32768 && y <= 32767;
    }
    Record r = begin(fits16 ? type16 : type32);
    i32(box.left);
    i32(box.top);
    i32(box.right);
    i32(box.bottom);
    u32(static_cast<std::uint32_t>(points.size()));
    for (std::int32_t v : xy) {
        if (fits16)
            i16(static_cast<std::int16_t>(v));
        else
            i32(v);
    }
    end(r);
}

void EmfWriter::polyline(std::span<const PagePoint> points, const Pen& pen) {
    if (points.size() < 2)
        return;
    select_pen(pen);
    shape(kPolyline16, kPolyline, points);
}

void EmfWriter::polygon(std::span<const PagePoint> points, const Pen& pen,
                        std::optional<Rgb> fill) {
    if (points.size() < 3)
        return;
    select_pen(pen);
    select_brush(fill);
    shape(kPolygon16, kPolygon, points);
}

void EmfWriter::ellipse(PagePoint centre, double rx, double ry, const Pen& pen,
                        std::optional<Rgb> fill) {
    select_pen(pen);
    select_brush(fill);
    Record r = begin(kEllipse);
    i32(units(centre.x - rx));
    i32(units(centre.y - ry));
    i32(units(centre.x + rx));
    i32(units(centre.y + ry));
    end(r);
}

void EmfWriter::text(PagePoint anchor, std::string_view utf8, HAlign h, VAlign v, Rgb color,
                     double pixel_size) {
    const QString s = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    if (s.isEmpty())
        return;
    const std::int32_t height = std::max(1, units(pixel_size));
    select_font(height);
    if (text_color_ != colorref(color)) {
        one_value(kSetTextColor, colorref(color));
        text_color_ = colorref(color);
    }
    std::uint32_t align = h == HAlign::Centre ? 6u : h == HAlign::Right ? 2u : 0u;
    align |= v == VAlign::Baseline ? 24u : v == VAlign::Bottom ? 8u : 0u;
    if (text_align_ != align) {
        one_value(kSetTextAlign, align);
        text_align_ = align;
    }
    // Every character's advance from the font the other outputs draw with, rounded so that
    // their sum stays true.
    const QFontMetricsF metrics(text_font(pixel_size));
    std::vector<std::uint32_t> dx;
    double sum = 0;
    std::int32_t placed = 0;
    for (QChar c : s) {
        sum += metrics.horizontalAdvance(c) * kUnitsPerPixel;
        const auto next = static_cast<std::int32_t>(std::lround(sum));
        dx.push_back(static_cast<std::uint32_t>(std::max(0, next - placed)));
        placed = next;
    }
    const std::int32_t x = units(anchor.x);
    const std::int32_t y = units(anchor.y);
    const std::int32_t left = h == HAlign::Left    ? x
                              : h == HAlign::Right ? x - placed
                                                   : x - placed / 2;
    const std::int32_t top = v == VAlign::Top ? y : y - height;
    const auto chars = static_cast<std::uint32_t>(s.size());
    const std::uint32_t string_offset = 76;
    const std::uint32_t string_bytes = (2 * chars + 3) / 4 * 4;
    Record r = begin(kExtTextOutW);
    i32(left);  // bounds
    i32(top);
    i32(left + placed);
    i32(top + height);
    u32(1);  // compatible graphics mode, page units already 0.01 mm
    f32(1.0f);
    f32(1.0f);
    i32(x);  // reference point
    i32(y);
    u32(chars);
    u32(string_offset);
    u32(0);  // options
    i32(0);  // no clipping rectangle
    i32(0);
    i32(-1);
    i32(-1);
    u32(string_offset + string_bytes);  // advances
    for (QChar c : s)
        u16(c.unicode());
    pad();
    for (std::uint32_t d : dx)
        u32(d);
    end(r);
}

std::string EmfWriter::finish() {
    if (finished_)
        return bytes_;
    // Our objects are released before the end, the stock ones selected in their place.
    for (std::uint32_t stock : {kBlackPen, kNullBrush, kSystemFont})
        one_value(kSelectObject, stock);
    release(pen_slot_);
    release(brush_slot_);
    release(font_slot_);
    const Record r = begin(kEof);
    u32(0);   // palette entries
    u32(16);  // offset of the (empty) palette
    u32(20);  // this record's size, repeated at its end
    end(r);
    finished_ = true;

    std::string header;
    header.swap(bytes_);
    bytes_.clear();
    const auto total = static_cast<std::uint32_t>(header.size());
    const std::int32_t mm_x = (width_units_ + 99) / 100;
    const std::int32_t mm_y = (height_units_ + 99) / 100;
    u32(kHeader);
    u32(kHeaderSize + kDescriptionBytes);  // the header record holds its description
    for (std::int32_t v : {0, 0, width_units_ - 1, height_units_ - 1})
        i32(v);  // bounds, in reference device pixels of 0.01 mm
    for (std::int32_t v : {0, 0, width_units_ - 1, height_units_ - 1})
        i32(v);       // frame, in 0.01 mm
    u32(0x464D4520);  // " EMF"
    u32(0x00010000);
    u32(total);
    u32(records_);
    u16(static_cast<std::uint16_t>(slots_.size()));
    u16(0);
    u32(kDescriptionChars);
    u32(kHeaderSize);
    u32(0);           // palette entries
    i32(mm_x * 100);  // reference device in pixels
    i32(mm_y * 100);
    i32(mm_x);  // and in millimetres
    i32(mm_y);
    u32(0);  // no pixel format
    u32(0);
    u32(0);            // not OpenGL
    i32(mm_x * 1000);  // micrometres
    i32(mm_y * 1000);
    std::memcpy(header.data(), bytes_.data(), kHeaderSize);
    bytes_ = std::move(header);
    return bytes_;
}

}  // namespace kelmar
