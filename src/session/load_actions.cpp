// The load steps: sample 1, sample 2 (on its own reference or with both samples on one common
// reference) and the wirelist. Everything is computed first and stored at the end, so a load that
// fails leaves the session as it was.
#include "landmarks/layouts.hpp"
#include "landmarks/validate_dataset.hpp"
#include "platform/numeric/error.hpp"
#include "session.hpp"
#include "superimpose/gls_reference.hpp"
#include "superimpose/principal_axes.hpp"
#include "wirelist.hpp"

namespace kelmar {
namespace {

struct Superimposed {
    Eigen::MatrixXd reference;  // turned to its principal axes
    Stack specimens;            // fitted onto it and turned alike
};

// A sample on its own GLS reference, turned to the reference's principal axes.
Superimposed on_own_reference(const Eigen::MatrixXd& dataset) {
    GlsFit fit = gls_reference(stack_from_dataset(dataset));
    const PrincipalAxes axes = principal_axes(fit.reference);
    return {axes.y, rotate_stack(std::move(fit.fitted), axes.u)};
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

LoadResult counts(const std::string& name, const Eigen::MatrixXd& dataset) {
    LoadResult out;
    out.name = name;
    out.specimens = dataset.rows();
    out.landmarks = (dataset.cols() - 1) / 3;
    return out;
}

struct OwnLoad {
    LoadResult result;
    Superimposed sample;
};

// A sample checked and superimposed on its own reference, as loads 1 and 2 take it.
OwnLoad checked_on_own_reference(const Eigen::MatrixXd& table, const std::string& name,
                                 const SampleExtras& extras, bool wirelist_loaded) {
    validate_landmark_dataset(table, name);
    check_extras(extras, table, name, wirelist_loaded);
    return {counts(name, table), on_own_reference(table)};
}

}  // namespace

LoadResult Session::load1(Eigen::MatrixXd table, const std::string& name, SampleExtras extras) {
    auto [out, sample] = checked_on_own_reference(table, name, extras, vars_.wireactive);
    const Eigen::MatrixXd* wires = wires_for(extras);
    if (drawings_) {
        out.drawing.shapes = {{Stack::single(sample.reference), "gp", "reference of sample 1"},
                              {sample.specimens, "ro", "sample 1: " + name}};
        out.drawing.join(wires, sample.reference);
    }

    names1_ = numbered_names(std::move(extras.names), table.rows());
    keep_own_wireframe(extras);
    table1_ = table;
    own1_ = sample.specimens;
    vars_.FIRSTDATASET = std::move(table);
    vars_.FNAME1 = name;
    vars_.DATAV1 = std::move(sample.specimens);
    vars_.LCS = 1;
    vars_.NBOOTS = 100;
    // A sample 2 on the common reference of the sample 1 just replaced is in a frame no other
    // sample shares now.
    sample2_frame_gone_ = common_reference_ && vars_.SECONDDATASET.size() > 0;
    common_reference_ = false;
    forget_sample_set();
    return out;
}

LoadResult Session::load2(Eigen::MatrixXd table, const std::string& name, bool common_reference,
                          SampleExtras extras) {
    if (common_reference) {
        // load_samples checks the sample as it checks every further one.
        std::vector<SampleInput> further;
        further.push_back({std::move(table), name, std::move(extras)});
        return load_samples(std::move(further));
    }
    auto [out, own] = checked_on_own_reference(table, name, extras, vars_.wireactive);
    const Eigen::MatrixXd* wires = wires_for(extras);
    if (drawings_) {
        out.drawing.shapes = {{Stack::single(own.reference), "gp", "reference of sample 2"},
                              {own.specimens, "bo", "sample 2: " + name}};
        // Sample 1 on its own reference keeps the style of its own drawing.
        if (!own1_.empty() && own1_.landmarks() == own.reference.rows()) {
            out.drawing.shapes.push_back(
                {own1_, "ro", "sample 1 on its own reference: " + vars_.FNAME1});
        }
        out.drawing.join(wires, own.reference);
    }
    names2_ = numbered_names(std::move(extras.names), table.rows());
    keep_own_wireframe(extras);
    vars_.SECONDDATASET = std::move(table);
    vars_.FNAME2 = name;
    vars_.DATAV2 = std::move(own.specimens);
    // Sample 1 leaves any earlier common reference: it is analysed as read again.
    if (common_reference_) {
        vars_.FIRSTDATASET = table1_;
        vars_.DATAV1 = own1_;
    }
    sample2_frame_gone_ = false;
    common_reference_ = false;
    forget_sample_set();
    return out;
}

LoadResult Session::load_samples(std::vector<SampleInput> further, bool common_reference) {
    // Sample 1 as read, whatever frame an earlier load left it in.
    const Eigen::MatrixXd& first = table1_;
    if (further.empty())
        throw Error("loading further samples needs at least one");
    if (first.size() == 0) {
        throw Error(common_reference
                        ? "a common reference needs both samples: load sample 1 before sample 2"
                        : "further samples need sample 1: load sample 1 before sample 2");
    }
    for (SampleInput& in : further) {
        validate_landmark_dataset(in.table, in.name);
        check_extras(in.extras, in.table, in.name, vars_.wireactive);
        if (common_reference && first.cols() != in.table.cols()) {
            throw Error("a common reference needs samples of the same landmarks: sample 1 has " +
                        std::to_string((first.cols() - 1) / 3) + " landmarks, " +
                        in_quotes(in.name) + " has " + std::to_string((in.table.cols() - 1) / 3));
        }
    }
    SampleInput& second = further.front();
    if (!common_reference) {
        LoadResult out =
            load2(std::move(second.table), second.name, false, std::move(second.extras));
        for (std::size_t i = 1; i < further.size(); ++i) {
            const Eigen::Index rows = further[i].table.rows();
            further_.push_back({std::move(further[i].table), further[i].name,
                                numbered_names(std::move(further[i].extras.names), rows)});
        }
        return out;
    }
    const Eigen::MatrixXd* wires = wires_for(second.extras);
    LoadResult out = counts(second.name, second.table);

    // One GLS reference of the pooled specimens, turned to its principal axes; the fits onto it
    // bring every sample into its frame.
    Eigen::Index rows = first.rows();
    for (const SampleInput& in : further)
        rows += in.table.rows();
    Eigen::MatrixXd pooled(rows, first.cols());
    pooled.topRows(first.rows()) = first;
    rows = first.rows();
    for (const SampleInput& in : further) {
        pooled.middleRows(rows, in.table.rows()) = in.table;
        rows += in.table.rows();
    }
    const Eigen::MatrixXd reference2 =
        principal_axes(gls_reference(stack_from_dataset(pooled)).reference).y;
    pooled.resize(0, 0);
    Stack datav1 = fit_onto_reference(reference2, own1_);
    const Eigen::Index c = first.cols() - 1;
    Eigen::MatrixXd fitted1 = dataset_from_stack(datav1, first.col(c));
    std::vector<Stack> stacks;
    std::vector<Eigen::MatrixXd> fitted;
    for (const SampleInput& in : further) {
        stacks.push_back(fit_onto_reference(reference2, stack_from_dataset(in.table)));
        fitted.push_back(dataset_from_stack(stacks.back(), in.table.col(c)));
    }
    out.common_reference = true;
    if (drawings_ && further.size() == 1) {
        out.drawing.shapes = {{Stack::single(reference2), "gp", "common reference"},
                              {stacks.front(), "bo", "sample 2: " + second.name},
                              {datav1, "rd", "sample 1: " + vars_.FNAME1}};
        out.drawing.join(wires, reference2);
    }

    forget_sample_set();
    for (std::size_t i = 1; i < further.size(); ++i) {
        further_.push_back(
            {std::move(fitted[i]), further[i].name,
             numbered_names(std::move(further[i].extras.names), further[i].table.rows())});
    }
    names2_ = numbered_names(std::move(second.extras.names), fitted.front().rows());
    keep_own_wireframe(second.extras);
    vars_.SECONDDATASET = std::move(fitted.front());
    vars_.FNAME2 = second.name;
    vars_.DATAV2 = std::move(stacks.front());
    vars_.DATAV1 = std::move(datav1);
    vars_.FIRSTDATASET = std::move(fitted1);
    sample2_frame_gone_ = false;
    common_reference_ = true;
    return out;
}

void Drawing::join(const Eigen::MatrixXd* wires, const Eigen::MatrixXd& reference) {
    if (wires == nullptr)
        return;
    if (wirelist_fits(*wires, reference.rows())) {
        wire_on = reference;
    } else {
        wirelist_left_out = true;
    }
}

WirelistResult Session::loadwire(const Eigen::MatrixXd& table, const std::string& name) {
    std::optional<Eigen::Index> landmarks;
    if (vars_.FIRSTDATASET.size() > 0)
        landmarks = (vars_.FIRSTDATASET.cols() - 1) / 3;
    validate_wirelist(table, name, landmarks);
    vars_.wirelist = table;
    vars_.wireactive = true;
    return {name, table.rows()};
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

int Session::sample_count() const {
    if (vars_.FIRSTDATASET.size() == 0)
        return 0;
    if (vars_.SECONDDATASET.size() == 0)
        return 1;
    return 2 + static_cast<int>(further_.size());
}

SampleView Session::sample(int number) const {
    if (number == 1)
        return {vars_.FIRSTDATASET, vars_.FNAME1, names1_};
    if (number == 2)
        return {vars_.SECONDDATASET, vars_.FNAME2, names2_};
    const FurtherSample& s = further_.at(static_cast<std::size_t>(number - 3));
    return {s.data, s.name, s.names};
}

std::vector<std::string> Session::sample_names() const {
    std::vector<std::string> names;
    for (int g = 1; g <= sample_count(); ++g)
        names.push_back(sample(g).name);
    return names;
}

const std::vector<std::string>& Session::specimen_names(int number) const {
    return sample(number).names;
}

std::vector<const Eigen::MatrixXd*> Session::datasets() const {
    std::vector<const Eigen::MatrixXd*> out;
    for (int g = 1; g <= sample_count(); ++g)
        out.push_back(&sample(g).data);
    return out;
}

void Session::forget_sample_set() {
    further_.clear();
    angles_.reset();
    permutation_.reset();
    bootstraps_.clear();
    vars_.gv1.reset();
    vars_.gv2.reset();
    vars_.AW1R.reset();
    vars_.AW2R.reset();
    degenerate1_ = degenerate2_ = 0;
    resampled_ = 0;
    resampled_from_ = 0;
    isometry_ = false;
    angle_drawn_before_.reset();
}

void Session::check_one_frame() const {
    if (sample2_frame_gone_ && vars_.SECONDDATASET.size() > 0) {
        throw Error(
            "sample 2 (" + in_quotes(vars_.FNAME2) +
            ") was fitted onto a common reference with a sample 1 that has since been replaced: "
            "load sample 2 again");
    }
}

}  // namespace kelmar
