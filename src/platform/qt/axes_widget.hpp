// The on-screen view of one axes: it draws the axes and its lines through the renderer and turns
// the view when the user drags with the mouse (azimuth with horizontal moves, elevation with
// vertical ones), writing the new view into the model, so exports show it too.
#pragma once

#include "platform/graphics/graphics.hpp"

#include <QPoint>
#include <QWidget>

namespace kelmar {

class AxesWidget : public QWidget {
  public:
    // Degrees of turn per pixel dragged.
    static constexpr double kDegreesPerPixel = 0.5;

    AxesWidget(Graphics& g, Handle axes, QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    Graphics& g_;
    Handle axes_;
    QPoint last_;
};

}  // namespace kelmar
