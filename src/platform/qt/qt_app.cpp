#include "qt_app.hpp"

#include "platform/export/save_figure.hpp"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <cstdlib>

namespace kelmar {
namespace {

// Exports made before any window create the widgets application too.
const bool kRegistered = [] {
    set_application_factory([] { ensure_qt_application(); });
    return true;
}();

}  // namespace

bool ensure_qt_application() {
    (void)kRegistered;
    static int argc = 1;
    static char name[] = "kelmar6";
    static char* argv[] = {name, nullptr};
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    const bool has_display =
        std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
    if (QApplication::instance() == nullptr) {
        prepare_qt_runtime_folder();
        if ((platform == nullptr || *platform == '\0') && !has_display) {
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        }
        // Never destroyed: at process exit Qt's own statics may already be gone, and destroying
        // the application after them crashes.
        new QApplication(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
    }
    return QApplication::platformName() != "offscreen";
}

void run_event_loop(Graphics& g, std::optional<Handle> main) {
    const auto ended = [&] { return g.figures().empty() || (main && !g.is_valid(*main)); };
    if (!ended()) {
        QEventLoop loop;
        QTimer check;
        QObject::connect(&check, &QTimer::timeout, [&] {
            if (ended())
                loop.quit();
        });
        check.start(50);
        loop.exec();
    }
    // The program's main window is gone: its drawings go with it.
    if (main && !g.is_valid(*main)) {
        for (Handle figure : g.figures())
            g.close(figure);
    }
}

}  // namespace kelmar
