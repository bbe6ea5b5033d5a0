#include "qt_view.hpp"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScreen>
#include <cmath>
#include <limits>

#include "axes_widget.hpp"
#include "platform/numeric/echo.hpp"

namespace kelmar {
namespace {

QString qtext(const Value& v) {
    return QString::fromStdString(v.text());
}

QStringList entries(const Value& v) {
    QStringList list;
    if (v.is_cell()) {
        for (const Value& e : v.cells())
            list << qtext(e);
    } else if (v.is_text()) {
        for (const QString& part : qtext(v).split('|'))
            list << part;
    }
    return list;
}

QColor qcolor(const Value& v) {
    const auto c = v.reals();
    if (c.size() != 3)
        return {};
    return QColor::fromRgbF(static_cast<float>(c[0]), static_cast<float>(c[1]),
                            static_cast<float>(c[2]));
}

// A text control: each line of its text on one line of the window, a line too wide for the
// control shortened in the middle (where a file name's date or number and extension stay seen),
// so a long name never wraps into the line below. The full text is the property "fullText".
class OneLineLabel : public QLabel {
  public:
    explicit OneLineLabel(QWidget* parent) : QLabel(parent) {}

    void set_full_text(const QString& text) {
        setProperty("fullText", text);
        fit();
    }

  protected:
    void resizeEvent(QResizeEvent* event) override {
        QLabel::resizeEvent(event);
        fit();
    }
    void changeEvent(QEvent* event) override {
        QLabel::changeEvent(event);
        if (event->type() == QEvent::FontChange)
            fit();
    }

  private:
    void fit() {
        const QFontMetrics metrics(font());
        const int width = std::max(contentsRect().width() - 2 * margin() - 2, 8);
        QStringList lines = property("fullText").toString().split('\n');
        for (QString& line : lines)
            line = metrics.elidedText(line, Qt::ElideMiddle, width);
        setText(lines.join('\n'));
    }
};

// Watches a figure's window for moves, resizes and closing by the user.
class WindowWatcher : public QObject {
  public:
    WindowWatcher(QtView& view, Handle figure, QObject* parent)
        : QObject(parent), view_(view), figure_(figure) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::Move:
            case QEvent::Resize:
                view_.window_moved_or_resized(figure_);
                break;
            case QEvent::Close:
                view_.window_closed(figure_);
                break;
            case QEvent::WindowActivate:
                view_.window_activated(figure_);
                break;
            default:
                break;
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    QtView& view_;
    Handle figure_;
};

// A window whose figure has left the model tells the view nothing more while Qt finishes it.
void stop_watching(QWidget* w) {
    for (WindowWatcher* watcher : w->findChildren<WindowWatcher*>(Qt::FindDirectChildrenOnly)) {
        w->removeEventFilter(watcher);
        watcher->deleteLater();  // it may be the one reporting this close
    }
}

}  // namespace

QtView::QtView(Graphics& g) : g_(g) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect r = screen->geometry();
        g_.update_from_view(
            Graphics::kRoot, "ScreenSize",
            Value::row({1, 1, static_cast<double>(r.width()), static_cast<double>(r.height())}));
    }
    g_.set_view(this);
    for (Handle f : g_.figures()) {
        for (Handle h : g_.find_all(f))
            created(h);
    }
}

QtView::~QtView() {
    if (g_.view() == this)
        g_.set_view(nullptr);
    for (auto& [h, w] : widgets_) {
        if (w && w->parent() == nullptr)
            delete w.data();
    }
}

QWidget* QtView::widget(Handle h) const {
    const auto it = widgets_.find(h);
    return it == widgets_.end() ? nullptr : it->second.data();
}

void QtView::window_activated(Handle figure) {
    g_.activated(figure);
}

void QtView::redraw_axes(Handle axes) {
    if (QWidget* w = widget(axes))
        w->update();
}

