#include "platform/qt/qt_view.hpp"
#include "platform/graphics/callback.hpp"
#include "platform/graphics/graphics.hpp"
#include "platform/graphics/plotting.hpp"
#include "platform/qt/axes_widget.hpp"
#include "platform/qt/qt_app.hpp"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>

namespace kelmar {
namespace {

class QtViewTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ensure_qt_application(); }
    void SetUp() override {
        view_ = std::make_unique<QtView>(g_);
        g_.set_call_by_name([this](const std::string& name, const std::vector<Value>& args) {
            calls_.push_back(name + "(" + (args.empty() ? "" : args[0].text()) + ")");
            callback_objects_.push_back(g_.callback_object().value_or(-1));
        });
        figure_ = g_.create_figure({{"Position", Value::row({100, 150, 400, 300})}});
    }
    void TearDown() override {
        for (Handle f : g_.figures())
            g_.close(f);
        view_.reset();
        QApplication::processEvents();
    }
    template <typename W>
    W* widget_of(Handle h) {
        W* w = dynamic_cast<W*>(view_->widget(h));
        EXPECT_NE(w, nullptr);
        return w;
    }

    Graphics g_;
    std::unique_ptr<QtView> view_;
    std::vector<std::string> calls_;
    std::vector<Handle> callback_objects_;
    Handle figure_ = 0;
};

TEST_F(QtViewTest, UserActionsReachTheModelAndRunTheCallback) {
    const Handle button =
        g_.create(ObjectType::Control, figure_, {{"Callback", "kelmarsw('load1')"}});
    const Handle box = g_.create(ObjectType::Control, figure_,
                                 {{"Style", "checkbox"}, {"Callback", "kelmarsw('show')"}});
    const Handle list = g_.create(ObjectType::Control, figure_,
                                  {{"Style", "listbox"},
                                   {"String", Value::cell_row({"100", "400", "900"})},
                                   {"Value", 1},
                                   {"Callback", "kelmarsw('boots')"}});
    widget_of<QPushButton>(button)->click();
    widget_of<QCheckBox>(box)->click();
    widget_of<QListWidget>(list)->setCurrentRow(2);
    EXPECT_EQ(calls_,
              (std::vector<std::string>{"kelmarsw(load1)", "kelmarsw(show)", "kelmarsw(boots)"}));
    EXPECT_EQ(callback_objects_, (std::vector<Handle>{button, box, list}));
    EXPECT_EQ(g_.get(box, "Value").to_scalar(), 1.0);
    EXPECT_EQ(g_.get(list, "Value").to_scalar(), 3.0);
}

TEST_F(QtViewTest, ModelChangesShowAtOnce) {
    const Handle text =
        g_.create(ObjectType::Control, figure_, {{"Style", "text"}, {"String", "File:"}});
    const Handle box = g_.create(ObjectType::Control, figure_, {{"Style", "checkbox"}});
    const Handle list = g_.create(ObjectType::Control, figure_, {{"Style", "listbox"}});
    g_.set(text, "String", "File: a.txt \n  20 Specimens");
    EXPECT_EQ(widget_of<QLabel>(text)->property("fullText").toString().toStdString(),
              "File: a.txt \n  20 Specimens");
    g_.set(box, "Value", 1);
    EXPECT_TRUE(widget_of<QCheckBox>(box)->isChecked());
    g_.set(list, "String", Value::cell_row({"LCS", "CS"}));
    g_.set(list, "Value", 2);
    EXPECT_EQ(widget_of<QListWidget>(list)->currentRow(), 1);
    EXPECT_TRUE(calls_.empty());  // changes made by the program run no callback
    g_.set(figure_, "Pointer", "watch");
    EXPECT_EQ(view_->widget(figure_)->cursor().shape(), Qt::WaitCursor);
}

