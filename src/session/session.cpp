#include "session.hpp"

#include "growth/bootstrap_angles.hpp"
#include "platform/numeric/files.hpp"

namespace kelmar {

Frame Sample::frame() const {
    if (on_common_reference.size() > 0)
        return Frame::common_reference;
    return own_reference.empty() ? Frame::as_read : Frame::own_reference;
}

Eigen::Index Sample::landmarks() const {
    return as_read.size() > 0 ? (as_read.cols() - 1) / dimensions : 0;
}

const Eigen::MatrixXd& Sample::analysed() const {
    return frame() == Frame::common_reference ? on_common_reference : as_read;
}

const Stack& Sample::superimposed() const {
    return frame() == Frame::common_reference ? common_reference : own_reference;
}

void Sample::leave_common_reference() {
    common_reference = Stack();
    on_common_reference.resize(0, 0);
}

Session::Session(std::uint32_t seed) : stream_(seed) {}

void Session::set_progress_listener(std::function<void(const Progress&)> listener) {
    progress_listener_ = std::move(listener);
}

void Session::progress(const Progress& p) const {
    if (progress_listener_)
        progress_listener_(p);
}

Eigen::Vector3d Session::ranges(const Eigen::MatrixXd& x, int nboots, SizeVariable size,
                                Eigen::Index n2, Eigen::Index& degenerate,
                                Eigen::VectorXd& angles) {
    const BootstrapAngles aw = bootstrap_angles(x, size, nboots, n2, stream_, threads_);
    degenerate = aw.degenerate;
    angles = aw.angles.transpose();
    return range_values(aw.angles);
}

const Session::AngleRecord* Session::last_angle() const {
    const std::optional<AngleRecord>& last = isometry_last_ ? isometry_ : between_;
    return last ? &*last : nullptr;
}

SessionVariables Session::variables() const {
    SessionVariables v;
    if (!samples_.empty() && samples_[0].loaded()) {
        v.FIRSTDATASET = samples_[0].analysed();
        v.FNAME1 = samples_[0].file;
        v.DATAV1 = samples_[0].superimposed();
    }
    if (samples_.size() > 1 && samples_[1].loaded()) {
        v.SECONDDATASET = samples_[1].analysed();
        v.FNAME2 = samples_[1].file;
        v.DATAV2 = samples_[1].superimposed();
    }
    v.wirelist = wirelist_;
    v.wireactive = wirelist_loaded_;
    if (choices_) {
        v.LCS = choices_->size == SizeVariable::log_centroid_size ? 1 : 0;
        v.NBOOTS = choices_->nboots;
    }
    if (const AngleRecord* last = last_angle()) {
        v.gv1 = last->result.growth_vector1;
        v.gv2 = last->result.growth_vector2;
        v.AW1R = last->result.range1;
    }
    // An angle to isometry leaves sample 2's range of the angle between the samples.
    if (between_)
        v.AW2R = between_->result.range2;
    return v;
}

void Session::write_report(const std::string& path) const {
    write_file_atomically(path, report_text());
}

}  // namespace kelmar