void QtView::created(Handle h) {
    const ObjectType type = g_.type(h);
    QWidget* w = nullptr;
    if (type == ObjectType::Line) {
        redraw_axes(g_.parent(h));
        return;
    }
    if (type == ObjectType::Axes) {
        if (QWidget* parent = widget(g_.parent(h)))
            w = new AxesWidget(g_, h, parent);
    } else if (type == ObjectType::Figure) {
        w = new QWidget(nullptr, Qt::Window);
        w->setAttribute(Qt::WA_DeleteOnClose, false);
        w->installEventFilter(new WindowWatcher(*this, h, w));
    } else if (type == ObjectType::Control) {
        QWidget* parent = widget(g_.parent(h));
        if (parent == nullptr)
            return;
        const std::string style = lower(g_.get(h, "Style").text());
        if (style == "pushbutton" || style == "togglebutton") {
            auto* b = new QPushButton(parent);
            b->setCheckable(style == "togglebutton");
            QObject::connect(b, &QPushButton::clicked, [this, h, b](bool checked) {
                if (b->isCheckable()) {
                    user_changed_value(
                        h, checked ? g_.get(h, "Max").to_scalar() : g_.get(h, "Min").to_scalar());
                } else {
                    user_changed_value(h, std::numeric_limits<double>::quiet_NaN());  // no Value
                }
            });
            w = b;
        } else if (style == "checkbox" || style == "radiobutton") {
            QAbstractButton* b = style == "checkbox"
                                     ? static_cast<QAbstractButton*>(new QCheckBox(parent))
                                     : new QRadioButton(parent);
            b->setAutoExclusive(false);
            QObject::connect(b, &QAbstractButton::clicked, [this, h](bool checked) {
                user_changed_value(
                    h, checked ? g_.get(h, "Max").to_scalar() : g_.get(h, "Min").to_scalar());
            });
            w = b;
        } else if (style == "listbox" || style == "popupmenu") {
            // Value is the 1-based position of the chosen entry.
            auto choose = [this, h](int index) {
                if (index >= 0)
                    user_changed_value(h, index + 1.0);
            };
            if (style == "listbox") {
                auto* l = new QListWidget(parent);
                QObject::connect(l, &QListWidget::currentRowChanged, choose);
                w = l;
            } else {
                auto* c = new QComboBox(parent);
                QObject::connect(c, &QComboBox::activated, choose);
                w = c;
            }
        } else if (style == "edit") {
            const bool multi = g_.get(h, "Max").to_scalar() - g_.get(h, "Min").to_scalar() > 1;
            if (multi) {
                auto* e = new QPlainTextEdit(parent);
                e->setReadOnly(false);
                w = e;
            } else {
                auto* e = new QLineEdit(parent);
                QObject::connect(e, &QLineEdit::editingFinished,
                                 [this, h, e] { user_changed_string(h, e->text()); });
                w = e;
            }
        } else if (style == "text") {
            w = new OneLineLabel(parent);
        } else {  // frame
            auto* f = new QFrame(parent);
            f->setFrameShape(QFrame::Box);
            w = f;
        }
    }
    if (w == nullptr)
        return;
    widgets_[h] = w;
    for (const char* p : {"string", "value", "enable", "visible", "color", "backgroundcolor",
                          "pointer", "name", "tooltip", "fontsize", "minimumsize", "position"}) {
        if (g_.has_property(h, p))
            apply(h, p);
    }
    // The axes widget also paints the lines: axes that are off lose their box, ticks and labels
    // in the drawing, not the widget.
    if (type == ObjectType::Axes ||
        (type != ObjectType::Figure && g_.get(h, "Visible").text() != "off"))
        w->show();
}

void QtView::changed(Handle h, std::string_view property) {
    const std::string p(property);
    const ObjectType type = g_.type(h);
    if (type == ObjectType::Line) {
        redraw_axes(g_.parent(h));
        return;
    }
    if (type == ObjectType::Axes)
        redraw_axes(h);
    if (p == "units" || p == "activepositionproperty")
        return;
    if (p == "outerposition") {
        apply(h, "position");
        return;
    }
    apply(h, p);
}

