// The solver bisects a path that is meant to be walked one step at a time. Here the walk is
// written out plainly and both are compared for every flag byte that differs in its low six
// bits, over a spread of averages that includes every grey and the channel limits.
#include <gtest/gtest.h>

#include "engine/ColorSolver.h"

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

// The walk evaluates luma up to 258 times per call; a table of every colour's luma, filled from
// Luma itself, keeps the comparison within seconds under the sanitizers.
class TLumaTable {
public:
    TLumaTable() : luma_(1u << 24) {
        for (unsigned c = 0; c < luma_.size(); ++c)
            luma_[c] = Luma(SplitColor(c));
    }
    std::uint8_t operator()(TRgb c) const { return luma_[ColorValue(c)]; }

private:
    std::vector<std::uint8_t> luma_;
};

std::uint8_t ClampChannel(int v) {
    return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

TRgb WalkedColor(const TLumaTable& luma, TRgb avg, std::uint8_t flags) {
    const std::uint8_t target = luma(avg);
    TRgb trial = ForceStuck(avg, flags);
    const std::uint8_t current = luma(trial);
    if (current == target)
        return trial;
    const int d = current < target ? 1 : -1;
    for (int i = 0; i <= 255; ++i) {
        trial = {ClampChannel(avg.R + d * i), ClampChannel(avg.G + d * i),
                 ClampChannel(avg.B + d * i)};
        trial = ForceStuck(trial, flags);
        if (luma(trial) == target)
            break;
    }
    return trial;
}

std::vector<TRgb> Averages() {
    std::vector<TRgb> averages;
    auto add = [&](int r, int g, int b) {
        averages.push_back({static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                            static_cast<std::uint8_t>(b)});
    };
    // A coarse lattice over the whole cube, corners included.
    for (int r = 0; r <= 255; r += 15)
        for (int g = 0; g <= 255; g += 15)
            for (int b = 0; b <= 255; b += 15)
                add(r, g, b);
    // Every grey; and channels next to the limits, where paths clamp at once or never.
    for (int v = 0; v <= 255; ++v)
        add(v, v, v);
    const int edges[] = {0, 1, 2, 3, 127, 128, 252, 253, 254, 255};
    for (int r : edges)
        for (int g : edges)
            for (int b : edges)
                add(r, g, b);
    // A fixed pseudo-random spread between them.
    std::mt19937 random(20240611);
    for (int n = 0; n < 16000; ++n) {
        const auto bits = random();
        add(bits & 0xFF, (bits >> 8) & 0xFF, (bits >> 16) & 0xFF);
    }
    return averages;
}

std::string Describe(TRgb c) {
    char text[24];
    std::snprintf(text, sizeof text, "(%d, %d, %d)", c.R, c.G, c.B);
    return text;
}

TEST(SolveColorSearch, SameResultAsTheStepByStepWalk) {
    const TLumaTable luma;
    const std::vector<TRgb> averages = Averages();
    long long mismatches = 0;
    for (unsigned flags = 0; flags < 64; ++flags) {
        // Bits 6 and 7 must change nothing; let them ride along on every other pass.
        const auto passed = static_cast<std::uint8_t>(flags | ((flags & 1) != 0 ? 0xC0 : 0));
        for (const TRgb avg : averages) {
            const TRgb expected = WalkedColor(luma, avg, static_cast<std::uint8_t>(flags));
            const TRgb actual = SolveColor(avg, passed);
            if (actual != expected && ++mismatches <= 10)
                ADD_FAILURE() << Describe(avg) << " flags 0x" << std::hex << unsigned{passed}
                              << ": walk gives " << Describe(expected) << ", solver gives "
                              << Describe(actual);
        }
    }
    EXPECT_EQ(mismatches, 0);
}

} // namespace
