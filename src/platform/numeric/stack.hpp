// A stack of n landmark configurations of p landmarks in 3D: the p × 3 × n layout, page i being
// the configuration of specimen i. It is stored as one column-major p × 3n matrix, which is the
// memory order of a column-major p × 3 × n array, so page(i) is a p × 3 block without copying.
#pragma once

#include <Eigen/Core>

namespace kelmar {

class Stack {
  public:
    using Index = Eigen::Index;
    using Page = Eigen::Block<Eigen::MatrixXd, Eigen::Dynamic, 3, true>;
    using ConstPage = Eigen::Block<const Eigen::MatrixXd, Eigen::Dynamic, 3, true>;

    Stack() = default;
    // p landmarks, n specimens, all coordinates zero.
    Stack(Index p, Index n) : data_(Eigen::MatrixXd::Zero(p, 3 * n)) {}
    // A stack of one specimen holding the p × 3 configuration.
    static Stack single(const Eigen::Ref<const Eigen::MatrixXd>& configuration);
    // Wraps a p × 3n matrix whose column blocks of three are the pages.
    static Stack from_pages_matrix(Eigen::MatrixXd pages);

    Index landmarks() const { return data_.rows(); }
    Index specimens() const { return data_.cols() / 3; }
    bool empty() const { return data_.size() == 0; }

    Page page(Index i) { return data_.middleCols<3>(3 * i); }
    ConstPage page(Index i) const { return ConstPage(data_, 0, 3 * i, data_.rows(), 3); }

    // The p × 3n matrix of all pages side by side.
    const Eigen::MatrixXd& pages() const { return data_; }
    Eigen::MatrixXd& pages() { return data_; }

    friend bool operator==(const Stack& a, const Stack& b) {
        return a.data_.rows() == b.data_.rows() && a.data_.cols() == b.data_.cols() &&
               a.data_ == b.data_;
    }

  private:
    Eigen::MatrixXd data_;
};

}  // namespace kelmar
