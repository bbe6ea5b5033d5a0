// A stack of n landmark configurations of p landmarks in d dimensions (2 or 3): the p × d × n
// layout, page i being the configuration of specimen i. It is stored as one column-major p × dn
// matrix, which is the memory order of a column-major p × d × n array, so page(i) is a p × d
// block without copying.
#pragma once

#include <Eigen/Core>

namespace kelmar {

class Stack {
  public:
    using Index = Eigen::Index;
    using Page = Eigen::Block<Eigen::MatrixXd, Eigen::Dynamic, Eigen::Dynamic, true>;
    using ConstPage = Eigen::Block<const Eigen::MatrixXd, Eigen::Dynamic, Eigen::Dynamic, true>;

    Stack() = default;
    // p landmarks in d dimensions, n specimens, all coordinates zero.
    Stack(Index p, Index n, int d = 3) : data_(Eigen::MatrixXd::Zero(p, d * n)), d_(d) {}
    // A stack of one specimen holding the p × d configuration (d = 2 or 3).
    static Stack single(const Eigen::Ref<const Eigen::MatrixXd>& configuration);
    // Wraps a p × dn matrix whose column blocks of d are the pages.
    static Stack from_pages_matrix(Eigen::MatrixXd pages, int d = 3);

    Index landmarks() const { return data_.rows(); }
    Index specimens() const { return data_.cols() / d_; }
    int dimensions() const { return d_; }
    bool empty() const { return data_.size() == 0; }

    Page page(Index i) { return Page(data_, 0, d_ * i, data_.rows(), d_); }
    ConstPage page(Index i) const { return ConstPage(data_, 0, d_ * i, data_.rows(), d_); }

    // The p × dn matrix of all pages side by side.
    const Eigen::MatrixXd& pages() const { return data_; }
    Eigen::MatrixXd& pages() { return data_; }

    friend bool operator==(const Stack& a, const Stack& b) {
        return a.d_ == b.d_ && a.data_.rows() == b.data_.rows() &&
               a.data_.cols() == b.data_.cols() && a.data_ == b.data_;
    }

  private:
    Eigen::MatrixXd data_;
    int d_ = 3;
};

}  // namespace kelmar
