#include "save_figure.hpp"

#include "emf_writer.hpp"
#include "platform/numeric/error.hpp"
#include "platform/numeric/files.hpp"
#include "platform/numeric/paths.hpp"
#include "png_writer.hpp"
#include "qt_painter.hpp"
#include "renderer.hpp"

#include <sys/stat.h>
#include <unistd.h>
#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <cmath>
#include <cstdlib>

namespace kelmar {
namespace {

constexpr const char* kFormats[] = {"emf", "svg", "pdf", "png"};

std::string bytes_of(const QByteArray& a) {
    return std::string(a.constData(), static_cast<std::size_t>(a.size()));
}

}  // namespace

void prepare_qt_runtime_folder() {
    const char* folder = std::getenv("XDG_RUNTIME_DIR");
    if (folder != nullptr && *folder != '\0')
        return;
    const std::string own = "/tmp/runtime-" + std::to_string(::getuid());
    ::mkdir(own.c_str(), 0700);
    struct stat st {};
    if (::stat(own.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
        (st.st_mode & 077) == 0)
        ::setenv("XDG_RUNTIME_DIR", own.c_str(), 1);
}

namespace {
ApplicationFactory& factory() {
    static ApplicationFactory make = nullptr;
    return make;
}
}  // namespace

void set_application_factory(ApplicationFactory make) {
    factory() = make;
}

void ensure_gui_application() {
    if (QCoreApplication::instance() != nullptr)
        return;
    if (factory() != nullptr) {
        factory()();
        return;
    }
    prepare_qt_runtime_folder();
    static int argc = 1;
    static char name[] = "kelmar6";
    static char* argv[] = {name, nullptr};
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform == nullptr || *platform == '\0')
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);  // export needs no window
    // Never destroyed: at process exit Qt's own statics may already be gone.
    new QGuiApplication(argc, argv);
}

std::string format_of(std::string_view path) {
    const std::string extension = lower(split_path(path).extension);
    for (const char* f : kFormats) {
        if (extension == std::string(".") + f)
            return f;
    }
    return "";
}

std::string figure_bytes(const Graphics& g, Handle figure, std::string_view format) {
    ensure_gui_application();
    const PageRect page = figure_page(g, figure);
    const double width = std::max(1.0, page.width);
    const double height = std::max(1.0, page.height);
    const std::string f = lower(format);
    if (f == "emf") {
        EmfWriter emf(width, height);
        render_figure(g, figure, emf);
        return emf.finish();
    }
    const int w = static_cast<int>(std::lround(width));
    const int h = static_cast<int>(std::lround(height));
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    if (f == "png") {
        // At print resolution: twice the figure's pixels, 192 dots per inch.
        constexpr double kPrintScale = 2.0;
        QImage image(static_cast<int>(std::lround(width * kPrintScale)),
                     static_cast<int>(std::lround(height * kPrintScale)), QImage::Format_RGB32);
        image.setDotsPerMeterX(static_cast<int>(std::lround(96.0 * kPrintScale / 0.0254)));
        image.setDotsPerMeterY(static_cast<int>(std::lround(96.0 * kPrintScale / 0.0254)));
        {
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing);
            p.scale(kPrintScale, kPrintScale);
            QtPainter painter(p, width, height);
            render_figure(g, figure, painter);
        }
        return png_bytes(image, 96.0 * kPrintScale);
    } else if (f == "svg") {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(QSize(w, h));
        svg.setViewBox(QRectF(0, 0, width, height));
        svg.setResolution(96);
        svg.setTitle("kelmar6 figure");
        QPainter p(&svg);
        QtPainter painter(p, width, height);
        render_figure(g, figure, painter);
    } else if (f == "pdf") {
        QPdfWriter pdf(&buffer);
        pdf.setResolution(96);
        pdf.setPageSize(
            QPageSize(QSizeF(width * 72.0 / 96.0, height * 72.0 / 96.0), QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setCreator("kelmar6");
        QPainter p(&pdf);
        QtPainter painter(p, width, height);
        render_figure(g, figure, painter);
    } else {
        throw Error("unknown figure format " + in_quotes(format) +
                    ": the formats are \"emf\", \"svg\", \"pdf\" and \"png\"");
    }
    return bytes_of(data);
}

std::string save_figure(const Graphics& g, Handle figure, std::string path,
                        std::string_view format) {
    if (g.type(figure) != ObjectType::Figure) {
        throw Error("handle " + format_handle(figure) + " is not a figure");
    }
    if (split_path(path).extension.empty())
        path.append(".").append(lower(format));
    write_file_atomically(path, figure_bytes(g, figure, format));
    return path;
}

}  // namespace kelmar