void QtView::apply(Handle h, const std::string& p) {
    QWidget* w = widget(h);
    if (w == nullptr)
        return;
    applying_ = true;
    const ObjectType type = g_.type(h);
    const std::string style = type == ObjectType::Control ? lower(g_.get(h, "Style").text()) : "";
    if (p == "position") {
        place(h);
    } else if (p == "string") {
        const Value s = g_.get(h, "String");
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            b->setText(qtext(s));
        if (auto* l = dynamic_cast<OneLineLabel*>(w))
            l->set_full_text(s.is_cell() ? entries(s).join('\n') : qtext(s));
        if (auto* e = qobject_cast<QLineEdit*>(w))
            e->setText(qtext(s));
        if (auto* e = qobject_cast<QPlainTextEdit*>(w))
            e->setPlainText(s.is_cell() ? entries(s).join('\n') : qtext(s));
        if (auto* l = qobject_cast<QListWidget*>(w)) {
            l->clear();
            l->addItems(entries(s));
            apply(h, "value");
        }
        if (auto* c = qobject_cast<QComboBox*>(w)) {
            c->clear();
            c->addItems(entries(s));
            apply(h, "value");
        }
    } else if (p == "value") {
        const Value v = g_.get(h, "Value");
        const double value = v.empty() ? 0.0 : v.reals()[0];
        if (auto* b = qobject_cast<QAbstractButton*>(w); b != nullptr && b->isCheckable()) {
            b->setChecked(value == g_.get(h, "Max").to_scalar());
        }
        if (auto* l = qobject_cast<QListWidget*>(w))
            l->setCurrentRow(static_cast<int>(value) - 1);
        if (auto* c = qobject_cast<QComboBox*>(w))
            c->setCurrentIndex(static_cast<int>(value) - 1);
    } else if (p == "enable") {
        w->setEnabled(lower(g_.get(h, "Enable").text()) != "off");
    } else if (p == "visible") {
        const Value v = g_.get(h, "Visible");
        const bool visible = v.is_text() ? lower(v.text()) != "off" : v.is_true();
        if (type == ObjectType::Figure) {
            if (visible) {
                w->show();
                read_frame(h);
            } else {
                w->hide();
            }
        } else if (type == ObjectType::Axes) {
            w->update();
        } else {
            w->setVisible(visible && widget(g_.parent(h)) != nullptr);
        }
    } else if (p == "color" || p == "backgroundcolor") {
        const QColor c = qcolor(g_.get(h, p));
        if (c.isValid() && (type == ObjectType::Figure || style == "text" || style == "frame")) {
            QPalette palette = w->palette();
            palette.setColor(QPalette::Window, c);
            w->setPalette(palette);
            w->setAutoFillBackground(true);
        }
    } else if (p == "pointer") {
        w->setCursor(lower(g_.get(h, "Pointer").text()) == "watch" ? Qt::WaitCursor
                                                                   : Qt::ArrowCursor);
    } else if (p == "name") {
        w->setWindowTitle(qtext(g_.get(h, "Name")));
    } else if (p == "tooltip") {
        w->setToolTip(qtext(g_.get(h, "Tooltip")));
    } else if (p == "fontsize") {
        const Value size = g_.get(h, "FontSize");
        if (size.is_real() && size.reals().size() == 1 && size.reals()[0] > 0) {
            QFont font = w->font();
            font.setPointSizeF(size.reals()[0]);
            w->setFont(font);
        }
    } else if (p == "minimumsize" && type == ObjectType::Figure) {
        // The size below which the window's labels would be clipped.
        const Value minimum = g_.get(h, "MinimumSize");
        const auto m = minimum.reals();
        if (m.size() == 2)
            w->setMinimumSize(static_cast<int>(std::lround(m[0])),
                              static_cast<int>(std::lround(m[1])));
    }
    applying_ = false;
}

