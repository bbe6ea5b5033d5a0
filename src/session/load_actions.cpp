// The load steps: sample 1, sample 2 (on its own reference or with both samples on one common
// reference), further samples and the wirelist. Every sample comes in through `prepared`, and
// everything is computed first and stored at the end, so a load that fails leaves the session
// as it was.
#include "landmarks/layouts.hpp"
#include "landmarks/validate_dataset.hpp"
#include "platform/numeric/error.hpp"
#include "session.hpp"
#include "superimpose/centroid_size.hpp"
#include "superimpose/gls_reference.hpp"
#include "superimpose/principal_axes.hpp"
#include "wirelist.hpp"

namespace kelmar {
namespace {

// Checks a file's own names and wireframe against its dataset; the wireframe is kept only when
// no wirelist is loaded.
void check_extras(const SampleExtras& extras, const Eigen::MatrixXd& table, const std::string& name,
                  bool wirelist_loaded) {
    if (!extras.names.empty() && static_cast<Eigen::Index>(extras.names.size()) != table.rows()) {
        throw Error(in_quotes(name) + ": " + std::to_string(extras.names.size()) +
                    " specimen names for " + std::to_string(table.rows()) + " specimens");
    }
    if (!wirelist_loaded && extras.wireframe.size() > 0)
        validate_wirelist(extras.wireframe, name, (table.cols() - 1) / extras.dimensions);
}

std::vector<std::string> numbered_names(std::vector<std::string> names, Eigen::Index count) {
    if (names.empty()) {
        for (Eigen::Index i = 0; i < count; ++i)
            names.push_back(std::to_string(i + 1));
    }
    return names;
}

LoadResult counts(const Sample& sample) {
    LoadResult out;
    out.name = sample.file;
    out.specimens = sample.specimens();
    out.landmarks = sample.landmarks();
    out.dimensions = sample.dimensions;
    return out;
}

using Role = Drawing::Shapes::Role;

// Sample 1 and a sample of another dimension, named `other`, as one analysis refuses them.
std::string mixed_dimensions(const Sample& first, const std::string& other, const Sample& sample) {
    return "sample 1 (" + in_quotes(first.file) + ") holds " + std::to_string(first.dimensions) +
           "D landmarks, " + other + " " + std::to_string(sample.dimensions) +
           "D landmarks: the samples of one analysis must have one dimension";
}

// The sample on its own GLS reference, turned to the reference's principal axes.
void superimpose_on_own_reference(Sample& s) {
    GlsFit fit = gls_reference(stack_from_dataset(s.as_read, s.dimensions));
    const PrincipalAxes axes = principal_axes(fit.reference);
    s.reference = axes.y;
    s.own_reference = rotate_stack(std::move(fit.fitted), axes.u);
}

}  // namespace

namespace {

// Estimates the landmarks `table` lacks (NaN coordinates) when `extras` allows it, and gives the
// specimens whose size waited for them (a NaN size) the centroid size of their completed
// coordinates; a size the file gave is kept. Raises an Error naming the file otherwise.
std::vector<EstimatedLandmark> completed(Eigen::MatrixXd& table, const std::string& name, int d,
                                         const SampleExtras& extras) {
    const Eigen::Index c = table.cols() - 1;
    if (c < 1 || !table.leftCols(c).hasNaN())
        return {};
    Eigen::MatrixXd coordinates = table.leftCols(c);
    if (!extras.estimate_missing) {
        Eigen::Index specimens = 0;
        for (Eigen::Index i = 0; i < coordinates.rows(); ++i)
            specimens += coordinates.row(i).hasNaN() ? 1 : 0;
        throw Error(in_quotes(name) + ": landmarks of " + std::to_string(specimens) +
                    (specimens == 1 ? " specimen are" : " specimens are") +
                    " missing; they must be estimated or the specimens left out");
    }
    std::vector<EstimatedLandmark> estimated;
    try {
        estimated = estimate_missing_landmarks(coordinates, d, extras.names);
    } catch (const Error& e) {
        throw Error(in_quotes(name) + ": " + e.what());
    }
    table.leftCols(c) = coordinates;
    for (Eigen::Index i = 0; i < table.rows(); ++i) {
        if (std::isnan(table(i, c))) {
            const Eigen::RowVectorXd row = coordinates.row(i);
            table(i, c) = centroid_size(row.reshaped(d, c / d).transpose());
        }
    }
    return estimated;
}

}  // namespace

Sample Session::prepared(SampleInput in) const {
    if (in.extras.dimensions != 2 && in.extras.dimensions != 3) {
        throw Error(in_quotes(in.name) + ": landmarks in " + std::to_string(in.extras.dimensions) +
                    " dimensions; this program compares 2D and 3D landmarks");
    }
    const std::vector<EstimatedLandmark> estimated =
        completed(in.table, in.name, in.extras.dimensions, in.extras);
    validate_landmark_dataset(in.table, in.name, in.extras.dimensions);
    check_extras(in.extras, in.table, in.name, wirelist_loaded_);
    Sample s;
    s.estimated = estimated;
    s.file = std::move(in.name);
    s.format = in.extras.format;
    s.dimensions = in.extras.dimensions;
    s.specimen_names = numbered_names(std::move(in.extras.names), in.table.rows());
    s.wireframe = std::move(in.extras.wireframe);
    s.as_read = std::move(in.table);
    return s;
}

void Session::place(std::size_t index, Sample sample) {
    if (samples_.size() <= index)
        samples_.resize(index + 1);
    samples_[index] = std::move(sample);
}

LoadResult Session::load1(Eigen::MatrixXd table, const std::string& name, SampleExtras extras) {
    Sample s = prepared({std::move(table), name, std::move(extras)});
    superimpose_on_own_reference(s);
    LoadResult out = counts(s);
    if (drawings_) {
        out.drawing.shapes = {
            {Stack::single(s.reference), Role::reference, "reference of sample 1", {}},
            {s.own_reference, Role::sample_1, "sample 1: " + name, s.estimated}};
        out.drawing.join(wires_for(s), s.reference);
    }
    keep_own_wireframe(s);
    choices_ = Choices{};
    forget_sample_set();
    place(0, std::move(s));
    return out;
}

LoadResult Session::load2(Eigen::MatrixXd table, const std::string& name, bool common_reference,
                          SampleExtras extras) {
    std::vector<SampleInput> second;
    second.push_back({std::move(table), name, std::move(extras)});
    return load_samples(std::move(second), common_reference);
}

LoadResult Session::load_samples(std::vector<SampleInput> further, bool common_reference) {
    if (further.empty())
        throw Error("loading further samples needs at least one");
    const bool first_loaded = !samples_.empty() && samples_[0].loaded();
    // Sample 2 alone on its own reference needs no sample 1.
    if (!first_loaded && (common_reference || further.size() > 1)) {
        throw Error(common_reference
                        ? "a common reference needs both samples: load sample 1 before sample 2"
                        : "further samples need sample 1: load sample 1 before sample 2");
    }
    std::vector<Sample> loaded;
    for (std::size_t i = 0; i < further.size(); ++i) {
        loaded.push_back(prepared(std::move(further[i])));
        const Sample& in = loaded.back();
        // One analysis compares samples of one dimension.
        if (first_loaded && samples_[0].dimensions != in.dimensions)
            throw Error(mixed_dimensions(samples_[0], in_quotes(in.file), in));
        if (common_reference && samples_[0].as_read.cols() != in.as_read.cols()) {
            throw Error("a common reference needs samples of the same landmarks: sample 1 has " +
                        std::to_string(samples_[0].landmarks()) + " landmarks, " +
                        in_quotes(in.file) + " has " + std::to_string(in.landmarks()));
        }
    }
    // Sample 2 on its own reference is superimposed there; the others are fitted onto the
    // common reference or, without one, kept as read.
    Sample& second = loaded.front();
    if (!common_reference)
        superimpose_on_own_reference(second);
    LoadResult out = counts(second);
    const Eigen::MatrixXd* wires = wires_for(second);
    if (!common_reference) {
        if (drawings_) {
            out.drawing.shapes = {
                {Stack::single(second.reference), Role::reference, "reference of sample 2", {}},
                {second.own_reference, Role::sample_2, "sample 2: " + second.file,
                 second.estimated}};
            // Sample 1 on its own reference keeps the look of its own drawing.
            if (first_loaded && samples_[0].landmarks() == second.landmarks()) {
                out.drawing.shapes.push_back({samples_[0].own_reference, Role::sample_1,
                                              "sample 1 on its own reference: " + samples_[0].file,
                                              samples_[0].estimated});
            }
            out.drawing.join(wires, second.reference);
        }
        keep_own_wireframe(second);
        forget_sample_set();
        // Sample 1 leaves any earlier common reference: it is analysed as read again.
        if (first_loaded)
            samples_[0].leave_common_reference();
        for (std::size_t i = 0; i < loaded.size(); ++i)
            place(i + 1, std::move(loaded[i]));
        return out;
    }

    // One GLS reference of the pooled specimens, turned to its principal axes; the fits onto it
    // bring every sample into its frame. Sample 1 is fitted from its own superimposition.
    const Sample& first = samples_[0];
    Eigen::Index rows = first.specimens();
    for (const Sample& s : loaded)
        rows += s.specimens();
    Eigen::MatrixXd pooled(rows, first.as_read.cols());
    pooled.topRows(first.specimens()) = first.as_read;
    rows = first.specimens();
    for (const Sample& s : loaded) {
        pooled.middleRows(rows, s.specimens()) = s.as_read;
        rows += s.specimens();
    }
    const Eigen::MatrixXd reference =
        principal_axes(gls_reference(stack_from_dataset(pooled, first.dimensions)).reference).y;
    pooled.resize(0, 0);
    const Eigen::Index c = first.as_read.cols() - 1;
    Stack first_fitted = fit_onto_reference(reference, first.own_reference);
    Eigen::MatrixXd first_dataset = dataset_from_stack(first_fitted, first.as_read.col(c));
    for (Sample& s : loaded) {
        s.common_reference =
            fit_onto_reference(reference, stack_from_dataset(s.as_read, s.dimensions));
        s.on_common_reference = dataset_from_stack(s.common_reference, s.as_read.col(c));
    }
    out.common_reference = true;
    if (drawings_ && loaded.size() == 1) {
        out.drawing.shapes = {
            {Stack::single(reference), Role::reference, "common reference", {}},
            {second.common_reference, Role::sample_2, "sample 2: " + second.file, second.estimated},
            {first_fitted, Role::sample_1_on_common_reference, "sample 1: " + first.file,
             first.estimated}};
        out.drawing.join(wires, reference);
    }
    keep_own_wireframe(second);
    forget_sample_set();
    samples_[0].common_reference = std::move(first_fitted);
    samples_[0].on_common_reference = std::move(first_dataset);
    for (std::size_t i = 0; i < loaded.size(); ++i)
        place(i + 1, std::move(loaded[i]));
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
    if (!samples_.empty() && samples_[0].loaded())
        landmarks = samples_[0].landmarks();
    validate_wirelist(table, name, landmarks);
    wirelist_ = table;
    wirelist_loaded_ = true;
    return {name, table.rows()};
}

const Eigen::MatrixXd* Session::wires_for(const Sample& sample) const {
    if (wirelist_loaded_)
        return &wirelist_;
    return sample.wireframe.size() > 0 ? &sample.wireframe : nullptr;
}

void Session::keep_own_wireframe(const Sample& sample) {
    if (wirelist_loaded_ || sample.wireframe.size() == 0)
        return;
    wirelist_ = sample.wireframe;
    wirelist_loaded_ = true;
}

int Session::sample_count() const {
    if (samples_.empty() || !samples_[0].loaded())
        return 0;
    if (samples_.size() < 2 || !samples_[1].loaded())
        return 1;
    return static_cast<int>(samples_.size());
}

const Sample& Session::sample(int number) const {
    return samples_.at(static_cast<std::size_t>(number - 1));
}

std::vector<std::string> Session::sample_names() const {
    std::vector<std::string> names;
    for (int g = 1; g <= sample_count(); ++g)
        names.push_back(sample(g).file);
    return names;
}

std::vector<const Eigen::MatrixXd*> Session::datasets() const {
    std::vector<const Eigen::MatrixXd*> out;
    for (int g = 1; g <= sample_count(); ++g)
        out.push_back(&sample(g).analysed());
    return out;
}

bool Session::common_reference_used() const {
    if (sample_count() < 2)
        return false;
    for (int g = 1; g <= sample_count(); ++g) {
        if (sample(g).frame() != Frame::common_reference)
            return false;
    }
    return true;
}

void Session::forget_sample_set() {
    if (samples_.size() > 2)
        samples_.resize(2);
    angles_.reset();
    permutation_.reset();
    between_.reset();
    isometry_.reset();
    isometry_last_ = false;
}

void Session::check_one_frame() const {
    // Sample 1 replaced by one of another dimension.
    if (sample_count() >= 2 && sample(1).dimensions != sample(2).dimensions) {
        throw Error(
            mixed_dimensions(sample(1), "sample 2 (" + in_quotes(sample(2).file) + ")", sample(2)));
    }
    // Sample 2 on the common reference of a sample 1 that has since been replaced.
    if (sample_count() >= 2 && sample(2).frame() == Frame::common_reference &&
        sample(1).frame() != Frame::common_reference) {
        throw Error(
            "sample 2 (" + in_quotes(sample(2).file) +
            ") was fitted onto a common reference with a sample 1 that has since been replaced: "
            "load sample 2 again");
    }
}

}  // namespace kelmar
