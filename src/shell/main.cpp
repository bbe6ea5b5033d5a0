// kelmar6: the process entry of the desktop program. Without words it opens the main window;
// "--open FILE" opens it and loads FILE as sample 1 (as the desktop entry starts it for a file);
// other words call the function they name, as a control's callback would.
#include "gui/openfig.hpp"
#include "program.hpp"

#include "platform/numeric/error.hpp"

#include <sys/stat.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#ifndef KELMAR_VERSION
#define KELMAR_VERSION "unknown"
#endif

namespace {

// Whether a window can be shown to someone: a display to draw on, and not Qt's platforms that
// draw nowhere.
bool display_available() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform != nullptr &&
        (std::string(platform) == "offscreen" || std::string(platform) == "minimal"))
        return false;
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x != nullptr && *x != '\0') || (wayland != nullptr && *wayland != '\0');
}

// The folder of the installed figure file: share/kelmar6 beside the program's bin folder, or the
// program's own folder in a build tree.
std::string resource_folder() {
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return "";
    const std::filesystem::path installed = exe.parent_path().parent_path() / "share" / "kelmar6";
    if (std::filesystem::exists(installed / "Kelmar6.fig", error))
        return installed.string();
    return exe.parent_path().string();
}

// Why `file` cannot be opened in the window, or nothing when it may be: a name, and a file a
// load can read without waiting (a FIFO's open would wait for a writer with no word said).
std::string refused_opening(const std::vector<std::string>& words) {
    if (words.size() > 2) {
        return "--open takes one file, given " + std::to_string(words.size() - 1) +
               " (load a second sample from the window)";
    }
    const std::string& file = words[1];
    if (file.empty())
        return "--open needs a file name, given an empty one";
    struct stat st {};
    if (::stat(file.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        return "cannot open " + kelmar::in_quotes(file) + ": " +
               (S_ISDIR(st.st_mode)
                    ? "it is a folder"
                    : std::string("it is not a regular file (a pipe or a device); kelmar6-batch "
                                  "reads samples from a pipe"));
    }
    return {};
}

void usage() {
    std::cout << "usage: kelmar6                 open the main window\n"
                 "       kelmar6 FUNCTION ARG...  call a function by name with text arguments,\n"
                 "                                as in: kelmar6 kelmarsw load1\n"
                 "       kelmar6 --open FILE      open the main window and load FILE as sample 1\n"
                 "       kelmar6 --version        print the version\n"
                 "The analysis without a window: kelmar6-batch --help\n";
}

}  // namespace

int main(int argc, char** argv) {
    // Every console line is written at once.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::setvbuf(stderr, nullptr, _IONBF, 0);
    std::ios::sync_with_stdio(true);
    try {
        std::vector<std::string> words(argv + 1, argv + argc);
        // The desktop entry's "--open %f" started without a file: the window alone.
        if (words.size() == 1 && words[0] == "--open")
            words.clear();
        if (words.size() == 1 && (words[0] == "--help" || words[0] == "-h")) {
            usage();
            return 0;
        }
        if (words.size() == 1 && words[0] == "--version") {
            std::cout << "kelmar6 " << KELMAR_VERSION << "\n";
            return 0;
        }
        const bool opening = words.size() >= 2 && words[0] == "--open";
        if (opening) {
            if (const std::string refused = refused_opening(words); !refused.empty()) {
                std::cerr << "kelmar6: " << refused << "\n";
                return 2;
            }
        }
        if ((words.empty() || opening) && !display_available()) {
            std::cerr << "kelmar6: the desktop window needs a graphical session (no display "
                         "was found); run the analysis without a window with kelmar6-batch "
                         "(kelmar6-batch --help)\n";
            return 1;
        }
        kelmar::set_figure_resource_folder(resource_folder());
        kelmar::Program program(std::cout);
        return opening ? program.run_opening(words[1]) : program.run(words);
    } catch (const std::exception& e) {
        std::cerr << "kelmar6: " << e.what() << "\n";
        return 1;
    } catch (...) {
        std::cerr << "kelmar6: unexpected error\n";
        return 1;
    }
}
