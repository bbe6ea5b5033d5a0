// The module kelmar6-plot.so: the drawing of the last load as a file, in a figure of 800 × 600
// pixels: the reference, the samples and the wireframe.
#include "plot_module.hpp"

#include "display/draw_shapes.hpp"
#include "display/growth_views.hpp"
#include "platform/export/save_figure.hpp"
#include "platform/graphics/plotting.hpp"

extern "C" bool kelmar_draw_to_bytes(const kelmar::PlotJob& job, std::string& bytes,
                                     std::string& error) {
    using namespace kelmar;
    try {
        Graphics g;
        const Handle figure = g.create_figure({{"Position", Value::row({100, 100, 800, 600})}});
        const std::vector<std::string> none;
        const std::vector<std::string>& names = job.names ? *job.names : none;
        switch (job.kind) {
            case PlotKind::superimposed: {
                // Without sample 2 the wirelist was read after the drawing of sample 1 was made:
                // its wireframe joins the landmarks of the reference drawn first.
                Eigen::MatrixXd wire_on = job.drawing->wire_on;
                if (wire_on.size() == 0 && job.wirelist->size() > 0 && !job.drawing->shapes.empty())
                    wire_on = job.drawing->shapes.front().configurations.page(0);
                draw_superimposed(g, job.drawing->shapes, wire_on, *job.wirelist);
                break;
            }
            case PlotKind::allometry:
                draw_allometry(g, *job.allometry, names, job.size);
                break;
            case PlotKind::growth_change:
                draw_growth_change(g, *job.growth, *job.wirelist,
                                   job.magnification > 0.0 ? job.magnification
                                                           : default_magnification(*job.growth),
                                   names);
                break;
            case PlotKind::distributions:
                draw_distributions(g, *job.distributions, names);
                break;
            case PlotKind::shape_space:
                draw_shape_space(g, *job.shape_space, job.components[0], job.components[1], names);
                break;
        }
        const bool three_d =
            job.kind == PlotKind::superimposed || job.kind == PlotKind::growth_change;
        if (job.has_view && three_d)
            set_view(g, current_axes(g), job.azimuth, job.elevation);
        bytes = figure_bytes(g, figure, job.format);
        return true;
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
}
