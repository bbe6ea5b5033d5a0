#include "platform/export/save_figure.hpp"
#include "platform/export/emf_writer.hpp"
#include "platform/export/renderer.hpp"
#include "platform/graphics/plotting.hpp"
#include "platform/numeric/files.hpp"

#include "support/scratch.hpp"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <QImage>
#include <QSvgRenderer>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

namespace kelmar {
namespace {

namespace fs = std::filesystem;

std::uint32_t u32(const std::string& b, std::size_t at) {
    std::uint32_t v = 0;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

// An EMF read back record by record, with the checks a reader relies on.
struct EmfFile {
    std::map<std::uint32_t, int> counts;  // records of each type
    std::uint32_t frame_right = 0;

    explicit EmfFile(const std::string& b) { read(b); }

    void read(const std::string& b) {
        ASSERT_GE(b.size(), 108u);
        EXPECT_EQ(u32(b, 0), 1u);            // the header first
        EXPECT_EQ(u32(b, 40), 0x464D4520u);  // " EMF"
        EXPECT_EQ(u32(b, 48), b.size());     // size of the whole file
        const std::uint32_t records = u32(b, 52);
        const std::uint32_t handles = u32(b, 56) & 0xffff;
        frame_right = u32(b, 32);
        EXPECT_EQ(u32(b, 64), 108u);  // the description follows the header's fields
        const std::uint32_t described = u32(b, 60);
        EXPECT_EQ(u32(b, 4), 108u + (2 * described + 3) / 4 * 4);  // the header holds it whole
        std::u16string description(described, u'\0');
        std::memcpy(description.data(), b.data() + 108, 2 * described);
        EXPECT_EQ(description, std::u16string(u"kelmar6\0figure\0", 16));
        std::set<std::uint32_t> live;
        std::size_t at = 0;
        std::uint32_t seen = 0;
        std::uint32_t last = 0;
        while (at < b.size()) {
            const std::uint32_t type = u32(b, at);
            const std::uint32_t size = u32(b, at + 4);
            ASSERT_TRUE(size >= 8 && size % 4 == 0 && at + size <= b.size()) << "record " << seen;
            ++counts[type];
            const bool creates = type == 95 || type == 39 || type == 82;
            if (creates) {
                const std::uint32_t slot = u32(b, at + 8);
                EXPECT_TRUE(slot > 0 && slot < handles) << "slot " << slot;
                EXPECT_TRUE(live.insert(slot).second) << "slot " << slot << " made twice";
            }
            if (type == 37 || type == 40) {
                const std::uint32_t slot = u32(b, at + 8);
                if ((slot & 0x80000000u) == 0) {
                    EXPECT_TRUE(live.count(slot)) << "slot " << slot << " used before it was made";
                }
                if (type == 40)
                    live.erase(slot);
            }
            last = type;
            at += size;
            ++seen;
        }
        EXPECT_EQ(seen, records);
        EXPECT_EQ(last, 14u);  // the end record last
        EXPECT_TRUE(live.empty()) << "objects left undeleted";
    }
};

struct Figure {
    Graphics g;
    Handle figure = g.create_figure({{"Position", Value::row({10, 10, 400, 300})}});
    Handle axes = current_axes(g);
    Figure() {
        const double x[] = {0, 1, 2}, y[] = {0, 2, 1}, z[] = {1, 0, 2};
        const Handle line = add_line(g, x, y, z, parse_plot_style("ro"));
        g.set(line, "MarkerSize", 14);
        g.set(line, "MarkerFaceColor", Value::row({1, 0, 0}));
        set_hold(g, axes, true);
        add_line(g, x, y, z, parse_plot_style("k-"));
    }
};

TEST(SaveFigure, EmfRecordsAreWholeAndConsistent) {
    Figure f;
    const std::string emf = figure_bytes(f.g, f.figure, "emf");
    const EmfFile file(emf);
    EXPECT_EQ(file.counts.at(42), 3);  // one ellipse per marker
    EXPECT_GE(file.counts.at(84), 6);  // tick labels as text
    EXPECT_EQ(file.frame_right + 1,
              static_cast<std::uint32_t>(std::lround(400 * EmfWriter::kUnitsPerPixel)));
}

// What readers take from the records: a red pen's COLORREF, the text's characters at the
// offset its record names, and 32-bit points where 16 bits cannot hold them.
TEST(SaveFigure, EmfRecordsCarryColoursTextAndWidePoints) {
    ensure_gui_application();  // the text's advances come from the font
    EmfWriter emf(400, 300);
    const Pen red{{1, 0, 0}, 1.0, Dash::Solid};
    const PagePoint near[] = {{1, 1}, {10, 10}};
    emf.polyline(near, red);
    emf.text({20, 20}, "ab", HAlign::Left, VAlign::Top, {0, 0, 0}, 10);
    const double wide = 40000.0 / EmfWriter::kUnitsPerPixel;  // 40,000 units: beyond 16 bits
    const PagePoint far[] = {{1, 1}, {wide, 2}};
    emf.polyline(far, red);
    const std::string b = emf.finish();
    const EmfFile file(b);
    std::map<std::uint32_t, std::size_t> first;  // where each record type first starts
    for (std::size_t at = 0; at < b.size(); at += u32(b, at + 4))
        first.emplace(u32(b, at), at);
    ASSERT_TRUE(first.count(95) && first.count(84) && first.count(87) && first.count(4));
    EXPECT_EQ(u32(b, first[95] + 40), 0x000000FFu);  // COLORREF 0x00BBGGRR
    const std::size_t text = first[84];
    const std::uint32_t offset = u32(b, text + 48);
    EXPECT_EQ(u32(b, text + 44), 2u);  // characters
    EXPECT_EQ(offset, 76u);
    EXPECT_EQ(b.substr(text + offset, 4), std::string("a\0b\0", 4));
    const std::size_t wide_line = first[4];
    EXPECT_EQ(u32(b, wide_line + 24), 2u);  // points
    EXPECT_EQ(static_cast<std::int32_t>(u32(b, wide_line + 36)), 40000);
}

TEST(SaveFigure, SvgAndPngShowTheFigure) {
    Figure f;
    const std::string svg = figure_bytes(f.g, f.figure, "svg");
    QSvgRenderer renderer(QByteArray(svg.data(), static_cast<qsizetype>(svg.size())));
    ASSERT_TRUE(renderer.isValid());
    EXPECT_EQ(renderer.viewBoxF().size(), QSizeF(400, 300));

    const std::string png = figure_bytes(f.g, f.figure, "png");
    const QImage image = QImage::fromData(reinterpret_cast<const uchar*>(png.data()),
                                          static_cast<int>(png.size()), "PNG");
    // At print resolution: twice the figure's pixels, 192 dots per inch.
    constexpr double k = 2.0;
    ASSERT_EQ(image.size(), QSize(800, 600));
    EXPECT_NEAR(image.dotsPerMeterX() * 0.0254, 192.0, 0.5);
    // Each landmark's filled red marker sits where the projection puts it.
    const Projection project(f.g, f.axes, axes_area(f.g, f.axes));
    for (const auto& [x, y, z] : {std::tuple{0.0, 0.0, 1.0}, {1.0, 2.0, 0.0}, {2.0, 1.0, 2.0}}) {
        const PagePoint at = project(x, y, z);
        // Beside the centre, where the wire through the points may darken it.
        const QColor c =
            image.pixelColor(static_cast<int>(k * (at.x + 2)), static_cast<int>(k * (at.y + 2)));
        EXPECT_TRUE(c.red() > 150 && c.green() < 60 && c.blue() < 60)
            << x << " " << y << " " << z << ": " << c.name().toStdString();
    }
    EXPECT_EQ(image.pixel(2, 2), qRgb(240, 240, 240));  // the figure's grey
    const std::string pdf = figure_bytes(f.g, f.figure, "pdf");
    EXPECT_EQ(pdf.rfind("%PDF", 0), 0u);
}

TEST(SaveFigure, NamesGetTheirExtensionAndFailuresKeepTheOldFile) {
    Figure f;
    const testing::ScratchFolder folder;
    EXPECT_EQ(save_figure(f.g, f.figure, (folder / "copy").string(), "emf"),
              (folder / "copy.emf").string());
    EXPECT_TRUE(fs::exists(folder / "copy.emf"));
    EXPECT_EQ(format_of("a/b.PNG"), "png");
    EXPECT_EQ(format_of("a/b.txt"), "");
    EXPECT_NE(testing::error_of([&] { save_figure(f.g, f.figure, "x.gif", "gif"); }), "");

    const fs::path old = folder / "figure.png";
    std::ofstream(old) << "old figure";
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limit = saved;
    limit.rlim_cur = 100;  // far smaller than the picture
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    const std::string message =
        testing::error_of([&] { save_figure(f.g, f.figure, old.string(), "png"); });
    ::setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_NE(message.find("figure.png"), std::string::npos) << message;
    EXPECT_EQ(read_file_bytes(old.string()), std::optional<std::string>("old figure"));
}

}  // namespace
}  // namespace kelmar
