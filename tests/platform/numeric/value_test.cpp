#include "platform/numeric/value.hpp"
#include "platform/numeric/echo.hpp"
#include "platform/numeric/error.hpp"

#include <gtest/gtest.h>

#include <sstream>

namespace kelmar {
namespace {

TEST(Value, ShapesFollowTheArrayRules) {
    EXPECT_EQ(Value().dims(), (Dims{0, 0}));
    EXPECT_EQ(Value::real({2, 3, 1, 1}, std::vector<double>(6)).dims(), (Dims{2, 3}));
    EXPECT_EQ(Value::row({}).dims(), (Dims{0, 0}));
    EXPECT_EQ(Value("").dims(), (Dims{0, 0}));
    EXPECT_THROW(Value::real({2, 2}, {1, 2, 3}), Error);
}

TEST(Value, MatrixAndStackConversionsRoundTrip) {
    Eigen::MatrixXd m(2, 3);
    m << 1, 2, 3, 4, 5, 6;
    const Value v = Value::from_matrix(m);
    EXPECT_EQ(std::vector<double>(v.reals().begin(), v.reals().end()),
              (std::vector<double>{1, 4, 2, 5, 3, 6}));  // column order
    EXPECT_EQ(v.to_matrix(), m);

    // A 2 x 3 x 2 array: element (j, k, i) lies at j + k*p + i*3p.
    std::vector<double> data(12);
    for (std::size_t i = 0; i < 12; ++i)
        data[i] = static_cast<double>(i);
    const Value array = Value::real({2, 3, 2}, data);
    const Stack s = array.to_stack();
    EXPECT_EQ(s.page(1)(1, 2), 1 + 2 * 2 + 1 * 6);
    EXPECT_EQ(Value::from_stack(s), array);
    // A p x 3 matrix is one specimen and stays two-dimensional on the way back.
    EXPECT_EQ(Value::from_stack(Value::from_matrix(Eigen::MatrixXd::Ones(4, 3)).to_stack()).dims(),
              (Dims{4, 3}));
    EXPECT_THROW(array.to_matrix(), Error);
    EXPECT_THROW(Value::from_matrix(Eigen::MatrixXd::Zero(4, 2)).to_stack(), Error);
}

TEST(Value, ConditionsAndStructures) {
    EXPECT_FALSE(Value().is_true());
    EXPECT_FALSE(Value::row({1, 0, 1}).is_true());
    EXPECT_TRUE(Value(2).is_true());
    Value s = Value::structure();
    s.set_field("Tag", "File1Tag");
    s.set_field("Value", 1);
    s.set_field("Tag", "File2Tag");
    EXPECT_EQ(s.field_names(), (std::vector<std::string>{"Tag", "Value"}));
    EXPECT_EQ(s.field("Tag").text(), "File2Tag");
    EXPECT_THROW(s.field("tag"), Error);
}

TEST(Echo, NamedValuesAreShownUnderTheirName) {
    EXPECT_EQ(echo_text("gv2", Value::column({0.5, -0.5})), "gv2 =\n\n    0.5000\n   -0.5000\n\n");
    EXPECT_EQ(echo_text("x", Value::real({2, 2}, {1, 20, 300, -4})),
              "x =\n\n     1   300\n    20    -4\n\n");
    EXPECT_EQ(echo_text("e", Value()), "e =\n\n     []\n\n");
    EXPECT_EQ(echo_text("tiny", 1.5e-7), "tiny =\n\n   1.5000e-07\n\n");
    std::ostringstream out;
    echo_value("t", "abc", &out);
    EXPECT_EQ(out.str(), "t =\n\n    'abc'\n\n");
}

}  // namespace
}  // namespace kelmar
