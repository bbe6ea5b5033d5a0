// The load steps: sample 1, sample 2 (on its own reference or with both samples on one common
// reference) and the wirelist. Everything is computed first and stored at the end, so a load that
// fails leaves the session as it was.
#include "landmarks/layouts.hpp"
#include "landmarks/validate_dataset.hpp"
#include "platform/numeric/error.hpp"
#include "platform/numeric/format.hpp"
#include "session.hpp"
#include "superimpose/getpproc3.hpp"
#include "superimpose/pcaref3d.hpp"
#include "wirelist.hpp"

namespace kelmar {
namespace {

struct Superimposed {
    Eigen::MatrixXd reference;  // turned to its principal axes
    Stack specimens;            // fitted onto it and turned alike
};

// A sample on its own GLS reference, turned to the reference's principal axes.
Superimposed on_own_reference(const Eigen::MatrixXd& dataset) {
    GlsFit fit = getpproc3(vertxy3D(dataset));
    const PrincipalAxes axes = pcaref3d(fit.reference);
    return {axes.y, rotate3da(std::move(fit.fitted), axes.u)};
}

double landmark_count(const Eigen::MatrixXd& dataset) {
    return static_cast<double>(dataset.cols() - 1) / 3.0;
}

// Checks a file's own names and wireframe against its dataset; the wireframe is kept only when
// no wirelist is loaded.
void check_extras(const SampleExtras& extras, const Eigen::MatrixXd& table, const std::string& name,
                  bool wirelist_loaded) {
    if (!extras.names.empty() && static_cast<Eigen::Index>(extras.names.size()) != table.rows()) {
        throw Error(in_quotes(name) + ": " + std::to_string(extras.names.size()) +
                    " specimen names for " + std::to_string(table.rows()) + " specimens");
    }
    if (!wirelist_loaded && extras.wireframe.size() > 0)
        validate_wirelist(extras.wireframe, name, (table.cols() - 1) / 3);
}

std::vector<std::string> numbered_names(std::vector<std::string> names, Eigen::Index count) {
    if (names.empty()) {
        for (Eigen::Index i = 0; i < count; ++i)
            names.push_back(std::to_string(i + 1));
    }
    return names;
}

std::string counts_text(const std::string& name, const Eigen::MatrixXd& dataset) {
    return format_text(R"(File: %s \n %3.0f Specimens \n %3.0f Landmarks)",
                       {name, static_cast<double>(dataset.rows()), landmark_count(dataset)});
}

}  // namespace

LoadOutcome Session::load1(Eigen::MatrixXd table, const std::string& name, SampleExtras extras) {
    validate_landmark_dataset(table, name);
    check_extras(extras, table, name, vars_.wireactive);
    const Eigen::MatrixXd* wires = wires_for(extras);
    LoadOutcome out;
    out.first_file_text = counts_text(name, table);
    Superimposed sample = on_own_reference(table);
    if (drawings_) {
        out.drawing.shapes = {{Stack::single(sample.reference), "gp"}, {sample.specimens, "ro"}};
        if (wires && wirelist_fits(*wires, sample.reference.rows())) {
            out.drawing.wire_on = sample.reference;
        }
    }
    out.file_text = format_text(R"(File %s \n %4.0f Samples \n %4.0f landmarks)",
                                {name, static_cast<double>(table.rows()), landmark_count(table)});

    names1_ = numbered_names(std::move(extras.names), table.rows());
    keep_own_wireframe(extras);
    vars_.FIRSTDATASET = std::move(table);
    vars_.FNAME1 = name;
    vars_.DATAV1 = std::move(sample.specimens);
    vars_.LCS = 1;
    vars_.NBOOTS = 100;
    common_reference_ = false;
    permutation_.reset();
    return out;
}

LoadOutcome Session::load2(Eigen::MatrixXd table, const std::string& name, bool common_reference,
                           SampleExtras extras) {
    validate_landmark_dataset(table, name);
    check_extras(extras, table, name, vars_.wireactive);
    const Eigen::MatrixXd* wires = wires_for(extras);
    const Eigen::MatrixXd& first = vars_.FIRSTDATASET;
    if (common_reference && first.size() == 0) {
        throw Error("a common reference needs both samples: load sample 1 before sample 2");
    }
    if (common_reference && first.cols() != table.cols()) {
        throw Error("a common reference needs samples of the same landmarks: sample 1 has " +
                    std::to_string((first.cols() - 1) / 3) + " landmarks, " + in_quotes(name) +
                    " has " + std::to_string((table.cols() - 1) / 3));
    }
    LoadOutcome out;
    out.first_file_text = counts_text(name, table);
    out.file_text = out.first_file_text;

    if (!common_reference) {
        Superimposed own = on_own_reference(table);
        if (drawings_) {
            out.drawing.shapes = {{Stack::single(own.reference), "gp"}, {own.specimens, "bo"}};
            // Sample 1 on its own reference keeps the style of its own drawing.
            if (!vars_.DATAV1.empty() && vars_.DATAV1.landmarks() == own.reference.rows()) {
                out.drawing.shapes.push_back({vars_.DATAV1, "ro"});
            }
            if (wires && wirelist_fits(*wires, own.reference.rows())) {
                out.drawing.wire_on = own.reference;
            }
        }
        names2_ = numbered_names(std::move(extras.names), table.rows());
        keep_own_wireframe(extras);
        vars_.SECONDDATASET = std::move(table);
        vars_.FNAME2 = name;
        vars_.DATAV2 = std::move(own.specimens);
        common_reference_ = false;
        permutation_.reset();
        return out;
    }

    // One GLS reference of the pooled specimens, turned to its principal axes; the fits onto it
    // bring both samples into its frame.
    Eigen::MatrixXd pooled(first.rows() + table.rows(), table.cols());
    pooled << first, table;
    const Eigen::MatrixXd reference2 = pcaref3d(getpproc3(vertxy3D(pooled)).reference).y;
    pooled.resize(0, 0);
    Stack datav1 = getpprocon3(reference2, vars_.DATAV1);
    Stack datav2 = getpprocon3(reference2, vertxy3D(table));
    const Eigen::Index c = table.cols() - 1;
    Eigen::MatrixXd fitted1 = xyzfromvert3(datav1, first.col(c));
    Eigen::MatrixXd fitted2 = xyzfromvert3(datav2, table.col(c));
    out.status_text = format_text("Using Common Procrustes GLS Reference");
    if (drawings_) {
        out.drawing.shapes = {{Stack::single(reference2), "gp"}, {datav2, "bo"}, {datav1, "rd"}};
        if (wires && wirelist_fits(*wires, reference2.rows())) {
            out.drawing.wire_on = reference2;
        }
    }

    names2_ = numbered_names(std::move(extras.names), fitted2.rows());
    keep_own_wireframe(extras);
    vars_.SECONDDATASET = std::move(fitted2);
    vars_.FNAME2 = name;
    vars_.DATAV2 = std::move(datav2);
    vars_.DATAV1 = std::move(datav1);
    vars_.FIRSTDATASET = std::move(fitted1);
    common_reference_ = true;
    permutation_.reset();
    return out;
}

std::string Session::loadwire(const Eigen::MatrixXd& table, const std::string& name) {
    std::optional<Eigen::Index> landmarks;
    if (vars_.FIRSTDATASET.size() > 0)
        landmarks = (vars_.FIRSTDATASET.cols() - 1) / 3;
    validate_wirelist(table, name, landmarks);
    vars_.wirelist = table;
    vars_.wireactive = true;
    return format_text(R"(Loaded Wirelist: %s \n,with %i wires)",
                       {name, static_cast<double>(table.rows())});
}

const Eigen::MatrixXd* Session::wires_for(const SampleExtras& extras) const {
    if (vars_.wireactive)
        return &vars_.wirelist;
    return extras.wireframe.size() > 0 ? &extras.wireframe : nullptr;
}

void Session::keep_own_wireframe(SampleExtras& extras) {
    if (vars_.wireactive || extras.wireframe.size() == 0)
        return;
    vars_.wirelist = std::move(extras.wireframe);
    vars_.wireactive = true;
}

const std::vector<std::string>& Session::specimen_names(int sample) const {
    return sample == 1 ? names1_ : names2_;
}

}  // namespace kelmar