void QtView::place(Handle h) {
    QWidget* w = widget(h);
    const Rect r = g_.pixel_position(h);
    if (g_.type(h) == ObjectType::Figure) {
        const double screen_height = g_.pixel_position(Graphics::kRoot).height;
        const int top = static_cast<int>(std::lround(screen_height - (r.bottom + r.height)));
        w->setGeometry(static_cast<int>(std::lround(r.left)), top,
                       static_cast<int>(std::lround(r.width)),
                       static_cast<int>(std::lround(r.height)));
        place_children(h);
        return;
    }
    const Rect inside = g_.pixel_position(g_.parent(h));
    w->setGeometry(static_cast<int>(std::lround(r.left)),
                   static_cast<int>(std::lround(inside.height - (r.bottom + r.height))),
                   static_cast<int>(std::lround(r.width)), static_cast<int>(std::lround(r.height)));
}

void QtView::place_children(Handle figure) {
    for (Handle c : g_.children(figure)) {
        if (widget(c) != nullptr)
            place(c);
    }
}

void QtView::read_frame(Handle figure) {
    QWidget* w = widget(figure);
    if (w == nullptr || !w->isVisible())
        return;
    const QRect inner = w->geometry();
    const QRect outer = w->frameGeometry();
    g_.set_frame(figure, {static_cast<double>(inner.left() - outer.left()),
                          static_cast<double>(outer.right() - inner.right()),
                          static_cast<double>(outer.bottom() - inner.bottom()),
                          static_cast<double>(inner.top() - outer.top())});
}

void QtView::window_moved_or_resized(Handle figure) {
    if (applying_ || !g_.is_valid(figure))
        return;
    QWidget* w = widget(figure);
    const double screen_height = g_.pixel_position(Graphics::kRoot).height;
    const QRect r = w->geometry();
    const Value units = g_.get(figure, "Units");
    g_.update_from_view(figure, "Units", "pixels");
    g_.update_from_view(
        figure, "Position",
        Value::row({static_cast<double>(r.left()), screen_height - (r.top() + r.height()),
                    static_cast<double>(r.width()), static_cast<double>(r.height())}));
    g_.update_from_view(figure, "Units", units);
    read_frame(figure);
    applying_ = true;
    place_children(figure);
    applying_ = false;
}

void QtView::window_closed(Handle figure) {
    if (applying_ || !g_.is_valid(figure))
        return;
    // The user closed the window: the figure leaves the model once the close event is over.
    QWidget* w = widget(figure);
    widgets_.erase(figure);
    if (w != nullptr) {
        stop_watching(w);
        w->deleteLater();
    }
    g_.close(figure);
}

void QtView::deleting(Handle h) {
    if (g_.type(h) == ObjectType::Line)
        redraw_axes(g_.parent(h));
    for (Handle d : g_.find_all(h)) {
        const auto it = widgets_.find(d);
        if (it == widgets_.end())
            continue;
        QPointer<QWidget> w = it->second;
        widgets_.erase(it);
        if (d == h && w) {
            stop_watching(w);
            applying_ = true;
            w->hide();
            applying_ = false;
            w->deleteLater();
        }
    }
}

void QtView::raise(Handle figure) {
    QWidget* w = widget(figure);
    if (w == nullptr)
        return;
    if (lower(g_.get(figure, "Visible").text()) != "off") {
        applying_ = true;
        w->show();
        applying_ = false;
        read_frame(figure);
    }
    w->raise();
    w->activateWindow();
}

void QtView::flush() {
    QApplication::processEvents();
    for (Handle f : g_.figures())
        read_frame(f);
}

void QtView::user_changed_value(Handle h, double value) {
    if (applying_ || !g_.is_valid(h))
        return;
    if (!std::isnan(value))
        g_.update_from_view(h, "Value", value);
    run_callback_reporting_errors(h);
}

void QtView::user_changed_string(Handle h, const QString& text) {
    if (applying_ || !g_.is_valid(h))
        return;
    g_.update_from_view(h, "String", Value(text.toStdString()));
    run_callback_reporting_errors(h);
}

void QtView::run_callback_reporting_errors(Handle h) {
    // An error must not cross Qt's event handling: it is shown on the console, as a caught error
    // of a call by name is.
    try {
        g_.run_callback(h);
    } catch (const std::exception& e) {
        console() << e.what() << std::endl;
    }
}

}  // namespace kelmar
