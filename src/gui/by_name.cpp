#include "by_name.hpp"

#include "load_dialogs.hpp"

#include "guidata.hpp"
#include "movegui.hpp"
#include "openfig.hpp"

namespace kelmar {
namespace {

// The figure that holds the object the handle names, or the empty value.
FunctionRow parent_figure(Graphics& g, const char* name, int line) {
    return {name,
            [&g, name](int, const Values& in) -> Values {
                const std::optional<Handle> fig = g.figure_of(Arguments(name, in).scalar(0, "h"));
                return {fig ? Value(*fig) : Value()};
            },
            1, 1, line};
}

}  // namespace

std::vector<FunctionRow> gui_functions(Graphics& g) {
    FunctionRow create_handles{
        "createHandles",
        [&g](int, const Values& in) -> Values {
            return {guihandles(g, Arguments("createHandles", in).value(0, "fig"))};
        },
        1, 1, 86};
    return {
        {"guidata",
         [&g](int, const Values& in) -> Values {
             const Arguments a("guidata", in);
             if (a.given(1)) {
                 guidata(g, a.value(0, "h"), a.value(1, "data"));
                 return {};
             }
             return {guidata(g, a.value(0, "h"))};
         },
         2,
         1,
         1,
         {parent_figure(g, "getParentFigure", 99)}},
        {"guihandles",
         [&g](int, const Values& in) -> Values {
             return {in.empty() ? guihandles(g) : guihandles(g, in[0])};
         },
         1,
         1,
         1,
         {parent_figure(g, "getParentFigure", 78), create_handles}},
        {"openfig",
         [&g](int, const Values& in) -> Values {
             const Arguments a("openfig", in);
             return {Value(
                 openfig(g, a.text(0, "filename"), a.given(1) ? a.text(1, "policy") : "new"))};
         },
         2, 1},
        {"isvarname",
         [](int, const Values& in) -> Values {
             return {Value(isvarname(Arguments("isvarname", in).value(0, "s")) ? 1.0 : 0.0)};
         },
         1, 1},
        {"movegui",
         [&g](int, const Values& in) -> Values {
             movegui(g, in);
             return {};
         },
         -1,
         0,
         1,
         {parent_figure(g, "get_parent_fig", 166)}},
        {"iskeyword",
         [](int, const Values& in) -> Values {
             if (in.empty())
                 return {iskeyword()};
             return {Value(iskeyword(in[0]) ? 1.0 : 0.0)};
         },
         1, 1},
    };
}

namespace {

// y and fn of a chosen file: the table (the number -1 when it cannot be opened) and its name;
// a cancelled dialog gives an empty table and the number 0.
Values chosen(const std::optional<ChosenTable>& c) {
    if (!c)
        return {Value(), Value(0)};
    return {c->data ? Value::from_matrix(*c->data) : Value(-1), Value(c->name)};
}

}  // namespace

std::vector<FunctionRow> file_dialog_functions(std::function<Dialogs&()> dialogs) {
    return {
        {"mfload",
         [dialogs](int, const Values&) -> Values { return chosen(choose_table(dialogs())); }, 1, 2},
        {"mfloadtxt",
         [dialogs](int, const Values&) -> Values { return chosen(choose_text_table(dialogs())); },
         1, 2},
    };
}

}  // namespace kelmar
