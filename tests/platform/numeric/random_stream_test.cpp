#include "platform/numeric/random_stream.hpp"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace kelmar {
namespace {

TEST(RandomStream, MatchesTheReferenceMersenneTwister) {
    // Published outputs of MT19937 seeded by init_genrand(5489): the first, and the 10000th.
    RandomStream stream;
    EXPECT_EQ(stream.next_u32(), 3499211612u);
    for (int i = 2; i < 10000; ++i)
        stream.next_u32();
    EXPECT_EQ(stream.next_u32(), 4123659995u);
}

TEST(RandomStream, BlockGeneratorEqualsTheStandardEngine) {
    for (std::uint32_t seed : {5489u, 0u, 42u, 4294967295u}) {
        RandomStream stream(seed);
        std::mt19937 standard(seed);
        for (int i = 0; i < 1000000; ++i) {
            ASSERT_EQ(stream.next_u32(), standard()) << "seed " << seed << ", output " << i;
        }
    }
}

TEST(RandomStream, SeededDoublesAreTheDocumentedOnes) {
    RandomStream stream(42);
    EXPECT_EQ(stream.next_uniform(), 0.3745401188473625);
    EXPECT_EQ(stream.next_uniform(), 0.9507143064099162);
    EXPECT_EQ(stream.next_uniform(), 0.7319939418114051);

    // Reseeding restarts the sequence; fill_uniform continues it in order.
    stream.seed(42);
    std::vector<double> three(3);
    stream.fill_uniform(three);
    EXPECT_EQ(three,
              (std::vector<double>{0.3745401188473625, 0.9507143064099162, 0.7319939418114051}));
    // Each double consumes exactly two 32-bit outputs.
    RandomStream a(7), b(7);
    a.next_uniform();
    b.next_u32();
    b.next_u32();
    EXPECT_EQ(a.next_u32(), b.next_u32());
}

TEST(RandomStream, BulkDrawsEqualSingleDraws) {
    // Lengths that end inside a block and cross block boundaries, from odd positions too.
    RandomStream single(3), uniforms(3), indices(3);
    for (std::size_t length : {1u, 5u, 311u, 312u, 313u, 1000u, 2500u}) {
        single.next_u32();
        uniforms.next_u32();
        indices.next_u32();
        std::vector<double> expected(length);
        for (double& u : expected)
            u = single.next_uniform();
        std::vector<double> got(length);
        uniforms.fill_uniform(got);
        EXPECT_EQ(got, expected) << "length " << length;

        std::vector<std::int32_t> expected_k(length), got_k(length);
        for (std::size_t i = 0; i < length; ++i) {
            expected_k[i] =
                static_cast<std::int32_t>(RandomStream::index_from_uniform(expected[i], 37));
        }
        indices.fill_indices(got_k, 37);
        EXPECT_EQ(got_k, expected_k) << "length " << length;
    }
    EXPECT_EQ(single.next_u32(), indices.next_u32());
}

TEST(RandomStream, DrawsStayInsideTheOpenInterval) {
    RandomStream stream(1);
    for (int i = 0; i < 200000; ++i) {
        const double u = stream.next_uniform();
        ASSERT_GT(u, 0.0);
        ASSERT_LT(u, 1.0);
    }
}

TEST(RandomStream, IndexCoversOneToN) {
    EXPECT_EQ(RandomStream::index_from_uniform(1.0 / 9007199254740992.0, 60), 1);
    EXPECT_EQ(RandomStream::index_from_uniform(0.5, 60), 30);
    EXPECT_EQ(RandomStream::index_from_uniform(0.5000001, 60), 31);
    EXPECT_EQ(RandomStream::index_from_uniform(1.0 - 1.0 / 9007199254740992.0, 60), 60);
    EXPECT_EQ(RandomStream::index_from_uniform(0.999, 1), 1);

    RandomStream stream;
    std::vector<int> hits(7, 0);
    for (int i = 0; i < 70000; ++i) {
        const auto k = stream.next_index(6);
        ASSERT_GE(k, 1);
        ASSERT_LE(k, 6);
        ++hits[static_cast<std::size_t>(k)];
    }
    for (int k = 1; k <= 6; ++k) {
        EXPECT_NEAR(hits[static_cast<std::size_t>(k)], 70000 / 6, 500) << "index " << k;
    }
}

}  // namespace
}  // namespace kelmar
