#include "qt_painter.hpp"

#include "text_font.hpp"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <vector>

namespace kelmar {
namespace {

QColor qcolor(Rgb c) {
    return QColor::fromRgbF(static_cast<float>(c.r), static_cast<float>(c.g),
                            static_cast<float>(c.b));
}

Qt::PenStyle qstyle(Dash d) {
    switch (d) {
        case Dash::Dashed:
            return Qt::DashLine;
        case Dash::Dotted:
            return Qt::DotLine;
        case Dash::DashDot:
            return Qt::DashDotLine;
        case Dash::Solid:
            break;
    }
    return Qt::SolidLine;
}

QPolygonF qpolygon(std::span<const PagePoint> points) {
    QPolygonF out;
    out.reserve(static_cast<qsizetype>(points.size()));
    for (const PagePoint& p : points)
        out << QPointF(p.x, p.y);
    return out;
}

}  // namespace

QtPainter::QtPainter(QPainter& painter, double width, double height)
    : p_(painter), width_(width), height_(height) {
    p_.setRenderHint(QPainter::Antialiasing, true);
    p_.setRenderHint(QPainter::TextAntialiasing, true);
}

void QtPainter::use(const Pen& pen, std::optional<Rgb> fill) {
    if (!fill_ || *fill_ != fill) {
        p_.setBrush(fill ? QBrush(qcolor(*fill)) : QBrush(Qt::NoBrush));
        fill_ = fill;
    }
    if (pen_ && pen_->color == pen.color && pen_->width == pen.width && pen_->dash == pen.dash)
        return;
    pen_ = pen;
    QPen q(qcolor(pen.color));
    q.setWidthF(pen.width);
    q.setStyle(qstyle(pen.dash));
    q.setCapStyle(Qt::RoundCap);
    q.setJoinStyle(Qt::RoundJoin);
    p_.setPen(q);
}

void QtPainter::background(Rgb color) {
    pen_.reset();
    p_.fillRect(QRectF(0, 0, width_, height_), qcolor(color));
}

void QtPainter::polyline(std::span<const PagePoint> points, const Pen& pen) {
    use(pen, std::nullopt);
    p_.drawPolyline(qpolygon(points));
}

void QtPainter::polygon(std::span<const PagePoint> points, const Pen& pen,
                        std::optional<Rgb> fill) {
    use(pen, fill);
    p_.drawPolygon(qpolygon(points));
}

void QtPainter::ellipse(PagePoint centre, double rx, double ry, const Pen& pen,
                        std::optional<Rgb> fill) {
    use(pen, fill);
    p_.drawEllipse(QPointF(centre.x, centre.y), rx, ry);
}

void QtPainter::text(PagePoint anchor, std::string_view utf8, HAlign h, VAlign v, Rgb color,
                     double pixel_size) {
    const QFont font = text_font(pixel_size);
    const QString s = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    const QFontMetricsF metrics(font);
    double x = anchor.x;
    const double width = metrics.horizontalAdvance(s);
    if (h == HAlign::Centre)
        x -= width / 2;
    else if (h == HAlign::Right)
        x -= width;
    double y = anchor.y;  // the baseline
    if (v == VAlign::Top)
        y += metrics.ascent();
    else if (v == VAlign::Bottom)
        y -= metrics.descent();
    p_.setFont(font);
    p_.setPen(qcolor(color));
    pen_.reset();  // the text's pen replaced the shapes' one
    p_.drawText(QPointF(x, y), s);
}

}  // namespace kelmar
