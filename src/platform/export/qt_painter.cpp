#include "qt_painter.hpp"

#include "text_font.hpp"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <cstdint>
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
    const QTransform t = p_.worldTransform();
    raster_ = p_.device() != nullptr && p_.device()->devType() == QInternal::Image &&
              t.m12() == 0 && t.m21() == 0 && t.m11() == t.m22() && t.m11() > 0;
    scale_ = t.m11();
}

bool QtPainter::stamped(PagePoint at, std::span<const PagePoint> outline, double r, const Pen& pen,
                        std::optional<Rgb> fill) {
    constexpr double kLargest = 16.0;  // page pixels across: larger shapes are no markers
    if (!raster_ || pen.dash != Dash::Solid)
        return false;
    double reach = r;
    for (const PagePoint& q : outline)
        reach = std::max({reach, std::fabs(q.x), std::fabs(q.y)});
    if (2 * reach > kLargest)
        return false;
    // The key: the shape to 1/64 of a page pixel, and the colours and width.
    std::vector<std::int64_t> key;
    key.reserve(2 * outline.size() + 9);
    const auto q64 = [](double v) { return static_cast<std::int64_t>(std::lround(v * 64)); };
    key.push_back(q64(r));
    for (const PagePoint& q : outline) {
        key.push_back(q64(q.x));
        key.push_back(q64(q.y));
    }
    for (double v : {pen.color.r, pen.color.g, pen.color.b, pen.width})
        key.push_back(q64(v * 16));
    key.push_back(fill ? 1 : 0);
    if (fill) {
        for (double v : {fill->r, fill->g, fill->b})
            key.push_back(q64(v * 16));
    }
    const double half = reach + pen.width + 1;  // page pixels from the centre to the edge
    auto it = stamps_.find(key);
    if (it == stamps_.end()) {
        const int side = static_cast<int>(std::ceil(2 * half * scale_));
        QImage stamp(side, side, QImage::Format_ARGB32_Premultiplied);
        stamp.fill(Qt::transparent);
        QPainter sp(&stamp);
        sp.setRenderHint(QPainter::Antialiasing, true);
        sp.scale(static_cast<double>(side) / (2 * half), static_cast<double>(side) / (2 * half));
        sp.translate(half, half);
        QPen q(qcolor(pen.color));
        q.setWidthF(pen.width);
        q.setCapStyle(Qt::RoundCap);
        q.setJoinStyle(Qt::RoundJoin);
        sp.setPen(q);
        sp.setBrush(fill ? QBrush(qcolor(*fill)) : QBrush(Qt::NoBrush));
        if (outline.empty())
            sp.drawEllipse(QPointF(0, 0), r, r);
        else
            sp.drawPolygon(qpolygon(outline));
        sp.end();
        it = stamps_.emplace(std::move(key), std::move(stamp)).first;
    }
    p_.drawImage(QRectF(at.x - half, at.y - half, 2 * half, 2 * half), it->second);
    return true;
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
    // Thin lines need no round ends, whose curves cost more to fill than the lines themselves.
    const bool thin = pen.width * scale_ < 2.5;
    q.setCapStyle(thin ? Qt::FlatCap : Qt::RoundCap);
    q.setJoinStyle(thin ? Qt::MiterJoin : Qt::RoundJoin);
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
    if (raster_ && !points.empty()) {
        // Relative to the centre of the shape's box, so that every copy of a marker has one key.
        double lo_x = points[0].x, hi_x = lo_x, lo_y = points[0].y, hi_y = lo_y;
        for (const PagePoint& q : points) {
            lo_x = std::min(lo_x, q.x);
            hi_x = std::max(hi_x, q.x);
            lo_y = std::min(lo_y, q.y);
            hi_y = std::max(hi_y, q.y);
        }
        const PagePoint centre{(lo_x + hi_x) / 2, (lo_y + hi_y) / 2};
        relative_.resize(points.size());
        for (std::size_t k = 0; k < points.size(); ++k)
            relative_[k] = {points[k].x - centre.x, points[k].y - centre.y};
        if (stamped(centre, relative_, 0.0, pen, fill))
            return;
    }
    use(pen, fill);
    p_.drawPolygon(qpolygon(points));
}

void QtPainter::ellipse(PagePoint centre, double rx, double ry, const Pen& pen,
                        std::optional<Rgb> fill) {
    if (rx == ry && stamped(centre, {}, rx, pen, fill))
        return;
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
