#include "gls_reference.hpp"

#include "centroid_size.hpp"
#include "partial_procrustes_fit.hpp"
#include "platform/numeric/error.hpp"
#include "platform/numeric/format.hpp"
#include "platform/numeric/safe_scale.hpp"

#include <string>

namespace kelmar {
namespace {

constexpr int kIterations = 3;

void fit_specimen(const Eigen::Ref<const Eigen::MatrixXd>& reference, Stack& sample,
                  Eigen::Index i) {
    try {
        partial_procrustes_fit_in_place(reference, sample.page(i));
    } catch (const Error& e) {
        throw Error("specimen " + std::to_string(i + 1) + ": " + e.what());
    }
}

// Divides `reference` by its centroid size; `what` names it in the error for size 0.
void scale_to_unit_size(Eigen::MatrixXd& reference, const std::string& what) {
    const double size = centroid_size(reference);
    if (!(size > 0.0)) {
        throw Error(what + " has centroid size " + shortest_text(size) +
                    ": its landmarks all coincide, so no shape can be fitted onto it");
    }
    reference /= size;
}

}  // namespace

GlsFit gls_reference(Stack data) {
    const Eigen::Index count = data.specimens();
    if (count == 0 || data.landmarks() == 0) {
        throw Error("the sample holds no specimens to superimpose");
    }
    GlsFit result;
    Eigen::MatrixXd& reference = result.reference;

    // The starting reference is scaled to unit size, so extreme magnitudes may be brought near 1
    // first: the sum of many specimens near 1e306 would overflow.
    const double scale = safe_scale_of(data.pages());
    if (count == 1) {
        reference = data.page(0) * scale;
        reference.rowwise() -= reference.colwise().mean();
        scale_to_unit_size(reference, "specimen 1");
        result.fitted = Stack::single(reference);
        return result;
    }

    // The starting reference is the plain sum of the specimens as loaded, centred and scaled.
    reference = Eigen::MatrixXd::Zero(data.landmarks(), data.dimensions());
    for (Eigen::Index i = 0; i < count; ++i) {
        reference += data.page(i) * scale;  // exact for the factor 1
    }
    result.fitted = std::move(data);  // fitted in place
    reference.rowwise() -= reference.colwise().mean();
    scale_to_unit_size(reference, "the sum of all specimens (the starting reference)");

    Eigen::MatrixXd sum(result.fitted.landmarks(), result.fitted.dimensions());
    for (int iteration = 0; iteration < kIterations; ++iteration) {
        sum.setZero();
        for (Eigen::Index i = 0; i < count; ++i) {
            fit_specimen(reference, result.fitted, i);
            sum += result.fitted.page(i);
        }
        reference = sum / static_cast<double>(count);
        scale_to_unit_size(reference, "the mean of the fitted specimens");
    }
    return result;
}

Stack fit_onto_reference(const Eigen::Ref<const Eigen::MatrixXd>& reference, Stack data) {
    if (reference.rows() != data.landmarks()) {
        throw Error("cannot fit specimens of " + std::to_string(data.landmarks()) +
                    " landmarks onto a reference of " + std::to_string(reference.rows()) +
                    " landmarks");
    }
    if (reference.rows() > 0 && !(centroid_size(reference) > 0.0)) {
        throw Error("the reference's landmarks all coincide (centroid size 0)");
    }
    for (Eigen::Index i = 0; i < data.specimens(); ++i) {
        fit_specimen(reference, data, i);
    }
    return data;
}

}  // namespace kelmar
