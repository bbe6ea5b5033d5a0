// anglebetween, angleisometry and permutationtest: the size variable and the bootstrap count from
// the list boxes, the progress texts drawn before the work starts, the results into "EditText1"
// (its earlier text again when the step fails), and the pointer "watch" meanwhile and "arrow"
// again however the action ends.
#include "kelmarsw.hpp"
#include "platform/numeric/echo.hpp"
#include "platform/numeric/error.hpp"
#include "window_texts.hpp"

#include <cmath>

namespace kelmar {
namespace {

// Sets the current figure's pointer to "watch", and back to "arrow" when it goes.
class BusyPointer {
  public:
    explicit BusyPointer(Graphics& g) : g_(g), figure_(g.current_figure()) { set("watch"); }
    ~BusyPointer() {
        try {
            set("arrow");
        } catch (...) {
            // The figure went while the action ran: nothing is left to reset.
        }
    }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

  private:
    void set(const char* pointer) {
        if (figure_ && g_.is_valid(*figure_))
            g_.set(*figure_, "Pointer", pointer);
    }
    Graphics& g_;
    std::optional<Handle> figure_;
};

struct Choices {
    SizeVariable size;
    int nboots;
};

// Listbox2: NBOOTS = 100 × Value².
Choices choices(const Switchyard& s) {
    const Value boots = tagged_value(s.g, "Listbox2");
    if (boots.empty() || !boots.is_real() || !(boots.reals()[0] >= 1) ||
        boots.reals()[0] != std::floor(boots.reals()[0]) || boots.reals()[0] > 1000) {
        throw Error("the bootstrap choice (Listbox2) must select an entry");
    }
    const double v = boots.reals()[0];
    return {size_chosen(s), static_cast<int>(100.0 * v * v)};
}

// Shows each progress text in the result control at once, before the work it announces.
void show_progress(const Switchyard& s) {
    s.session.set_progress_listener([&s](const Progress& p) {
        for (const std::string& text : progress_texts(p)) {
            set_tagged(s.g, "EditText1", "String", text);
            s.g.flush_drawing();
        }
    });
}

// Runs `step`, which returns the result control's text, with the pointer busy and its progress
// shown.
template <typename Step>
void busy_step(const Switchyard& s, Step step) {
    const BusyPointer busy(s.g);
    show_progress(s);
    struct Quiet {
        Session& session;
        ~Quiet() { session.set_progress_listener({}); }
    } quiet{s.session};
    const std::vector<Handle> result = tagged(s.g, "EditText1");
    const Value before = result.empty() ? Value() : s.g.get(result.front(), "String");
    std::string text;
    try {
        text = step();
    } catch (...) {
        if (!result.empty())
            set_tagged(s.g, "EditText1", "String", before);
        throw;
    }
    set_tagged(s.g, "EditText1", "String", text);
    if (s.session.has_results())
        set_tagged(s.g, "Pushbutton6", "Enable", "On");  // there is something to report now
}

}  // namespace

void anglebetween(const Switchyard& s) {
    busy_step(s, [&s] {
        const Choices c = choices(s);
        const AngleResult angle = s.session.angle_between(c.size, c.nboots);
        enable_views(s, !angle.mismatch);
        return angle_text(angle);
    });
}

void angleisometry(const Switchyard& s) {
    busy_step(s, [&s] {
        const Choices c = choices(s);
        const AngleResult angle = s.session.angle_isometry(c.size, c.nboots);
        echo_value("gv2", Value::from_matrix(angle.growth_vector2), &s.console);
        enable_views(s, true);
        return angle_text(angle);
    });
}

void permutationtest(const Switchyard& s) {
    busy_step(s, [&s] {
        const SizeVariable size = size_chosen(s);
        return permutation_text(s.session.permutation_test(size, kWindowPermutations), size);
    });
}

}  // namespace kelmar
