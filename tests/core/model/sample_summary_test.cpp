#include "model/SampleSummary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

using vx::SampleSummary;

TEST(SampleSummary, GivesExactlyTheValuesOfAPlainScan)
{
    const std::size_t n = 300000;
    std::vector<float> x(n);
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> u(-1, 1);
    for (float& v : x)
        v = u(rng);
    x[70000] = std::nanf("");
    x[123456] = 1.5f;
    std::fill(x.begin() + 640, x.begin() + 704, std::nanf(""));   // a whole block of NaN
    std::fill(x.begin() + 1024, x.begin() + 1030, std::nanf("")); // a block that starts with NaN
    SampleSummary s(x.data(), n);
    std::uniform_int_distribution<std::size_t> at(0, n - 1), len(0, 200000);
    for (int trial = 0; trial < 2000; ++trial) {
        const std::size_t from = at(rng);
        const std::size_t count = trial % 3 == 0 ? len(rng) % 300 : len(rng);
        // The scan a waveform column does: NaN never replaces a value.
        double mx = -1e45, mn = 1e45;
        for (std::size_t i = from; i < std::min(n, from + count); ++i) {
            mx = std::max<double>(mx, x[i]);
            mn = std::min<double>(mn, x[i]);
        }
        SampleSummary::Range r = s.minMax(from, count);
        ASSERT_EQ(r.any, mx > -1e45) << from << " " << count;
        if (r.any) {
            ASSERT_EQ(double(r.max), mx) << from << " " << count;
            ASSERT_EQ(double(r.min), mn) << from << " " << count;
        }
    }
    EXPECT_EQ(s.minMax(123000, 1000).max, 1.5f);
    EXPECT_FALSE(s.minMax(70000, 1).any);
    EXPECT_FALSE(s.minMax(640, 64).any);
    EXPECT_TRUE(s.minMax(1024, 64).any);
    EXPECT_EQ(s.minMax(1024, 64).max, s.minMax(1030, 58).max);
    EXPECT_FALSE(s.minMax(n, 10).any);
    EXPECT_TRUE(s.complete());

    // Cancelled, the scan stops and the summary says it is not to be used.
    std::atomic<bool> cancel{true};
    EXPECT_FALSE(SampleSummary(x.data(), n, &cancel).complete());
}
