// Luma for all 16,777,216 colours, against the x87 floating-point unit computing in its 80-bit
// extended format, and its monotonicity, on which the colour search relies.
#include <gtest/gtest.h>

#include "engine/ColorSolver.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

// Calls f(r, g, b) for every colour.
template <typename F>
void ForEachColor(F f) {
    for (int r = 0; r < 256; ++r)
        for (int g = 0; g < 256; ++g)
            for (int b = 0; b < 256; ++b)
                f(static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                  static_cast<std::uint8_t>(b));
}

#if defined(__x86_64__) || defined(__i386__)

// The x87 unit rounds every result to the significand length set in its control word. The
// start-up value differs between systems (Windows and some runtimes use 53 bits), so set
// 64 bits and round-to-nearest for the duration of the test.
class TExtendedPrecision {
public:
    TExtendedPrecision() {
        __asm__ __volatile__("fnstcw %0" : "=m"(saved_));
        std::uint16_t control = static_cast<std::uint16_t>((saved_ & ~0x0F00u) | 0x0300u);
        __asm__ __volatile__("fldcw %0" : : "m"(control));
    }
    ~TExtendedPrecision() { __asm__ __volatile__("fldcw %0" : : "m"(saved_)); }
    TExtendedPrecision(const TExtendedPrecision&) = delete;
    TExtendedPrecision& operator=(const TExtendedPrecision&) = delete;

private:
    std::uint16_t saved_ = 0;
};

// One operation per statement, and the target built with -ffp-contract=off: the order and the
// roundings are the point.
int ExtendedLuma(int r, int g, int b) {
    const long double red = static_cast<long double>(r) * 0.299L;
    const long double green = static_cast<long double>(g) * 0.587L;
    const long double blue = static_cast<long double>(b) * 0.114L;
    const long double redGreen = red + green;
    const long double sum = redGreen + blue;
    return static_cast<int>(std::nearbyintl(sum));
}

int DoubleLuma(int r, int g, int b) {
    const double red = r * 0.299;
    const double green = g * 0.587;
    const double blue = b * 0.114;
    const double redGreen = red + green;
    const double sum = redGreen + blue;
    return static_cast<int>(std::nearbyint(sum));
}

TEST(LumaExhaustive, EqualsTheX87ExtendedComputation) {
    static_assert(sizeof(long double) >= 10 && __LDBL_MANT_DIG__ == 64,
                  "long double must be the x87 80-bit format here");
    TExtendedPrecision precision;

    // The reference is only a reference if the unit really keeps 64 bits.
    volatile long double one = 1.0L;
    volatile long double tiny = 0x1p-63L;
    ASSERT_NE(one + tiny, one) << "x87 precision control is not at 64 bits";

    long long mismatches = 0;
    long long doubleDiffers = 0;
    ForEachColor([&](std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        const int expected = ExtendedLuma(r, g, b);
        const int actual = Luma(r, g, b);
        if (actual != expected && ++mismatches <= 10)
            ADD_FAILURE() << "Luma(" << int{r} << ", " << int{g} << ", " << int{b} << ") is "
                          << actual << ", the x87 unit gives " << expected;
        if (DoubleLuma(r, g, b) != expected)
            ++doubleDiffers;
    });
    EXPECT_EQ(mismatches, 0);

    std::printf("double precision would round %lld of 16777216 colours differently\n",
                doubleDiffers);
    // A plain double implementation would pass most table tests; the reference must catch it.
    EXPECT_GT(doubleDiffers, 1000);
}

#else

TEST(LumaExhaustive, EqualsTheX87ExtendedComputation) {
    GTEST_SKIP() << "needs the x87 80-bit floating-point unit";
}

#endif

// The colour search bisects its path instead of walking it; that finds the first match only if
// luma never falls when one channel rises.
TEST(LumaExhaustive, NeverFallsWhenAChannelRises) {
    std::vector<std::uint8_t> luma(1u << 24);
    auto index = [](unsigned r, unsigned g, unsigned b) { return (r << 16) | (g << 8) | b; };
    ForEachColor([&](std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        luma[index(r, g, b)] = Luma(r, g, b);
    });
    long long falls = 0;
    ForEachColor([&](std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        const std::uint8_t here = luma[index(r, g, b)];
        if (r < 255 && luma[index(r + 1, g, b)] < here)
            ++falls;
        if (g < 255 && luma[index(r, g + 1, b)] < here)
            ++falls;
        if (b < 255 && luma[index(r, g, b + 1)] < here)
            ++falls;
    });
    EXPECT_EQ(falls, 0);
}

} // namespace
