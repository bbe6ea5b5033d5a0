#include "axes_widget.hpp"

#include "platform/export/qt_painter.hpp"
#include "platform/export/renderer.hpp"
#include "platform/graphics/plotting.hpp"

#include <QMouseEvent>
#include <QPainter>

namespace kelmar {

AxesWidget::AxesWidget(Graphics& g, Handle axes, QWidget* parent)
    : QWidget(parent), g_(g), axes_(axes) {
    setMouseTracking(false);
    setCursor(Qt::OpenHandCursor);
}

void AxesWidget::paintEvent(QPaintEvent* /*event*/) {
    if (!g_.is_valid(axes_))
        return;
    QPainter p(this);
    QtPainter painter(p, width(), height());
    render_axes(g_, axes_, painter,
                {0, 0, static_cast<double>(width()), static_cast<double>(height())});
}

void AxesWidget::mousePressEvent(QMouseEvent* event) {
    last_ = event->position().toPoint();
}

void AxesWidget::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton) || !g_.is_valid(axes_))
        return;
    // A flat frame (2D shapes, plots) has nothing to turn.
    const std::string kind = g_.get(axes_, "AxesKind").text();
    if (kind == "2d" || kind == "2D")
        return;
    const QPoint now = event->position().toPoint();
    const QPoint moved = now - last_;
    last_ = now;
    const Value view_value = g_.get(axes_, "View");
    const auto view = view_value.reals();
    if (view.size() != 2)
        return;
    // The scene follows the hand: a drag to the right turns it to the right.
    set_view(g_, axes_, view[0] - kDegreesPerPixel * moved.x(),
             view[1] + kDegreesPerPixel * moved.y());
}

}  // namespace kelmar
