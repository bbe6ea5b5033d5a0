#include "session.hpp"

#include "growth/bootstrap_angles.hpp"
#include "platform/numeric/files.hpp"

namespace kelmar {

Session::Session(std::uint32_t seed) : stream_(seed) {}

void Session::set_progress_listener(std::function<void(const Progress&)> listener) {
    progress_listener_ = std::move(listener);
}

void Session::progress(const Progress& p) const {
    if (progress_listener_)
        progress_listener_(p);
}

Eigen::Vector3d Session::ranges(const Eigen::MatrixXd& x, int nboots, bool lcs, Eigen::Index n2,
                                Eigen::Index& degenerate, Eigen::VectorXd& angles) {
    const BootstrapAngles aw =
        lcs ? bootstrap_angles_log_size(x, nboots, n2, stream_, threads_)
            : bootstrap_angles_centroid_size(x, nboots, n2, stream_, threads_);
    degenerate = aw.degenerate;
    angles = aw.angles.transpose();
    // The 1-based positions 0.8, 0.9 and 0.95 times the count are whole for multiples of 20.
    return {aw.angles(4 * nboots / 5 - 1), aw.angles(9 * nboots / 10 - 1),
            aw.angles(19 * nboots / 20 - 1)};
}

void Session::write_report(const std::string& path) const {
    write_file_atomically(path, report_text());
}

}  // namespace kelmar
