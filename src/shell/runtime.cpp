#include "runtime.hpp"

#include "platform/numeric/error.hpp"

#include <ostream>

namespace kelmar {

int runtime_main(const std::vector<std::string>& words, const ByNameBody& launcher,
                 const MainInfo& info, const EventLoop& event_loop, std::ostream& console) {
    std::vector<InitTermRow>& rows = *info.init_term_table;
    std::size_t started = 0;
    int status = 0;
    try {
        for (; started < rows.size(); ++started)
            rows[started].initialise();
        Values inputs;
        for (const std::string& w : words)
            inputs.emplace_back(w);
        launcher(0, inputs);
        event_loop();
    } catch (const std::exception& e) {
        console << e.what() << std::endl;
        status = 1;
    }
    // Terminators in the reverse order: the modules, then the graphics and numeric libraries.
    for (std::size_t i = started; i-- > 0;) {
        try {
            rows[i].terminate();
        } catch (const std::exception& e) {
            console << e.what() << std::endl;
            status = 1;
        }
    }
    return status;
}

}  // namespace kelmar