// A text too wide for its control is shortened in the middle, line by line, and never wraps; it
// shows in full again when the control grows.
TEST_F(QtViewTest, TextLinesStayOneLineEach) {
    const Handle text = g_.create(
        ObjectType::Control, figure_,
        {{"Style", "text"}, {"Units", "pixels"}, {"Position", Value::row({10, 10, 120, 60})}});
    const std::string full = "File: macaque_males_2024_field_adults.txt \n  20 Specimens";
    g_.set(text, "String", full);
    auto* label = widget_of<QLabel>(text);
    const QStringList shown = label->text().split('\n');
    ASSERT_EQ(shown.size(), 2);
    EXPECT_TRUE(shown[0].startsWith("File: ") && shown[0].contains(QChar(0x2026)));
    EXPECT_TRUE(shown[0].endsWith(".txt "));
    for (const QString& line : shown)
        EXPECT_LE(label->fontMetrics().horizontalAdvance(line), 120) << line.toStdString();
    EXPECT_FALSE(label->wordWrap());
    g_.set(text, "Position", Value::row({10, 10, 600, 60}));
    EXPECT_EQ(label->text().toStdString(), full);
}

TEST_F(QtViewTest, WindowPositionsRoundTrip) {
    g_.figure(figure_);
    g_.flush_drawing();
    const double screen_height = g_.get(0, "ScreenSize").reals()[3];
    const QRect geometry = view_->widget(figure_)->geometry();
    EXPECT_EQ(geometry, QRect(100, static_cast<int>(screen_height) - 450, 400, 300));
    // The offscreen platform draws a frame of 2 pixels around the inside.
    EXPECT_EQ(g_.get(figure_, "OuterPosition"), Value::row({98, 148, 404, 304}));
    // A window moved by the user is read back into the model.
    view_->widget(figure_)->move(50, 60);  // the frame's top-left corner
    QApplication::processEvents();
    EXPECT_EQ(g_.get(figure_, "Position"), Value::row({52, screen_height - 362, 400, 300}));

    // Controls in normalized units follow the window's size.
    const Handle c =
        g_.create(ObjectType::Control, figure_,
                  {{"Units", "normalized"}, {"Position", Value::row({0.5, 0, 0.5, 0.5})}});
    EXPECT_EQ(view_->widget(c)->geometry(), QRect(200, 150, 200, 150));
    view_->widget(figure_)->resize(600, 200);
    QApplication::processEvents();
    EXPECT_EQ(view_->widget(c)->geometry(), QRect(300, 100, 300, 100));
}

TEST_F(QtViewTest, ClosingTheWindowClosesTheFigure) {
    g_.figure(figure_);
    view_->widget(figure_)->close();
    QApplication::processEvents();
    EXPECT_TRUE(g_.figures().empty());
    run_event_loop(g_);  // returns at once: no figure is open
}

TEST_F(QtViewTest, AxesAreDrawnAndTurnWithTheMouse) {
    g_.figure(figure_);
    const double x[] = {0, 1, 2}, y[] = {0, 1, 0}, z[] = {0, 1, 2};
    const Handle line = add_line(g_, x, y, z, parse_plot_style("r-"));
    g_.set(line, "LineWidth", 6);
    const Handle axes = current_axes(g_);
    auto* w = widget_of<AxesWidget>(axes);
    ASSERT_NE(w, nullptr);
    g_.flush_drawing();
    const QImage shown = w->grab().toImage();
    int red = 0;
    for (int i = 0; i < shown.width(); ++i)
        for (int j = 0; j < shown.height(); ++j)
            red += shown.pixelColor(i, j) == QColor(255, 0, 0) ? 1 : 0;
    EXPECT_GT(red, 50);  // the thick red line is on screen

    // A drag of 20 pixels right and 10 down turns the view, and the model follows.
    const auto send = [w](QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, w->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(w, &event);
    };
    send(QEvent::MouseButtonPress, {50, 50}, Qt::LeftButton);
    send(QEvent::MouseMove, {70, 60}, Qt::LeftButton);
    const Value view = g_.get(axes, "View");
    EXPECT_DOUBLE_EQ(view.reals()[0], kDefaultAzimuth - 20 * AxesWidget::kDegreesPerPixel);
    EXPECT_DOUBLE_EQ(view.reals()[1], kDefaultElevation + 10 * AxesWidget::kDegreesPerPixel);
    send(QEvent::MouseMove, {90, 60}, Qt::NoButton);  // no button held: nothing turns
    EXPECT_EQ(g_.get(axes, "View"), view);
}

}  // namespace
}  // namespace kelmar
