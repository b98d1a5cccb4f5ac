#include "engine/ColorSolver.h"

#include "store/DefectList.h"

#include <bit>

namespace {

// ---------------------------------------------------------------------------------------------
// Luma in 64-bit-significand arithmetic, with integers only.
//
// The brightness has to come out as 80-bit extended floating point computes it, because the
// decimal weights put thousands of inputs within a hair of a half, and how such an input
// rounds depends on the exact precision. Hardware with that format is not available everywhere
// (MSVC and non-x86 CPUs have none), so the few operations are done by hand:
//
//   - Each weight is a 64-bit significand S and a scale E, the weight being S / 2^E.
//   - All products and sums are then exact multiples of 2^-FixedBits (FixedBits being the
//     largest E, or more), and below 256, so they fit a 128-bit fixed-point number. Rounding "to a
//     64-bit significand" clears the bits below the 64 most significant ones, to nearest, ties
//     to even, exactly as the floating-point unit rounds the exact result of each operation.
// ---------------------------------------------------------------------------------------------

struct TWeight {
    std::uint64_t Significand; // 2^63 <= Significand < 2^64
    int Scale;                 // weight = Significand / 2^Scale
};

// Rounds num / den (0 < num < den, den < 2^62) to the nearest 64-bit significand, ties to
// even, by binary long division.
constexpr TWeight RoundFraction(std::uint64_t num, std::uint64_t den) {
    std::uint64_t rem = num;
    int position = 0;
    auto nextBit = [&]() -> std::uint64_t {
        rem *= 2;
        ++position;
        if (rem >= den) {
            rem -= den;
            return 1;
        }
        return 0;
    };
    while (nextBit() == 0) {
    }
    std::uint64_t significand = 1;
    for (int i = 1; i < 64; ++i) {
        significand = (significand << 1) | nextBit();
    }
    int scale = position;
    const std::uint64_t roundBit = nextBit();
    const bool sticky = rem != 0;
    if (roundBit != 0 && (sticky || (significand & 1) != 0)) {
        ++significand;
        if (significand == 0) { // rounded up to the next power of two
            significand = std::uint64_t{1} << 63;
            --scale;
        }
    }
    return {significand, scale};
}

constexpr TWeight RedWeight = RoundFraction(299, 1000);
constexpr TWeight GreenWeight = RoundFraction(587, 1000);
constexpr TWeight BlueWeight = RoundFraction(114, 1000);

constexpr int FixedBits = 67;
static_assert(RedWeight.Scale <= FixedBits && GreenWeight.Scale <= FixedBits &&
                  BlueWeight.Scale <= FixedBits,
              "every weight must be a multiple of 2^-FixedBits");
// Values stay below 256 = 2^8, so they need at most FixedBits + 8 bits; the rounding below
// relies on the high word holding fewer than 64 of them.
static_assert(FixedBits > 64 && FixedBits + 8 < 128, "fixed-point layout");

// An unsigned fixed-point number Hi * 2^64 + Lo, in units of 2^-FixedBits.
struct TFixed {
    std::uint64_t Hi;
    std::uint64_t Lo;
};

// factor * weight, exactly.
constexpr TFixed Product(TWeight weight, std::uint8_t factor) {
    const std::uint64_t low = (weight.Significand & 0xFFFFFFFFu) * factor;
    const std::uint64_t high = (weight.Significand >> 32) * factor;
    TFixed p;
    p.Lo = low + (high << 32);
    p.Hi = (high >> 32) + (p.Lo < low ? 1 : 0);
    const int shift = FixedBits - weight.Scale;
    if (shift > 0) {
        p.Hi = (p.Hi << shift) | (p.Lo >> (64 - shift));
        p.Lo <<= shift;
    }
    return p;
}

constexpr TFixed Add(TFixed a, TFixed b) {
    TFixed s;
    s.Lo = a.Lo + b.Lo;
    s.Hi = a.Hi + b.Hi + (s.Lo < a.Lo ? 1 : 0);
    return s;
}

// Keeps the 64 most significant bits, rounding to nearest, ties to even.
constexpr TFixed RoundToSignificand(TFixed v) {
    if (v.Hi == 0) {
        return v; // 64 bits or fewer: exact already
    }
    const int drop = static_cast<int>(std::bit_width(v.Hi)); // 1 to 63: see the layout assertion
    std::uint64_t kept = (v.Lo >> drop) | (v.Hi << (64 - drop));
    const std::uint64_t rest = v.Lo & ((std::uint64_t{1} << drop) - 1);
    const std::uint64_t half = std::uint64_t{1} << (drop - 1);
    if (rest > half || (rest == half && (kept & 1) != 0)) {
        ++kept;
        if (kept == 0) { // carried into a new top bit: 2^(64 + drop), still exact
            return {std::uint64_t{1} << drop, 0};
        }
    }
    return {kept >> (64 - drop), kept << drop};
}

// Rounds to the nearest integer, ties to even.
constexpr unsigned RoundToInteger(TFixed v) {
    constexpr int hiFractionBits = FixedBits - 64;
    constexpr std::uint64_t hiHalf = std::uint64_t{1} << (hiFractionBits - 1);
    std::uint64_t whole = v.Hi >> hiFractionBits;
    const std::uint64_t hiFraction = v.Hi & ((std::uint64_t{1} << hiFractionBits) - 1);
    const bool above = hiFraction > hiHalf || (hiFraction == hiHalf && v.Lo != 0);
    const bool tie = hiFraction == hiHalf && v.Lo == 0;
    if (above || (tie && (whole & 1) != 0)) {
        ++whole;
    }
    return static_cast<unsigned>(whole);
}

std::uint8_t Clamp(int value) {
    return static_cast<std::uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
}

// Step i of the search path: every channel moved by `offset`, then the stuck ones forced.
TRgb PathPoint(TRgb average, int offset, std::uint8_t flags) {
    return ForceStuck(
        {Clamp(average.R + offset), Clamp(average.G + offset), Clamp(average.B + offset)}, flags);
}

} // namespace

