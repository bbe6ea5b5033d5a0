#include "png_writer.hpp"

#include "platform/numeric/error.hpp"

#include <png.h>

#include <zlib.h>
#include <cmath>
#include <csetjmp>
#include <vector>

namespace kelmar {
namespace {

void append(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::string*>(png_get_io_ptr(png));
    out->append(reinterpret_cast<const char*>(data), length);
}

void flush(png_structp) {}

}  // namespace

std::string png_bytes(const QImage& image, double dots_per_inch) {
    const QImage rgb = image.format() == QImage::Format_RGB32
                           ? image
                           : image.convertToFormat(QImage::Format_RGB32);
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (png == nullptr || info == nullptr) {
        png_destroy_write_struct(&png, &info);
        throw Error("the PNG writer could not start");
    }
    const auto width = static_cast<png_uint_32>(rgb.width());
    const auto height = static_cast<png_uint_32>(rgb.height());
    std::vector<png_byte> row(3 * static_cast<std::size_t>(width));
    // libpng reports its errors by a long jump back here; nothing below owns a destructor
    // that the jump would skip.
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw Error("writing the PNG failed");
    }
    png_set_write_fn(png, &out, append, flush);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    const auto per_metre = static_cast<png_uint_32>(std::lround(dots_per_inch / 0.0254));
    png_set_pHYs(png, info, per_metre, per_metre, PNG_RESOLUTION_METER);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_compression_level(png, 1);
    png_set_compression_strategy(png, Z_RLE);
    png_write_info(png, info);
    for (png_uint_32 y = 0; y < height; ++y) {
        const auto* pixels = reinterpret_cast<const QRgb*>(rgb.constScanLine(static_cast<int>(y)));
        for (png_uint_32 x = 0; x < width; ++x) {
            row[3 * x] = static_cast<png_byte>(qRed(pixels[x]));
            row[3 * x + 1] = static_cast<png_byte>(qGreen(pixels[x]));
            row[3 * x + 2] = static_cast<png_byte>(qBlue(pixels[x]));
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

}  // namespace kelmar
