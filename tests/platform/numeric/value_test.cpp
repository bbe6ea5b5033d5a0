#include "platform/numeric/value.hpp"
#include "platform/numeric/echo.hpp"
#include "platform/numeric/error.hpp"

#include <gtest/gtest.h>

#include <sstream>

namespace kelmar {
namespace {

TEST(Value, ShapesFollowTheArrayRules) {
    EXPECT_EQ(Value().dims(), (Dims{0, 0}));
    EXPECT_TRUE(Value().empty());
    EXPECT_EQ(Value(3.5).dims(), (Dims{1, 1}));
    EXPECT_EQ(Value::real({2, 3, 1, 1}, std::vector<double>(6)).dims(), (Dims{2, 3}));
    EXPECT_EQ(Value::real({4, 3, 2}, std::vector<double>(24)).dims(), (Dims{4, 3, 2}));
    EXPECT_EQ(Value::row({}).dims(), (Dims{0, 0}));
    EXPECT_EQ(Value::column({1, 2}).dims(), (Dims{2, 1}));
    EXPECT_EQ(Value("abc").dims(), (Dims{1, 3}));
    EXPECT_EQ(Value("").dims(), (Dims{0, 0}));
    EXPECT_THROW(Value::real({2, 2}, {1, 2, 3}), Error);
    EXPECT_THROW(Value::cell({1, 2}, {Value(1)}), Error);
}

TEST(Value, MatrixAndStackConversionsRoundTrip) {
    Eigen::MatrixXd m(2, 3);
    m << 1, 2, 3, 4, 5, 6;
    const Value v = Value::from_matrix(m);
    // Column-major order of the elements.
    EXPECT_EQ(std::vector<double>(v.reals().begin(), v.reals().end()),
              (std::vector<double>{1, 4, 2, 5, 3, 6}));
    EXPECT_EQ(v.to_matrix(), m);

    // A 2 x 3 x 2 array: element (j, k, i) lies at j + k*p + i*3p.
    std::vector<double> data(12);
    for (std::size_t i = 0; i < 12; ++i)
        data[i] = static_cast<double>(i);
    const Value array = Value::real({2, 3, 2}, data);
    const Stack s = array.to_stack();
    ASSERT_EQ(s.landmarks(), 2);
    ASSERT_EQ(s.specimens(), 2);
    EXPECT_EQ(s.page(1)(1, 2), 1 + 2 * 2 + 1 * 6);
    EXPECT_EQ(Value::from_stack(s), array);
    EXPECT_THROW(array.to_matrix(), Error);

    // A p x 3 matrix is one specimen and stays two-dimensional on the way back.
    Eigen::MatrixXd configuration(4, 3);
    configuration.setRandom();
    const Stack one = Value::from_matrix(configuration).to_stack();
    EXPECT_EQ(one.specimens(), 1);
    EXPECT_EQ(Value::from_stack(one).dims(), (Dims{4, 3}));
    EXPECT_EQ(Stack::single(configuration), one);

    EXPECT_THROW(Value::from_matrix(Eigen::MatrixXd::Zero(4, 2)).to_stack(), Error);
    EXPECT_THROW(Value("abc").to_stack(), Error);
    EXPECT_THROW(Value("abc").to_scalar(), Error);
    EXPECT_THROW(Stack::from_pages_matrix(Eigen::MatrixXd::Zero(2, 4)), Error);
}

TEST(Value, ConditionsAndStructures) {
    EXPECT_FALSE(Value().is_true());
    EXPECT_FALSE(Value(0).is_true());
    EXPECT_TRUE(Value(2).is_true());
    EXPECT_FALSE(Value::row({1, 0, 1}).is_true());
    EXPECT_TRUE(Value("on").is_true());

    Value s = Value::structure();
    s.set_field("Tag", "File1Tag");
    s.set_field("Value", 1);
    s.set_field("Tag", "File2Tag");
    EXPECT_EQ(s.field_names(), (std::vector<std::string>{"Tag", "Value"}));
    EXPECT_EQ(s.field("Tag").text(), "File2Tag");
    EXPECT_FALSE(s.has_field("tag"));
    EXPECT_THROW(s.field("Missing"), Error);
    Value number = 3;
    EXPECT_THROW(number.set_field("x", 1), Error);
    EXPECT_THROW(Value::structure().is_true(), Error);
}

TEST(Echo, NamedValuesAreShownUnderTheirName) {
    EXPECT_EQ(echo_text("show3q", 1), "show3q =\n\n   1\n\n");
    EXPECT_EQ(echo_text("gv2", Value::column({0.5, 0.5, -0.5, 0.5})),
              "gv2 =\n\n    0.5000\n    0.5000\n   -0.5000\n    0.5000\n\n");
    EXPECT_EQ(echo_text("x", Value::real({2, 2}, {1, 20, 300, -4})),
              "x =\n\n     1   300\n    20    -4\n\n");
    EXPECT_EQ(echo_text("e", Value()), "e =\n\n     []\n\n");
    EXPECT_EQ(echo_text("t", "abc"), "t =\n\n    'abc'\n\n");
    EXPECT_EQ(echo_text("tiny", 1.5e-7), "tiny =\n\n   1.5000e-07\n\n");

    std::ostringstream out;
    echo_value("nh", 12.0013, &out);
    EXPECT_EQ(out.str(), "nh =\n\n   12.0013\n\n");
}

TEST(Error, LastErrorTextFollowsTheLastError) {
    try {
        throw Error("cannot read \"x\" as a number");
    } catch (const Error&) {
    }
    EXPECT_EQ(last_error_text(), "cannot read \"x\" as a number");
    set_last_error_text("other");
    EXPECT_EQ(last_error_text(), "other");
}

}  // namespace
}  // namespace kelmar