TRgb SplitColor(std::uint32_t color) noexcept {
    return {static_cast<std::uint8_t>(color & 0xFF), static_cast<std::uint8_t>((color >> 8) & 0xFF),
            static_cast<std::uint8_t>((color >> 16) & 0xFF)};
}

std::uint32_t ColorValue(TRgb rgb) noexcept {
    return std::uint32_t{rgb.R} + 256u * rgb.G + 65536u * rgb.B;
}

TRgb AverageNeighbours(std::span<const std::uint32_t, 8> colors) noexcept {
    unsigned r = 0;
    unsigned g = 0;
    unsigned b = 0;
    for (const std::uint32_t color : colors) {
        const TRgb c = SplitColor(color);
        r += c.R;
        g += c.G;
        b += c.B;
    }
    return {static_cast<std::uint8_t>(r / 8), static_cast<std::uint8_t>(g / 8),
            static_cast<std::uint8_t>(b / 8)};
}

std::uint8_t Luma(std::uint8_t r, std::uint8_t g, std::uint8_t b) noexcept {
    const TFixed red = RoundToSignificand(Product(RedWeight, r));
    const TFixed green = RoundToSignificand(Product(GreenWeight, g));
    const TFixed blue = RoundToSignificand(Product(BlueWeight, b));
    const TFixed sum = RoundToSignificand(Add(RoundToSignificand(Add(red, green)), blue));
    return static_cast<std::uint8_t>(RoundToInteger(sum));
}

TRgb ForceStuck(TRgb rgb, std::uint8_t flags) noexcept {
    auto force = [flags](std::uint8_t value, std::uint8_t on, std::uint8_t off) -> std::uint8_t {
        if ((flags & off) != 0) {
            return 0;
        }
        if ((flags & on) != 0) {
            return 255;
        }
        return value;
    };
    return {force(rgb.R, RedOn, RedOff), force(rgb.G, GreenOn, GreenOff),
            force(rgb.B, BlueOn, BlueOff)};
}

// The search walks i = 0 to 255 with every channel at average + d * i, and stops at the first i
// whose luma equals the target. Luma never falls when a channel rises (each rounding step is
// monotonic), and along the path every free channel moves the same way, so the path's luma
// moves monotonically in direction d. The first i that matches is therefore the first i that
// reaches the target, and a bisection over i finds it in eight steps instead of up to 256.
TRgb SolveColor(TRgb average, std::uint8_t flags) noexcept {
    const std::uint8_t target = Luma(average);
    const TRgb start = ForceStuck(average, flags);
    const std::uint8_t startLuma = Luma(start);
    if (startLuma == target) {
        return start;
    }
    const int d = startLuma < target ? 1 : -1;
    auto reached = [d, target](std::uint8_t luma) {
        return d > 0 ? luma >= target : luma <= target;
    };

    // When even the end of the path falls short, the walk ends there.
    const TRgb last = PathPoint(average, d * 255, flags);
    std::uint8_t hiLuma = Luma(last);
    if (!reached(hiLuma)) {
        return last;
    }
    // Invariant: step lo has not reached the target, step hi has. Step 0 is the start.
    int lo = 0;
    int hi = 255;
    while (hi - lo > 1) {
        const int mid = (lo + hi) / 2;
        const std::uint8_t midLuma = Luma(PathPoint(average, d * mid, flags));
        if (reached(midLuma)) {
            hi = mid;
            hiLuma = midLuma;
        } else {
            lo = mid;
        }
    }
    // With a channel stuck, one step moves the luma by less than 1, so the first step that
    // reaches the target should equal it. Should it overshoot, no step equals the target and the
    // walk would end on its last point; the check keeps that answer without relying on the bound.
    return hiLuma == target ? PathPoint(average, d * hi, flags) : last;
}
