#include "launcher.hpp"

#include "gui/guidata.hpp"
#include "gui/openfig.hpp"
#include "platform/numeric/error.hpp"

namespace kelmar {
namespace {

Values open_main_window(Graphics& g, int outputs_wanted) {
    const Handle fig = openfig(g, "Kelmar6", "reuse");
    g.set(fig, "Color", g.get(Graphics::kRoot, "defaultUicontrolBackgroundColor"));
    guidata(g, Value(fig), guihandles(g, Value(fig)));
    if (outputs_wanted >= 1)
        return {Value(fig)};
    return {};
}

}  // namespace

FunctionRow launcher_function(FunctionTable& table, Graphics& g, std::function<Dialogs&()> dialogs,
                              std::ostream& console, std::size_t& errors_told) {
    return {"kelmar6",
            [&table, &g, dialogs = std::move(dialogs), &console, &errors_told](
                int outputs_wanted, const Values& inputs) -> Values {
                if (inputs.empty())
                    return open_main_window(g, outputs_wanted);
                if (!inputs[0].is_text())
                    return {};
                const Values rest(inputs.begin() + 1, inputs.end());
                try {
                    return table.call(inputs[0].text(), outputs_wanted, rest);
                } catch (const std::exception& e) {
                    // Errors of the forwarded call end here: on the console, and in an error box
                    // when the user is looking at a window.
                    const std::string text = dynamic_cast<const Error*>(&e) != nullptr
                                                 ? last_error_text()
                                                 : std::string(e.what());
                    console << text << std::endl;
                    ++errors_told;
                    if (!g.figures().empty()) {
                        try {
                            dialogs().error_box(text, "Error");
                        } catch (const Error&) {
                            // No dialogs without a window system: the console has the message.
                        }
                    }
                    return {};
                }
            },
            -1, -1};
}

}  // namespace kelmar
